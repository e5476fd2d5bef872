#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace shell {

// `photoreel pack`: makes a film package from photos (the quick form).
struct PackOptions {
    std::string output;
    std::vector<std::string> photos;
    int durationSeconds = 5;
    std::string transition = "41";  // a slot number, or "random"
    int transitionMs = 1000;
    std::string music;
    bool selfRunning = false;
    bool manual = false;
    bool noLoop = false;
};

void addPackCommand(CLI::App& app, PackOptions& options);
int runPack(const PackOptions& options);

}  // namespace shell
