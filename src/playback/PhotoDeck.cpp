#include "playback/PhotoDeck.h"

#include "platform/Trace.h"

namespace playback {

PhotoDeck::PhotoDeck(std::string packagePath) : packagePath_(std::move(packagePath)) {}

std::unique_ptr<imaging::Picture> PhotoDeck::load(const std::string& reference) {
    auto picture = std::make_unique<imaging::Picture>(packagePath_);
    if (!picture->load(reference)) {
        platform::trace("picture %s: %s", reference.c_str(), picture->lastError().c_str());
        return nullptr;
    }
    return picture;
}

bool PhotoDeck::prepare(const std::string& pictureReference, const std::string& overlayReference,
                        const imaging::Picture** nextPicture,
                        const imaging::Picture** nextOverlay) {
    // A preparation that was never promoted is replaced.
    prepared_.reset();
    preparedOverlay_.reset();
    prepared_ = load(pictureReference);
    if (!prepared_) {
        return false;
    }
    if (!overlayReference.empty() && overlayReference != "0") {
        preparedOverlay_ = load(overlayReference);  // a broken overlay means none
    }
    *nextPicture = prepared_.get();
    *nextOverlay = preparedOverlay_.get();
    return true;
}

void PhotoDeck::promote(const imaging::Picture** currentPicture,
                        const imaging::Picture** currentOverlay) {
    previous_ = std::move(current_);
    previousOverlay_ = std::move(currentOverlay_);
    current_ = std::move(prepared_);
    currentOverlay_ = std::move(preparedOverlay_);
    *currentPicture = current_.get();
    *currentOverlay = currentOverlay_.get();
}

bool PhotoDeck::keys(int virtualKey) {
    std::lock_guard lock(viewMutex_);
    return view_ && view_->key(virtualKey);
}

void PhotoDeck::openView(int stageWidth, int stageHeight, const SourceRect& normal) {
    std::lock_guard lock(viewMutex_);
    view_.emplace(stageWidth, stageHeight, normal);
}

void PhotoDeck::closeView() {
    std::lock_guard lock(viewMutex_);
    view_.reset();
}

std::optional<PhotoView> PhotoDeck::view() {
    std::lock_guard lock(viewMutex_);
    return view_;
}

}  // namespace playback
