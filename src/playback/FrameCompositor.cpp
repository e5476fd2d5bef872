#include "playback/FrameCompositor.h"

#include <cstring>

namespace playback {

namespace {

PixelsView viewOf(const imaging::Picture* picture) {
    if (picture == nullptr || picture->image() == nullptr || !picture->image()->hasPixels()) {
        return {};
    }
    const imaging::DibImage& image = *picture->image();
    return {image.pixels(), image.width(), image.height()};
}

}  // namespace

FrameCompositor::FrameCompositor(int clientWidth, int clientHeight, int stageWidth, int stageHeight,
                                 const effects::EffectRegistry::Options& registryOptions)
    : clientWidth_(clientWidth),
      clientHeight_(clientHeight),
      stageWidth_(stageWidth),
      stageHeight_(stageHeight),
      registry_(registryOptions) {}

void FrameCompositor::setUpTables() {
    registry_.loadPictureTexts(0);
    registry_.first(1);
    registry_.loadTitleTexts(0);
    registry_.first(2);
}

bool FrameCompositor::createFrames() {
    from_ = imaging::StageFrame::create(stageWidth_, stageHeight_);
    to_ = imaging::StageFrame::create(stageWidth_, stageHeight_);
    out_ = imaging::StageFrame::create(stageWidth_, stageHeight_);
    std::lock_guard lock(frameMutex_);
    presented_ = imaging::StageFrame::create(stageWidth_, stageHeight_);
    return from_ && to_ && out_ && presented_;
}

void FrameCompositor::freeFrames() {
    stepFrame_.reset();
    stepFrameKept_ = false;
    from_.reset();
    to_.reset();
    out_.reset();
    std::lock_guard lock(frameMutex_);
    presented_.reset();
}

void FrameCompositor::drawPicture(const imaging::Picture* picture, const imaging::Picture* overlay,
                                  const SourceRect& rect, imaging::StageFrame& target) {
    fitter_.draw(viewOf(picture), viewOf(overlay), rect, target.pixels(), stageWidth_,
                 stageHeight_);
}

void FrameCompositor::showPicture(const imaging::Picture* picture, const imaging::Picture* overlay,
                                  const SourceRect& rect) {
    if (!from_ || !to_) {
        return;
    }
    {
        std::lock_guard lock(frameMutex_);
        if (presented_) {
            std::memcpy(from_->pixels(), presented_->pixels(), from_->byteSize());
        }
    }
    drawPicture(picture, overlay, rect, *to_);
}

void FrameCompositor::showStillToPicture(const imaging::Picture* still,
                                         const imaging::Picture* stillOverlay,
                                         const SourceRect& stillRect,
                                         const imaging::Picture* picture,
                                         const imaging::Picture* overlay, const SourceRect& rect) {
    if (!from_ || !to_) {
        return;
    }
    drawPicture(still, stillOverlay, stillRect, *from_);
    drawPicture(picture, overlay, rect, *to_);
}

effects::PictureFrameData FrameCompositor::frameData(int elapsed, int duration) const {
    effects::PictureFrameData data;
    data.from = reinterpret_cast<const effects::Pixel*>(from_->pixels());
    data.to = reinterpret_cast<const effects::Pixel*>(to_->pixels());
    data.out = reinterpret_cast<effects::Pixel*>(const_cast<std::uint8_t*>(out_->pixels()));
    data.width = stageWidth_;
    data.height = stageHeight_;
    data.elapsed = elapsed;
    data.duration = duration;
    return data;
}

void FrameCompositor::beginPicture(int slot) {
    if (!from_ || !to_ || !out_) {
        return;
    }
    effects::DescribeRequest request;
    request.flags = effects::DESCRIBE_NAME | effects::DESCRIBE_DESCRIPTION;
    registry_.describe(slot, 1, request);
    const effects::PictureFrameData data = frameData(0, 100);
    registry_.runPicture(slot, effects::EFFECT_BEGIN, &data);
}

void FrameCompositor::renderPicture(int slot, platform::Window& window, int elapsed, int total) {
    if (!from_ || !to_ || !out_) {
        return;
    }
    const effects::PictureFrameData data = frameData(elapsed, total);
    registry_.runPicture(slot, effects::EFFECT_FRAME, &data);
    present(window, Source::Out);
}

void FrameCompositor::endPicture(int slot) {
    if (slot >= 0) {
        registry_.runPicture(slot, effects::EFFECT_END, nullptr);
    }
}

void FrameCompositor::commit() {
    if (!to_ || !out_) {
        return;
    }
    std::memcpy(out_->pixels(), to_->pixels(), out_->byteSize());
    std::lock_guard lock(frameMutex_);
    if (presented_) {
        std::memcpy(presented_->pixels(), out_->pixels(), presented_->byteSize());
    }
}

void FrameCompositor::copyToFrameToPresented() {
    if (!to_) {
        return;
    }
    std::lock_guard lock(frameMutex_);
    if (presented_) {
        std::memcpy(presented_->pixels(), to_->pixels(), presented_->byteSize());
    }
}

void FrameCompositor::drawOnPresented(const std::function<void(std::uint8_t* pixels)>& draw) {
    std::lock_guard lock(frameMutex_);
    if (presented_) {
        draw(presented_->pixels());
    }
}

std::uint8_t* FrameCompositor::presentedPixels() {
    return presented_ ? presented_->pixels() : nullptr;
}

void FrameCompositor::present(platform::Window& window, Source source) {
    const int x = (clientWidth_ - stageWidth_) / 2;
    const int y = (clientHeight_ - stageHeight_) / 2;
    if (source == Source::Out) {
        if (out_) {
            {
                // What is shown is also what a repaint shows.
                std::lock_guard lock(frameMutex_);
                if (presented_) {
                    std::memcpy(presented_->pixels(), out_->pixels(), presented_->byteSize());
                }
            }
            window.present({out_->pixels(), stageWidth_, stageHeight_}, x, y);
        }
        return;
    }
    std::lock_guard lock(frameMutex_);
    if (presented_) {
        window.present({presented_->pixels(), stageWidth_, stageHeight_}, x, y);
    }
}

void FrameCompositor::presentView(const imaging::Picture* picture, const imaging::Picture* overlay,
                                  const SourceRect& rect, platform::Window& window) {
    if (!out_) {
        return;
    }
    if (!stepFrameKept_) {
        if (!stepFrame_) {
            stepFrame_ = imaging::StageFrame::create(stageWidth_, stageHeight_);
        }
        std::lock_guard lock(frameMutex_);
        if (!stepFrame_ || !presented_) {
            return;  // without a way back to the normal view, the view stays as it is
        }
        std::memcpy(stepFrame_->pixels(), presented_->pixels(), stepFrame_->byteSize());
        stepFrameKept_ = true;
    }
    drawPicture(picture, overlay, rect, *out_);
    present(window, Source::Out);
}

void FrameCompositor::presentStepFrame(platform::Window& window) {
    if (!stepFrameKept_ || !out_) {
        return;  // the step's own frame is still on screen
    }
    std::memcpy(out_->pixels(), stepFrame_->pixels(), out_->byteSize());
    stepFrameKept_ = false;
    present(window, Source::Out);
}

std::vector<std::uint8_t> FrameCompositor::presentedCopy() {
    std::lock_guard lock(frameMutex_);
    if (!presented_) {
        return {};
    }
    return {presented_->pixels(), presented_->pixels() + presented_->byteSize()};
}

}  // namespace playback
