#include "shell/ExportCommand.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "film/Film.h"
#include "film/FilmLoader.h"
#include "platform/MediaBackend.h"
#include "platform/TempFiles.h"
#include "platform/TerminationSignals.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/video/VideoEncoder.h"
#include "playback/PlayerWindow.h"
#include "shell/ConsoleDialogs.h"
#include "shell/Viewer.h"

namespace shell {

namespace {

std::optional<platform::Size> parseExportSize(const std::string& text) {
    int width = 0;
    int height = 0;
    char separator = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &separator, &height, &rest) != 3 ||
        (separator != 'x' && separator != 'X') || width < 16 || height < 16 || width > 16384 ||
        height > 16384 || width % 2 != 0 || height % 2 != 0) {
        return std::nullopt;
    }
    return platform::Size{width, height};
}

// Turns presented frames into frames at a fixed rate: output frame k shows
// the screen as it was at k / fps seconds of show time. The encoder runs on
// a thread of its own so that composing and encoding use both cores.
class FrameSampler {
  public:
    FrameSampler(platform::VideoEncoder& encoder, platform::Size screen, int fps)
        : encoder_(encoder),
          screen_(screen),
          fps_(fps),
          canvas_(static_cast<std::size_t>(screen.width) * screen.height * 4, 0),
          worker_([this] { encodeJobs(); }) {}

    ~FrameSampler() { stopWorker(); }

    void present(const platform::FrameView& frame, int x, int y, platform::Millis time) {
        std::unique_lock lock(mutex_);
        emitBefore(lock, time);
        if (frame.pixels == nullptr) {
            std::fill(canvas_.begin(), canvas_.end(), std::uint8_t{0});  // a cleared screen
            return;
        }
        // Rows are bottom-up in the frame and on the canvas; y is the
        // frame's top edge counted from the top of the screen.
        for (int row = 0; row < frame.height; ++row) {
            const int canvasRow = screen_.height - y - frame.height + row;
            if (canvasRow < 0 || canvasRow >= screen_.height) {
                continue;
            }
            const int first = std::max(0, -x);
            const int last = std::min(frame.width, screen_.width - x);
            if (first >= last) {
                continue;
            }
            std::copy(
                frame.pixels + (static_cast<std::size_t>(row) * frame.width + first) * 4,
                frame.pixels + (static_cast<std::size_t>(row) * frame.width + last) * 4,
                canvas_.begin() +
                    static_cast<std::ptrdiff_t>(
                        (static_cast<std::size_t>(canvasRow) * screen_.width + x + first) * 4));
        }
    }

    // The mixer starts with the music engine, not at show time 0: the first
    // block says when (it covers the time since then), and silence fills
    // the track up to there so sound and pictures stay in step.
    void audio(const std::int16_t* samples, std::size_t frames, platform::Millis now) {
        std::unique_lock lock(mutex_);
        if (!audioStarted_) {
            audioStarted_ = true;
            const std::int64_t owed = static_cast<std::int64_t>(now) * 44100 / 1000;
            const std::int64_t lead = owed - static_cast<std::int64_t>(frames);
            if (lead > 0) {
                queue(lock, {Job::Sound,
                             std::vector<std::uint8_t>(static_cast<std::size_t>(lead) * 4, 0)});
            }
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
        queue(lock, {Job::Sound, std::vector<std::uint8_t>(bytes, bytes + frames * 4)});
    }

    // Emits every output frame due before end and closes the file.
    std::string finish(platform::Millis end) {
        {
            std::unique_lock lock(mutex_);
            emitBefore(lock, end);
        }
        stopWorker();
        std::lock_guard lock(mutex_);
        if (error_.empty()) {
            auto finished = encoder_.finish();
            if (!finished) {
                error_ = finished.error();
            }
        }
        return error_;
    }

    double encodingSeconds() {
        std::lock_guard lock(mutex_);
        return encodingSeconds_;
    }

  private:
    struct Job {
        enum Kind { Picture, Sound } kind;
        std::vector<std::uint8_t> bytes;
    };
    static constexpr std::size_t kMaxQueued = 6;  // bounds memory at large sizes

    void emitBefore(std::unique_lock<std::mutex>& lock, platform::Millis time) {
        // Frame k is due at k * 1000 / fps ms; compare in whole products to
        // stay exact at rates that do not divide 1000.
        while (static_cast<std::uint64_t>(next_) * 1000 <
               static_cast<std::uint64_t>(time) * static_cast<std::uint64_t>(fps_)) {
            queue(lock, {Job::Picture, canvas_});
            ++next_;
        }
    }

    void queue(std::unique_lock<std::mutex>& lock, Job job) {
        room_.wait(lock, [this] { return jobs_.size() < kMaxQueued || !error_.empty(); });
        if (error_.empty()) {
            jobs_.push_back(std::move(job));
            work_.notify_one();
        }
    }

    void encodeJobs() {
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
            if (jobs_.empty()) {
                return;
            }
            Job job = std::move(jobs_.front());
            jobs_.pop_front();
            room_.notify_all();
            lock.unlock();
            const auto started = std::chrono::steady_clock::now();
            auto done =
                job.kind == Job::Picture
                    ? encoder_.addFrame({job.bytes.data(), screen_.width, screen_.height})
                    : encoder_.addAudio(reinterpret_cast<const std::int16_t*>(job.bytes.data()),
                                        job.bytes.size() / 4);
            const double spent =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            lock.lock();
            encodingSeconds_ += spent;
            if (!done && error_.empty()) {
                error_ = done.error();
                jobs_.clear();
                room_.notify_all();
            }
        }
    }

    void stopWorker() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        work_.notify_all();
        if (worker_.joinable()) {
            worker_.join();
        }
    }

    platform::VideoEncoder& encoder_;  // used by the worker until it stops
    const platform::Size screen_;
    const int fps_;
    std::mutex mutex_;  // guards everything below
    std::condition_variable work_;
    std::condition_variable room_;
    std::vector<std::uint8_t> canvas_;
    std::deque<Job> jobs_;
    std::int64_t next_ = 0;
    bool audioStarted_ = false;
    bool stopping_ = false;
    double encodingSeconds_ = 0;
    std::string error_;
    std::thread worker_;  // last: starts once everything above exists
};

// A show that waits forever would export forever: a looping film needs an
// end given, and a manual one waits for keys no one presses. Empty: fine.
std::string unendingShow(const ExportOptions& options) {
    ConsoleDialogs dialogs(stderr);
    std::string why;
    auto temp = platform::TempDirectory::create(&why);
    if (!temp) {
        return why;
    }
    film::Film film;
    film::FilmLoader loader(dialogs, *temp, false);
    if (loader.loadFilm(nullptr, film, options.film, platform::mediaBackendAvailable()) != 1) {
        return {};  // the show itself reports why, as the viewer does
    }
    std::string problem;
    if (film.playMode() == film::PLAYMODE_MANUAL) {
        problem = "the film advances by hand; export cannot press the keys yet";
    } else if (film.loop() != 0 && options.lengthMs <= 0) {
        problem = "the film loops forever; give --length MS to say where the video ends";
    }
    loader.releaseFilm(film);
    return problem;
}

}  // namespace

void addExportCommand(CLI::App& app, ExportOptions& options) {
    CLI::App* command = app.add_subcommand(
        "export", "Play a film without a screen and write it as a video (.mp4, .mkv or .webm)");
    command->add_option("film", options.film, "Film package (.flz) or self-running show")
        ->required();
    command
        ->add_option("-o,--output", options.output,
                     "Video file; .webm gives VP9 + Opus, anything else H.264 + AAC")
        ->required();
    command->add_option("--fps", options.fps, "Frames per second of the video")
        ->check(CLI::Range(1, 240));
    command->add_option("--size", options.size,
                        "Screen size WIDTHxHEIGHT (even); the stage is placed on it as the "
                        "viewer would on that screen");
    command->add_option("--crf", options.crf, "Constant quality (lower is better)")
        ->check(CLI::Range(0, 63));
    command->add_option("--preset", options.preset, "x264 speed preset (ultrafast ... veryslow)");
    command->add_option("--seed", options.seed,
                        "Seed of the effects' random generator (random slots, shatters)");
    command
        ->add_option("--length", options.lengthMs,
                     "Stop after this many milliseconds of show time (needed for looping "
                     "films, which never end by themselves)")
        ->check(CLI::PositiveNumber);
}

int runExport(const ExportOptions& options) {
    const auto screen = parseExportSize(options.size);
    if (!screen) {
        std::fprintf(stderr, "photoreel: --size takes even WIDTHxHEIGHT, e.g. 1280x1024\n");
        return 2;
    }
    if (const std::string problem = unendingShow(options); !problem.empty()) {
        std::fprintf(stderr, "photoreel: %s\n", problem.c_str());
        return 2;
    }
    platform::VideoEncoderOptions encoding;
    encoding.path = options.output;
    encoding.width = screen->width;
    encoding.height = screen->height;
    encoding.fps = options.fps;
    encoding.crf = options.crf;
    encoding.preset = options.preset;
    auto encoder = platform::VideoEncoder::open(encoding);
    if (!encoder) {
        std::fprintf(stderr, "photoreel: %s\n", encoder.error().c_str());
        std::error_code ignored;
        std::filesystem::remove(options.output, ignored);
        return 1;
    }
    FrameSampler sampler(**encoder, *screen, options.fps);

    platform::HeadlessPlatform::Options headless;
    headless.clientSize = *screen;
    headless.echoMessageBoxes = true;
    headless.frameSink = [&sampler](const platform::FrameView& frame, int x, int y,
                                    platform::Millis time) { sampler.present(frame, x, y, time); };
    platform::HeadlessPlatform* running = nullptr;
    headless.audioCapture = [&sampler, &running](const std::int16_t* samples, std::size_t frames) {
        sampler.audio(samples, frames, running->virtualClock().nowMs());
    };
    platform::HeadlessPlatform platform(headless);
    running = &platform;

    playback::PlayerOptions player;
    // The transition pacing becomes the video's frame rate.
    player.frameMs = std::max(1, 1000 / options.fps);
    player.effectSeed = options.seed;
    ViewerOptions viewer;
    viewer.filmPath = options.film;
    viewer.windowMode = platform::WindowMode::Windowed;
    viewer.windowedSize = *screen;

    std::atomic<bool> interrupted = false;
    platform::TerminationSignals::setHandler([&platform, &interrupted](int) {
        interrupted = true;
        platform.messages().postMessage({platform::WM_CLOSE, 0, 0});
    });
    const auto started = std::chrono::steady_clock::now();
    platform::Millis end = 0;
    {
        platform::VirtualClock::Participant mainThread(platform.virtualClock());
        if (options.lengthMs > 0) {
            platform.scriptKey(static_cast<platform::Millis>(options.lengthMs),
                               platform::VK_ESCAPE);
        }
        runViewer(platform, viewer, [player](const playback::ShowContext& context) {
            return std::make_unique<playback::PlayerWindow>(context, player);
        });
        end = platform.virtualClock().nowMs();
    }
    platform::TerminationSignals::setHandler(nullptr);
    const std::string error = sampler.finish(end);
    const double encodingSeconds = sampler.encodingSeconds();
    encoder->reset();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (interrupted || !error.empty()) {
        std::error_code ignored;
        std::filesystem::remove(options.output, ignored);
        if (!error.empty()) {
            std::fprintf(stderr, "photoreel: %s\n", error.c_str());
        }
        return 1;
    }
    std::fprintf(stderr,
                 "photoreel: wrote %s: %.2f s of film in %.2f s (%.1fx realtime, %.2f s of it "
                 "encoding beside the show)\n",
                 options.output.c_str(), static_cast<double>(end) / 1000.0, wall,
                 wall > 0 ? static_cast<double>(end) / 1000.0 / wall : 0.0, encodingSeconds);
    return 0;
}

}  // namespace shell
