#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "media/MusicHost.h"
#include "media/MusicKind.h"
#include "media/MusicPlayerTable.h"
#include "platform/AudioEngine.h"

namespace media {

inline constexpr int MUSIC_INDEX_ITEM = 0;
inline constexpr int MUSIC_INDEX_FILM = 1;
inline constexpr int MUSIC_TIMER_ITEM = 911;
inline constexpr int MUSIC_TIMER_FILM = 912;
inline constexpr platform::Millis MUSIC_POLL_MS = 5;
inline constexpr std::size_t MUSIC_FILE_NAME_BYTES = 512;     // the stored name, with its zero
inline constexpr std::size_t MUSIC_RESTART_NAME_BYTES = 260;  // the restart's copy, with its zero

enum class MusicRepeat { Off, On };

// Plays one music file at a time, chosen by its extension, and plays it again
// each time it ends. Index 1 is the film's music, index 0 the items' music;
// the two are independent and mix. A poll timer notices the end; the restart
// goes through the window's thread as message MSG_MUSIC_RESTART, which the
// window hands to MusicPlayerTable::handleRestart.
//
// A player window owns one MusicPlayerTable and both players, gives them a
// MusicHost (itself, or a ClockMusicHost over the platform's queue and clock)
// and platform.audio(), and passes MSG_MUSIC_RESTART to the table.
//
// Threads: play() and stop() come from the window thread and the play
// thread, the poll from the host's timer, restart() from the window thread.
// control_ serialises play, stop and restart; state_ guards what the poll
// reads. Lock order: control_, then state_; the host's killTimer is never
// called with state_ held, except by the poll itself, where it only asks.
class MusicPlayer {
  public:
    // graphAvailable: the media graph (the full decoding backend) is there.
    // Without it the film music stays silent and the item music plays only
    // wave and MIDI files on the simple devices.
    MusicPlayer(MusicPlayerTable& table, MusicHost& host, platform::AudioEngine& engine,
                bool graphAvailable, int index, MusicRepeat repeat);
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Stops what plays and starts fileName by its extension (".WAV", ".MID",
    // ".MP3", ".CDA", any case). Any other name, or a file that does not
    // open, leaves the player idle without a word.
    void play(std::string_view fileName);
    void stop();

    // The restart message: plays the stored name again if this player posted
    // the message and has not been stopped or given another file since.
    void restart(std::uintptr_t fileNameAddress);

    int index() const { return index_; }
    MusicKind kind() const;
    std::string fileName() const;
    int timerId() const;  // 0 when no poll timer runs

  private:
    void playLocked(std::string_view fileName);  // control_ held
    void stopLocked();                           // control_ held
    void poll();                                 // only as the timer procedure

    MusicPlayerTable& table_;
    MusicHost& host_;
    platform::AudioEngine& engine_;
    const bool graphAvailable_;
    const int index_;
    const MusicRepeat repeat_;

    std::mutex control_;
    mutable std::mutex state_;
    MusicKind kind_ = MUSIC_KIND_NONE;                    // guarded by state_
    std::array<char, MUSIC_FILE_NAME_BYTES> fileName_{};  // guarded by state_
    int timerId_ = 0;                                     // guarded by state_
    bool restartPending_ = false;                         // guarded by state_
    std::unique_ptr<platform::AudioStream> stream_;       // guarded by state_
};

}  // namespace media
