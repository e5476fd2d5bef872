#include "playback/PhotoView.h"

#include <algorithm>

#include "platform/Messages.h"

namespace playback {

namespace {

long long floorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

PhotoView::PhotoView(int stageWidth, int stageHeight, const SourceRect& normal)
    : stageWidth_(stageWidth), stageHeight_(stageHeight), normal_(normal) {}

int PhotoView::zoomed(int stageSize) const {
    return level_ >= 0 ? stageSize << level_ : stageSize >> -level_;
}

bool PhotoView::key(int virtualKey) {
    if (stageWidth_ <= 0 || stageHeight_ <= 0) {
        return false;
    }
    const long long area = static_cast<long long>(zoomedWidth()) * zoomedHeight();
    switch (virtualKey) {
        case platform::VK_ADD:
            return area * 4 <= VIEW_MAX_ZOOMED_AREA && zoomTo(level_ + 1);
        case platform::VK_SUBTRACT:
            // Never down to nothing: a zoomed picture of a pixel or two
            // would shift to zero.
            return (area / 4 > VIEW_MIN_QUARTER_AREA || zoomedWidth() > stageWidth_) &&
                   zoomedWidth() >= 2 && zoomedHeight() >= 2 && zoomTo(level_ - 1);
        case platform::VK_LEFT:
        case platform::VK_RIGHT:
        case platform::VK_UP:
        case platform::VK_DOWN: {
            if (zoomedWidth() <= stageWidth_ && zoomedHeight() <= stageHeight_) {
                return false;
            }
            const int oldX = x_, oldY = y_;
            x_ += virtualKey == platform::VK_LEFT    ? -VIEW_PAN_STEP
                  : virtualKey == platform::VK_RIGHT ? VIEW_PAN_STEP
                                                     : 0;
            y_ += virtualKey == platform::VK_UP     ? -VIEW_PAN_STEP
                  : virtualKey == platform::VK_DOWN ? VIEW_PAN_STEP
                                                    : 0;
            clampOffsets();
            return x_ != oldX || y_ != oldY;
        }
        default:
            return false;
    }
}

bool PhotoView::zoomTo(int level) {
    // The zoomed-picture point under the stage centre stays there.
    const long long centreX = static_cast<long long>(x_) + stageWidth_ / 2;
    const long long centreY = static_cast<long long>(y_) + stageHeight_ / 2;
    const bool in = level > level_;
    level_ = level;
    x_ = static_cast<int>((in ? centreX * 2 : floorDiv(centreX, 2)) - stageWidth_ / 2);
    y_ = static_cast<int>((in ? centreY * 2 : floorDiv(centreY, 2)) - stageHeight_ / 2);
    clampOffsets();
    return true;
}

void PhotoView::clampOffsets() {
    auto clampAxis = [](int offset, int zoomedSize, int stageSize) {
        if (zoomedSize >= stageSize) {
            return std::clamp(offset, 0, zoomedSize - stageSize);
        }
        return -((stageSize - zoomedSize) / 2);  // centred
    };
    x_ = clampAxis(x_, zoomedWidth(), stageWidth_);
    y_ = clampAxis(y_, zoomedHeight(), stageHeight_);
}

SourceRect PhotoView::sourceRect(int pictureWidth, int pictureHeight) const {
    if (level_ == 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        return normal_;
    }
    const SourceWindow window =
        sourceWindow(pictureWidth, pictureHeight, normal_, stageWidth_, stageHeight_);
    // The zoomed picture spans the normal window; map the view's edges
    // through it, rounding down, and never to an empty window.
    const long long zw = zoomedWidth(), zh = zoomedHeight();
    const long long windowTop = static_cast<long long>(pictureHeight) - window.y - window.height;
    auto edge = [](long long origin, long long offset, long long span, long long zoomedSize) {
        return static_cast<int>(origin + floorDiv(offset * span, zoomedSize));
    };
    SourceRect rect;
    rect.left = edge(window.x, x_, window.width, zw);
    rect.right = std::max(edge(window.x, x_ + stageWidth_, window.width, zw), rect.left + 1);
    rect.top = edge(windowTop, y_, window.height, zh);
    rect.bottom = std::max(edge(windowTop, y_ + stageHeight_, window.height, zh), rect.top + 1);
    return rect;
}

}  // namespace playback
