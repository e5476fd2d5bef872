#include "platform/audio/MidiFileScan.h"

#include <string>

namespace platform {

namespace {

// A bounds-checked reader over one chunk.
class Cursor {
  public:
    explicit Cursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool atEnd() const { return at_ >= bytes_.size(); }
    std::size_t offset() const { return at_; }
    std::size_t left() const { return bytes_.size() - at_; }

    bool byte(std::uint8_t& value) {
        if (atEnd()) {
            return false;
        }
        value = bytes_[at_++];
        return true;
    }
    bool skip(std::size_t count) {
        if (count > left()) {
            return false;
        }
        at_ += count;
        return true;
    }
    // Variable-length quantity: at most four bytes.
    bool quantity(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b = 0;
            if (!byte(b)) {
                return false;
            }
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0) {
                return true;
            }
        }
        return false;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// Walks one track; true when it plays a note.
Result<bool> trackHasNotes(std::span<const std::uint8_t> track, int number) {
    Cursor cursor(track);
    const auto fault = [&](const char* what) {
        return Error{std::string(what) + " in track " + std::to_string(number) + " at byte " +
                     std::to_string(cursor.offset())};
    };
    std::uint8_t running = 0;
    bool notes = false;
    while (!cursor.atEnd()) {
        std::uint32_t delta = 0;
        if (!cursor.quantity(delta)) {
            return fault("broken delta time");
        }
        std::uint8_t status = 0;
        if (!cursor.byte(status)) {
            return fault("event cut off");
        }
        if (status == 0xFF) {
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            if (!cursor.byte(type) || !cursor.quantity(length) || !cursor.skip(length)) {
                return fault("meta event runs past the track");
            }
            if (type == 0x2F) {
                return notes;  // end of track; anything after it is never played
            }
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (!cursor.quantity(length) || !cursor.skip(length)) {
                return fault("system exclusive event runs past the track");
            }
            continue;
        }
        std::uint8_t first = 0;
        if (status < 0x80) {
            if (running == 0) {
                return fault("data byte without a running status");
            }
            first = status;
            status = running;
        } else if (status >= 0xF0) {
            return fault("system common message");
        } else {
            running = status;
            if (!cursor.byte(first)) {
                return fault("channel message cut off");
            }
        }
        const std::uint8_t command = status & 0xF0;
        if (command == 0xC0 || command == 0xD0) {
            continue;  // one data byte
        }
        std::uint8_t second = 0;
        if (!cursor.byte(second)) {
            return fault("channel message cut off");
        }
        notes = notes || (command == 0x90 && second > 0);
    }
    return notes;
}

}  // namespace

Result<bool> midiFileHasNotes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 14 || bigEndian32(bytes.data()) != 0x4D546864u) {  // "MThd"
        return Error{"no MIDI header"};
    }
    const std::uint32_t headerLength = bigEndian32(bytes.data() + 4);
    if (headerLength < 6 || headerLength > bytes.size() - 8) {
        return Error{"MIDI header length " + std::to_string(headerLength)};
    }
    std::size_t at = 8 + headerLength;
    int track = 0;
    bool notes = false;
    // Every track is walked, not only up to the first note: a file broken
    // further on would stop the synthesiser at once and restart in a loop.
    while (at < bytes.size()) {
        if (bytes.size() - at < 8) {
            break;  // a few padding bytes after the last chunk, as some writers leave
        }
        const std::uint32_t length = bigEndian32(bytes.data() + at + 4);
        const bool isTrack = bigEndian32(bytes.data() + at) == 0x4D54726Bu;  // "MTrk"
        at += 8;
        if (length > bytes.size() - at) {
            return Error{"chunk at byte " + std::to_string(at - 8) + " runs past the end"};
        }
        if (isTrack) {
            ++track;
            auto found = trackHasNotes(bytes.subspan(at, length), track);
            if (!found) {
                return found;
            }
            notes = notes || *found;
        }
        at += length;
    }
    return notes;
}

}  // namespace platform
