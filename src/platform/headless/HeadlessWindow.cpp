#include "platform/headless/HeadlessWindow.h"

#include <cstring>

namespace platform {

std::uint64_t hashPixels(const FrameView& frame) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const std::size_t bytes = static_cast<std::size_t>(frame.width) * frame.height * 4;
    for (std::size_t i = 0; i < bytes; ++i) {
        hash = (hash ^ frame.pixels[i]) * 0x100000001b3ull;
    }
    return hash;
}

HeadlessWindow::HeadlessWindow(Clock& clock, Size clientSize, std::string title)
    : clock_(clock), clientSize_(clientSize), title_(std::move(title)) {}

void HeadlessWindow::setTitle(const std::string& title) {
    std::lock_guard lock(mutex_);
    title_ = title;
}

void HeadlessWindow::present(const FrameView& frame, int x, int y) {
    if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0) {
        return;
    }
    const Millis now = clock_.nowMs();
    FrameSink sink;
    {
        std::lock_guard lock(mutex_);
        sink = sink_;
    }
    if (sink) {
        // The sink keeps what it needs; hashing and copying every frame
        // here would cost the export as much as composing it.
        {
            std::lock_guard lock(mutex_);
            frames_.push_back({now, x, y, frame.width, frame.height, 0, 0});
        }
        sink(frame, x, y, now);
        return;
    }
    const std::uint64_t hash = hashPixels(frame);
    std::uint32_t centre = 0;
    std::memcpy(&centre,
                frame.pixels + (static_cast<std::size_t>(frame.height / 2) * frame.width +
                                static_cast<std::size_t>(frame.width / 2)) *
                                   4,
                4);
    std::lock_guard lock(mutex_);
    frames_.push_back({now, x, y, frame.width, frame.height, hash, centre});
    lastFrame_.assign(frame.pixels,
                      frame.pixels + static_cast<std::size_t>(frame.width) * frame.height * 4);
}

void HeadlessWindow::clear() {
    const Millis now = clock_.nowMs();
    FrameSink sink;
    {
        std::lock_guard lock(mutex_);
        frames_.push_back({now, 0, 0, 0, 0, 0});
        lastFrame_.clear();
        sink = sink_;
    }
    if (sink) {
        sink(FrameView{}, 0, 0, now);
    }
}

void HeadlessWindow::showCursor(bool visible) {
    std::lock_guard lock(mutex_);
    cursorVisible_ = visible;
}

void HeadlessWindow::setKeepAwake(std::uint32_t flags) {
    std::lock_guard lock(mutex_);
    keepAwakeCalls_.push_back(flags);
}

void HeadlessWindow::setFrameSink(FrameSink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

std::vector<PresentedFrame> HeadlessWindow::presentedFrames() {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<std::uint8_t> HeadlessWindow::lastFramePixels() {
    std::lock_guard lock(mutex_);
    return lastFrame_;
}

std::string HeadlessWindow::title() {
    std::lock_guard lock(mutex_);
    return title_;
}

bool HeadlessWindow::cursorVisible() {
    std::lock_guard lock(mutex_);
    return cursorVisible_;
}

std::vector<std::uint32_t> HeadlessWindow::keepAwakeCalls() {
    std::lock_guard lock(mutex_);
    return keepAwakeCalls_;
}

}  // namespace platform
