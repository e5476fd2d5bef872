#include "shell/ExportProgress.h"

#include <algorithm>

#include "platform/Terminal.h"

namespace shell {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);

std::string clockText(double seconds) {
    const long long whole = static_cast<long long>(std::max(seconds, 0.0) + 0.5);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

ExportProgress::ExportProgress(std::FILE* stream, long long totalMs)
    : stream_(stream),
      totalMs_(totalMs),
      enabled_(stream != nullptr && platform::isTerminal(stream)),
      started_(std::chrono::steady_clock::now()) {}

std::string ExportProgress::line(double fraction, double elapsedSeconds, double remainingSeconds) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string text = "Exporting [";
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %3d%%  ", static_cast<int>(fraction * 100));
    text += percent;
    text += clockText(elapsedSeconds) + " elapsed, ";
    text += remainingSeconds < 0 ? std::string("--:--") : clockText(remainingSeconds);
    text += " left";
    return text;
}

void ExportProgress::update(long long doneMs) {
    if (!enabled_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - lastDrawn_ < kRedrawEvery) {
        return;
    }
    lastDrawn_ = now;
    shown_ = true;
    const double fraction =
        totalMs_ > 0 ? static_cast<double>(doneMs) / static_cast<double>(totalMs_) : 0.0;
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    const double remaining =
        fraction > 0.01 ? elapsed * (1.0 - std::min(fraction, 1.0)) / fraction : -1.0;
    // Clear to the end of the line: the text may get shorter.
    std::fprintf(stream_, "\r%s\033[K", line(fraction, elapsed, remaining).c_str());
    std::fflush(stream_);
}

void ExportProgress::close() {
    if (enabled_ && shown_) {
        std::fprintf(stream_, "\r\033[K");
        std::fflush(stream_);
        shown_ = false;
    }
}

}  // namespace shell
