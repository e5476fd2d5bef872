// Bytes in, yes/no/fault out: the MIDI walk that decides whether a music file
// sounds at all, on arbitrary input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/audio/MidiFileScan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) {
        return 0;
    }
    const auto result = platform::midiFileHasNotes(std::span<const std::uint8_t>(data, size));
    if (!result.ok() && result.error().empty()) {
        __builtin_trap();  // every fault is named
    }
    return 0;
}
