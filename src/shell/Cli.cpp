#include "shell/Cli.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/MediaBackend.h"
#include "platform/TerminationSignals.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/sdl/SdlPlatform.h"
#include "playback/PlayerWindow.h"
#include "playback/ViewerPresentations.h"
#include "shell/EffectCommand.h"
#include "shell/ExitCodes.h"
#include "shell/ExportCommand.h"
#include "shell/ExtractCommand.h"
#include "shell/FilmInfo.h"
#include "shell/GalleryCommand.h"
#include "shell/PackCommand.h"
#include "shell/Viewer.h"

#ifndef PHOTOREEL_VERSION
#define PHOTOREEL_VERSION "unknown"
#endif

namespace shell {

namespace {

// "WIDTHxHEIGHT", each side 16 to 16384 pixels.
std::optional<platform::Size> parseSize(const std::string& text) {
    const auto separator = text.find_first_of("xX");
    if (separator == std::string::npos) {
        return std::nullopt;
    }
    auto side = [](std::string_view digits) -> std::optional<int> {
        int value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size() || value < 16 ||
            value > 16384) {
            return std::nullopt;
        }
        return value;
    };
    const std::string_view view(text);
    const auto width = side(view.substr(0, separator));
    const auto height = side(view.substr(separator + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return platform::Size{*width, *height};
}

struct PlayOptions {
    std::string film;
    int frameMs = 55;
    std::string stage = "fixed";
    std::string windowed;
    bool headless = false;
    bool mute = false;
    long long quitAfterMs = -1;
};

PlayerFactory playerFactory(const PlayOptions& cli) {
    playback::PlayerOptions options;
    options.frameMs = cli.frameMs;
    options.fillStage = cli.stage == "fill";
    return [options](const playback::ShowContext& context) {
        auto player = std::make_unique<playback::PlayerWindow>(context, options);
        player->setPresentations(
            std::make_unique<playback::ViewerPresentations>(context.platform.settings()));
        return player;
    };
}

int play(const PlayOptions& cli) {
    if (cli.mute) {
        setenv("PHOTOREEL_MUTE", "1", 1);  // read as the "mute" setting by the platform
    }
    ViewerOptions options;
    options.filmPath = cli.film;
    if (!cli.windowed.empty()) {
        auto size = parseSize(cli.windowed);
        if (!size) {
            std::fprintf(stderr, "photoreel: --windowed takes WIDTHxHEIGHT, e.g. 1024x768\n");
            return EXIT_CODE_USAGE;
        }
        options.windowMode = platform::WindowMode::Windowed;
        options.windowedSize = *size;
    }

    if (cli.headless) {
        platform::HeadlessPlatform::Options headless;
        headless.echoMessageBoxes = true;
        headless.settings = platform::Settings::fromDefaultLocation();
        if (options.windowMode == platform::WindowMode::Windowed) {
            headless.clientSize = options.windowedSize;
        }
        platform::HeadlessPlatform platform(headless);
        platform::VirtualClock::Participant mainThread(platform.virtualClock());
        if (cli.quitAfterMs >= 0) {
            platform.scriptKey(static_cast<platform::Millis>(cli.quitAfterMs), platform::VK_ESCAPE);
        }
        return runViewer(platform, options, playerFactory(cli));
    }

    platform::SdlPlatform platform;
    // A termination signal ends the show like closing its window would.
    platform::TerminationSignals::setHandler([&platform](int) {
        platform.messages().postMessage({platform::WM_CLOSE, 0, 0});
    });
    const int code = runViewer(platform, options, playerFactory(cli));
    platform::TerminationSignals::setHandler(nullptr);
    return code;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    // Before any thread starts, so that every thread inherits the mask.
    platform::TerminationSignals::install();

    CLI::App app{"Photoreel Player: plays, inspects and exports Photoreel films.", "photoreel"};
    app.set_version_flag("--version", std::string("photoreel ") + PHOTOREEL_VERSION + " (" +
                                          platform::mediaBackendVersion() + ")");
    // One line on stderr per error, named for the program, as every other error.
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return std::string("photoreel: ") + error.what() + " (see --help)\n";
    });
    PlayOptions playOptions;
    app.add_option("film", playOptions.film,
                   "Film package (.flz) or self-running show to play; without it the viewer "
                   "looks for a film inside its own executable, then asks for one");
    app.add_option("--windowed", playOptions.windowed,
                   "Play in a window of WIDTHxHEIGHT pixels instead of full screen");
    app.add_flag("--headless", playOptions.headless,
                 "Play without a screen on a virtual clock (frames are only recorded)");
    app.add_option("--frame-ms", playOptions.frameMs,
                   "Least time between transition frames (the original viewer: 55)")
        ->check(CLI::Range(1, 1000));
    app.add_option("--stage", playOptions.stage,
                   "fixed: the four stage sizes of the original viewer; fill: the largest 4:3 "
                   "stage that fits the screen")
        ->check(CLI::IsMember({"fixed", "fill"}));
    app.add_flag("--mute", playOptions.mute,
                 "Play without sound (the music still starts, ends and repeats on time)");
    app.add_option("--quit-after", playOptions.quitAfterMs,
                   "With --headless: press Esc after this many milliseconds of show time")
        ->check(CLI::NonNegativeNumber);
    PackOptions packOptions;
    addPackCommand(app, packOptions);
    ExtractOptions extractOptions;
    addExtractCommand(app, extractOptions);
    ExportOptions exportOptions;
    addExportCommand(app, exportOptions);
    EffectOptions effectOptions;
    addEffectCommand(app, effectOptions);
    GalleryOptions galleryOptions;
    addGalleryCommand(app, galleryOptions);

    std::string infoFilm;
    bool infoJson = false;
    InfoOptions infoOptions;
    CLI::App* info = app.add_subcommand(
        "info", "Describe a film: play flags, music, items, transitions and titles");
    info->add_option("film", infoFilm,
                     "Film package (.flz), self-running show, or bare film document (Film.flm)")
        ->required();
    info->add_flag("--json", infoJson, "Print the description as JSON (see the README)");
    info->add_flag("--without-media", infoOptions.withoutMedia,
                   "Load as a machine without the media backend would (clips are dropped)");
    info->add_flag("--without-viewer", infoOptions.withoutViewer,
                   "Load as a machine without a presentation viewer would");
    app.require_subcommand(0, 1);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // CLI11 numbers each kind of parse error; callers need only "usage".
        return app.exit(error) == 0 ? EXIT_CODE_OK : EXIT_CODE_USAGE;
    }
    if (app.got_subcommand("pack")) {
        return runPack(packOptions);
    }
    if (app.got_subcommand("extract")) {
        return runExtract(extractOptions);
    }
    if (app.got_subcommand("export")) {
        return runExport(exportOptions);
    }
    if (app.got_subcommand("effect")) {
        return runEffect(effectOptions);
    }
    if (app.got_subcommand("gallery")) {
        return runGallery(galleryOptions);
    }
    if (*info) {
        infoOptions.format = infoJson ? InfoFormat::Json : InfoFormat::Text;
        return runInfo(infoFilm, infoOptions, stdout, stderr);
    }
    return play(playOptions);
}

}  // namespace shell
