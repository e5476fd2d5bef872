#pragma once

#include <string>

#include "film/Film.h"
#include "platform/Dialogs.h"
#include "platform/storage/CompoundFile.h"

namespace film {

// Sizes of the effect tables that stored indices are clamped against.
struct EffectTableSizes {
    int transitions = 99;
    int titleAnimations = 54;
};

// Items from link storages beyond this many are dropped with a warning.
inline constexpr int MAX_FILM_LINKS = 999;

// Fills an empty Film from a film document. 1 when the whole document was
// read, else 0 with the reason in *error; items read before a failure stay
// in the Film. Shows its own two boxes: a document of a newer format, and
// the warning that items beyond 999 were dropped.
int readFilmStorage(Film& film, const std::string& path, platform::Dialogs& dialogs,
                    std::string* error = nullptr, const EffectTableSizes& sizes = {});
int readFilmStorage(Film& film, const platform::storage::CompoundFile& document,
                    platform::Dialogs& dialogs, std::string* error = nullptr,
                    const EffectTableSizes& sizes = {});

}  // namespace film
