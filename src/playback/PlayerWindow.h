#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "film/Film.h"
#include "media/ClockMusicHost.h"
#include "media/MusicPlayerTable.h"
#include "platform/Clock.h"
#include "platform/PeriodicTimer.h"
#include "playback/FrameCompositor.h"
#include "playback/MediaHooks.h"
#include "playback/PhotoDeck.h"
#include "playback/ShowPlayer.h"
#include "playback/StageGeometry.h"

namespace playback {

struct PlayerOptions {
    int frameMs = 55;        // least time between transition and title frames
    bool fillStage = false;  // largest even 4:3 stage instead of the four fixed sizes
    std::uint32_t effectSeed = 0;
    // A part of the film, numbered as the film numbers its items (from 1):
    // a looping show comes back to firstItem, and the show ends (or loops)
    // after lastItem (0: the film's last).
    int firstItem = 1;
    int lastItem = 0;
    bool playOnce = false;       // a looping film ends after its last item all the same
    bool manualAsTimed = false;  // a film advanced by hand moves on by its display times
};

// Plays one film on the main window's screen: the stage, the frame
// compositor, the photo deck, the step timer and two worker threads — the
// play thread runs one step per advance request; the preparation thread
// decodes the next item ahead of time at idle priority.
//
// Threads and what they own:
//   main thread: create/destroyWindow, handleMessage (keys, clicks, paints);
//   play thread: the step, pan and zoom redraws, the compositor's frames,
//   the registry;
//   preparation thread: the deck's prepared generation (under lock_);
//   timer thread: the timer callback (advanceRequested_ only).
// lock_ guards currentItem_ and the four picture slots; it is never held
// while waiting for anything else.
class PlayerWindow final : public ShowPlayer {
  public:
    explicit PlayerWindow(const ShowContext& context, PlayerOptions options = {});
    ~PlayerWindow() override;

    int create(platform::Window& window, const film::Film& film, bool mediaGraphAvailable,
               int startNumber, int sizeMode) override;
    void destroyWindow() override;
    void handleMessage(const platform::Message& message) override;

    // Media players and the launcher; set before create. Without setMusic
    // the show plays its music on the platform's audio engine, without
    // setClips its clips on the platform's video decoder.
    void setMusic(std::unique_ptr<MusicHook> itemMusic, std::unique_ptr<MusicHook> filmMusic);
    void setClips(std::unique_ptr<ClipHook> clips);
    void setPresentations(std::unique_ptr<PresentationHook> presentations);

    StageRect stage() const { return stage_; }
    int shownNumber() const { return shownNumber_.load(); }
    FrameCompositor* compositor() { return compositor_.get(); }

  private:
    int start();
    void stop();

    void playThreadBody();
    void prepareThreadBody();
    void timerTick();
    void requestAdvance();

    void step();
    // The item after number in this show, or one numbered -1 past its end.
    film::FilmItem itemAfter(int number) const;
    int transition(const imaging::Picture* currentPicture, const imaging::Picture* currentOverlay,
                   const SourceRect& currentRect, const imaging::Picture* nextPicture,
                   const imaging::Picture* nextOverlay, const SourceRect& nextRect, int effect,
                   int transitionTime, int currentType);
    int titlePhase(const film::FilmItem& item, const imaging::Picture* picture,
                   const imaging::Picture* overlay, const SourceRect& rect);
    // Where the film's 800 x 600 design space lands on the stage for an item.
    void mapDesignSpace(const film::FilmItem& item);
    void paceFrame(platform::Millis frameStart);
    // Sleeps on the show clock, but returns at once when the show stops.
    void sleepUnlessStopped(platform::Millis ms);
    bool escapePressed();

    void onKeyDown(int key);
    void stepBack();
    // Shows the pan and zoom view the keys asked for (play thread, between steps).
    void showView();
    void postEscapeToParent();

    void pausePreparation();
    void resumePreparation();

    film::FilmItem currentItemCopy();
    void setCurrentItem(const film::FilmItem& item);

    platform::Platform& platform_;
    platform::Clock& clock_;
    const std::string packagePath_;
    const PlayerOptions options_;

    // Set by create on the main thread, read-only afterwards.
    platform::Window* window_ = nullptr;
    const film::Film* film_ = nullptr;
    StageRect stage_;
    int loop_ = 1;
    int playMode_ = 728;
    int clipFitFlag_ = 0;

    // Play thread: kept from item to item when one has no stored size.
    struct TitleMapping {
        float xScale = 1, yScale = 1;
        int designX = 0, designY = 0, shownX = 0, shownY = 0;
    };
    TitleMapping titleMapping_;

    std::unique_ptr<FrameCompositor> compositor_;
    std::unique_ptr<PhotoDeck> deck_;
    // The music players' table and host outlive the players made on them.
    std::unique_ptr<media::MusicPlayerTable> musicTable_;
    std::unique_ptr<media::ClockMusicHost> musicHost_;
    bool musicGiven_ = false;  // setMusic was called
    std::unique_ptr<MusicHook> itemMusic_;
    std::unique_ptr<MusicHook> filmMusic_;
    bool clipsGiven_ = false;  // setClips was called
    std::unique_ptr<ClipHook> clips_;
    std::unique_ptr<PresentationHook> presentations_;
    std::unique_ptr<platform::PeriodicTimer> stepTimer_;
    std::unique_ptr<platform::ClockEvent> preparedEvent_;  // auto reset: an attempt finished
    std::unique_ptr<platform::ClockEvent> resumeEvent_;    // manual reset: preparation may run
    std::unique_ptr<platform::ClockEvent> stopWake_;       // manual reset: the show is stopping
    std::unique_ptr<platform::ClockEvent> advanceWake_;    // auto reset: an advance was requested
    std::unique_ptr<platform::ClockEvent> prepareWake_;    // auto reset: the next item is wanted

    std::mutex lock_;
    film::FilmItem currentItem_;                        // lock_
    const imaging::Picture* currentPicture_ = nullptr;  // lock_
    const imaging::Picture* currentOverlay_ = nullptr;  // lock_
    const imaging::Picture* nextPicture_ = nullptr;     // lock_
    const imaging::Picture* nextOverlay_ = nullptr;     // lock_

    std::atomic<bool> playRunning_{true};
    std::atomic<bool> prepareRunning_{true};
    std::atomic<bool> preparationPaused_{false};
    std::atomic<bool> prepared_{false};
    std::atomic<int> preparedNumber_{0};
    std::atomic<int> shownNumber_{0};
    std::atomic<bool> advanceRequested_{false};
    std::atomic<bool> viewRequested_{false};  // a pan or zoom key changed the view
    std::atomic<int> currentType_{film::ITEM_PHOTO};
    bool transitionBrokenOff_ = false;  // play thread: Esc ended the last transition
    bool itemMusicPlaying_ = false;     // play thread (and Stop after it ended)
    bool filmMusicPlaying_ = false;     // main thread
    bool started_ = false;              // main thread

    std::thread playThread_;
    std::thread prepareThread_;
};

}  // namespace playback
