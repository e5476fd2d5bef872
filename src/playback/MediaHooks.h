#pragma once

#include <string>

#include "film/FilmItem.h"
#include "imaging/Picture.h"
#include "platform/Messages.h"

namespace playback {

// What the player asks of a music player (film music and item music).
class MusicHook {
  public:
    virtual ~MusicHook() = default;
    virtual void play(const std::string& path) = 0;
    virtual void stop() = 0;
    // The restart message a music player posted to the window (2075).
    virtual void onRestart(const platform::Message&) {}
};

// What the player asks of the clip player.
class ClipHook {
  public:
    virtual ~ClipHook() = default;
    // Preparation thread: opens the clip ahead of time; its first-frame still
    // becomes *nextPicture. false when the clip cannot be prepared.
    virtual bool prepare(const film::FilmItem&, const imaging::Picture** nextPicture) {
        *nextPicture = nullptr;
        return false;
    }
    // Play thread: starts the prepared clip of item, unless its transition
    // was broken off (transitionRan 0); returns its still (or null).
    virtual const imaging::Picture* start(const film::FilmItem&, int /*transitionRan*/) {
        return nullptr;
    }
    virtual void stopClip(bool /*all*/) {}
    virtual bool isPlaying() const { return false; }
    virtual void onGraphNotify(const platform::Message&) {}
};

// What the player asks of the presentation launcher: runs the item's show
// and returns when it has ended (0, or a negative code).
class PresentationHook {
  public:
    virtual ~PresentationHook() = default;
    virtual int launch(const film::FilmItem&) { return -1; }
    // Where the show cannot be run (while recording), a still stands in for
    // it: drawn over the stage frame (B,G,R,x, rows bottom-up) before
    // launch, true when drawn.
    virtual bool drawStill(const film::FilmItem&, std::uint8_t* /*pixels*/, int /*width*/,
                           int /*height*/) {
        return false;
    }
};

// Stand-ins until the media players and the launcher are plugged in.
class SilentMusic final : public MusicHook {
  public:
    void play(const std::string&) override {}
    void stop() override {}
};
class NoClips final : public ClipHook {};
class NoPresentations final : public PresentationHook {};

}  // namespace playback
