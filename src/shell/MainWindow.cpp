#include "shell/MainWindow.h"

#include <cstdio>

#include "film/PackageDetach.h"
#include "film/PackageSignatures.h"
#include "film/PresentationViewer.h"
#include "media/MediaMessages.h"
#include "platform/SelfPath.h"
#include "platform/Trace.h"

namespace shell {

using namespace platform;

namespace {

// Both markers present, as the loader will require.
bool holdsFilmPackage(const std::string& path) {
    const auto file = InputFile::open(path);
    if (!file) {
        return false;
    }
    const film::PackageSignatures& signatures = film::packageSignatures();
    return film::findSignature(*file, signatures.filmDescription) != 0 &&
           film::findSignature(*file, signatures.mediaDescription) != 0;
}

}  // namespace

int probeMediaGraph(Platform& platform) {
    return platform.mediaBackendAvailable() ? 1 : 0;
}

MainWindow::MainWindow(Platform& platform, std::string filmPath, PlayerFactory playerFactory)
    : platform_(platform),
      filmPath_(std::move(filmPath)),
      playerFactory_(std::move(playerFactory)) {}

MainWindow::~MainWindow() {
    tearDown();
    window_.reset();
}

bool MainWindow::create(WindowMode mode, Size windowedSize, std::string* error) {
    WindowSpec spec;
    spec.className = kWindowClassName;
    spec.title = kInitialTitle;
    spec.mode = mode;
    spec.windowedSize = windowedSize;
    window_ = platform_.createWindow(spec, error);
    if (!window_) {
        return false;
    }
    onCreate();
    return true;
}

void MainWindow::onCreate() {
    film_ = std::make_unique<film::Film>();

    // Our private temporary directory stands where the system's temporary
    // folder stood: without one nothing is loaded and the window stays black
    // until Esc.
    std::string reason;
    tempDirectory_ = TempDirectory::create(&reason);
    if (!tempDirectory_) {
        trace("no temporary directory: %s", reason.c_str());
        return;
    }
    loader_ = std::make_unique<film::FilmLoader>(
        platform_.dialogs(), *tempDirectory_,
        keepPresentations_ || film::presentationViewerAvailable(platform_.settings()) == 1);
    progress_ = std::make_unique<ProgressDialog>("Processing");
    progress_->setOwner(*window_);
    loader_->setProgress(progress_.get());
    // One pending message per piece copied keeps the window responsive; Esc
    // and close are deferred while the load runs (see windowProcedure).
    loader_->setMessagePump([this] {
        Message message;
        if (platform_.messages().peekMessage(message)) {
            dispatch(message);
        }
    });

    // Without a film argument a self-running show carries its film inside
    // the viewer's own executable.
    const std::string source = filmPath_.empty() ? executablePath() : filmPath_;
    if (!filmPath_.empty() && !isReadableFile(filmPath_)) {
        // The loader then asks for a film; say why on the terminal too.
        std::fprintf(stderr, "photoreel: cannot open %s\n", filmPath_.c_str());
    } else if (!filmPath_.empty() && !holdsFilmPackage(filmPath_)) {
        // A file manager opens any *.flz with us; its content decides.
        std::fprintf(stderr, "photoreel: %s is not a film package\n", filmPath_.c_str());
    }
    mediaGraphAvailable_ = probeMediaGraph(platform_) == 1;

    loading_ = true;
    const int loaded = loader_->loadFilm(window_.get(), *film_, source, mediaGraphAvailable_);
    loading_ = false;

    if (loaded != 1 || teardownDeferred_) {
        tearDown();
        platform_.messages().postMessage({WM_CLOSE, 0, 0});
        return;
    }
    startPlayer();
}

int MainWindow::startPlayer() {
    if (!playerFactory_) {
        return 0;  // nothing can play yet: the window stays black until Esc
    }
    player_ = playerFactory_(playback::ShowContext{platform_, loader_->packagePath()});
    if (!player_) {
        return 0;
    }
    if (player_->create(*window_, *film_, mediaGraphAvailable_, 1, 1) == 0) {
        return 0;
    }
    return 1;
}

void MainWindow::stopPlayer() {
    if (player_) {
        player_->destroyWindow();
        player_.reset();
    }
}

void MainWindow::tearDown() {
    if (tornDown_) {
        return;
    }
    tornDown_ = true;
    stopPlayer();
    if (loader_ && film_) {
        loader_->releaseFilm(*film_);
    }
    loader_.reset();
    progress_.reset();
    film_.reset();
    // Whatever a load left behind goes with the directory.
    tempDirectory_.reset();
}

void MainWindow::destroyWindow() {
    window_.reset();
    platform_.messages().postQuit(0);  // WM_DESTROY: quit with code 0
}

void MainWindow::dispatch(const Message& message) {
    switch (message.id) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_PAINT:
        case WM_ERASEBKGND:
        case media::MSG_MUSIC_RESTART:
        case media::MSG_GRAPH_NOTIFY:
            if (player_) {
                player_->handleMessage(message);
                return;
            }
            break;
        default:
            break;
    }
    windowProcedure(message);
}

std::intptr_t MainWindow::windowProcedure(const Message& message) {
    switch (message.id) {
        case WM_KEYDOWN:
            if (message.wParam == static_cast<std::uintptr_t>(VK_ESCAPE)) {
                if (loading_) {
                    teardownDeferred_ = true;
                    return 0;
                }
                tearDown();
                platform_.messages().postMessage({WM_CLOSE, 0, 0});
                return 0;
            }
            if (player_) {
                player_->handleMessage(message);
            }
            return 0;
        case WM_CLOSE:
            // A close from the desktop (or a termination signal) cleans up
            // like Esc before the window goes.
            if (loading_) {
                teardownDeferred_ = true;
                return 0;
            }
            tearDown();
            if (window_) {
                destroyWindow();
            }
            return 0;
        case WM_SYSCOMMAND:
            // No screen saver while the show runs; other system commands
            // have nothing to do here.
            return 0;
        case WM_COMMAND:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_PAINT:
            return 0;
        default:
            return 0;
    }
}

}  // namespace shell
