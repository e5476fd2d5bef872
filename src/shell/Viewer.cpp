#include "shell/Viewer.h"

#include <cstdio>

#include "shell/ProcessorCheck.h"

namespace shell {

std::string filmPathFromTokens(const std::vector<std::string>& tokens) {
    return tokens.size() > 1 ? tokens[1] : std::string();
}

int runViewer(platform::Platform& platform, const ViewerOptions& options,
              PlayerFactory playerFactory) {
    if (hasMmx() == 0) {
        platform.dialogs().messageBox("MMX required", "", platform::MB_OK);
        return 0;
    }
    if (options.filmPath.size() > kMaxFilmPathLength) {
        platform.dialogs().messageBox(
            "The film path is too long (" + std::to_string(options.filmPath.size()) +
                " characters; at most " + std::to_string(kMaxFilmPathLength) + " are possible).",
            "Photoreel", platform::MB_OK | platform::MB_ICONERROR);
        return 0;
    }

    MainWindow mainWindow(platform, options.filmPath, std::move(playerFactory));
    if (options.keepPresentations) {
        mainWindow.keepPresentations();
    }
    std::string error;
    if (!mainWindow.create(options.windowMode, options.windowedSize, &error)) {
        std::fprintf(stderr, "photoreel: %s\n", error.c_str());
        return kExitNoWindow;
    }

    platform::MessageQueue& queue = platform.messages();
    platform::Message message;
    while (queue.getMessage(message)) {
        mainWindow.dispatch(message);
    }
    return queue.exitCode();
}

}  // namespace shell
