#pragma once

#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace film::test {

// Dialogs that record each message box instead of showing it.
class RecordingDialogs final : public platform::Dialogs {
  public:
    struct Box {
        std::string text, caption;
        unsigned style;
    };

    int messageBox(const std::string& text, const std::string& caption, unsigned style) override {
        boxes.push_back({text, caption, style});
        return platform::IDOK;
    }
    std::optional<std::string> openFile(const platform::OpenFileRequest&) override {
        return std::nullopt;
    }

    std::vector<Box> boxes;
};

}  // namespace film::test
