#pragma once

#include <cstdint>
#include <span>

#include "platform/Result.h"

namespace platform {

// Walks a Standard MIDI File's tracks to see whether it sounds at all: true
// when some track has a note-on with a velocity above 0. Fails with the fault
// when the header, a chunk or an event is broken anywhere.
Result<bool> midiFileHasNotes(std::span<const std::uint8_t> bytes);

}  // namespace platform
