#pragma once

#include <array>
#include <mutex>

#include "platform/Messages.h"

namespace media {

class MusicPlayer;

// The two live music players of a show, by index (0 item music, 1 film
// music): the poll timers and the restart message find their player here, so
// neither ever follows a pointer to a player that is gone.
class MusicPlayerTable {
  public:
    void enter(int index, MusicPlayer* player);
    // Clears the entry if it still names this player.
    void leave(int index, MusicPlayer* player);

    MusicPlayer* player(int index) const;
    // Timer 911 belongs to index 0, any other to index 1.
    MusicPlayer* playerForTimer(int timerId) const;

    // The window thread's handling of the restart message: the player that
    // lParam names plays its file again. A message for a player that is gone
    // is dropped. True when the message was a restart.
    bool handleRestart(const platform::Message& message);

  private:
    mutable std::mutex mutex_;               // never held while a player works
    std::array<MusicPlayer*, 2> players_{};  // guarded by mutex_
};

}  // namespace media
