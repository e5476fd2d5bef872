#pragma once

#include <string>

#include "film/Film.h"
#include "platform/Platform.h"
#include "platform/TempFiles.h"

namespace film {

// Finds a film, detaches its files into the show's temporary directory and
// reads the film document. Runs on the main thread.
class FilmLoader {
  public:
    FilmLoader(platform::Platform& platform, platform::TempDirectory& tempDirectory);

    // 1 when the film is loaded and can play, 0 after the user was told why
    // not.
    int loadFilm(platform::Window& window, Film& film, const std::string& sourcePath,
                 bool mediaGraphAvailable);

    // Deletes every file loadFilm detached.
    void releaseFilm(Film& film);

  private:
    platform::Platform& platform_;
    [[maybe_unused]] platform::TempDirectory& tempDirectory_;  // for the detached files
};

}  // namespace film
