#include "shell/PackCommand.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>

#include "film/Film.h"
#include "film/FilmDescription.h"
#include "film/PackageWriter.h"
#include "imaging/JpegDimensions.h"
#include "platform/BinaryFile.h"
#include "platform/FileBytes.h"
#include "platform/SelfPath.h"
#include "shell/ExitCodes.h"

namespace shell {

namespace {

constexpr int kRandomTransitionSlot = 98;

film::FileRef referenceTo(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return film::FileRef{"", path};
    }
    return film::FileRef{path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::optional<imaging::JpegDimensions> photoSize(const std::string& path, std::string& why) {
    auto file = platform::InputFile::open(path, &why);
    if (!file) {
        return std::nullopt;
    }
    // Frame headers sit near the start; 1 MiB covers large embedded thumbnails.
    std::vector<std::uint8_t> head(
        static_cast<std::size_t>(std::min<std::uint64_t>(file->size(), 1 << 20)));
    head.resize(file->readAt(0, head.data(), head.size()));
    auto size = imaging::readJpegDimensions(head);
    if (!size) {
        why = path + ": not a JPEG picture";
    }
    return size;
}

}  // namespace

void addPackCommand(CLI::App& app, PackOptions& options) {
    CLI::App* pack = app.add_subcommand(
        "pack",
        "Make a film package: from a film description (FILM.json, see the README) or from JPEG "
        "photos, one item per photo in the order given");
    pack->add_option("-o,--output", options.output, "Package to write (.flz)")->required();
    pack->add_option("inputs", options.photos, "FILM.json, or JPEG photos")->required();
    pack->add_option("--duration", options.durationSeconds, "Seconds each photo stays")
        ->check(CLI::Range(0, 3600));
    pack->add_option("--transition", options.transition,
                     "Transition slot 0..97 for every photo, or \"random\"");
    pack->add_option("--transition-ms", options.transitionMs, "Length of each transition")
        ->check(CLI::Range(0, 60000));
    pack->add_option("--music", options.music, "Film music (.mp3, .wav or .mid)");
    pack->add_flag("--self-running", options.selfRunning,
                   "Write a copy of this player with the film appended; it plays when started");
    pack->add_flag("--manual", options.manual, "Advance on Page Down or a click, not by time");
    pack->add_flag("--no-loop", options.noLoop, "End after the last item");
}

namespace {

// The description form: one JSON file names everything.
int packDescription(const PackOptions& options) {
    const std::string& description = options.photos.front();
    auto bytes = platform::readFileBytes(description, 16u << 20);
    if (!bytes) {
        std::fprintf(stderr, "photoreel pack: %s\n", bytes.error().c_str());
        return EXIT_CODE_BAD_INPUT;
    }
    const auto slash = description.rfind('/');
    const std::string base = slash == std::string::npos ? "." : description.substr(0, slash);
    auto film = film::parseFilmDescription(std::string(bytes->begin(), bytes->end()), base);
    if (!film) {
        std::fprintf(stderr, "photoreel pack: %s: %s\n", description.c_str(), film.error().c_str());
        return EXIT_CODE_BAD_INPUT;
    }
    const std::string prefix = options.selfRunning ? platform::executablePath() : std::string();
    auto written = film::writeFilmPackage(*film, options.output, prefix);
    if (!written) {
        std::fprintf(stderr, "photoreel pack: %s\n", written.error().c_str());
        return EXIT_CODE_OUTPUT_FAILED;
    }
    return 0;
}

}  // namespace

int runPack(const PackOptions& options) {
    if (options.photos.size() == 1 && options.photos.front().ends_with(".json")) {
        return packDescription(options);
    }
    int slot = kRandomTransitionSlot;
    if (options.transition != "random") {
        try {
            std::size_t used = 0;
            slot = std::stoi(options.transition, &used);
            if (used != options.transition.size() || slot < 0 || slot > kRandomTransitionSlot) {
                throw std::out_of_range("slot");
            }
        } catch (const std::exception&) {
            std::fprintf(stderr, "photoreel pack: --transition takes 0..98 or random, not %s\n",
                         options.transition.c_str());
            return EXIT_CODE_USAGE;
        }
    }

    film::Film film;
    film.setPlayMode(options.manual ? film::PLAYMODE_MANUAL : film::PLAYMODE_TIMED);
    film.setLoop(options.noLoop ? 0 : 1);
    if (!options.music.empty()) {
        if (!platform::isReadableFile(options.music)) {
            std::fprintf(stderr, "photoreel pack: cannot read %s\n", options.music.c_str());
            return EXIT_CODE_BAD_INPUT;
        }
        film.setMusicPath(options.music);
    }
    for (const std::string& photo : options.photos) {
        std::string why;
        const auto size = photoSize(photo, why);
        if (!size) {
            std::fprintf(stderr, "photoreel pack: %s\n", why.c_str());
            return EXIT_CODE_BAD_INPUT;
        }
        film::FilmItem item;
        item.type = film::ITEM_PHOTO;
        item.picture = referenceTo(photo);
        item.storedWidth = size->width;
        item.storedHeight = size->height;
        item.duration = options.durationSeconds;
        item.effect = slot;
        item.transitionTime = options.transitionMs;
        film.addItem(item);
    }

    const std::string prefix = options.selfRunning ? platform::executablePath() : std::string();
    auto written = film::writeFilmPackage(film, options.output, prefix);
    if (!written) {
        std::fprintf(stderr, "photoreel pack: %s\n", written.error().c_str());
        return EXIT_CODE_OUTPUT_FAILED;
    }
    return 0;
}

}  // namespace shell
