#include "film/PresentationLauncher.h"

#include "film/FileRef.h"
#include "film/PresentationViewer.h"
#include "platform/ProcessLauncher.h"
#include "platform/SelfPath.h"

namespace film {

namespace {

constexpr const char* kViewerSetting = "presentation-viewer";

bool isLibreOffice(const std::string& program) {
    const auto slash = program.rfind('/');
    const std::string name = slash == std::string::npos ? program : program.substr(slash + 1);
    return name == "soffice" || name == "libreoffice" || name == "soffice.bin";
}

// A relative name would be looked up in PATH, and one starting with '-'
// would be read as an option.
std::string asPathArgument(const std::string& path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    return "./" + path;
}

}  // namespace

const char* describeLaunchResult(int result) {
    switch (result) {
        case LAUNCH_SHOWN:
            return "shown";
        case LAUNCH_NO_VIEWER:
            return "no presentation viewer is configured or installed";
        case LAUNCH_BAD_SETTING:
            return "the presentation-viewer setting is empty";
        case LAUNCH_MISSING_FILE:
            return "the viewer or the presentation file does not exist";
        case LAUNCH_START_FAILED:
            return "the viewer could not be started";
        case LAUNCH_WAIT_FAILED:
            return "the viewer could not be waited for";
        case LAUNCH_ABNORMAL_END:
            return "the viewer was ended by a signal";
        default:
            return "unknown result";
    }
}

std::vector<std::string> PresentationLauncher::command(const std::string& viewer,
                                                       const std::string& presentation) {
    std::vector<std::string> argv{asPathArgument(viewer)};
    if (isLibreOffice(viewer)) {
        argv.insert(argv.end(), {"--norestore", "--show"});
    }
    argv.push_back(asPathArgument(presentation));
    return argv;
}

int PresentationLauncher::launch(const FilmItem& item) const {
    const auto configured = settings_.get(kViewerSetting);
    const auto viewer = findPresentationViewer(settings_);
    if (!viewer) {
        if (!configured) {
            return LAUNCH_NO_VIEWER;
        }
        return configured->empty() ? LAUNCH_BAD_SETTING : LAUNCH_MISSING_FILE;
    }
    const std::string presentation = joinFileRef(item.show);
    if (!platform::isReadableFile(presentation)) {
        return LAUNCH_MISSING_FILE;
    }
    auto process = platform::ProcessLauncher::start(command(*viewer, presentation));
    if (!process) {
        return LAUNCH_START_FAILED;
    }
    const platform::ProcessExit exit = process->wait();
    if (exit.exited) {
        return LAUNCH_SHOWN;  // its exit code says nothing about whether the show was seen
    }
    return exit.signal != 0 ? LAUNCH_ABNORMAL_END : LAUNCH_WAIT_FAILED;
}

}  // namespace film
