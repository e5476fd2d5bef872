#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "imaging/Picture.h"
#include "playback/PhotoView.h"

namespace playback {

// The decoded pictures of photo items in three generations: prepared (the
// next item's), current (on screen) and previous (the one before, kept one
// item longer so nothing still in use is freed). Prepare runs on the
// preparation thread and Promote on the play thread, both under the
// player's lock; the deck itself has no lock for them. The pan and zoom
// view has a lock of its own: keys arrive on the window thread, which must
// not wait for a decode that holds the player's lock.
class PhotoDeck {
  public:
    explicit PhotoDeck(std::string packagePath);

    // Decodes the picture (and overlay, unless its reference is empty or "0")
    // as the prepared generation. true when the picture loaded: *nextPicture
    // and *nextOverlay then name them. false leaves the out slots alone.
    bool prepare(const std::string& pictureReference, const std::string& overlayReference,
                 const imaging::Picture** nextPicture, const imaging::Picture** nextOverlay);

    // prepared -> current -> previous; returns the new current pair.
    void promote(const imaging::Picture** currentPicture, const imaging::Picture** currentOverlay);

    // Pan and zoom of the photo on screen (arrow keys, + and -): true when the
    // view changed and should be shown again. Keys count only between
    // openView and closeView.
    bool keys(int virtualKey);
    // A step has put a photo on a stage of this size, showing `normal` of
    // it: keys may now move it, starting from that normal view.
    void openView(int stageWidth, int stageHeight, const SourceRect& normal);
    // A step begins: keys do nothing until the next openView.
    void closeView();
    // The view to show, or nothing when keys are not counted.
    std::optional<PhotoView> view();

  private:
    std::unique_ptr<imaging::Picture> load(const std::string& reference);

    const std::string packagePath_;
    std::unique_ptr<imaging::Picture> prepared_, preparedOverlay_;
    std::unique_ptr<imaging::Picture> current_, currentOverlay_;
    std::unique_ptr<imaging::Picture> previous_, previousOverlay_;

    std::mutex viewMutex_;
    std::optional<PhotoView> view_;  // viewMutex_; empty while keys do nothing
};

}  // namespace playback
