#pragma once

#include <string>

#include "media/ClipPlayer.h"
#include "media/MediaMessages.h"
#include "playback/FrameCompositor.h"
#include "playback/MediaHooks.h"

namespace playback {

// The show's clips on the platform's video decoder and music engine: the
// clip's pictures are drawn onto the compositor's presented frame and shown
// as every other frame of the show is.
class PlatformClips final : public ClipHook, private media::ClipScreen {
  public:
    PlatformClips(platform::Platform& platform, FrameCompositor& compositor,
                  platform::Window& window, std::string packagePath, int fit)
        : compositor_(compositor),
          window_(window),
          player_({platform, *this, std::move(packagePath), compositor.stageWidth(),
                   compositor.stageHeight(), fit}) {}

    bool prepare(const film::FilmItem& item, const imaging::Picture** nextPicture) override {
        return player_.prepare(item, nextPicture);
    }
    const imaging::Picture* start(const film::FilmItem& item, int transitionRan) override {
        return player_.start(item, transitionRan);
    }
    void stopClip(bool all) override { player_.stopClip(all); }
    bool isPlaying() const override { return player_.isPlaying(); }
    void onGraphNotify(const platform::Message& message) override {
        player_.onGraphNotify(message.wParam, static_cast<std::intptr_t>(message.lParam));
    }

  private:
    void drawAndShow(const std::function<void(std::uint8_t* pixels)>& draw) override {
        compositor_.drawOnPresented(draw);
        compositor_.present(window_, FrameCompositor::Source::Presented);
    }

    FrameCompositor& compositor_;
    platform::Window& window_;
    media::ClipPlayer player_;  // last: it stops its thread before the rest goes
};

}  // namespace playback
