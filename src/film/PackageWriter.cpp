#include "film/PackageWriter.h"

#include <cctype>
#include <vector>

#include "film/FilmStorageWriter.h"
#include "film/MediaLayout.h"
#include "film/PackageSignatures.h"
#include "platform/BinaryFile.h"

namespace film {

namespace {

std::string extensionOf(const std::string& name) {
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    return name.substr(dot);
}

// Where a reference names a file on this machine: both separators end a
// folder.
std::string localPath(const FileRef& ref) {
    if (ref.folder.empty()) {
        return ref.fileName;
    }
    const char last = ref.folder.back();
    return ref.folder + (last == '/' || last == '\\' ? "" : "/") + ref.fileName;
}

// Collects the files to embed and renames the references on the way.
class MediaList {
  public:
    platform::Result<bool> add(FileRef& ref) {
        if (ref.fileName.empty() && ref.folder.empty()) {
            return true;
        }
        const std::string path = localPath(ref);
        auto file = platform::InputFile::open(path);
        if (!file) {
            return platform::Error{"cannot read " + path};
        }
        ref = FileRef{"", std::to_string(file->size()) + extensionOf(ref.fileName)};
        if (file->size() > 0) {
            paths_.push_back(path);
        }
        return true;
    }
    const std::vector<std::string>& paths() const { return paths_; }

  private:
    std::vector<std::string> paths_;
};

bool copyInto(platform::OutputFile& out, const std::string& path) {
    auto in = platform::InputFile::open(path);
    if (!in) {
        return false;
    }
    std::vector<char> buffer(1 << 20);
    for (std::uint64_t position = 0; position < in->size();) {
        const std::size_t got = in->readAt(position, buffer.data(), buffer.size());
        if (got == 0 || !out.write(buffer.data(), got)) {
            return false;
        }
        position += got;
    }
    return true;
}

}  // namespace

platform::Result<bool> writeFilmPackage(const Film& source, const std::string& outputPath,
                                        const std::string& prefixPath) {
    Film film = source;
    MediaList media;

    if (!film.musicPath().empty() && !isCdTrackName(film.musicFile())) {
        FileRef music{film.musicFolder(), film.musicFile()};
        if (auto added = media.add(music); !added) {
            return platform::Error{added.error()};
        }
        film.setMusicPath(music.fileName);
    }
    for (int number = 1; number <= film.itemCount(); ++number) {
        FilmItem item = film.getItem(number);
        FileRef* main = item.type == ITEM_PHOTO  ? &item.picture
                        : item.type == ITEM_CLIP ? &item.clip
                        : item.type == ITEM_SHOW ? &item.show
                                                 : nullptr;
        std::vector<FileRef*> parts{&item.firstFrameStill};
        if (main != nullptr) {
            parts.push_back(main);
        }
        parts.push_back(&item.overlay);
        parts.push_back(&item.lastFrameStill);
        if (item.musicCue != MUSIC_CD_TRACK && !isCdTrackName(item.music.fileName)) {
            parts.push_back(&item.music);
        }
        for (FileRef* part : parts) {
            if (auto added = media.add(*part); !added) {
                return platform::Error{added.error()};
            }
        }
        film.updateItem(number, item);
    }

    auto document = writeFilmStorage(film);
    if (!document) {
        return platform::Error{"cannot write the film document: " + document.error()};
    }

    std::string error;
    auto out = platform::OutputFile::open(outputPath, platform::OutputFile::Mode::CreateOrTruncate,
                                          &error);
    if (!out) {
        return platform::Error{"cannot create " + error};
    }
    const PackageSignatures& signatures = packageSignatures();
    bool ok = (prefixPath.empty() || copyInto(*out, prefixPath)) &&
              out->write(signatures.filmDescription.data(), signatures.filmDescription.size()) &&
              out->write(document->data(), document->size()) &&
              out->write(signatures.mediaDescription.data(), signatures.mediaDescription.size());
    for (const std::string& path : media.paths()) {
        ok = ok && copyInto(*out, path);
    }
    if (!out->close() || !ok) {
        platform::removeFile(outputPath);
        return platform::Error{"cannot write " + outputPath};
    }
    // A show with the player in front runs like the player itself.
    if (!prefixPath.empty() && !platform::makeExecutable(outputPath)) {
        return platform::Error{"cannot make " + outputPath + " executable"};
    }
    return true;
}

}  // namespace film
