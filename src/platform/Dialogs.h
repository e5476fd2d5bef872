#pragma once

#include <optional>
#include <string>

namespace platform {

// Message box styles and answers, numbered as the show's code expects.
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_ICONERROR = 0x00000010;
inline constexpr unsigned MB_ICONWARNING = 0x00000030;
inline constexpr unsigned MB_ICONINFORMATION = 0x00000040;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

struct OpenFileRequest {
    std::string title;
    std::string filterName;     // e.g. "Photoreel Data Files (*.flz)"
    std::string filterPattern;  // e.g. "*.flz"
};

// Modal dialogs of the main thread.
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // Shows text with an OK button and waits for it; an empty caption shows
    // no caption. Returns IDOK.
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned style) = 0;

    // Asks for a file to open; nullopt when the user cancels or no dialog
    // can be shown.
    virtual std::optional<std::string> openFile(const OpenFileRequest& request) = 0;
};

}  // namespace platform
