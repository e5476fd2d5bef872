#pragma once

#include <memory>
#include <string>

#include "media/MusicPlayer.h"
#include "playback/MediaHooks.h"

namespace playback {

// A music player of the show on the platform's audio engine. The table and
// the host are shared by the film and item players and outlive both.
class PlatformMusic final : public MusicHook {
  public:
    PlatformMusic(media::MusicPlayerTable& table, media::MusicHost& host,
                  platform::AudioEngine& engine, bool graphAvailable, int index)
        : player_(table, host, engine, graphAvailable, index, media::MusicRepeat::On) {}

    void play(const std::string& path) override { player_.play(path); }
    void stop() override { player_.stop(); }

    const media::MusicPlayer& player() const { return player_; }

  private:
    media::MusicPlayer player_;
};

}  // namespace playback
