#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"
#include "imaging/FrameSection.h"
#include "imaging/Picture.h"
#include "platform/Window.h"
#include "playback/PictureFitter.h"

namespace playback {

// The stage frames every transition and title is composed on, the effect
// registry that draws into them, and their presentation: whole frames only,
// centred in the client area. Composition runs on the play thread; the
// window thread only repaints the presented frame (under frameMutex_).
class FrameCompositor {
  public:
    FrameCompositor(int clientWidth, int clientHeight, int stageWidth, int stageHeight,
                    const effects::EffectRegistry::Options& registryOptions = {});

    // The registry's tables, texts not loaded (playback never needs them).
    void setUpTables();
    // false when a frame cannot be had; the show then draws nothing.
    bool createFrames();
    void freeFrames();

    // Fits picture (and overlay) into the from or to frame.
    void drawPicture(const imaging::Picture* picture, const imaging::Picture* overlay,
                     const SourceRect& rect, imaging::StageFrame& target);
    // The frame on screen becomes the from frame, the picture the to frame.
    void showPicture(const imaging::Picture* picture, const imaging::Picture* overlay,
                     const SourceRect& rect);
    // A clip's still into the from frame, the picture into the to frame.
    void showStillToPicture(const imaging::Picture* still, const imaging::Picture* stillOverlay,
                            const SourceRect& stillRect, const imaging::Picture* picture,
                            const imaging::Picture* overlay, const SourceRect& rect);

    void beginPicture(int slot);
    // Draws the transition at (elapsed, total) into the out frame and presents it.
    void renderPicture(int slot, platform::Window& window, int elapsed, int total);
    void endPicture(int slot);
    // The to frame becomes the out frame and the presented frame.
    void commit();

    // Title surface: the presented frame. Copy the to frame onto it before a
    // title frame; present it afterwards.
    void copyToFrameToPresented();
    std::uint8_t* presentedPixels();
    // Draws onto the presented frame while no repaint can read it.
    void drawOnPresented(const std::function<void(std::uint8_t* pixels)>& draw);

    // Pan and zoom between steps. presentView draws the picture's rect (the
    // view) into the out frame and presents it, first keeping the frame the
    // step left on screen; an overlay stays fitted to the whole stage, as it
    // does for an item's own rectangle. presentStepFrame brings the kept
    // frame back exactly (its titles too). forgetStepFrame: a step begins,
    // so the frame kept no longer belongs to the picture on screen.
    void presentView(const imaging::Picture* picture, const imaging::Picture* overlay,
                     const SourceRect& rect, platform::Window& window);
    void presentStepFrame(platform::Window& window);
    void forgetStepFrame() { stepFrameKept_ = false; }

    // The out frame or the presented frame, centred in the window.
    enum class Source { Out, Presented };
    void present(platform::Window& window, Source source);
    // The last presented frame again (window thread).
    void repaint(platform::Window& window) { present(window, Source::Presented); }

    effects::EffectRegistry& registry() { return registry_; }
    int stageWidth() const { return stageWidth_; }
    int stageHeight() const { return stageHeight_; }
    imaging::StageFrame* fromFrame() { return from_ ? &*from_ : nullptr; }
    imaging::StageFrame* toFrame() { return to_ ? &*to_ : nullptr; }
    // A copy of the presented frame's pixels (tests).
    std::vector<std::uint8_t> presentedCopy();

  private:
    effects::PictureFrameData frameData(int elapsed, int duration) const;

    const int clientWidth_, clientHeight_;
    const int stageWidth_, stageHeight_;
    effects::EffectRegistry registry_;
    PictureFitter fitter_;                                // play thread
    std::optional<imaging::StageFrame> from_, to_, out_;  // play thread
    std::optional<imaging::StageFrame> stepFrame_;        // play thread; made at the first view
    bool stepFrameKept_ = false;                          // play thread
    std::mutex frameMutex_;  // guards presented_ between the play and window threads
    std::optional<imaging::StageFrame> presented_;
};

}  // namespace playback
