#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace shell {

// Message boxes of the command-line tools, as lines on a stream (standard
// error); they are also kept, in order, for reports. No file dialog.
class ConsoleDialogs final : public platform::Dialogs {
  public:
    explicit ConsoleDialogs(std::FILE* err) : err_(err) {}

    int messageBox(const std::string& text, const std::string& caption, unsigned) override {
        std::fprintf(err_, "photoreel: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
                     text.c_str());
        shown_.push_back(text);
        return platform::IDOK;
    }
    std::optional<std::string> openFile(const platform::OpenFileRequest&) override {
        return std::nullopt;
    }

    const std::vector<std::string>& shown() const { return shown_; }

  private:
    std::FILE* err_;
    std::vector<std::string> shown_;
};

}  // namespace shell
