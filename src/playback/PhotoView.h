#pragma once

#include "playback/PictureFitter.h"

namespace playback {

// Stage pixels an arrow key moves the view by.
inline constexpr int VIEW_PAN_STEP = 25;
// + doubles the zoomed picture while four times its area stays within this.
inline constexpr long long VIEW_MAX_ZOOMED_AREA = 16'777'216;
// - halves it while a quarter of its area exceeds this (or it is wider than the stage).
inline constexpr long long VIEW_MIN_QUARTER_AREA = 16'383;

// Pan and zoom of the photo on screen (arrow keys, + and -). The zoomed
// picture is the normal stage view (the picture fitted as a step shows it)
// scaled by 2^level; the stage shows a stage-sized view of it whose top-left
// corner lies at (x, y) in the zoomed picture.
//
// The view is clamped: it never leaves the zoomed picture, so the letterbox
// bars the normal view has are the only black a zoomed-in view can show.
// A zoomed picture narrower (or lower) than the stage is centred in it with
// black around, and the arrows move only along a direction in which the
// zoomed picture is larger than the stage. Zooming keeps the point at the
// stage centre where it is.
class PhotoView {
  public:
    // The normal view of a photo that a step shows as `normal` on the stage.
    PhotoView(int stageWidth, int stageHeight, const SourceRect& normal = {});
    // true when the key changed the view.
    bool key(int virtualKey);

    bool isNormal() const { return level_ == 0 && x_ == 0 && y_ == 0; }
    int level() const { return level_; }
    int x() const { return x_; }
    int y() const { return y_; }
    int zoomedWidth() const { return zoomed(stageWidth_); }
    int zoomedHeight() const { return zoomed(stageHeight_); }

    // The part of a pictureWidth x pictureHeight picture the view shows, in
    // picture pixels (top-left origin). It may reach past the picture; the
    // fitter draws that part black and never reads there.
    SourceRect sourceRect(int pictureWidth, int pictureHeight) const;

  private:
    int zoomed(int stageSize) const;
    bool zoomTo(int level);
    // Keeps (x_, y_) inside the zoomed picture, or centres a smaller one.
    void clampOffsets();

    int stageWidth_ = 0, stageHeight_ = 0;
    SourceRect normal_;
    int level_ = 0;
    int x_ = 0, y_ = 0;
};

}  // namespace playback
