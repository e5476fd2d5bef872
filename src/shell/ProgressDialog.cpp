#include "shell/ProgressDialog.h"

#include <cmath>
#include <cstdio>

namespace shell {

namespace {

// Layout in dialog units of the original 150 x 32 template, and the pixels
// per unit of its 9-point "Times New Roman" font.
constexpr double kPixelsPerUnitX = 1.5;
constexpr double kPixelsPerUnitY = 1.625;
struct UnitRect {
    int x, y, width, height;
};
constexpr UnitRect kTextLine{2, 4, 82, 8};
constexpr UnitRect kBar{2, 12, 144, 9};
constexpr UnitRect kPercent{69, 23, 18, 8};

constexpr std::uint32_t kFace = 0xF0F0F0;
constexpr std::uint32_t kFrame = 0x707070;
constexpr std::uint32_t kBarTrack = 0xE6E6E6;
constexpr std::uint32_t kBarFill = 0x06B025;
constexpr std::uint32_t kInk = 0x000000;

int toPixelsX(int units) {
    return static_cast<int>(std::lround(units * kPixelsPerUnitX));
}
int toPixelsY(int units) {
    return static_cast<int>(std::lround(units * kPixelsPerUnitY));
}

void fill(const platform::Canvas& canvas, int x, int y, int width, int height, std::uint32_t rgb) {
    for (int row = std::max(0, y); row < std::min(canvas.height, y + height); ++row) {
        std::uint8_t* line =
            canvas.pixels + static_cast<std::size_t>(canvas.height - 1 - row) * canvas.width * 4;
        for (int column = std::max(0, x); column < std::min(canvas.width, x + width); ++column) {
            line[column * 4 + 0] = rgb & 0xFF;
            line[column * 4 + 1] = (rgb >> 8) & 0xFF;
            line[column * 4 + 2] = (rgb >> 16) & 0xFF;
            line[column * 4 + 3] = 0;
        }
    }
}

void outline(const platform::Canvas& canvas, int x, int y, int width, int height,
             std::uint32_t rgb) {
    fill(canvas, x, y, width, 1, rgb);
    fill(canvas, x, y + height - 1, width, 1, rgb);
    fill(canvas, x, y, 1, height, rgb);
    fill(canvas, x + width - 1, y, 1, height, rgb);
}

}  // namespace

ProgressDialog::ProgressDialog(std::string_view text) : text_(text.substr(0, 63)) {}

ProgressDialog::~ProgressDialog() {
    closeProgress();
}

void ProgressDialog::showProgress(platform::Window& owner) {
    closeProgress();
    window_ = &owner;
    position_ = 0;
    if (!font_) {
        font_ = platform::TextPainter::open({"Times New Roman", 12, false, false});
    }
    paint();
}

void ProgressDialog::show() {
    if (owner_ != nullptr) {
        showProgress(*owner_);
    }
}

void ProgressDialog::setProgress(float fraction) {
    if (fraction > 1.0f) {
        fraction = 1.0f;
    }
    if (!(fraction >= 0.0f)) {
        fraction = 0.0f;  // negative values and not-a-number
    }
    if (window_ == nullptr) {
        return;
    }
    position_ = static_cast<int>(fraction * 100.0f);
    paint();
}

void ProgressDialog::closeProgress() {
    if (window_ != nullptr) {
        window_->clear();
        window_ = nullptr;
    }
}

std::string ProgressDialog::percentText() const {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", position_);
    return text;
}

void ProgressDialog::paint() {
    pixels_.assign(static_cast<std::size_t>(kWidth) * kHeight * 4, 0);
    const platform::Canvas canvas{pixels_.data(), kWidth, kHeight};
    fill(canvas, 0, 0, kWidth, kHeight, kFace);
    outline(canvas, 0, 0, kWidth, kHeight, kFrame);

    const int barX = toPixelsX(kBar.x), barY = toPixelsY(kBar.y);
    const int barWidth = toPixelsX(kBar.width), barHeight = toPixelsY(kBar.height);
    fill(canvas, barX, barY, barWidth, barHeight, kBarTrack);
    fill(canvas, barX + 1, barY + 1, (barWidth - 2) * position_ / 100, barHeight - 2, kBarFill);
    outline(canvas, barX, barY, barWidth, barHeight, kFrame);

    if (font_) {
        font_->draw(canvas, toPixelsX(kTextLine.x), toPixelsY(kTextLine.y) - 2, text_, kInk);
        const std::string percent = percentText();
        const int centre = toPixelsX(kPercent.x) + toPixelsX(kPercent.width) / 2;
        font_->draw(canvas, centre - font_->measure(percent) / 2, toPixelsY(kPercent.y) - 2,
                    percent, kInk);
    }
    const platform::Size client = window_->clientSize();
    window_->present({pixels_.data(), kWidth, kHeight}, (client.width - kWidth) / 2,
                     (client.height - kHeight) / 2);
}

}  // namespace shell
