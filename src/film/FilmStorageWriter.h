#pragma once

#include <cstdint>
#include <vector>

#include "film/Film.h"
#include "platform/Result.h"
#include "platform/storage/CompoundFileWriter.h"

namespace film {

// The film document of a Film, as the authoring side writes it: VERSION,
// LOOP, AUTOPLAY, BGMUSIC, then FILMLINK1 ... n with FILMITEM and, for
// items with a title, TEXTLIST holding TEXT1 ... m.
platform::Result<std::vector<std::uint8_t>> writeFilmStorage(
    const Film& film,
    platform::storage::SectorSize sectorSize = platform::storage::SectorSize::Bytes512);

}  // namespace film
