#pragma once

#include <string>
#include <vector>

#include "film/FilmItem.h"
#include "platform/Settings.h"

namespace film {

// Results of PresentationLauncher::launch.
enum : int {
    LAUNCH_SHOWN = 0,
    LAUNCH_NO_VIEWER = -1,     // nothing configured and no LibreOffice installed
    LAUNCH_BAD_SETTING = -2,   // "presentation-viewer" is set but empty
    LAUNCH_MISSING_FILE = -3,  // the configured viewer or the presentation file is gone
    LAUNCH_START_FAILED = -4,  // the viewer could not be started
    LAUNCH_WAIT_FAILED = -5,   // the viewer could not be waited for
    LAUNCH_ABNORMAL_END = -6,  // the viewer was ended by a signal
};

// Why a launch gave its result, for the trace.
const char* describeLaunchResult(int result);

// Shows presentation items with the outside viewer and waits until the user
// closes it. The viewer is looked up at each launch, so a setting changed
// while the show runs is honoured. Shows no message: the caller decides.
class PresentationLauncher {
  public:
    explicit PresentationLauncher(const platform::Settings& settings) : settings_(settings) {}

    // Blocks until the viewer has ended: LAUNCH_SHOWN or a negative result.
    int launch(const FilmItem& item) const;

    // The viewer's argv: LibreOffice gets its full-screen show options, any
    // other program just the file. Each path is one argument, no shell.
    static std::vector<std::string> command(const std::string& viewer,
                                            const std::string& presentation);

  private:
    const platform::Settings& settings_;
};

}  // namespace film
