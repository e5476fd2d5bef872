#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace film {
class Film;
}

namespace shell {

enum class InfoFormat { Text, Json };

// What loading found beyond the film itself.
struct InfoContext {
    bool package = false;       // loaded from a package (pictures named by offset)
    std::vector<int> messages;  // message numbers shown while loading, in order
};

struct InfoOptions {
    InfoFormat format = InfoFormat::Text;
    bool withoutMedia = false;   // load as a machine without the media backend
    bool withoutViewer = false;  // load as a machine without a presentation viewer
};

// Writes a summary of a read film: play flags, music, and every item with
// its files, timing, transition, music cue, source rectangle and titles.
// Film text is converted from its code page to UTF-8.
std::string describeFilm(const film::Film& film, const std::string& path, InfoFormat format,
                         const InfoContext& context = {});

// `photoreel info FILM [--json]`: a film package or self-running show is
// loaded as the viewer loads it; any other file is read as a bare film
// document. Prints the summary on out; message boxes and the reason of a
// failure go to err. Returns the exit code: 0, or 1 when nothing could be
// read.
int runInfo(const std::string& path, const InfoOptions& options, std::FILE* out, std::FILE* err);

}  // namespace shell
