#include "shell/ExtractCommand.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>

#include "film/CaToWav.h"
#include "film/FilmStorageReader.h"
#include "film/MediaLayout.h"
#include "film/PackageDetach.h"
#include "film/PackageSignatures.h"
#include "platform/BinaryFile.h"
#include "shell/ConsoleDialogs.h"
#include "shell/ExitCodes.h"

namespace shell {

namespace {

using Json = nlohmann::json;

std::string itemPrefix(int number) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "item-%03d-", number);
    return prefix;
}

class Extractor {
  public:
    Extractor(const ExtractOptions& options, platform::InputFile& package)
        : options_(options), package_(package), dialogs_(stderr) {}

    // Copies one embedded part into the directory and lists it.
    void write(const film::EmbeddedPart& part, const std::string& name, const std::string& role,
               int item, const std::string& storedName) {
        if (!part.present()) {
            return;
        }
        const auto extension = film::safeExtension(storedName);
        Json entry{{"role", role},
                   {"offset", part.offset},
                   {"size", part.size},
                   {"stored_name", storedName}};
        if (item > 0) {
            entry["item"] = item;
        }
        const bool compressed = extension && (*extension == "ca" || *extension == "CA");
        std::string fileName = name + (extension ? "." + *extension : "");
        if (compressed) {
            const std::string wavName = name + ".wav";
            const int ok = film::decodeCaToWav(
                dialogs_, noise_, options_.film, static_cast<std::uint64_t>(part.offset),
                static_cast<std::uint64_t>(part.size), path(wavName));
            entry["file"] = wavName;
            entry["decoded_from"] = "ca";
            if (ok != 1) {
                entry["error"] = "cannot decode";
                ++failures_;
            }
            if (!options_.raw) {
                files_.push_back(entry);
                return;
            }
            files_.push_back(entry);
            entry.erase("decoded_from");
            entry.erase("error");
        }
        entry["file"] = fileName;
        if (!copy(part, fileName)) {
            entry["error"] = "past the end of the package";
            ++failures_;
        }
        files_.push_back(entry);
    }

    bool copy(const film::EmbeddedPart& part, const std::string& fileName) {
        const std::string target = path(fileName);
        auto created =
            platform::OutputFile::open(target, platform::OutputFile::Mode::CreateOrTruncate);
        if (!created) {
            return false;
        }
        created->close();
        return film::extractRange(options_.film, part.offset, part.size, target, nullptr) == 1;
    }

    std::string path(const std::string& name) const { return options_.directory + "/" + name; }

    const ExtractOptions& options_;
    platform::InputFile& package_;
    ConsoleDialogs dialogs_;
    film::lpc::NoiseRing noise_;
    Json files_ = Json::array();
    int failures_ = 0;
};

}  // namespace

void addExtractCommand(CLI::App& app, ExtractOptions& options) {
    CLI::App* extract = app.add_subcommand(
        "extract", "Write a film's document and every embedded file into a directory");
    extract->add_option("film", options.film, "Film package (.flz) or self-running show")
        ->required();
    extract->add_option("directory", options.directory, "Where to write (created if missing)")
        ->required();
    extract->add_flag("--raw", options.raw,
                      "Also write compressed item music as stored (.ca), beside its WAV");
}

int runExtract(const ExtractOptions& options) {
    std::string why;
    auto package = platform::InputFile::open(options.film, &why);
    if (!package) {
        std::fprintf(stderr, "photoreel extract: cannot open %s\n", why.c_str());
        return EXIT_CODE_BAD_INPUT;
    }
    const auto& signatures = film::packageSignatures();
    const std::uint64_t documentStart = film::findSignature(*package, signatures.filmDescription);
    const std::uint64_t mediaStart = film::findSignature(*package, signatures.mediaDescription);
    if (documentStart == 0 || mediaStart == 0 ||
        mediaStart < documentStart + signatures.mediaDescription.size()) {
        std::fprintf(stderr, "photoreel extract: %s holds no film package\n", options.film.c_str());
        return EXIT_CODE_BAD_INPUT;
    }
    std::error_code error;
    std::filesystem::create_directories(options.directory, error);
    if (error) {
        std::fprintf(stderr, "photoreel extract: cannot create %s: %s\n", options.directory.c_str(),
                     error.message().c_str());
        return EXIT_CODE_OUTPUT_FAILED;
    }

    Extractor extractor(options, *package);
    const film::EmbeddedPart document{
        static_cast<std::int64_t>(documentStart),
        static_cast<std::int64_t>(mediaStart - signatures.mediaDescription.size() - documentStart)};
    if (!extractor.copy(document, "film.flm")) {
        std::fprintf(stderr, "photoreel extract: cannot write the film document\n");
        return EXIT_CODE_OUTPUT_FAILED;
    }
    film::Film stored;
    std::string readError;
    if (film::readFilmStorage(stored, extractor.path("film.flm"), extractor.dialogs_, &readError) !=
        1) {
        std::fprintf(stderr, "photoreel extract: cannot read the film document: %s\n",
                     readError.c_str());
        return EXIT_CODE_BAD_INPUT;
    }

    const film::MediaLayout layout =
        film::layOutMedia(stored, static_cast<std::int64_t>(mediaStart));
    extractor.write(layout.filmMusic, "film-music", "film_music", 0, stored.musicFile());
    for (const film::ItemMedia& media : layout.items) {
        const film::FilmItem item = stored.getItem(media.storedNumber);
        const std::string prefix = itemPrefix(media.storedNumber);
        const int n = media.storedNumber;
        extractor.write(media.firstFrameStill, prefix + "first-frame", "first_frame_still", n,
                        item.firstFrameStill.fileName);
        switch (item.type) {
            case film::ITEM_PHOTO:
                extractor.write(media.main, prefix + "picture", "picture", n,
                                item.picture.fileName);
                break;
            case film::ITEM_CLIP:
                extractor.write(media.main, prefix + "clip", "clip", n, item.clip.fileName);
                break;
            case film::ITEM_SHOW:
                extractor.write(media.main, prefix + "presentation", "presentation", n,
                                item.show.fileName);
                break;
            default:
                break;
        }
        extractor.write(media.overlay, prefix + "overlay", "overlay", n, item.overlay.fileName);
        extractor.write(media.lastFrameStill, prefix + "last-frame", "last_frame_still", n,
                        item.lastFrameStill.fileName);
        extractor.write(media.music, prefix + "music", "music", n, item.music.fileName);
    }

    const Json manifest{{"package", options.film},
                        {"document", "film.flm"},
                        {"item_count", stored.itemCount()},
                        {"media_start", mediaStart},
                        {"files", extractor.files_}};
    auto out = platform::OutputFile::open(extractor.path("manifest.json"),
                                          platform::OutputFile::Mode::CreateOrTruncate);
    const std::string text = manifest.dump(2) + "\n";
    if (!out || !out->write(text.data(), text.size()) || !out->close()) {
        std::fprintf(stderr, "photoreel extract: cannot write manifest.json\n");
        return EXIT_CODE_OUTPUT_FAILED;
    }
    if (extractor.failures_ > 0) {
        std::fprintf(stderr, "photoreel extract: %d embedded files could not be written (see %s)\n",
                     extractor.failures_, extractor.path("manifest.json").c_str());
        return EXIT_CODE_OUTPUT_FAILED;
    }
    return 0;
}

}  // namespace shell
