#include "media/MusicPlayer.h"

#include <cstring>

#include "media/MediaMessages.h"
#include "platform/Trace.h"

namespace media {

namespace {

// The routes of the kinds: wave and MIDI on their simple devices, or every
// file through the media graph.
bool deviceFor(MusicKind kind, platform::AudioDevice& device) {
    switch (kind) {
        case MUSIC_KIND_WAVE:
            device = platform::AudioDevice::Wave;
            return true;
        case MUSIC_KIND_MIDI:
            device = platform::AudioDevice::Midi;
            return true;
        case MUSIC_KIND_GRAPH_WAVE:
        case MUSIC_KIND_GRAPH_MIDI:
        case MUSIC_KIND_MP3:
            device = platform::AudioDevice::MediaGraph;
            return true;
        default:
            return false;
    }
}

}  // namespace

MusicPlayer::MusicPlayer(MusicPlayerTable& table, MusicHost& host, platform::AudioEngine& engine,
                         bool graphAvailable, int index, MusicRepeat repeat)
    : table_(table),
      host_(host),
      engine_(engine),
      graphAvailable_(graphAvailable),
      index_(index),
      repeat_(repeat) {
    table_.enter(index_, this);
}

MusicPlayer::~MusicPlayer() {
    stop();
    table_.leave(index_, this);
}

MusicKind MusicPlayer::kind() const {
    std::lock_guard lock(state_);
    return kind_;
}

std::string MusicPlayer::fileName() const {
    std::lock_guard lock(state_);
    return fileName_.data();
}

int MusicPlayer::timerId() const {
    std::lock_guard lock(state_);
    return timerId_;
}

void MusicPlayer::play(std::string_view fileName) {
    std::lock_guard control(control_);
    playLocked(fileName);
}

void MusicPlayer::stop() {
    std::lock_guard control(control_);
    stopLocked();
}

void MusicPlayer::playLocked(std::string_view fileName) {
    int kind = musicKindFromFileName(fileName);
    if (kind == MUSIC_KIND_NONE) {
        return;
    }
    if (fileName.size() >= MUSIC_FILE_NAME_BYTES || fileName.find('\0') != std::string_view::npos) {
        return;  // cannot be stored, nor named again by the restart
    }
    if (kind != MUSIC_KIND_CD_TRACK) {
        if (graphAvailable_) {
            kind |= MUSIC_KIND_GRAPH_BIT;
        } else if (index_ == MUSIC_INDEX_FILM) {
            return;
        }
    }
    stopLocked();

    platform::AudioDevice device{};
    // Nothing reads audio CDs here: a CD track cue plays nothing. MP3 files
    // need the media graph.
    if (!deviceFor(static_cast<MusicKind>(kind), device) ||
        (device == platform::AudioDevice::MediaGraph && !graphAvailable_)) {
        platform::trace("music %d: no player for %.*s", index_, static_cast<int>(fileName.size()),
                        fileName.data());
        return;
    }
    const std::string path(fileName);
    auto stream = engine_.open(path, device);
    if (!stream) {
        return;
    }
    const int timerId = index_ == MUSIC_INDEX_ITEM ? MUSIC_TIMER_ITEM : MUSIC_TIMER_FILM;
    {
        std::lock_guard lock(state_);
        kind_ = static_cast<MusicKind>(kind);
        fileName_.fill('\0');
        std::memcpy(fileName_.data(), path.data(), path.size());
        stream_ = std::move(stream);
        timerId_ = timerId;
        restartPending_ = false;
    }
    MusicPlayerTable& table = table_;
    host_.setTimer(timerId, MUSIC_POLL_MS, [&table](int id) {
        if (MusicPlayer* player = table.playerForTimer(id)) {
            player->poll();
        }
    });
    std::lock_guard lock(state_);
    stream_->start();
}

void MusicPlayer::stopLocked() {
    int timerId = 0;
    std::unique_ptr<platform::AudioStream> stream;
    {
        std::lock_guard lock(state_);
        timerId = timerId_;
        timerId_ = 0;
        stream = std::move(stream_);
        kind_ = MUSIC_KIND_NONE;
        restartPending_ = false;
    }
    if (timerId != 0) {
        host_.killTimer(timerId);  // waits for a running poll
    }
    // stream leaves the mixer here
}

void MusicPlayer::poll() {
    platform::Message restart;
    {
        std::lock_guard lock(state_);
        if (kind_ == MUSIC_KIND_NONE || !stream_ || timerId_ == 0 || !stream_->ended()) {
            return;
        }
        host_.killTimer(timerId_);  // from inside the procedure: only asks
        timerId_ = 0;
        if (repeat_ != MusicRepeat::On) {
            return;
        }
        restartPending_ = true;
        restart.id = MSG_MUSIC_RESTART;
        restart.wParam = reinterpret_cast<std::uintptr_t>(fileName_.data());
        restart.lParam = reinterpret_cast<std::intptr_t>(this);
    }
    host_.postMessage(restart);
}

void MusicPlayer::restart(std::uintptr_t fileNameAddress) {
    std::lock_guard control(control_);
    std::array<char, MUSIC_RESTART_NAME_BYTES> name{};
    {
        std::lock_guard lock(state_);
        // A restart that crossed a stop or a new file in the queue is stale.
        if (!restartPending_ ||
            fileNameAddress != reinterpret_cast<std::uintptr_t>(fileName_.data())) {
            return;
        }
        restartPending_ = false;
        const std::size_t length = std::strlen(fileName_.data());
        if (length >= name.size()) {
            platform::trace("music %d: name too long to restart", index_);
            return;
        }
        std::memcpy(name.data(), fileName_.data(), length);
    }
    playLocked(name.data());
}

}  // namespace media
