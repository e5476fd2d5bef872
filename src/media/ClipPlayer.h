#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "film/FilmItem.h"
#include "imaging/Picture.h"
#include "platform/Platform.h"
#include "platform/video/VideoDecoder.h"

namespace media {

// Where a clip is shown on the stage, in stage pixels counted from the top.
struct ClipRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ClipRect&) const = default;
};

// The clip at its stored size, centred; with fit set, or when it is larger
// than the stage either way, the largest rectangle of its aspect inside the
// stage, centred. Sizes of 0 or less give an empty rectangle.
ClipRect clipRectangle(int stageWidth, int stageHeight, int clipWidth, int clipHeight, int fit);

// The frame on screen, as the clip player draws into it.
class ClipScreen {
  public:
    virtual ~ClipScreen() = default;
    // Runs draw on the stage frame on screen (BGRX, rows bottom-up, stage
    // size) while nothing else draws on it, then shows the frame. Any thread.
    virtual void drawAndShow(const std::function<void(std::uint8_t* pixels)>& draw) = 0;
};

// What a graph notification's wParam says happened.
inline constexpr std::uintptr_t CLIP_EVENT_COMPLETE = 1;

// Plays the film's video clips inside the show. The video is decoded by the
// platform and composed into the frame on screen at the clip rectangle, paced
// by the clip's timestamps against the show clock, so a clip looks the same
// on a screen, headless and in an export; its sound joins the music engine's
// mix. Around the clip the show works with two stills: the first-frame still
// is what the transition into the clip arrives at, the last-frame still is
// painted when the clip has ended and is where the next transition starts.
//
// Threads: prepare on the preparation thread and start on the play thread,
// both under the player's lock (which guards prepared_); stopClip on the play
// thread, or on the main thread once the workers have ended; the clip's own
// thread decodes and draws; onGraphNotify on the main thread. stateMutex_
// guards active_ and is taken after the player's lock and before the
// screen's; no thread is joined while it is held.
class ClipPlayer {
  public:
    struct Setup {
        platform::Platform& platform;
        ClipScreen& screen;
        std::string packagePath;  // the stills are read from here by offset
        int stageWidth = 0;
        int stageHeight = 0;
        int fit = 0;  // the film's clip-fit flag
    };

    explicit ClipPlayer(Setup setup);
    ~ClipPlayer();
    ClipPlayer(const ClipPlayer&) = delete;
    ClipPlayer& operator=(const ClipPlayer&) = delete;

    // Opens the clip ahead of time (first picture cued, sound decoded up to
    // its first samples) and loads its first-frame still into *nextPicture.
    // false, with *nextPicture null, when the still cannot be loaded; a clip
    // that cannot be opened is only noted: it plays as its still.
    bool prepare(const film::FilmItem& item, const imaging::Picture** nextPicture);

    // Starts the prepared clip, unless the transition into it was broken off
    // (transitionRan 0). Returns the still the show now stands on: the
    // last-frame still (null when it cannot be loaded), or the first-frame
    // still when the clip cannot play.
    const imaging::Picture* start(const film::FilmItem& item, int transitionRan);

    // Stops the clip that plays; with all, also drops the prepared one.
    void stopClip(bool all);

    // True from the clip's start until its end has been painted.
    bool isPlaying() const { return !stillPainted_.load(); }

    // The clip thread's notification (posted as MSG_GRAPH_NOTIFY): on the
    // clip's end the still is painted into the clip rectangle.
    void onGraphNotify(std::uintptr_t event, std::intptr_t generation);

    ClipRect clipRect();

  private:
    struct Graph;
    struct Active;

    std::unique_ptr<Graph> openGraph(const std::string& path, int number);
    std::unique_ptr<imaging::Picture> loadStill(const std::string& reference);
    void paintStill(const imaging::Picture* still, const ClipRect& rect);
    void runClip(Active& active, std::intptr_t generation);
    void stopActive();

    platform::Platform& platform_;
    platform::Clock& clock_;
    ClipScreen& screen_;
    const std::string packagePath_;
    const int stageWidth_, stageHeight_, fit_;

    // Player's lock: the clip opened ahead of time with its first-frame still.
    std::unique_ptr<Graph> prepared_;

    std::mutex stateMutex_;
    std::unique_ptr<Active> active_;  // stateMutex_ (its thread: see runClip)
    std::intptr_t generation_ = 0;    // stateMutex_: which clip's end counts
    std::atomic<bool> stillPainted_{true};
};

}  // namespace media
