#pragma once

#include <optional>
#include <string>

#include "platform/Settings.h"

namespace film {

// The program that shows presentation items: the "presentation-viewer"
// setting when it names an existing file, else LibreOffice when it is
// installed. A missing or stale setting counts as no setting.
std::optional<std::string> findPresentationViewer(const platform::Settings& settings);

// 1 when a presentation viewer is there, else 0.
int presentationViewerAvailable(const platform::Settings& settings);

}  // namespace film
