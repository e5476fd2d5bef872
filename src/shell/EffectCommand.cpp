#include "shell/EffectCommand.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "effects/EffectOperation.h"
#include "effects/EffectTables.h"
#include "imaging/ByteSource.h"
#include "imaging/DibImage.h"
#include "imaging/JpegStream.h"
#include "platform/FileBytes.h"
#include "platform/PngCodec.h"
#include "playback/PictureFitter.h"

namespace shell {

namespace {

constexpr int kMaxStageSide = 8192;
// Photos straight from a camera fit in this; it keeps a wrong path (a film,
// a disc image) from being read whole.
constexpr std::uint64_t kMaxPictureFileBytes = 256u << 20;
constexpr const char* kCardPrefix = "card:";

void setPixel(StageImage& image, int x, int yFromTop, std::uint32_t rgb) {
    std::uint8_t* p = image.pixels.data() +
                      (static_cast<std::size_t>(image.height - 1 - yFromTop) * image.width + x) * 4;
    p[0] = static_cast<std::uint8_t>(rgb);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb >> 16);
    p[3] = 0;
}

// Cards are drawn at stage size and differ in every region, so that any
// pixel a transition takes from the wrong picture shows.
bool drawCard(const std::string& name, StageImage& stage) {
    static constexpr std::uint32_t kBars[] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                              0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    const int w = stage.width;
    const int h = stage.height;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t rgb = 0;
            if (name == "bars") {
                rgb = kBars[static_cast<long long>(x) * 8 / w];
            } else if (name == "checker") {
                rgb = ((x / 32 + y / 32) % 2 == 0) ? 0xF08020 : 0x203060;
            } else if (name == "gradient") {
                const auto r = static_cast<std::uint32_t>(w > 1 ? x * 255LL / (w - 1) : 0);
                const auto g = static_cast<std::uint32_t>(h > 1 ? y * 255LL / (h - 1) : 0);
                rgb = r << 16 | g << 8 | 0x80;
            } else if (name == "white") {
                rgb = 0xFFFFFF;
            } else if (name != "black") {
                return false;
            }
            setPixel(stage, x, y, rgb);
        }
    }
    return true;
}

platform::Result<platform::BgrxPicture> decodePicture(const std::string& path) {
    auto bytes = platform::readFileBytes(path, kMaxPictureFileBytes);
    if (!bytes) {
        return platform::Error{bytes.error()};
    }
    if (bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xD8) {
        imaging::MemorySource source(*bytes);
        imaging::JpegStream stream;
        imaging::DibImage image;
        auto result = stream.decode(source, image);
        if (!result) {
            return platform::Error{path + ": " + result.error};
        }
        if (!image.hasPixels()) {
            return platform::Error{path + ": no memory for the picture"};
        }
        const std::uint8_t* pixels = image.pixels();
        const std::size_t size = static_cast<std::size_t>(image.width()) * image.height() * 4;
        return platform::BgrxPicture{image.width(), image.height(),
                                     std::vector<std::uint8_t>(pixels, pixels + size)};
    }
    auto png = platform::decodePng(*bytes);
    if (!png) {
        return platform::Error{path + ": neither JPEG nor PNG (" + png.error() + ")"};
    }
    return png;
}

bool parseSide(const std::string& text, int& side) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    side = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        side = side * 10 + (c - '0');
    }
    return side >= 1 && side <= kMaxStageSide;
}

// The slot a --name names, compared without case.
int slotNamed(effects::EffectRegistry& registry, const std::string& name) {
    auto lower = [](std::string text) {
        for (char& c : text) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return text;
    };
    const std::string wanted = lower(name);
    for (int slot = 0; slot < effects::PICTURE_SLOT_COUNT; ++slot) {
        effects::DescribeRequest request;
        request.flags = effects::DESCRIBE_NAME;
        registry.describe(slot, effects::EFFECT_KIND_PICTURE, request);
        if (lower(request.name) == wanted) {
            return slot;
        }
    }
    return -1;
}

}  // namespace

platform::Result<StageImage> parseStageSize(const std::string& text) {
    const auto x = text.find_first_of("xX");
    StageImage stage;
    if (x == std::string::npos || !parseSide(text.substr(0, x), stage.width) ||
        !parseSide(text.substr(x + 1), stage.height)) {
        return platform::Error{"size \"" + text + "\" is not WIDTHxHEIGHT with sides 1.." +
                               std::to_string(kMaxStageSide)};
    }
    stage.pixels.assign(static_cast<std::size_t>(stage.width) * stage.height * 4, 0);
    return stage;
}

platform::Result<bool> loadStagePicture(const std::string& source, StageImage& stage) {
    if (source.rfind(kCardPrefix, 0) == 0) {
        if (!drawCard(source.substr(std::strlen(kCardPrefix)), stage)) {
            return platform::Error{"no test card \"" + source +
                                   "\" (cards: bars, checker, gradient, black, white)"};
        }
        return true;
    }
    auto picture = decodePicture(source);
    if (!picture) {
        return platform::Error{picture.error()};
    }
    playback::PictureFitter fitter;
    fitter.draw(playback::PixelsView{picture->pixels.data(), picture->width, picture->height},
                playback::PixelsView{}, playback::SourceRect{}, stage.pixels.data(), stage.width,
                stage.height);
    return true;
}

platform::Result<std::string> frameFileName(const std::string& pattern, int index) {
    std::string name;
    bool converted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            name += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            name += '%';
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < pattern.size() && end - i <= 2 &&
               std::isdigit(static_cast<unsigned char>(pattern[end]))) {
            ++end;
        }
        if (end >= pattern.size() || pattern[end] != 'd' || converted) {
            return platform::Error{"output pattern \"" + pattern +
                                   "\" may hold one %d (as %03d) and %% only"};
        }
        const std::string spec = pattern.substr(i, end - i) + "d";
        char number[32];
        std::snprintf(number, sizeof number, spec.c_str(), index);
        name += number;
        converted = true;
        i = end;
    }
    return name;
}

void renderTransition(effects::EffectRegistry& registry, int slot, const StageImage& from,
                      const StageImage& to, int durationMs, const std::vector<int>& elapsed,
                      StageImage& out,
                      const std::function<void(int index, const StageImage& out)>& frameDone) {
    out = from;
    effects::PictureFrameData data;
    data.from = reinterpret_cast<const effects::Pixel*>(from.pixels.data());
    data.to = reinterpret_cast<const effects::Pixel*>(to.pixels.data());
    data.out = reinterpret_cast<effects::Pixel*>(out.pixels.data());
    data.width = from.width;
    data.height = from.height;
    // The player begins every transition with these two values.
    data.elapsed = 0;
    data.duration = 100;
    registry.runPicture(slot, effects::EFFECT_BEGIN, &data);
    data.duration = durationMs;
    for (std::size_t i = 0; i < elapsed.size(); ++i) {
        data.elapsed = elapsed[i];
        registry.runPicture(slot, effects::EFFECT_FRAME, &data);
        frameDone(static_cast<int>(i), out);
    }
    registry.runPicture(slot, effects::EFFECT_END, nullptr);
}

platform::Result<bool> writeStagePng(const std::string& path, const StageImage& image) {
    auto png = platform::encodePng(image.pixels.data(), image.width, image.height);
    if (!png) {
        return platform::Error{path + ": " + png.error()};
    }
    return platform::writeFileBytes(path, *png);
}

void addEffectCommand(CLI::App& app, EffectOptions& options) {
    CLI::App* effect = app.add_subcommand(
        "effect", "Render one transition between two pictures and write its frames as PNG files");
    auto* slot = effect->add_option("--slot", options.slot, "Transition slot 0..98 (98: random)")
                     ->check(CLI::Range(0, effects::PICTURE_SLOT_COUNT - 1));
    auto* name = effect->add_option("--name", options.name,
                                    "Transition by name, as `photoreel gallery` lists them");
    slot->excludes(name);
    effect->add_option("--from", options.from,
                       "Outgoing picture: JPEG or PNG file, or a test card (card:bars, "
                       "card:checker, card:gradient, card:black, card:white)");
    effect->add_option("--to", options.to, "Incoming picture, as --from");
    effect->add_option("--size", options.size, "Stage WIDTHxHEIGHT");
    effect->add_option("--duration", options.durationMs, "Length of the transition in ms")
        ->check(CLI::Range(1, 3600000));
    effect
        ->add_option("--at", options.at,
                     "Elapsed ms of each frame, in order (default: 0, 1/4, 1/2, 3/4 and all "
                     "of the duration)")
        ->delimiter(',')
        ->check(CLI::Range(0, 3600000));
    effect->add_option("-o,--output", options.output,
                       "Frame files; %03d is the frame's place in --at, from 0");
    effect->add_option("--seed", options.seed,
                       "Seed of the random slot's draw and of effects that use random numbers");
}

int runEffect(const EffectOptions& options) {
    auto fail = [](const std::string& why) {
        std::fprintf(stderr, "photoreel effect: %s\n", why.c_str());
        return 1;
    };
    effects::EffectRegistry::Options registryOptions;
    registryOptions.seed = options.seed;
    registryOptions.playSeed = options.seed;
    effects::EffectRegistry registry(registryOptions);
    registry.loadPictureTexts(1);

    int slot = options.slot;
    if (!options.name.empty()) {
        slot = slotNamed(registry, options.name);
        if (slot < 0) {
            return fail("no transition is named \"" + options.name +
                        "\" (photoreel gallery lists the names)");
        }
    }
    if (slot < 0) {
        return fail("name the transition with --slot or --name");
    }
    auto from = parseStageSize(options.size);
    if (!from) {
        return fail(from.error());
    }
    StageImage to = *from;
    if (auto loaded = loadStagePicture(options.from, *from); !loaded) {
        return fail(loaded.error());
    }
    if (auto loaded = loadStagePicture(options.to, to); !loaded) {
        return fail(loaded.error());
    }
    std::vector<int> elapsed = options.at;
    if (elapsed.empty()) {
        const int d = options.durationMs;
        elapsed = {0, d / 4, d / 2, d * 3 / 4, d};
    }
    std::vector<std::string> names;
    for (std::size_t i = 0; i < elapsed.size(); ++i) {
        auto fileName = frameFileName(options.output, static_cast<int>(i));
        if (!fileName) {
            return fail(fileName.error());
        }
        if (!names.empty() && *fileName == names.front()) {
            return fail("output pattern \"" + options.output +
                        "\" needs a %d to hold several frames");
        }
        names.push_back(*fileName);
    }
    StageImage out;
    std::string writeError;
    renderTransition(registry, slot, *from, to, options.durationMs, elapsed, out,
                     [&](int index, const StageImage& frame) {
                         if (!writeError.empty()) {
                             return;
                         }
                         auto written =
                             writeStagePng(names[static_cast<std::size_t>(index)], frame);
                         if (!written) {
                             writeError = written.error();
                         }
                     });
    if (!writeError.empty()) {
        return fail(writeError);
    }
    return 0;
}

}  // namespace shell
