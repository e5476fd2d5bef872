#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace testing_support {

// Dialogs that record every message box instead of showing it.
class RecordingDialogs final : public platform::Dialogs {
  public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned style = 0;
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

}  // namespace testing_support
