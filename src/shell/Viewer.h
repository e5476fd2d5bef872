#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "shell/MainWindow.h"

namespace shell {

struct ViewerOptions {
    std::string filmPath;  // empty: look in our own executable, then ask
    platform::WindowMode windowMode = platform::WindowMode::FullScreen;
    platform::Size windowedSize{1024, 768};
    bool keepPresentations = false;  // see MainWindow::keepPresentations
};

// Exit code when no window can be opened (no display). Every other way out
// of the viewer, failed loads included, ends with 0 as the viewer always has.
inline constexpr int kExitNoWindow = 1;

// The film path from a split command line: token 1 when there is more than
// one token, else empty (an empty token 1 is no film path).
std::string filmPathFromTokens(const std::vector<std::string>& tokens);

// The viewer from start to end: processor check, main window (which loads
// the film and starts the show), message loop. Returns the exit code.
int runViewer(platform::Platform& platform, const ViewerOptions& options,
              PlayerFactory playerFactory);

}  // namespace shell
