#include "media/MusicPlayerTable.h"

#include "media/MediaMessages.h"
#include "media/MusicPlayer.h"

namespace media {

void MusicPlayerTable::enter(int index, MusicPlayer* player) {
    std::lock_guard lock(mutex_);
    players_.at(static_cast<std::size_t>(index)) = player;
}

void MusicPlayerTable::leave(int index, MusicPlayer* player) {
    std::lock_guard lock(mutex_);
    auto& slot = players_.at(static_cast<std::size_t>(index));
    if (slot == player) {
        slot = nullptr;
    }
}

MusicPlayer* MusicPlayerTable::player(int index) const {
    std::lock_guard lock(mutex_);
    return players_.at(static_cast<std::size_t>(index));
}

MusicPlayer* MusicPlayerTable::playerForTimer(int timerId) const {
    return player(timerId == MUSIC_TIMER_ITEM ? 0 : 1);
}

bool MusicPlayerTable::handleRestart(const platform::Message& message) {
    if (message.id != MSG_MUSIC_RESTART) {
        return false;
    }
    MusicPlayer* target = nullptr;
    {
        std::lock_guard lock(mutex_);
        for (MusicPlayer* candidate : players_) {
            if (candidate != nullptr &&
                reinterpret_cast<std::intptr_t>(candidate) == message.lParam) {
                target = candidate;
            }
        }
    }
    // Players are destroyed on this thread too, so target stays alive here.
    if (target != nullptr) {
        target->restart(message.wParam);
    }
    return true;
}

}  // namespace media
