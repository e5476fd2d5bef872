#include "film/PresentationViewer.h"

#include "platform/ProcessLauncher.h"
#include "platform/SelfPath.h"

namespace film {

std::optional<std::string> findPresentationViewer(const platform::Settings& settings) {
    if (auto configured = settings.get("presentation-viewer")) {
        if (platform::isReadableFile(*configured)) {
            return configured;
        }
    }
    for (const char* program : {"soffice", "libreoffice"}) {
        if (auto found = platform::ProcessLauncher::findInPath(program)) {
            return found;
        }
    }
    return std::nullopt;
}

int presentationViewerAvailable(const platform::Settings& settings) {
    return findPresentationViewer(settings) ? 1 : 0;
}

}  // namespace film
