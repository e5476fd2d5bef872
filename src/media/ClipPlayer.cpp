#include "media/ClipPlayer.h"

#include <algorithm>
#include <cstring>

#include "film/FileRef.h"
#include "imaging/BilinearScaler.h"
#include "media/MediaMessages.h"
#include "platform/Trace.h"

namespace media {

using platform::Millis;

ClipRect clipRectangle(int stageWidth, int stageHeight, int clipWidth, int clipHeight, int fit) {
    if (stageWidth <= 0 || stageHeight <= 0 || clipWidth <= 0 || clipHeight <= 0) {
        return {};
    }
    int width = clipWidth, height = clipHeight;
    if (fit != 0 || clipWidth > stageWidth || clipHeight > stageHeight) {
        const float aspect = static_cast<float>(clipWidth) / static_cast<float>(clipHeight);
        if (aspect > static_cast<float>(stageWidth) / static_cast<float>(stageHeight)) {
            width = stageWidth;
            height = static_cast<int>(static_cast<float>(stageWidth) / aspect);
        } else {
            height = stageHeight;
            width = static_cast<int>(aspect * static_cast<float>(stageHeight));
        }
        width = std::clamp(width, 1, stageWidth);
        height = std::clamp(height, 1, stageHeight);
    }
    const int left = (stageWidth - width) / 2, top = (stageHeight - height) / 2;
    return {left, top, left + width, top + height};
}

namespace {

// Copies a picture of the rectangle's size, rows top-down, into the stage
// frame (rows bottom-up).
void copyInto(std::uint8_t* stage, int stageWidth, int stageHeight, const ClipRect& rect,
              const std::uint8_t* rowsTopDown) {
    const std::size_t rowBytes = static_cast<std::size_t>(rect.width()) * 4;
    for (int r = 0; r < rect.height(); ++r) {
        const std::size_t stageRow = static_cast<std::size_t>(stageHeight - 1 - (rect.top + r));
        std::memcpy(stage + (stageRow * static_cast<std::size_t>(stageWidth) +
                             static_cast<std::size_t>(rect.left)) *
                                4,
                    rowsTopDown + static_cast<std::size_t>(r) * rowBytes, rowBytes);
    }
}

// What lies outside the clip rectangle is black while a clip plays.
void blackenAround(std::uint8_t* stage, int stageWidth, int stageHeight, const ClipRect& rect) {
    const std::size_t rowBytes = static_cast<std::size_t>(stageWidth) * 4;
    for (int y = 0; y < stageHeight; ++y) {
        std::uint8_t* row = stage + static_cast<std::size_t>(stageHeight - 1 - y) * rowBytes;
        if (y < rect.top || y >= rect.bottom) {
            std::memset(row, 0, rowBytes);
            continue;
        }
        std::memset(row, 0, static_cast<std::size_t>(rect.left) * 4);
        std::memset(row + static_cast<std::size_t>(rect.right) * 4, 0,
                    static_cast<std::size_t>(stageWidth - rect.right) * 4);
    }
}

}  // namespace

// One opened clip: its pictures, its sound and its first-frame still.
struct ClipPlayer::Graph {
    std::string path;
    int number = -1;
    std::unique_ptr<platform::VideoDecoder> video;  // null: the clip cannot play
    std::unique_ptr<platform::AudioStream> sound;   // null: no sound
    std::unique_ptr<imaging::Picture> firstStill;   // null: not loaded
};

// The clip that plays (or played) on screen.
struct ClipPlayer::Active {
    std::unique_ptr<Graph> graph;
    std::unique_ptr<imaging::Picture> lastStill;
    const imaging::Picture* stillToPaint = nullptr;
    ClipRect rect;
    std::unique_ptr<platform::ClockEvent> stop;  // manual reset: the clip must end now
    std::atomic<bool> stopping{false};           // set with stop, read between pictures
    std::thread thread;                          // runs runClip; joined by stopActive
    std::vector<std::uint8_t> picture;           // clip thread: the converted picture
};

ClipPlayer::ClipPlayer(Setup setup)
    : platform_(setup.platform),
      clock_(setup.platform.clock()),
      screen_(setup.screen),
      packagePath_(std::move(setup.packagePath)),
      stageWidth_(setup.stageWidth),
      stageHeight_(setup.stageHeight),
      fit_(setup.fit) {}

ClipPlayer::~ClipPlayer() {
    stopClip(true);
}

std::unique_ptr<ClipPlayer::Graph> ClipPlayer::openGraph(const std::string& path, int number) {
    auto graph = std::make_unique<Graph>();
    graph->path = path;
    graph->number = number;
    auto video = platform::VideoDecoder::open(path);
    if (!video) {
        platform::trace("clip %s: %s", path.c_str(), video.error().c_str());
        return graph;
    }
    graph->video = std::move(*video);
    // The sound comes from the same file through the music engine's mixer;
    // a clip without sound plays silently.
    graph->sound = platform_.audio().open(path, platform::AudioDevice::MediaGraph);
    return graph;
}

std::unique_ptr<imaging::Picture> ClipPlayer::loadStill(const std::string& reference) {
    auto still = std::make_unique<imaging::Picture>(packagePath_);
    if (!still->load(reference)) {
        platform::trace("clip still %s: %s", reference.c_str(), still->lastError().c_str());
        return nullptr;
    }
    return still;
}

bool ClipPlayer::prepare(const film::FilmItem& item, const imaging::Picture** nextPicture) {
    const std::string path = film::joinFileRef(item.clip);
    // A clip prepared again (its still failed before) is not opened twice.
    if (!prepared_ || prepared_->number != item.number || prepared_->path != path) {
        prepared_ = openGraph(path, item.number);
    }
    prepared_->firstStill = loadStill(item.firstFrameStill.fileName);
    *nextPicture = prepared_->firstStill.get();
    return prepared_->firstStill != nullptr;
}

const imaging::Picture* ClipPlayer::start(const film::FilmItem& item, int transitionRan) {
    stopActive();
    std::unique_ptr<Graph> graph = std::move(prepared_);
    const std::string path = film::joinFileRef(item.clip);
    if (!graph || graph->number != item.number || graph->path != path) {
        graph = openGraph(path, item.number);
        graph->firstStill = loadStill(item.firstFrameStill.fileName);
    }
    auto active = std::make_unique<Active>();
    active->graph = std::move(graph);
    const imaging::Picture* firstStill = active->graph->firstStill.get();
    std::unique_lock lock(stateMutex_);
    active_ = std::move(active);
    Active& a = *active_;
    const std::intptr_t generation = ++generation_;
    if (transitionRan == 0) {
        a.graph->sound.reset();
        return firstStill;  // broken off: the clip does not play
    }

    // Clips stored without a size show at the size they decode to.
    int width = item.storedWidth, height = item.storedHeight;
    if ((width <= 0 || height <= 0) && a.graph->video) {
        width = a.graph->video->width();
        height = a.graph->video->height();
    }
    a.rect = clipRectangle(stageWidth_, stageHeight_, width, height, fit_);
    if (!a.graph->video || a.rect.width() <= 0 || a.rect.height() <= 0) {
        // It cannot play: its first-frame still stands in for it.
        a.graph->sound.reset();
        a.stillToPaint = firstStill;
        paintStill(firstStill, a.rect);
        stillPainted_ = true;
        return firstStill;
    }
    platform::trace("clip %d starts", item.number);
    stillPainted_ = false;
    a.stop = clock_.createEvent(platform::EventReset::Manual);
    a.thread = clock_.startThread("clip", [this, &a, generation] { runClip(a, generation); });
    a.lastStill = loadStill(item.lastFrameStill.fileName);
    a.stillToPaint = a.lastStill.get();
    lock.unlock();
    if (a.lastStill == nullptr) {
        platform_.dialogs().messageBox("Last frame missing " + item.lastFrameStill.fileName,
                                       "Warning", platform::MB_OK);
    }
    return a.stillToPaint;
}

void ClipPlayer::runClip(Active& a, std::intptr_t generation) {
    platform::VideoDecoder& video = *a.graph->video;
    const ClipRect rect = a.rect;
    const Millis begun = clock_.nowMs();
    if (a.graph->sound) {
        a.graph->sound->start();
    }
    bool first = true;
    do {
        const Millis due = begun + video.frameTime();
        const Millis now = clock_.nowMs();
        const auto ahead = static_cast<std::int32_t>(due - now);
        if (ahead > 0 && a.stop->wait(static_cast<Millis>(ahead))) {
            return;
        }
        // Behind time by more than a picture: drop it to catch up.
        if (!first && -ahead > static_cast<std::int32_t>(video.frameDuration())) {
            continue;
        }
        if (!video.convert(rect.width(), rect.height(), a.picture)) {
            continue;
        }
        screen_.drawAndShow([&](std::uint8_t* pixels) {
            if (first) {
                blackenAround(pixels, stageWidth_, stageHeight_, rect);
            }
            copyInto(pixels, stageWidth_, stageHeight_, rect, a.picture.data());
        });
        first = false;
    } while (!a.stopping.load() && video.decodeNext());
    // The last picture stays for its time before the clip counts as ended.
    const Millis end = begun + video.frameTime() + video.frameDuration();
    const auto left = static_cast<std::int32_t>(end - clock_.nowMs());
    if (left > 0 && a.stop->wait(static_cast<Millis>(left))) {
        return;
    }
    platform_.messages().postMessage({MSG_GRAPH_NOTIFY, CLIP_EVENT_COMPLETE, generation});
}

void ClipPlayer::paintStill(const imaging::Picture* still, const ClipRect& rect) {
    if (still == nullptr || still->image() == nullptr || !still->image()->hasPixels() ||
        still->image()->bitCount() != 32 || rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    const imaging::DibImage& image = *still->image();
    std::vector<std::uint8_t> scaled(static_cast<std::size_t>(rect.width()) * rect.height() * 4);
    imaging::scaleBilinear32(image.pixels(), image.width(), image.height(), scaled.data(),
                             rect.width(), rect.height());
    // scaled is bottom-up: walk it from its top row.
    std::vector<std::uint8_t> topDown(scaled.size());
    const std::size_t rowBytes = static_cast<std::size_t>(rect.width()) * 4;
    for (int r = 0; r < rect.height(); ++r) {
        std::memcpy(topDown.data() + static_cast<std::size_t>(r) * rowBytes,
                    scaled.data() + static_cast<std::size_t>(rect.height() - 1 - r) * rowBytes,
                    rowBytes);
    }
    screen_.drawAndShow([&](std::uint8_t* pixels) {
        copyInto(pixels, stageWidth_, stageHeight_, rect, topDown.data());
    });
}

void ClipPlayer::onGraphNotify(std::uintptr_t event, std::intptr_t generation) {
    std::lock_guard lock(stateMutex_);
    if (!active_ || generation != generation_) {
        return;  // a clip that was stopped meanwhile
    }
    if (event == CLIP_EVENT_COMPLETE) {
        paintStill(active_->stillToPaint, active_->rect);
        active_->stillToPaint = nullptr;
        stillPainted_ = true;
    }
}

void ClipPlayer::stopActive() {
    std::thread thread;
    {
        std::lock_guard lock(stateMutex_);
        if (!active_) {
            return;
        }
        ++generation_;  // an end notification on its way no longer counts
        active_->stopping = true;
        if (active_->stop) {
            active_->stop->set();
        }
        thread = std::move(active_->thread);
    }
    if (thread.joinable()) {
        clock_.joinThread(thread);
    }
    std::lock_guard lock(stateMutex_);
    // The stills stay: the show still draws the transition out of them.
    if (active_ && active_->graph) {
        active_->graph->sound.reset();
        active_->graph->video.reset();
    }
}

void ClipPlayer::stopClip(bool all) {
    stopActive();
    stillPainted_ = true;
    if (all) {
        prepared_.reset();
    }
}

ClipRect ClipPlayer::clipRect() {
    std::lock_guard lock(stateMutex_);
    return active_ ? active_->rect : ClipRect{};
}

}  // namespace media
