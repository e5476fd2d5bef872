#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ProcessLauncher.h"

namespace testing_support {

// The independent compound file tools the interop tests compare against:
// Debian's python3-olefile and libgsf-bin's gsf. Each is nullopt when it is
// not installed, and the test then skips.

// A Python interpreter that can import olefile (the system one: a Python
// from elsewhere in PATH may lack Debian's module).
inline std::optional<std::string> pythonWithOlefile() {
    for (const std::string candidate : {"/usr/bin/python3", "python3"}) {
        std::string output;
        auto exit = platform::ProcessLauncher::runCapturingOutput(
            {candidate, "-c", "import olefile; print('ok')"}, output);
        if (exit && exit->exited && exit->exitCode == 0 && output == "ok\n") {
            return candidate;
        }
    }
    return std::nullopt;
}

inline std::optional<std::string> gsfTool() {
    return platform::ProcessLauncher::findInPath("gsf");
}

// Runs argv in directory (through sh, for the cd) and returns its exit
// code; output is discarded.
inline int runIn(const std::string& directory, const std::vector<std::string>& argv) {
    std::vector<std::string> command{"sh", "-c", "cd \"$0\" && exec \"$@\" >/dev/null 2>&1",
                                     directory};
    command.insert(command.end(), argv.begin(), argv.end());
    std::string output;
    auto exit = platform::ProcessLauncher::runCapturingOutput(command, output);
    return exit && exit->exited ? exit->exitCode : -1;
}

}  // namespace testing_support
