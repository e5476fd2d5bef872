#pragma once

#include <cstdio>
#include <string>

namespace film {
class Film;
}

namespace shell {

enum class InfoFormat { Text, Json };

// Writes a summary of a read film: play flags, music, and every item with
// its files, timing, transition, music cue, source rectangle and titles.
// Film text is converted from its code page to UTF-8.
std::string describeFilm(const film::Film& film, const std::string& path, InfoFormat format);

// `photoreel info FILM [--json]`: reads the film document at path and
// prints its summary on out. Message boxes the reader raises and the
// reason of a failure go to err. Returns the exit code: 0, or 1 when the
// document cannot be read.
int runInfo(const std::string& path, InfoFormat format, std::FILE* out, std::FILE* err);

}  // namespace shell
