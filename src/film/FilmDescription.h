#pragma once

#include <string>

#include "film/Film.h"
#include "platform/Result.h"

namespace film {

// Builds a Film from a film description in JSON (the authoring side of
// `photoreel pack`; the format is documented in the README). File paths in
// the description are taken relative to baseDirectory; the Film's references
// then name those files on this machine, ready for writeFilmPackage. Unknown
// fields, wrong types, missing files and photos that are not JPEG pictures
// are errors that name the place in the description.
platform::Result<Film> parseFilmDescription(const std::string& json,
                                            const std::string& baseDirectory);

}  // namespace film
