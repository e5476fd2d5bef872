#include "film/FilmLoader.h"

#include <cctype>
#include <climits>

#include "film/CaToWav.h"
#include "film/FilmStorageReader.h"
#include "film/MediaLayout.h"
#include "film/PackageSignatures.h"
#include "film/ShowMessage.h"
#include "platform/BinaryFile.h"
#include "platform/Drives.h"
#include "platform/Trace.h"

namespace film {

namespace {

constexpr char kDocumentName[] = "Film.flm";

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string withoutExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool hasExtension(const std::string& name, const char* extension) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    const std::string found = name.substr(dot);
    if (found.size() != std::char_traits<char>::length(extension)) {
        return false;
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(found[i])) != extension[i]) {
            return false;
        }
    }
    return true;
}

// Both markers, each searched from the start of the file; nullopt when the
// file cannot be opened.
struct Markers {
    std::uint64_t documentStart = 0;  // just past signature A; 0: not found
    std::uint64_t mediaStart = 0;     // just past signature B; 0: not found
};

std::optional<Markers> findMarkers(const std::string& path) {
    auto file = platform::InputFile::open(path);
    if (!file) {
        return std::nullopt;
    }
    const PackageSignatures& signatures = packageSignatures();
    return Markers{findSignature(*file, signatures.filmDescription),
                   findSignature(*file, signatures.mediaDescription)};
}

}  // namespace

std::string filmWindowTitle(const std::string& packagePath, bool pickedByHand) {
    const std::string name = withoutExtension(baseName(packagePath));
    return pickedByHand ? "Photoreel Viewer - [" + name + "]" : name;
}

FilmLoader::FilmLoader(platform::Dialogs& dialogs, platform::TempDirectory& tempDirectory,
                       bool presentationViewerAvailable)
    : dialogs_(dialogs),
      tempDirectory_(tempDirectory),
      presentationViewerAvailable_(presentationViewerAvailable),
      isCdRomDrive_(platform::isCdRomDrive) {
    decodeCa_ = [this](const std::string& package, std::int64_t offset, std::int64_t size,
                       const std::string& target) {
        return decodeCaToWav(dialogs_, comfortNoise_, package, static_cast<std::uint64_t>(offset),
                             static_cast<std::uint64_t>(size), target);
    };
}

void FilmLoader::showLoaderMessage(int captionNumber, int messageNumber,
                                   const std::string& argument) {
    messagesShown_.push_back(messageNumber);
    showMessage(dialogs_, platform::MB_OK, captionNumber, nullptr, messageNumber, nullptr,
                argument.c_str());
}

int FilmLoader::failDetach(const char* traceLine) {
    if (progress_ != nullptr) {
        progress_->close();
    }
    showLoaderMessage(STR_CAPTION_ERROR, STR_CANNOT_DETACH, "");
    platform::trace("%s", traceLine);
    return 0;
}

std::string FilmLoader::detach(std::int64_t offset, std::int64_t size,
                               const std::string& storedName, int index, bool compressedMusic) {
    auto target = makeTempName(tempDirectory_, storedName, index);
    if (!target) {
        return {};
    }
    std::string path = *target;
    if (compressedMusic) {
        // The decoded music is a WAV file named after the stored one.
        const std::string wav = path + ".WAV";
        platform::removeFile(path);
        auto created = platform::OutputFile::open(wav, platform::OutputFile::Mode::CreateNew);
        if (!created) {
            return {};
        }
        created->close();
        path = wav;
    }
    detached_.push_back(path);
    int ok;
    if (compressedMusic && decodeCa_) {
        ok = decodeCa_(packagePath_, offset, size, path);
    } else {
        ok = extractRange(packagePath_, offset, size, path, pump_);
    }
    return ok == 1 ? path : std::string();
}

int FilmLoader::loadFilm(platform::Window* window, Film& film, const std::string& sourcePath,
                         bool mediaGraphAvailable) {
    mediaGraphAvailable_ = mediaGraphAvailable;

    // 1. The source itself, or a package the user picks.
    std::optional<Markers> markers = findMarkers(sourcePath);
    bool pickedByHand = false;
    std::string package = sourcePath;
    if (!markers || markers->documentStart == 0 || markers->mediaStart == 0) {
        pickedByHand = true;
        auto chosen = dialogs_.openFile({"", "Photoreel Data Files (*.flz)", "*.flz"});
        if (!chosen) {
            return 0;
        }
        package = *chosen;
        markers = findMarkers(package);
        if (!markers) {
            showLoaderMessage(STR_CAPTION_ERROR, STR_CANNOT_OPEN_FILE, package);
            return 0;
        }
        if (markers->documentStart == 0 || markers->mediaStart == 0) {
            showLoaderMessage(STR_CAPTION_ERROR, STR_NOT_A_PLAYABLE_FILM, package);
            return 0;
        }
    }
    packagePath_ = package;
    title_ = filmWindowTitle(package, pickedByHand);
    if (window != nullptr) {
        window->setTitle(title_);
    }

    // 2. The film document, between the two markers.
    const PackageSignatures& signatures = packageSignatures();
    documentPath_ = tempDirectory_.path() + "/" + kDocumentName;
    const auto documentSize = static_cast<std::int64_t>(markers->mediaStart) -
                              static_cast<std::int64_t>(signatures.mediaDescription.size()) -
                              static_cast<std::int64_t>(markers->documentStart);
    {
        auto created =
            platform::OutputFile::open(documentPath_, platform::OutputFile::Mode::CreateOrTruncate);
        if (created) {
            created->close();
            detached_.push_back(documentPath_);
        }
        if (!created ||
            extractRange(packagePath_, static_cast<std::int64_t>(markers->documentStart),
                         documentSize, documentPath_, pump_) != 1) {
            showLoaderMessage(STR_CAPTION_ERROR, STR_CANNOT_DETACH, "");
            return 0;
        }
    }
    if (readFilmStorage(film, documentPath_, dialogs_) == 0) {
        showLoaderMessage(STR_CAPTION_ERROR, STR_NOT_A_PLAYABLE_FILM, packagePath_);
        platform::trace("ReadFromFile Error --- 1\n");
        return 0;
    }
    const int itemCount = film.itemCount();
    if (itemCount < 1) {
        showLoaderMessage(STR_CAPTION_ERROR, STR_NOT_A_PLAYABLE_FILM, packagePath_);
        platform::trace("GetCount Error --- 1\n");
        return 0;
    }
    if (progress_ != nullptr) {
        progress_->show();
    }

    // 3. The media area: film music, then per stored item its first-frame
    // still, main file, overlay, last-frame still and music.
    const MediaLayout layout = layOutMedia(film, static_cast<std::int64_t>(markers->mediaStart));
    const std::string musicName = baseName(film.musicPath());
    if (layout.filmMusic.present()) {
        const std::string path =
            detach(layout.filmMusic.offset, layout.filmMusic.size, musicName, 0, false);
        if (path.empty()) {
            return failDetach("Detach Error --- 2\n");
        }
        film.setMusicPath(path);
    }

    bool hasClips = false;
    bool hasShows = false;
    int number = 1;
    for (int counter = 1; counter <= itemCount; ++counter, ++number) {
        const ItemMedia& media = layout.items[static_cast<std::size_t>(counter - 1)];
        FilmItem item = film.getItem(number);
        bool update = false;
        bool dropped = false;

        item.firstFrameStill.fileName =
            media.firstFrameStill.present() ? std::to_string(media.firstFrameStill.offset) : "-1";

        switch (item.type) {
            case ITEM_PHOTO:
                item.picture.fileName = std::to_string(media.main.offset);
                update = true;
                break;
            case ITEM_CLIP:
            case ITEM_SHOW: {
                const bool isClip = item.type == ITEM_CLIP;
                FileRef& ref = isClip ? item.clip : item.show;
                (isClip ? hasClips : hasShows) = true;
                const bool canPlay = isClip ? mediaGraphAvailable_ : presentationViewerAvailable_;
                if (canPlay && media.main.present()) {
                    const std::string path =
                        detach(media.main.offset, media.main.size, ref.fileName, number, false);
                    if (path.empty()) {
                        return failDetach(isClip ? "Detach Error --- 3\n" : "Detach Error --- 4\n");
                    }
                    ref = FileRef{"", path};
                    update = true;
                } else {
                    film.removeItem(number);
                    dropped = true;
                }
                break;
            }
            default:
                break;
        }

        // An overlay with no embedded file is no overlay, whatever its
        // stored name says: never decode one from offset 0.
        item.overlay =
            media.overlay.present() ? FileRef{"", std::to_string(media.overlay.offset)} : FileRef{};
        item.lastFrameStill.fileName =
            media.lastFrameStill.present() ? std::to_string(media.lastFrameStill.offset) : "-1";

        if (item.musicCue == MUSIC_CD_TRACK) {
            bool found = false;
            for (char drive = 'D'; drive <= 'Z' && !found; ++drive) {
                if (isCdRomDrive_ && isCdRomDrive_(drive)) {
                    item.music =
                        FileRef{"", std::string(1, drive) + ":" + baseName(item.music.fileName)};
                    found = true;
                }
            }
            if (!found) {
                item.musicCue = MUSIC_KEEP;
            }
        } else if (media.music.present() && !dropped) {
            // A dropped item's music is skipped, not detached: nothing would
            // ever play or delete it.
            const bool compressed = hasExtension(item.music.fileName, ".ca");
            const std::string path = detach(media.music.offset, media.music.size,
                                            item.music.fileName, number, compressed);
            if (path.empty()) {
                return failDetach("Detach Error --- 5\n");
            }
            item.music = FileRef{"", path};
        }

        if (progress_ != nullptr) {
            progress_->setProgress(static_cast<float>(counter) / static_cast<float>(itemCount));
        }
        if (update) {
            film.updateItem(number, item);
        }
        if (dropped) {
            --number;
        }
    }

    if (!mediaGraphAvailable_ && hasClips) {
        showLoaderMessage(STR_CAPTION_NOTICE, STR_CLIPS_DROPPED, "");
    }
    if (!presentationViewerAvailable_ && hasShows) {
        showLoaderMessage(STR_CAPTION_NOTICE, STR_SHOWS_DROPPED, "");
    }
    if (progress_ != nullptr) {
        progress_->close();
    }
    return 1;
}

void FilmLoader::releaseFilm(Film&) {
    for (const std::string& path : detached_) {
        platform::removeFile(path);
    }
    detached_.clear();
}

}  // namespace film
