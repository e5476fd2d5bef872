#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "film/Film.h"
#include "film/FilmLoader.h"
#include "platform/Platform.h"
#include "platform/TempFiles.h"
#include "playback/ShowPlayer.h"
#include "shell/ProgressDialog.h"

namespace shell {

inline constexpr char kWindowClassName[] = "FilmPlayer";
inline constexpr char kInitialTitle[] = "Photoreel Viewer";
// Film paths live in 260-character buffers: 259 characters and the end.
inline constexpr std::size_t kMaxFilmPathLength = 259;

// 1 when the media backend that plays clips and compressed music works here.
int probeMediaGraph(platform::Platform& platform);

using PlayerFactory =
    std::function<std::unique_ptr<playback::ShowPlayer>(const playback::ShowContext&)>;

// The FilmPlayer main window: it loads the film when it is created, starts
// and stops the player, routes input, and tears everything down in a fixed
// order on Esc. All of it runs on the main thread.
class MainWindow {
  public:
    MainWindow(platform::Platform& platform, std::string filmPath, PlayerFactory playerFactory);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window and runs its creation handling (the whole load and
    // the start of the show). false with a one-line reason when no window
    // can be made.
    bool create(platform::WindowMode mode, platform::Size windowedSize, std::string* error);

    // Routes one message of the main thread's queue. The player window lies
    // over the main window, so mouse input, paints and the media messages go
    // to the player while there is one; keys always come here first.
    void dispatch(const platform::Message& message);

    // Keeps presentation items even without a viewer to run them: a
    // recording shows them as stills. Set before create.
    void keepPresentations() { keepPresentations_ = true; }

    bool hasPlayer() const { return player_ != nullptr; }
    bool isTornDown() const { return tornDown_; }
    // The loader's findings, for tests: null before creation and after Esc.
    const film::FilmLoader* loader() const { return loader_.get(); }
    const film::Film* film() const { return film_.get(); }

  private:
    // The main window's message table; returns the message result.
    std::intptr_t windowProcedure(const platform::Message& message);
    void onCreate();
    int startPlayer();
    void stopPlayer();
    void tearDown();
    void destroyWindow();

    platform::Platform& platform_;
    const std::string filmPath_;
    PlayerFactory playerFactory_;

    // Tear-down order: player, window access of the player, temporary
    // files (releaseFilm), loader, film, temporary directory.
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<film::Film> film_;
    std::optional<platform::TempDirectory> tempDirectory_;
    std::unique_ptr<film::FilmLoader> loader_;
    std::unique_ptr<ProgressDialog> progress_;
    std::unique_ptr<playback::ShowPlayer> player_;
    bool mediaGraphAvailable_ = false;
    bool keepPresentations_ = false;

    // The loader pumps messages while it detaches a package, so this window
    // is re-entered during onCreate(); Esc and close then wait for the load
    // to end, because the loader must not be destroyed while it runs.
    bool loading_ = false;
    bool teardownDeferred_ = false;
    bool tornDown_ = false;
};

}  // namespace shell
