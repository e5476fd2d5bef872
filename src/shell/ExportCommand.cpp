#include "shell/ExportCommand.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "film/Film.h"
#include "film/FilmLoader.h"
#include "platform/FileBytes.h"
#include "platform/MediaBackend.h"
#include "platform/PngCodec.h"
#include "platform/SelfPath.h"
#include "platform/TempFiles.h"
#include "platform/TerminationSignals.h"
#include "platform/TextPainter.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/video/VideoEncoder.h"
#include "playback/PlayerWindow.h"
#include "playback/StageGeometry.h"
#include "shell/ExitCodes.h"
#include "shell/ExportProgress.h"
#include "shell/Viewer.h"

namespace shell {

namespace {

constexpr platform::Millis kShowStartMs = 500;  // the timer's first tick
constexpr platform::Millis kTitlePhaseMs = 3000;
constexpr int kDefaultScreenWidth = 1280;
constexpr int kDefaultScreenHeight = 1024;

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

// Where the frames go: a video file or numbered PNG files. Used by the
// encoding thread only.
class FrameOutput {
  public:
    virtual ~FrameOutput() = default;
    virtual platform::Result<bool> picture(const platform::FrameView& frame) = 0;
    virtual platform::Result<bool> repeat() = 0;  // the last picture once more
    virtual platform::Result<bool> sound(const std::int16_t* samples, std::size_t frames) = 0;
    virtual platform::Result<bool> finish() = 0;
    // Removes what was written (a failed or stopped export).
    virtual void discard() = 0;
};

class VideoOutput final : public FrameOutput {
  public:
    VideoOutput(std::unique_ptr<platform::VideoEncoder> encoder, std::string path)
        : encoder_(std::move(encoder)), path_(std::move(path)) {}
    platform::Result<bool> picture(const platform::FrameView& frame) override {
        return encoder_->addFrame(frame);
    }
    platform::Result<bool> repeat() override { return encoder_->repeatFrame(); }
    platform::Result<bool> sound(const std::int16_t* samples, std::size_t frames) override {
        return encoder_->addAudio(samples, frames);
    }
    platform::Result<bool> finish() override {
        auto finished = encoder_->finish();
        encoder_.reset();
        return finished;
    }
    void discard() override {
        encoder_.reset();
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }

  private:
    std::unique_ptr<platform::VideoEncoder> encoder_;
    const std::string path_;
};

// frame-000000.png shows show time 0, frame k show time k / fps.
class PngOutput final : public FrameOutput {
  public:
    explicit PngOutput(std::string directory) : directory_(std::move(directory)) {}
    platform::Result<bool> picture(const platform::FrameView& frame) override {
        auto png = platform::encodePng(frame.pixels, frame.width, frame.height);
        if (!png) {
            return platform::Error{png.error()};
        }
        last_ = std::move(*png);
        return write();
    }
    platform::Result<bool> repeat() override { return write(); }
    platform::Result<bool> sound(const std::int16_t*, std::size_t) override { return true; }
    platform::Result<bool> finish() override { return true; }
    void discard() override {
        std::error_code ignored;
        for (const std::string& path : written_) {
            std::filesystem::remove(path, ignored);
        }
        written_.clear();
    }

  private:
    platform::Result<bool> write() {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06d.png", static_cast<int>(written_.size()));
        written_.push_back(directory_ + name);
        return platform::writeFileBytes(written_.back(), last_);
    }

    const std::string directory_;
    std::vector<std::uint8_t> last_;
    std::vector<std::string> written_;
};

// Turns presented frames into frames at a fixed rate: output frame k shows
// the screen as it was at k / fps seconds of show time. The output runs on
// a thread of its own so that composing and encoding use both cores.
class FrameSampler {
  public:
    FrameSampler(FrameOutput& output, platform::Size screen, int fps, ExportProgress& progress)
        : output_(output),
          screen_(screen),
          fps_(fps),
          progress_(progress),
          canvas_(static_cast<std::size_t>(screen.width) * screen.height * 4, 0),
          worker_([this] { encodeJobs(); }) {}

    ~FrameSampler() { stopWorker(); }

    // Play thread.
    void present(const platform::FrameView& frame, int x, int y, platform::Millis time) {
        std::unique_lock lock(mutex_);
        if (closed_) {
            return;
        }
        emitBefore(lock, time);
        changed_ = true;
        const bool coversScreen =
            x == 0 && y == 0 && frame.width == screen_.width && frame.height == screen_.height;
        if (frame.pixels == nullptr || (stale_ && !coversScreen)) {
            // A cleared screen, or what lies around the stage of a canvas
            // that held an older frame: black.
            std::fill(canvas_.begin(), canvas_.end(), std::uint8_t{0});
        }
        stale_ = false;
        if (frame.pixels == nullptr) {
            return;
        }
        // Rows are bottom-up in the frame and on the canvas; y is the
        // frame's top edge counted from the top of the screen.
        const int first = std::max(0, -x);
        const int last = std::min(frame.width, screen_.width - x);
        if (first >= last) {
            return;
        }
        for (int row = 0; row < frame.height; ++row) {
            const int canvasRow = screen_.height - y - frame.height + row;
            if (canvasRow < 0 || canvasRow >= screen_.height) {
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

    // Audio thread. The mixer starts with the music engine, not at show
    // time 0: the first block says when (it covers the time since then), and
    // silence fills the track up to there so sound and pictures stay in step.
    void audio(const std::int16_t* samples, std::size_t frames, platform::Millis now) {
        std::unique_lock lock(mutex_);
        if (closed_) {
            return;
        }
        // The screen of every frame before now is final: emitting them here
        // keeps pictures and sound side by side in the queue.
        emitBefore(lock, now);
        if (!audioStarted_) {
            audioStarted_ = true;
            const std::int64_t owed = static_cast<std::int64_t>(now) * 44100 / 1000;
            const std::int64_t lead = owed - static_cast<std::int64_t>(frames);
            if (lead > 0) {
                Job silence = takeJob(lock, Job::Sound);
                silence.bytes.assign(static_cast<std::size_t>(lead) * 4, 0);
                queue(lock, std::move(silence));
            }
        }
        Job sound = takeJob(lock, Job::Sound);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
        sound.bytes.assign(bytes, bytes + frames * 4);
        queue(lock, std::move(sound));
    }

    // Emits every output frame due before end and takes nothing more.
    void closeAt(platform::Millis end) {
        std::unique_lock lock(mutex_);
        if (!closed_) {
            emitBefore(lock, end);
        }
        closed_ = true;
    }

    // Closes at end (if not closed yet) and finishes the output.
    std::string finish(platform::Millis end) {
        closeAt(end);
        stopWorker();
        std::lock_guard lock(mutex_);
        if (error_.empty() && !abandoned_) {
            auto finished = output_.finish();
            if (!finished) {
                error_ = finished.error();
            }
        }
        if (!error_.empty() || abandoned_) {
            output_.discard();
        }
        return error_;
    }

    // Any thread (the signal handler's): drops the queued work at once and
    // takes no more, so a stopping show is never held up by the encoder.
    void abandon() {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        closed_ = true;
        jobs_.clear();
        room_.notify_all();
    }

    double encodingSeconds() {
        std::lock_guard lock(mutex_);
        return encodingSeconds_;
    }
    double waitingSeconds() {
        std::lock_guard lock(mutex_);
        return waitingSeconds_;
    }

  private:
    struct Job {
        enum Kind { Picture, Repeat, Sound } kind;
        std::vector<std::uint8_t> bytes;
    };
    static constexpr std::size_t kMaxQueued = 6;  // bounds memory at large sizes

    void emitBefore(std::unique_lock<std::mutex>& lock, platform::Millis time) {
        // Frame k is due at k * 1000 / fps ms; compare in whole products to
        // stay exact at rates that do not divide 1000.
        while (static_cast<std::uint64_t>(next_) * 1000 <
                   static_cast<std::uint64_t>(time) * static_cast<std::uint64_t>(fps_) &&
               !closed_) {
            if (changed_ || next_ == 0) {
                // The canvas itself goes out; a finished buffer takes its
                // place, to be drawn over by the next present.
                Job picture = takeJob(lock, Job::Picture);
                std::swap(picture.bytes, canvas_);
                if (canvas_.size() != picture.bytes.size()) {
                    canvas_.assign(picture.bytes.size(), 0);
                }
                stale_ = true;
                queue(lock, std::move(picture));
                changed_ = false;
            } else {
                // A still screen is neither copied nor converted again.
                queue(lock, {Job::Repeat, {}});
            }
            ++next_;
            progress_.update(static_cast<long long>(next_) * 1000 / fps_);
        }
    }

    // A job whose buffer comes from the pool of finished ones.
    Job takeJob(std::unique_lock<std::mutex>&, Job::Kind kind) {
        auto& pool = kind == Job::Picture ? picturePool_ : soundPool_;
        if (pool.empty()) {
            return {kind, {}};
        }
        Job job{kind, std::move(pool.back())};
        pool.pop_back();
        return job;
    }

    void queue(std::unique_lock<std::mutex>& lock, Job job) {
        const auto waitStarted = std::chrono::steady_clock::now();
        room_.wait(lock,
                   [this] { return jobs_.size() < kMaxQueued || !error_.empty() || abandoned_; });
        waitingSeconds_ +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - waitStarted).count();
        if (error_.empty() && !abandoned_) {
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
            platform::Result<bool> done = true;
            switch (job.kind) {
                case Job::Picture:
                    done = output_.picture({job.bytes.data(), screen_.width, screen_.height});
                    break;
                case Job::Repeat:
                    done = output_.repeat();
                    break;
                case Job::Sound:
                    done = output_.sound(reinterpret_cast<const std::int16_t*>(job.bytes.data()),
                                         job.bytes.size() / 4);
                    break;
            }
            const double spent =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            lock.lock();
            encodingSeconds_ += spent;
            if (job.kind != Job::Repeat) {
                auto& pool = job.kind == Job::Picture ? picturePool_ : soundPool_;
                if (pool.size() < kMaxQueued + 1) {
                    pool.push_back(std::move(job.bytes));
                }
            }
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

    FrameOutput& output_;  // used by the worker until it stops, then by finish
    const platform::Size screen_;
    const int fps_;
    ExportProgress& progress_;  // under mutex_
    std::mutex mutex_;          // guards everything below
    std::condition_variable work_;
    std::condition_variable room_;
    std::vector<std::uint8_t> canvas_;
    bool changed_ = false;  // the canvas changed since the last picture queued
    bool stale_ = false;    // the canvas holds an older frame (until the next present)
    std::deque<Job> jobs_;
    std::vector<std::vector<std::uint8_t>> picturePool_;
    std::vector<std::vector<std::uint8_t>> soundPool_;
    std::int64_t next_ = 0;
    bool audioStarted_ = false;
    bool stopping_ = false;
    bool closed_ = false;     // no more frames or sound are taken
    bool abandoned_ = false;  // stopped from outside: the output goes
    double encodingSeconds_ = 0;
    double waitingSeconds_ = 0;  // the show side waiting for room in the queue
    std::string error_;
    std::thread worker_;  // last: starts once everything above exists
};

// Presentation items cannot be recorded (their viewer is another program):
// a card naming the file stands in for them.
class PresentationCards final : public playback::PresentationHook {
  public:
    int launch(const film::FilmItem&) override { return 0; }
    bool drawStill(const film::FilmItem& item, std::uint8_t* pixels, int width,
                   int height) override {
        std::fill(pixels, pixels + static_cast<std::size_t>(width) * height * 4, std::uint8_t{0});
        const std::string name = std::filesystem::path(item.show.fileName).filename().string();
        const std::string lines[2] = {"Presentation", name.empty() ? item.show.fileName : name};
        const int heights[2] = {std::max(12, height / 16), std::max(10, height / 24)};
        int y = height / 2 - heights[0];
        for (int i = 0; i < 2; ++i) {
            std::string why;
            auto painter =
                platform::TextPainter::open({"DejaVu Sans", heights[i], i == 0, false}, &why);
            if (!painter) {
                return true;  // black is still a card
            }
            const int x = std::max(0, (width - painter->measure(lines[i])) / 2);
            painter->draw({pixels, width, height}, x, y, lines[i], i == 0 ? 0xFFFFFF : 0xC0C0C0);
            y += painter->lineHeight() + heights[1] / 2;
        }
        return true;
    }
};

// The player as the export needs it: on the stage size asked and from the
// first item asked, whatever the viewer would pass.
class ExportShow final : public playback::ShowPlayer {
  public:
    ExportShow(const playback::ShowContext& context, const playback::PlayerOptions& options,
               int sizeMode, std::function<void()> onEnd)
        : player_(std::make_unique<playback::PlayerWindow>(context, options)),
          firstItem_(options.firstItem),
          sizeMode_(sizeMode),
          onEnd_(std::move(onEnd)) {
        player_->setPresentations(std::make_unique<PresentationCards>());
    }
    int create(platform::Window& window, const film::Film& film, bool mediaGraphAvailable, int,
               int) override {
        return player_->create(window, film, mediaGraphAvailable, firstItem_, sizeMode_);
    }
    void destroyWindow() override {
        // The show ends here; stopping the music and the threads may still
        // take show time that is no part of the film.
        if (onEnd_) {
            onEnd_();
            onEnd_ = nullptr;
        }
        player_->destroyWindow();
    }
    void handleMessage(const platform::Message& message) override {
        player_->handleMessage(message);
    }

  private:
    std::unique_ptr<playback::PlayerWindow> player_;
    const int firstItem_;
    const int sizeMode_;
    std::function<void()> onEnd_;
};

// The loader's messages while the export looks the film over: kept, not
// shown (the show loads the film again and shows them then).
class QuietDialogs final : public platform::Dialogs {
  public:
    int messageBox(const std::string& text, const std::string&, unsigned) override {
        if (first_.empty()) {
            first_ = text;
        }
        return platform::IDOK;
    }
    std::optional<std::string> openFile(const platform::OpenFileRequest&) override {
        return std::nullopt;
    }
    const std::string& first() const { return first_; }

  private:
    std::string first_;
};

// What the export needs to know of the film before it plays it.
struct FilmPlan {
    int firstItem = 1;
    int lastItem = 0;
    bool loops = false;
    platform::Millis showMs = 0;  // show time of the items exported, once through
};

struct Refusal {
    int exitCode = EXIT_CODE_OK;
    std::string why;
};

// Fills plan in, or says why the film cannot be exported.
Refusal planFilm(const ExportOptions& options, FilmPlan& plan) {
    QuietDialogs dialogs;
    std::string why;
    auto temp = platform::TempDirectory::create(&why);
    if (!temp) {
        return {EXIT_CODE_FAILED, why};
    }
    if (!platform::isReadableFile(options.film)) {
        return {EXIT_CODE_BAD_INPUT, "cannot open " + options.film};
    }
    film::Film film;
    film::FilmLoader loader(dialogs, *temp, true);
    if (loader.loadFilm(nullptr, film, options.film, platform::mediaBackendAvailable()) != 1) {
        // An empty video would look like success.
        loader.releaseFilm(film);
        return {EXIT_CODE_BAD_INPUT, "cannot load " + options.film +
                                         (dialogs.first().empty() ? "" : ": " + dialogs.first())};
    }
    const int count = std::max(film.itemCount(), 0);
    plan.firstItem = options.fromItem > 0 ? options.fromItem : 1;
    plan.lastItem = options.toItem > 0 ? options.toItem : count;
    plan.loops = film.loop() != 0;
    std::string problem;
    if (plan.firstItem > count || plan.lastItem > count) {
        problem = "the film has " + std::to_string(count) + " items; --from-item and --to-item " +
                  "count them from 1 as `photoreel info` does";
    } else if (plan.firstItem > plan.lastItem) {
        problem = "--from-item comes after --to-item";
    }
    plan.showMs = kShowStartMs;
    for (int number = plan.firstItem; problem.empty() && number <= plan.lastItem; ++number) {
        const film::FilmItem item = film.getItem(number);
        plan.showMs += (item.title.empty() ? 0 : kTitlePhaseMs) +
                       static_cast<platform::Millis>(std::max(item.duration, 0)) * 1000 +
                       static_cast<platform::Millis>(std::max(item.transitionTime, 0));
    }
    loader.releaseFilm(film);
    return {problem.empty() ? EXIT_CODE_OK : EXIT_CODE_USAGE, problem};
}

}  // namespace

void addExportCommand(CLI::App& app, ExportOptions& options) {
    CLI::App* command = app.add_subcommand(
        "export",
        "Play a film without a screen and write it as a video (.mp4, .mkv or .webm). Films "
        "advanced by hand move on after each item's display time, as if timed; a looping film "
        "plays once unless a length is given; presentation items show a card naming the file");
    command->add_option("film", options.film, "Film package (.flz) or self-running show")
        ->required();
    auto* output =
        command->add_option("-o,--output", options.output,
                            "Video file; .webm gives VP9 + Opus, anything else H.264 + AAC");
    auto* frames = command->add_option(
        "--frames", options.framesDir,
        "Write the frames as PNG files into this directory instead (frame-000000.png is show "
        "time 0, frame N is N/fps s; no sound)");
    output->excludes(frames);
    command->add_option("--fps", options.fps, "Frames per second of the video")
        ->check(CLI::Range(1, 240));
    command->add_option("--size", options.size,
                        "Screen size WIDTHxHEIGHT (even); the stage is placed on it as the "
                        "viewer would on that screen (default: the video is the stage itself)");
    command
        ->add_option("--size-mode", options.sizeMode,
                     "Stage size mode as in the viewer: 0 640x480, 1 the largest that fits the "
                     "screen, 2 1024x768, 3 1280x1024 (default 1, on a 1280x1024 screen "
                     "without --size)")
        ->check(CLI::Range(0, 3));
    command->add_option("--crf", options.crf, "Constant quality (lower is better)")
        ->check(CLI::Range(0, 63));
    command->add_option("--preset", options.preset, "x264 speed preset (ultrafast ... veryslow)");
    command->add_option("--seed", options.seed,
                        "Seed of the effects' random generator (random slots, shatters)");
    command
        ->add_option("--length", options.lengthMs,
                     "Stop after this many milliseconds of show time; a looping film keeps "
                     "looping until then")
        ->check(CLI::PositiveNumber);
    command
        ->add_option("--from-item", options.fromItem,
                     "First item to export, numbered from 1 as `photoreel info` lists them")
        ->check(CLI::PositiveNumber);
    command
        ->add_option("--to-item", options.toItem,
                     "Last item to export, numbered as for --from-item")
        ->check(CLI::PositiveNumber);
}

int runExport(const ExportOptions& options) {
    if (options.output.empty() == options.framesDir.empty()) {
        std::fprintf(stderr, "photoreel: export needs either -o FILE or --frames DIR\n");
        return EXIT_CODE_USAGE;
    }
    // Without --size the video is the stage of a 1280 x 1024 screen.
    const int sizeMode = options.sizeMode >= 0 ? options.sizeMode : 1;
    std::optional<platform::Size> screen;
    if (!options.size.empty()) {
        screen = parseExportSize(options.size);
        if (!screen) {
            std::fprintf(stderr, "photoreel: --size takes even WIDTHxHEIGHT, e.g. 1280x1024\n");
            return EXIT_CODE_USAGE;
        }
    } else {
        const playback::StageRect stage =
            playback::computeStage(kDefaultScreenWidth, kDefaultScreenHeight, sizeMode);
        screen = platform::Size{stage.width, stage.height};
    }
    FilmPlan plan;
    if (const Refusal refused = planFilm(options, plan); refused.exitCode != EXIT_CODE_OK) {
        std::fprintf(stderr, "photoreel: %s\n", refused.why.c_str());
        return refused.exitCode;
    }

    std::unique_ptr<FrameOutput> output;
    if (!options.framesDir.empty()) {
        std::error_code failed;
        std::filesystem::create_directories(options.framesDir, failed);
        if (failed) {
            std::fprintf(stderr, "photoreel: cannot create %s: %s\n", options.framesDir.c_str(),
                         failed.message().c_str());
            return EXIT_CODE_OUTPUT_FAILED;
        }
        output = std::make_unique<PngOutput>(options.framesDir);
    } else {
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
            return EXIT_CODE_OUTPUT_FAILED;
        }
        output = std::make_unique<VideoOutput>(std::move(*encoder), options.output);
    }
    const platform::Millis expectedMs =
        options.lengthMs > 0 && (plan.loops || options.lengthMs < plan.showMs)
            ? static_cast<platform::Millis>(options.lengthMs)
            : plan.showMs;
    ExportProgress progress(stderr, static_cast<long long>(expectedMs));
    FrameSampler sampler(*output, *screen, options.fps, progress);

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
    player.firstItem = plan.firstItem;
    player.lastItem = plan.lastItem;
    player.playOnce = options.lengthMs <= 0;  // a looping film ends after one round
    player.manualAsTimed = true;              // no one presses the keys
    ViewerOptions viewer;
    viewer.filmPath = options.film;
    viewer.windowMode = platform::WindowMode::Windowed;
    viewer.windowedSize = *screen;
    viewer.keepPresentations = true;

    std::atomic<int> interrupted = 0;  // the signal that stopped the export
    platform::TerminationSignals::setHandler([&platform, &interrupted, &sampler](int signal) {
        interrupted = signal;
        sampler.abandon();
        platform.messages().postMessage({platform::WM_CLOSE, 0, 0});
    });
    const auto started = std::chrono::steady_clock::now();
    std::optional<platform::Millis> end;
    auto showEnded = [&platform, &sampler, &end] {
        end = platform.virtualClock().nowMs();
        sampler.closeAt(*end);
    };
    {
        platform::VirtualClock::Participant mainThread(platform.virtualClock());
        if (options.lengthMs > 0) {
            platform.scriptKey(static_cast<platform::Millis>(options.lengthMs),
                               platform::VK_ESCAPE);
        }
        runViewer(platform, viewer,
                  [player, sizeMode, showEnded](const playback::ShowContext& context) {
                      return std::make_unique<ExportShow>(context, player, sizeMode, showEnded);
                  });
        if (!end) {
            end = platform.virtualClock().nowMs();  // the show never started
        }
    }
    const std::string error = sampler.finish(*end);
    platform::TerminationSignals::setHandler(nullptr);
    progress.close();
    const double encodingSeconds = sampler.encodingSeconds();
    const double waitingSeconds = sampler.waitingSeconds();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (interrupted != 0) {
        output->discard();  // also when the signal came as the last frame went out
        std::fprintf(stderr, "photoreel: export stopped; nothing was written\n");
        return 128 + interrupted;  // as a process ended by the signal reports it
    }
    if (!error.empty()) {
        std::fprintf(stderr, "photoreel: %s\n", error.c_str());
        return EXIT_CODE_OUTPUT_FAILED;
    }
    std::fprintf(stderr,
                 "photoreel: wrote %s: %.2f s of film in %.2f s (%.1fx realtime; the show "
                 "composed for %.2f s, encoding took %.2f s beside it)\n",
                 options.output.empty() ? options.framesDir.c_str() : options.output.c_str(),
                 static_cast<double>(*end) / 1000.0, wall,
                 wall > 0 ? static_cast<double>(*end) / 1000.0 / wall : 0.0,
                 std::max(0.0, wall - waitingSeconds), encodingSeconds);
    return 0;
}

}  // namespace shell
