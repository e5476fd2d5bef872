#include "playback/PlayerWindow.h"

#include <algorithm>
#include <array>
#include <vector>

#include "effects/TitleText.h"
#include "media/MediaMessages.h"
#include "media/MusicPlayer.h"
#include "platform/Trace.h"
#include "playback/PlatformClips.h"
#include "playback/PlatformMusic.h"

namespace playback {

using namespace platform;

namespace {

constexpr Millis kTitlePhaseMs = 3000;
constexpr std::size_t kMaxTitlesShown = 10;

SourceRect rectOf(const film::SourceRect& source) {
    return {source.left, source.top, source.right, source.bottom};
}

}  // namespace

PlayerWindow::PlayerWindow(const ShowContext& context, PlayerOptions options)
    : platform_(context.platform),
      clock_(context.platform.clock()),
      packagePath_(context.packagePath),
      options_(options),
      itemMusic_(std::make_unique<SilentMusic>()),
      filmMusic_(std::make_unique<SilentMusic>()),
      clips_(std::make_unique<NoClips>()),
      presentations_(std::make_unique<NoPresentations>()) {}

PlayerWindow::~PlayerWindow() {
    destroyWindow();
}

void PlayerWindow::setMusic(std::unique_ptr<MusicHook> itemMusic,
                            std::unique_ptr<MusicHook> filmMusic) {
    itemMusic_ = std::move(itemMusic);
    filmMusic_ = std::move(filmMusic);
    musicGiven_ = true;
}

void PlayerWindow::setClips(std::unique_ptr<ClipHook> clips) {
    clips_ = std::move(clips);
    clipsGiven_ = true;
}

void PlayerWindow::setPresentations(std::unique_ptr<PresentationHook> presentations) {
    presentations_ = std::move(presentations);
}

int PlayerWindow::create(Window& window, const film::Film& film, bool mediaGraphAvailable,
                         int startNumber, int sizeMode) {
    window_ = &window;
    const Size client = window.clientSize();
    stage_ = options_.fillStage ? computeFilledStage(client.width, client.height)
                                : computeStage(client.width, client.height, sizeMode);
    if (stage_.width <= 0 || stage_.height <= 0) {
        return 0;
    }
    titleMapping_.xScale = static_cast<float>(stage_.width) * 0.00125f;
    titleMapping_.yScale = static_cast<float>(stage_.height) * 0.0016666667f;
    deck_ = std::make_unique<PhotoDeck>(packagePath_);
    effects::EffectRegistry::Options registryOptions;
    registryOptions.seed =
        options_.effectSeed != 0 ? options_.effectSeed : static_cast<std::uint32_t>(time(nullptr));
    registryOptions.dialogs = &platform_.dialogs();
    compositor_ = std::make_unique<FrameCompositor>(client.width, client.height, stage_.width,
                                                    stage_.height, registryOptions);
    compositor_->setUpTables();
    stepTimer_ = std::make_unique<PeriodicTimer>(clock_);
    if (!musicGiven_) {
        musicTable_ = std::make_unique<media::MusicPlayerTable>();
        musicHost_ = std::make_unique<media::ClockMusicHost>(platform_.messages(), clock_);
        itemMusic_ = std::make_unique<PlatformMusic>(*musicTable_, *musicHost_, platform_.audio(),
                                                     mediaGraphAvailable, media::MUSIC_INDEX_ITEM);
        filmMusic_ = std::make_unique<PlatformMusic>(*musicTable_, *musicHost_, platform_.audio(),
                                                     mediaGraphAvailable, media::MUSIC_INDEX_FILM);
    }
    if (!clipsGiven_) {
        clips_ = std::make_unique<PlatformClips>(platform_, *compositor_, window, packagePath_,
                                                 film.clipFitFlag());
    }
    film_ = &film;
    film::FilmItem before;
    before.number = (startNumber == 0 ? 1 : startNumber) - 1;
    before.type = film::ITEM_PHOTO;
    setCurrentItem(before);
    window.setKeepAwake(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    return start();
}

int PlayerWindow::start() {
    if (!compositor_->createFrames()) {
        trace("cannot create the stage frames");
    }
    preparedEvent_ = clock_.createEvent(EventReset::Auto);
    stopWake_ = clock_.createEvent(EventReset::Manual);
    advanceWake_ = clock_.createEvent(EventReset::Auto);
    prepareWake_ = clock_.createEvent(EventReset::Auto);
    resumeEvent_ = clock_.createEvent(EventReset::Manual);
    resumeEvent_->set();
    loop_ = options_.playOnce ? 0 : film_->loop();
    playMode_ = options_.manualAsTimed && film_->playMode() == film::PLAYMODE_MANUAL
                    ? film::PLAYMODE_TIMED
                    : film_->playMode();
    clipFitFlag_ = film_->clipFitFlag();
    const std::string music = film_->musicPath();
    if (!music.empty()) {
        filmMusic_->play(music);
        filmMusicPlaying_ = true;
    }
    window_->showCursor(false);

    prepared_ = false;
    playRunning_ = true;
    prepareRunning_ = true;
    advanceRequested_ = false;
    prepareThread_ = clock_.startThread("prepare", [this] { prepareThreadBody(); });
    playThread_ = clock_.startThread("play", [this] { playThreadBody(); });
    started_ = true;

    // Presses made before the show do not count.
    MessageQueue& queue = platform_.messages();
    queue.keyPressedSinceLastQuery(VK_ESCAPE);
    if (playMode_ == film::PLAYMODE_MANUAL) {
        queue.keyPressedSinceLastQuery(VK_PRIOR);
        queue.keyPressedSinceLastQuery(VK_NEXT);
    }
    if (playMode_ == film::PLAYMODE_TIMED) {
        stepTimer_->start(500, [this] { timerTick(); });
    } else {
        requestAdvance();
    }
    return 1;
}

void PlayerWindow::stop() {
    if (!started_) {
        return;
    }
    started_ = false;
    window_->showCursor(true);
    // Both threads wait on stopWake_ wherever they sleep, so they end at once.
    playRunning_ = false;
    prepareRunning_ = false;
    stopWake_->set();
    advanceWake_->set();
    prepareWake_->set();
    preparedEvent_->set();
    resumeEvent_->set();  // a paused preparation must see that it is over
    clock_.joinThread(playThread_);
    clock_.joinThread(prepareThread_);
    clips_->stopClip(true);
    stepTimer_->stop();  // waits for a callback that is running
    advanceRequested_ = false;
    if (itemMusicPlaying_) {
        itemMusic_->stop();
    }
    if (filmMusicPlaying_) {
        filmMusic_->stop();
    }
    itemMusicPlaying_ = filmMusicPlaying_ = false;
}

void PlayerWindow::destroyWindow() {
    if (window_ == nullptr) {
        return;
    }
    stop();
    if (compositor_) {
        compositor_->freeFrames();
    }
    deck_.reset();
    if (!clipsGiven_) {
        clips_ = std::make_unique<NoClips>();  // it draws on the compositor
    }
    compositor_.reset();
    stepTimer_.reset();
    if (!musicGiven_) {
        // Players first: they leave the table and kill their timers on the host.
        itemMusic_ = std::make_unique<SilentMusic>();
        filmMusic_ = std::make_unique<SilentMusic>();
        musicHost_.reset();
        musicTable_.reset();
    }
    window_->setKeepAwake(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    window_->setKeepAwake(ES_CONTINUOUS);
    window_ = nullptr;
}

film::FilmItem PlayerWindow::currentItemCopy() {
    std::lock_guard lock(lock_);
    return currentItem_;
}

void PlayerWindow::setCurrentItem(const film::FilmItem& item) {
    std::lock_guard lock(lock_);
    currentItem_ = item;
    currentType_ = item.type;
}

void PlayerWindow::requestAdvance() {
    advanceRequested_ = true;
    if (advanceWake_) {
        advanceWake_->set();
    }
}

void PlayerWindow::timerTick() {
    // A clip plays to its end: the show moves on at the first tick after it.
    if (currentType_.load() != film::ITEM_CLIP || !clips_->isPlaying()) {
        requestAdvance();
    }
}

void PlayerWindow::playThreadBody() {
    while (playRunning_) {
        // A step first: it restores the normal view, so a view asked for
        // before it is no longer wanted.
        if (advanceRequested_.exchange(false)) {
            step();
        } else if (viewRequested_.exchange(false)) {
            showView();
        } else {
            advanceWake_->wait(ClockEvent::kWaitForever);
        }
    }
}

void PlayerWindow::pausePreparation() {
    preparationPaused_ = true;
    resumeEvent_->reset();
}

void PlayerWindow::resumePreparation() {
    preparationPaused_ = false;
    resumeEvent_->set();
}

void PlayerWindow::prepareThreadBody() {
    lowerCurrentThreadToIdlePriority();
    while (prepareRunning_) {
        // Paused while a transition runs: the pause takes effect here, never
        // while the lock is held.
        if (preparationPaused_) {
            resumeEvent_->wait(ClockEvent::kWaitForever);
            continue;
        }
        const film::FilmItem current = currentItemCopy();
        film::FilmItem next = itemAfter(current.number);
        if (prepared_) {
            prepareWake_->wait(100);  // woken when the step wants the next item
            continue;
        }
        if (next.number == -1) {
            next = film_->getItem(options_.firstItem);  // used only by a looping film
        }
        bool ok = false;
        {
            std::lock_guard lock(lock_);
            switch (next.type) {
                case film::ITEM_PHOTO:
                    ok = deck_->prepare(next.picture.fileName, next.overlay.fileName, &nextPicture_,
                                        &nextOverlay_);
                    if (!ok) {
                        // Never let a step draw a stale picture for this item.
                        nextPicture_ = nextOverlay_ = nullptr;
                    }
                    break;
                case film::ITEM_CLIP:
                    nextOverlay_ = nullptr;
                    ok = clips_->prepare(next, &nextPicture_);
                    break;
                case film::ITEM_SHOW:
                    nextPicture_ = nextOverlay_ = nullptr;
                    ok = true;
                    break;
                default:
                    break;
            }
        }
        if (ok) {
            prepared_ = true;
            preparedNumber_ = next.number;
        }
        trace("prepared item %d: %s", next.number, ok ? "ok" : "failed");
        preparedEvent_->set();
        if (!ok) {
            sleepUnlessStopped(100);  // a broken item is retried, but not in a busy loop
        }
    }
}

bool PlayerWindow::escapePressed() {
    return platform_.messages().keyPressedSinceLastQuery(VK_ESCAPE);
}

void PlayerWindow::paceFrame(Millis frameStart) {
    const Millis spent = clock_.nowMs() - frameStart;
    if (spent < static_cast<Millis>(options_.frameMs)) {
        sleepUnlessStopped(static_cast<Millis>(options_.frameMs) - spent);
    }
}

void PlayerWindow::sleepUnlessStopped(Millis ms) {
    stopWake_->wait(ms);
}

void PlayerWindow::postEscapeToParent() {
    platform_.messages().postMessage({WM_KEYDOWN, static_cast<std::uintptr_t>(VK_ESCAPE), 1});
}

film::FilmItem PlayerWindow::itemAfter(int number) const {
    if (options_.lastItem > 0 && number >= options_.lastItem) {
        film::FilmItem end;
        end.number = -1;
        return end;
    }
    return film_->getItem(number + 1);
}

void PlayerWindow::step() {
    const Millis stepStart = clock_.nowMs();
    // Keys pressed from here until the new item is fully shown do nothing:
    // the photo they would move is on its way out.
    deck_->closeView();
    compositor_->forgetStepFrame();
    const film::FilmItem current = currentItemCopy();
    film::FilmItem next = itemAfter(current.number);
    if (next.number == -1) {
        if (!loop_) {
            postEscapeToParent();
            return;
        }
        next = film_->getItem(options_.firstItem);
    }
    stepTimer_->stop();

    // Polls every 100 ms, but moves on the moment the item is ready; stop()
    // sets the event so a stopping show never waits here.
    while (!preparedEvent_->wait(100) || !playRunning_) {
        if (!playRunning_) {
            clips_->stopClip(false);
            return;
        }
    }
    shownNumber_ = next.number;
    pausePreparation();

    if (next.musicCue == film::MUSIC_STOP) {
        if (itemMusicPlaying_) {
            itemMusic_->stop();
            itemMusicPlaying_ = false;
        }
    } else if (next.musicCue >= film::MUSIC_CD_TRACK && next.musicCue <= 4 &&
               !next.music.fileName.empty()) {
        itemMusic_->play(film::joinFileRef(next.music));
        itemMusicPlaying_ = true;
    }

    const imaging::Picture* currentPicture;
    const imaging::Picture* currentOverlay;
    const imaging::Picture* nextPicture;
    const imaging::Picture* nextOverlay;
    {
        std::lock_guard lock(lock_);
        currentPicture = currentPicture_;
        currentOverlay = currentOverlay_;
        nextPicture = nextPicture_;
        nextOverlay = nextOverlay_;
    }
    SourceRect currentRect = rectOf(current.source);
    SourceRect nextRect = rectOf(next.source);
    const int sw = stage_.width, sh = stage_.height;
    if (current.type == film::ITEM_CLIP && currentPicture != nullptr) {
        const int w = currentPicture->width(), h = currentPicture->height();
        if (w <= sw && h <= sh && clipFitFlag_ == 0) {
            currentRect = {(w - sw) / 2, (h - sh) / 2, (w - sw) / 2 + sw, (h - sh) / 2 + sh};
        }
    }
    if (next.type == film::ITEM_CLIP && nextPicture != nullptr && next.storedWidth > 0 &&
        next.storedHeight > 0) {
        const int w = nextPicture->width(), h = nextPicture->height();
        if (w <= sw && h <= sh && clipFitFlag_ == 0) {
            const int width = sw * w / next.storedWidth;
            const int height = sh * h / next.storedHeight;
            nextRect = {(w - width) / 2, (h - height) / 2, (w - width) / 2 + width,
                        (h - height) / 2 + height};
        }
    }

    const int ran =
        transition(currentPicture, currentOverlay, currentRect, nextPicture, nextOverlay, nextRect,
                   next.effect, next.transitionTime, current.type);
    setCurrentItem(next);

    {
        std::lock_guard lock(lock_);
        switch (next.type) {
            case film::ITEM_PHOTO:
                deck_->promote(&currentPicture_, &currentOverlay_);
                break;
            case film::ITEM_CLIP:
                // A clip whose still is missing still plays; only Esc keeps it off.
                currentPicture_ = clips_->start(next, ran == 1 || !transitionBrokenOff_ ? 1 : 0);
                currentOverlay_ = nullptr;
                break;
            case film::ITEM_SHOW:
                currentPicture_ = currentOverlay_ = nullptr;
                break;
            default:
                break;
        }
        currentPicture = currentPicture_;
        currentOverlay = currentOverlay_;
    }
    if (next.type == film::ITEM_SHOW) {
        bool drawn = false;
        compositor_->drawOnPresented([&](std::uint8_t* pixels) {
            drawn = presentations_->drawStill(next, pixels, compositor_->stageWidth(),
                                              compositor_->stageHeight());
        });
        if (drawn) {
            compositor_->present(*window_, FrameCompositor::Source::Presented);
        }
        // The viewer runs outside the lock: it may take minutes.
        presentations_->launch(next);
    }
    if (next.type == film::ITEM_PHOTO && ran == 1 && currentPicture != nullptr) {
        titlePhase(next, currentPicture, currentOverlay, nextRect);
        deck_->openView(stage_.width, stage_.height, nextRect);
    }
    prepared_ = false;
    prepareWake_->set();
    resumePreparation();

    Millis display = (next.title.empty() ? 0 : kTitlePhaseMs) +
                     static_cast<Millis>(next.duration) * 1000 +
                     static_cast<Millis>(next.transitionTime);
    const Millis elapsed = clock_.nowMs() - stepStart;
    display = display > elapsed ? display - elapsed : 1;
    if (playMode_ == film::PLAYMODE_TIMED) {
        stepTimer_->start(display, [this] { timerTick(); });
    }
}

int PlayerWindow::transition(const imaging::Picture* currentPicture,
                             const imaging::Picture* currentOverlay, const SourceRect& currentRect,
                             const imaging::Picture* nextPicture,
                             const imaging::Picture* nextOverlay, const SourceRect& nextRect,
                             int effect, int transitionTime, int currentType) {
    transitionBrokenOff_ = false;
    if (transitionTime == 0) {
        clips_->stopClip(false);
        return 1;  // a cut: the picture appears with the title phase
    }
    if (nextPicture == nullptr) {
        clips_->stopClip(false);
        return 0;  // nothing to show: the frame on screen stays
    }
    const Millis ready = clock_.nowMs();
    FrameCompositor& compositor = *compositor_;
    if (currentType == film::ITEM_PHOTO) {
        compositor.showPicture(nextPicture, nextOverlay, nextRect);
    } else if (currentType == film::ITEM_CLIP && currentPicture != nullptr) {
        compositor.showStillToPicture(currentPicture, currentOverlay, currentRect, nextPicture,
                                      nextOverlay, nextRect);
    } else {
        clips_->stopClip(false);
        compositor.showPicture(nextPicture, nextOverlay, nextRect);
        compositor.beginPicture(effect);
        compositor.renderPicture(effect, *window_, 1, 1);
        compositor.commit();
        compositor.endPicture(effect);
        return 1;
    }

    compositor.beginPicture(effect);
    trace("transition begins");
    const Millis begun = clock_.nowMs();
    int total = transitionTime - static_cast<int>(begun - ready);
    int elapsed = 0;
    if (total <= 0) {
        total = 1;
        elapsed = 1;
    }
    bool first = true;
    do {
        const Millis frameStart = clock_.nowMs();
        compositor.renderPicture(effect, *window_, elapsed, total);
        if (first) {
            clips_->stopClip(false);
            first = false;
        }
        if (escapePressed()) {
            compositor.endPicture(effect);
            trace("transition ends");
            transitionBrokenOff_ = true;
            return 0;
        }
        paceFrame(frameStart);
        elapsed = static_cast<int>(clock_.nowMs() - begun);
    } while (elapsed < total && playRunning_);
    if (!playRunning_) {
        // The show ends (Esc reached the main window first): broken off as by Esc.
        compositor.endPicture(effect);
        trace("transition ends");
        transitionBrokenOff_ = true;
        return 0;
    }

    compositor.renderPicture(effect, *window_, total, total);
    compositor.commit();
    compositor.endPicture(effect);
    trace("transition ends");
    return 1;
}

void PlayerWindow::mapDesignSpace(const film::FilmItem& item) {
    const int sw = stage_.width, sh = stage_.height;
    const int w = item.storedWidth, h = item.storedHeight;
    if (sw == 0 || sh == 0 || w == 0 || h == 0) {
        return;  // the mapping of the item before stays
    }
    int designWidth = 800, designHeight = 600, shownWidth = sw, shownHeight = sh;
    TitleMapping map;
    if (item.source.empty()) {
        // The whole picture is letterboxed: titles follow the picture, not the stage.
        const float aspect = static_cast<float>(w) / static_cast<float>(h);
        if (aspect < 1.3333334f) {
            designWidth = static_cast<int>(aspect * 600);
        } else {
            designHeight = static_cast<int>(static_cast<std::int64_t>(h) * 800 / w);
        }
        map.designX = (800 - designWidth) / 2;
        map.designY = (600 - designHeight) / 2;
        if (static_cast<float>(sw) / static_cast<float>(sh) > aspect) {
            shownWidth = static_cast<int>(aspect * static_cast<float>(sh));
        } else {
            shownHeight = static_cast<int>(static_cast<std::int64_t>(sw) * h / w);
        }
        map.shownX = (sw - shownWidth) / 2;
        map.shownY = (sh - shownHeight) / 2;
    }
    designWidth = std::max(designWidth, 1);
    designHeight = std::max(designHeight, 1);
    shownWidth = std::max(shownWidth, 1);
    shownHeight = std::max(shownHeight, 1);
    map.xScale = static_cast<float>(shownWidth) / static_cast<float>(designWidth);
    map.yScale = static_cast<float>(shownHeight) / static_cast<float>(designHeight);
    titleMapping_ = map;
}

namespace {

// One text item of the title on screen: its animation, its style mapped to
// the stage and its laid-out glyphs.
struct ShownTitle {
    int slot = 0;
    effects::TitleTextRecord record;
    std::array<effects::GlyphRecord, effects::TITLE_GLYPH_CAPACITY> glyphs{};
    int glyphCount = 0;
};

}  // namespace

int PlayerWindow::titlePhase(const film::FilmItem& item, const imaging::Picture* picture,
                             const imaging::Picture* overlay, const SourceRect& rect) {
    const Millis phaseStart = clock_.nowMs();
    mapDesignSpace(item);
    const TitleMapping map = titleMapping_;
    const std::size_t count = std::min(item.title.size(), kMaxTitlesShown);
    std::vector<ShownTitle> titles(count);
    for (std::size_t i = 0; i < count; ++i) {
        const film::TextTitle& text = item.title[i];
        film::TextStyle style = text.style;
        style.setInt32At(
            8, static_cast<std::int32_t>(static_cast<float>(style.fontHeight()) * map.xScale));
        style.setPosition(
            static_cast<std::int32_t>(static_cast<float>(style.x() - map.designX) * map.xScale) +
                map.shownX,
            static_cast<std::int32_t>(static_cast<float>(style.y() - map.designY) * map.yScale) +
                map.shownY);
        titles[i].slot = text.animation;
        titles[i].record = effects::TitleTextRecord(style);
        titles[i].glyphCount =
            effects::layoutText(titles[i].record.style, text.text, titles[i].glyphs);
    }
    const bool hasTitles = count > 0;
    const Millis phaseLength = hasTitles ? kTitlePhaseMs : 1;

    FrameCompositor& compositor = *compositor_;
    effects::EffectRegistry& registry = compositor.registry();
    const int sw = compositor.stageWidth(), sh = compositor.stageHeight();
    auto runTitles = [&](int operation, int elapsed, int total) {
        compositor.drawOnPresented([&](std::uint8_t* pixels) {
            for (ShownTitle& title : titles) {
                const effects::TitleFrameData data{0,
                                                   nullptr,
                                                   reinterpret_cast<effects::Pixel*>(pixels),
                                                   &title.record,
                                                   title.glyphs.data(),
                                                   title.glyphCount,
                                                   sw,
                                                   sh,
                                                   elapsed,
                                                   total};
                registry.runTitle(title.slot, operation, data);
            }
        });
    };
    runTitles(effects::EFFECT_BEGIN, 0, 100);
    compositor.showPicture(picture, overlay, rect);
    int total = static_cast<int>(phaseLength) - static_cast<int>(clock_.nowMs() - phaseStart);
    if (total <= 0) {
        total = 1;
    }
    int result = hasTitles ? 1 : 0;
    const Millis begun = clock_.nowMs();
    do {
        const Millis frameStart = clock_.nowMs();
        compositor.copyToFrameToPresented();
        const int elapsed = std::min(static_cast<int>(clock_.nowMs() - begun), total);
        runTitles(effects::EFFECT_FRAME, elapsed, total);
        compositor.present(*window_, FrameCompositor::Source::Presented);
        if (escapePressed()) {
            result = 0;
            break;
        }
        paceFrame(frameStart);
    } while (static_cast<int>(clock_.nowMs() - begun) < total && playRunning_);
    compositor.copyToFrameToPresented();
    runTitles(effects::EFFECT_FRAME, total, total);
    compositor.present(*window_, FrameCompositor::Source::Presented);
    runTitles(effects::EFFECT_END, 0, 0);
    return result;
}

void PlayerWindow::handleMessage(const Message& message) {
    switch (message.id) {
        case WM_KEYDOWN:
            onKeyDown(static_cast<int>(message.wParam));
            break;
        case WM_LBUTTONUP:
            if (playMode_ == film::PLAYMODE_MANUAL) {
                requestAdvance();
            }
            break;
        case WM_LBUTTONDBLCLK:
            postEscapeToParent();
            break;
        case WM_PAINT:
            // A clip's pictures and stills are composed into the presented frame too.
            if (currentType_.load() != film::ITEM_SHOW && compositor_ && window_ != nullptr) {
                compositor_->repaint(*window_);
            }
            break;
        case media::MSG_MUSIC_RESTART:
            if (musicTable_) {
                musicTable_->handleRestart(message);
            } else {
                itemMusic_->onRestart(message);
                filmMusic_->onRestart(message);
            }
            break;
        case media::MSG_GRAPH_NOTIFY:
            clips_->onGraphNotify(message);
            break;
        default:
            break;  // WM_CLOSE and everything else: ignored
    }
}

void PlayerWindow::onKeyDown(int key) {
    MessageQueue& queue = platform_.messages();
    switch (key) {
        case VK_ESCAPE:
            postEscapeToParent();
            break;
        case VK_NEXT:
            if (playMode_ == film::PLAYMODE_MANUAL) {
                requestAdvance();
                queue.keyPressedSinceLastQuery(VK_NEXT);
            }
            break;
        case VK_PRIOR:
            if (playMode_ == film::PLAYMODE_MANUAL) {
                stepBack();
            }
            break;
        default:
            if (currentType_.load() == film::ITEM_PHOTO && deck_ && deck_->keys(key)) {
                viewRequested_ = true;
                advanceWake_->set();
            }
            break;
    }
}

void PlayerWindow::showView() {
    const std::optional<PhotoView> view = deck_->view();
    if (!view) {
        return;
    }
    const imaging::Picture* picture;
    const imaging::Picture* overlay;
    {
        std::lock_guard lock(lock_);
        picture = currentPicture_;
        overlay = currentOverlay_;
    }
    if (picture == nullptr) {
        return;
    }
    if (view->isNormal()) {
        compositor_->presentStepFrame(*window_);
    } else {
        compositor_->presentView(picture, overlay,
                                 view->sourceRect(picture->width(), picture->height()), *window_);
    }
}

void PlayerWindow::stepBack() {
    const film::FilmItem current = currentItemCopy();
    const int c = current.number;
    int d = c - 2;
    if (!loop_ && d < 0) {
        return;
    }
    preparedEvent_->wait(ClockEvent::kWaitForever);
    clips_->stopClip(false);
    if (loop_) {
        if (c == 2 || d < 0) {
            d += film_->itemCount();
        }
        if (d <= 0) {
            d = 1;
        }
        setCurrentItem(film_->getItem(d));
    } else if (c == 2) {
        film::FilmItem rewound = current;
        rewound.number = 0;
        rewound.type = film::ITEM_PHOTO;
        setCurrentItem(rewound);
    } else {
        setCurrentItem(film_->getItem(d));
    }
    prepared_ = false;
    prepareWake_->set();
    requestAdvance();
    platform_.messages().keyPressedSinceLastQuery(VK_PRIOR);
}

}  // namespace playback
