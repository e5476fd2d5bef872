#pragma once

#include <string>

#include "film/Film.h"
#include "platform/Result.h"

namespace film {

// Writes a film package: an optional prefix (a copy of the viewer makes a
// self-running show), signature A, the film document, signature B, then every
// media file the film names, in the order the loader walks them: film music;
// per item its first-frame still, main file (picture, clip or presentation
// by type), overlay, last-frame still and music. In the package every file
// reference is renamed to the file's size followed by its extension
// ("950.jpg"); audio-CD tracks (".cda") keep their names and take no bytes.
//
// The Film's references name files on this machine (folder + file name);
// an empty reference embeds nothing.
platform::Result<bool> writeFilmPackage(const Film& film, const std::string& outputPath,
                                        const std::string& prefixPath = {});

}  // namespace film
