#pragma once

#include <optional>
#include <string>

#include "platform/Dialogs.h"

namespace platform {

// The open-file dialog of the desktop, through zenity or kdialog when one of
// them is installed. Without either it answers "cancelled" and says on
// standard error how to pass a film instead.
std::optional<std::string> openFileWithDesktopDialog(const OpenFileRequest& request);

}  // namespace platform
