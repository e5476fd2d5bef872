#pragma once

#include <string>

namespace CLI {
class App;
}

namespace shell {

// `photoreel extract FILM DIR`: writes the film document, every embedded
// file under a name that says what it is, and manifest.json.
struct ExtractOptions {
    std::string film;
    std::string directory;
    bool raw = false;  // also keep compressed item music as its raw ".ca"
};

void addExtractCommand(CLI::App& app, ExtractOptions& options);
int runExtract(const ExtractOptions& options);

}  // namespace shell
