#pragma once

#include "film/PresentationLauncher.h"
#include "playback/MediaHooks.h"

namespace playback {

// Presentation items through the outside viewer. Runs on the play thread;
// the viewer's window covers the show until the user closes it.
class ViewerPresentations final : public PresentationHook {
  public:
    explicit ViewerPresentations(const platform::Settings& settings) : launcher_(settings) {}
    int launch(const film::FilmItem& item) override;

  private:
    film::PresentationLauncher launcher_;
};

}  // namespace playback
