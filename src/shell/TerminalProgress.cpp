#include "shell/TerminalProgress.h"

#include "platform/Terminal.h"

namespace shell {

TerminalProgress::TerminalProgress(std::FILE* stream, std::string text)
    : stream_(stream), text_(std::move(text)), enabled_(platform::isTerminal(stream)) {}

void TerminalProgress::show() {
    shown_ = true;
    percent_ = 0;
    draw();
}

void TerminalProgress::setProgress(float fraction) {
    if (fraction > 1.0f) {
        fraction = 1.0f;
    }
    if (!(fraction >= 0.0f)) {
        fraction = 0.0f;
    }
    percent_ = static_cast<int>(fraction * 100.0f);
    if (shown_) {
        draw();
    }
}

void TerminalProgress::close() {
    if (shown_ && enabled_) {
        std::fputs("\r\033[K", stream_);  // clear the line again
        std::fflush(stream_);
    }
    shown_ = false;
}

void TerminalProgress::draw() {
    if (!enabled_) {
        return;
    }
    constexpr int kWidth = 30;
    const int filled = percent_ * kWidth / 100;
    std::fprintf(stream_, "\r%s [%s%s] %3d%%", text_.c_str(), std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent_);
    std::fflush(stream_);
}

}  // namespace shell
