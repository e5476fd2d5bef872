#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "film/LoadProgress.h"
#include "platform/TextPainter.h"
#include "platform/Window.h"

namespace shell {

// The small window the viewer shows while it detaches a package: a line of
// text, a bar and "NN%". It is drawn centred over the owner window (which is
// black while a film loads) and repainted at once on every change, because
// the loader does not return to the message loop while it works.
class ProgressDialog final : public film::LoadProgress {
  public:
    // At most 63 characters of text are kept.
    explicit ProgressDialog(std::string_view text);
    ~ProgressDialog() override;

    // Shows the dialog over owner (replacing one shown before): bar at 0,
    // "0%".
    void showProgress(platform::Window& owner);
    // Clamps the fraction (above 1 is 1; below 0 and not-a-number are 0),
    // moves the bar to fraction x 100, truncated, and shows that percentage.
    void setProgress(float fraction) override;
    void closeProgress();

    // film::LoadProgress, for a dialog given its owner at construction.
    void show() override;
    void close() override { closeProgress(); }
    void setOwner(platform::Window& owner) { owner_ = &owner; }

    bool isShown() const { return window_ != nullptr; }
    int position() const { return position_; }
    std::string percentText() const;
    const std::string& text() const { return text_; }

    // Size of the dialog in pixels.
    static constexpr int kWidth = 225;
    static constexpr int kHeight = 52;

  private:
    void paint();

    std::string text_;
    platform::Window* window_ = nullptr;  // the owner while shown
    platform::Window* owner_ = nullptr;
    int position_ = 0;
    std::unique_ptr<platform::TextPainter> font_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace shell
