#include "platform/DesktopFileDialog.h"

#include <cstdio>

#include "platform/ProcessLauncher.h"

namespace platform {

std::optional<std::string> openFileWithDesktopDialog(const OpenFileRequest& request) {
    std::vector<std::string> argv;
    if (auto zenity = ProcessLauncher::findInPath("zenity")) {
        argv = {*zenity, "--file-selection", "--title=" + request.title,
                "--file-filter=" + request.filterName + " | " + request.filterPattern};
    } else if (auto kdialog = ProcessLauncher::findInPath("kdialog")) {
        argv = {*kdialog,      "--title",
                request.title, "--getopenfilename",
                ".",           request.filterPattern + "|" + request.filterName};
    } else {
        std::fprintf(stderr,
                     "photoreel: no file dialog is available (install zenity or kdialog); "
                     "pass the film on the command line: photoreel FILM.flz\n");
        return std::nullopt;
    }
    std::string output;
    auto exit = ProcessLauncher::runCapturingOutput(argv, output);
    if (!exit || !exit->exited || exit->exitCode != 0) {
        return std::nullopt;
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    if (output.empty()) {
        return std::nullopt;
    }
    return output;
}

}  // namespace platform
