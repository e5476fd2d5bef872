#include <gtest/gtest.h>

#include <filesystem>

#include "film/FilmLoader.h"
#include "film/PackageSignatures.h"
#include "film/ShowMessage.h"
#include "support/FilmPackages.h"

namespace film {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// Message boxes are recorded; the file dialog answers what the test says.
class ScriptedDialogs final : public platform::Dialogs {
  public:
    int messageBox(const std::string& text, const std::string&, unsigned) override {
        boxes.push_back(text);
        return platform::IDOK;
    }
    std::optional<std::string> openFile(const platform::OpenFileRequest& request) override {
        asked = request.filterName;
        return answer;
    }
    std::vector<std::string> boxes;
    std::optional<std::string> answer;
    std::string asked;
};

class FilmLoaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        media_ = platform::TempDirectory::create();
        temp_ = platform::TempDirectory::create();
        ASSERT_TRUE(media_ && temp_);
    }

    std::string sample(const std::string& name, std::size_t size, char fill) {
        return writeSample(media_->path(), name, size, fill);
    }

    // Offset just past signature B in a package without prefix.
    static std::uint64_t mediaStart(const std::string& package) {
        auto file = platform::InputFile::open(package);
        return findSignature(*file, packageSignatures().mediaDescription);
    }

    int load(FilmLoader& loader, Film& film, const std::string& source, bool mediaGraph) {
        return loader.loadFilm(nullptr, film, source, mediaGraph);
    }

    std::optional<platform::TempDirectory> media_;
    std::optional<platform::TempDirectory> temp_;
    ScriptedDialogs dialogs_;
};

TEST_F(FilmLoaderTest, WithoutBackendsOnlyThePhotoStaysNamedByItsOffset) {
    Film authored;
    FilmItem clip;
    clip.type = ITEM_CLIP;
    clip.clip = localRef(sample("holiday.avi", 3000, 'c'));
    FilmItem show;
    show.type = ITEM_SHOW;
    show.show = localRef(sample("talk.ppt", 1500, 's'));
    FilmItem photo = photoItem(sample("beach.jpg", 950, 'p'));
    authored.addItem(clip);
    authored.addItem(show);
    authored.addItem(photo);
    const std::string package = media_->path() + "/trip.flz";
    writePackage(authored, package);

    FilmLoader loader(dialogs_, *temp_, /*presentationViewerAvailable=*/false);
    Film film;
    ASSERT_EQ(load(loader, film, package, /*mediaGraph=*/false), 1);
    EXPECT_EQ(film.itemCount(), 1);
    const FilmItem kept = film.getItem(1);
    EXPECT_EQ(kept.type, ITEM_PHOTO);
    EXPECT_EQ(kept.picture.fileName, std::to_string(mediaStart(package) + 3000 + 1500));
    EXPECT_EQ(kept.firstFrameStill.fileName, "-1");
    EXPECT_EQ(loader.messagesShown(), (std::vector<int>{STR_CLIPS_DROPPED, STR_SHOWS_DROPPED}));
    EXPECT_EQ(dialogs_.boxes.size(), 2u);
    EXPECT_EQ(loader.title(), "trip");
    EXPECT_EQ(loader.packagePath(), package);
}

TEST_F(FilmLoaderTest, AnOverlayWithoutAnEmbeddedFileIsNoOverlay) {
    Film authored;
    FilmItem photo;
    photo.type = ITEM_PHOTO;
    photo.picture = FileRef{"", "4.jpg"};
    photo.overlay = FileRef{"", "mask.jpg"};  // no leading size: nothing embedded
    authored.addItem(photo);
    FilmItem second = photo;
    second.overlay = FileRef{"", "0.jpg"};
    authored.addItem(second);
    const std::string package = media_->path() + "/overlay.flz";
    writeRawPackage(authored, "abcdwxyz", package);

    FilmLoader loader(dialogs_, *temp_, false);
    Film film;
    ASSERT_EQ(load(loader, film, package, true), 1);
    for (int number : {1, 2}) {
        // Never an overlay decoded from offset 0 of the package.
        EXPECT_EQ(film.getItem(number).overlay, FileRef{}) << number;
    }
    EXPECT_EQ(film.getItem(2).picture.fileName, std::to_string(mediaStart(package) + 4));
}

TEST_F(FilmLoaderTest, DetachesClipsPresentationsAndMusicAndReleasesThemAll) {
    Film authored;
    authored.setMusicPath(sample("theme.mp3", 2100, 'm'));
    FilmItem clip;
    clip.type = ITEM_CLIP;
    clip.clip = localRef(sample("holiday.avi", 5000, 'c'));
    clip.firstFrameStill = localRef(sample("first.jpg", 100, 'f'));
    clip.lastFrameStill = localRef(sample("last.jpg", 120, 'l'));
    FilmItem show;
    show.type = ITEM_SHOW;
    show.show = localRef(sample("talk.ppt", 700, 's'));
    FilmItem photo = photoItem(sample("beach.jpg", 950, 'p'));
    photo.overlay = localRef(sample("mask.jpg", 64, 'o'));
    photo.music = localRef(sample("voice.ca", 5120, 'v'));
    photo.musicCue = 3;
    authored.addItem(clip);
    authored.addItem(show);
    authored.addItem(photo);
    const std::string package = media_->path() + "/all.flz";
    writePackage(authored, package);
    const std::uint64_t start = mediaStart(package);

    FilmLoader loader(dialogs_, *temp_, true);
    Film film;
    int pumped = 0;
    loader.setMessagePump([&pumped] { ++pumped; });
    ASSERT_EQ(load(loader, film, package, true), 1);
    EXPECT_TRUE(dialogs_.boxes.empty());
    EXPECT_GT(pumped, 0);

    const std::string music = film.musicPath();
    EXPECT_EQ(readWhole(music), readWhole(media_->path() + "/theme.mp3"));
    const FilmItem c = film.getItem(1);
    EXPECT_EQ(c.firstFrameStill.fileName, std::to_string(start + 2100));
    EXPECT_EQ(readWhole(joinFileRef(c.clip)), readWhole(media_->path() + "/holiday.avi"));
    EXPECT_TRUE(joinFileRef(c.clip).ends_with("_1.avi")) << joinFileRef(c.clip);
    EXPECT_EQ(c.lastFrameStill.fileName, std::to_string(start + 2100 + 100 + 5000));
    const FilmItem s = film.getItem(2);
    EXPECT_EQ(readWhole(joinFileRef(s.show)), readWhole(media_->path() + "/talk.ppt"));
    const FilmItem p = film.getItem(3);
    const std::uint64_t photoAt = start + 2100 + 100 + 5000 + 120 + 700;
    EXPECT_EQ(p.picture.fileName, std::to_string(photoAt));
    EXPECT_EQ(p.overlay.fileName, std::to_string(photoAt + 950));
    const std::string voice = joinFileRef(p.music);
    EXPECT_EQ(fs::path(voice).filename().string().rfind("TMP", 0), 0u);
    EXPECT_TRUE(voice.ends_with("_3.ca.WAV")) << voice;
    EXPECT_EQ(readWhole(voice).substr(0, 4), "RIFF");  // decoded, not copied

    EXPECT_TRUE(fs::exists(loader.documentPath()));
    loader.releaseFilm(film);
    for (const std::string& gone :
         {music, joinFileRef(c.clip), joinFileRef(s.show), voice, loader.documentPath()}) {
        EXPECT_FALSE(fs::exists(gone)) << gone;
    }
    EXPECT_TRUE(fs::is_empty(temp_->path()));
}

TEST_F(FilmLoaderTest, FindsTheFilmOfASelfRunningShowAndNamesItAfterIt) {
    Film authored;
    authored.addItem(photoItem(sample("a.jpg", 300, 'a')));
    // The viewer's bytes end with the first byte of signature A.
    const std::string viewer = sample("viewer-prefix", 4096, 'x');
    { std::ofstream(viewer, std::ios::app | std::ios::binary) << "PPhotoreel"; }
    const std::string show = media_->path() + "/Summer Show";
    writePackage(authored, show, viewer);

    FilmLoader loader(dialogs_, *temp_, false);
    Film film;
    ASSERT_EQ(load(loader, film, show, false), 1);
    EXPECT_EQ(loader.title(), "Summer Show");
    EXPECT_EQ(film.getItem(1).picture.fileName, std::to_string(mediaStart(show)));
    EXPECT_TRUE(dialogs_.asked.empty());  // no dialog
}

TEST_F(FilmLoaderTest, WithoutAPackageTheUserIsAskedAndTold) {
    const std::string notAPackage = sample("viewer", 5000, 'x');
    Film film;
    {
        FilmLoader loader(dialogs_, *temp_, false);
        EXPECT_EQ(load(loader, film, notAPackage, true), 0);  // cancelled: no message
        EXPECT_EQ(dialogs_.asked, "Photoreel Data Files (*.flz)");
        EXPECT_TRUE(dialogs_.boxes.empty());
    }
    {
        dialogs_.answer = media_->path() + "/missing.flz";
        FilmLoader loader(dialogs_, *temp_, false);
        EXPECT_EQ(load(loader, film, notAPackage, true), 0);
        EXPECT_EQ(loader.messagesShown(), std::vector<int>{STR_CANNOT_OPEN_FILE});
    }
    {
        dialogs_.answer = notAPackage;
        FilmLoader loader(dialogs_, *temp_, false);
        EXPECT_EQ(load(loader, film, notAPackage, true), 0);
        EXPECT_EQ(loader.messagesShown(), std::vector<int>{STR_NOT_A_PLAYABLE_FILM});
    }
    {
        Film authored;
        authored.addItem(photoItem(sample("a.jpg", 10, 'a')));
        const std::string picked = media_->path() + "/picked.flz";
        writePackage(authored, picked);
        dialogs_.answer = picked;
        FilmLoader loader(dialogs_, *temp_, false);
        Film loaded;
        EXPECT_EQ(load(loader, loaded, notAPackage, true), 1);
        EXPECT_EQ(loader.title(), "Photoreel Viewer - [picked]");
    }
}

TEST_F(FilmLoaderTest, CdTrackCuesNeedACdDrive) {
    Film authored;
    FilmItem photo = photoItem(sample("a.jpg", 10, 'a'));
    photo.musicCue = MUSIC_CD_TRACK;
    photo.music = FileRef{"D:\\", "Track02.cda"};
    authored.addItem(photo);
    const std::string package = media_->path() + "/cd.flz";
    writePackage(authored, package);

    FilmLoader withDrive(dialogs_, *temp_, false);
    withDrive.setCdRomDriveProbe([](char drive) { return drive == 'F'; });
    Film film;
    ASSERT_EQ(load(withDrive, film, package, true), 1);
    EXPECT_EQ(film.getItem(1).music.fileName, "F:Track02.cda");
    EXPECT_EQ(film.getItem(1).musicCue, MUSIC_CD_TRACK);

    FilmLoader withoutDrive(dialogs_, *temp_, false);
    Film other;
    ASSERT_EQ(load(withoutDrive, other, package, true), 1);
    EXPECT_EQ(other.getItem(1).musicCue, MUSIC_KEEP);
}

TEST_F(FilmLoaderTest, ATruncatedPackageFailsCleanlyWithMessageSix) {
    Film authored;
    FilmItem clip;
    clip.type = ITEM_CLIP;
    clip.clip = localRef(sample("big.avi", 10000, 'c'));
    authored.addItem(clip);
    const std::string package = media_->path() + "/cut.flz";
    writePackage(authored, package);
    fs::resize_file(package, fs::file_size(package) - 100);

    FilmLoader loader(dialogs_, *temp_, false);
    Film film;
    EXPECT_EQ(load(loader, film, package, true), 0);
    EXPECT_EQ(loader.messagesShown(), std::vector<int>{STR_CANNOT_DETACH});
    loader.releaseFilm(film);
    EXPECT_TRUE(fs::is_empty(temp_->path()));
}

TEST_F(FilmLoaderTest, ADocumentThatCannotBeReadIsReported) {
    const std::string& signatures = std::string(packageSignatures().filmDescription) +
                                    "not a compound file" +
                                    std::string(packageSignatures().mediaDescription);
    const std::string package = media_->path() + "/broken.flz";
    std::ofstream(package, std::ios::binary) << signatures;
    FilmLoader loader(dialogs_, *temp_, false);
    Film film;
    EXPECT_EQ(load(loader, film, package, true), 0);
    EXPECT_EQ(loader.messagesShown(), std::vector<int>{STR_NOT_A_PLAYABLE_FILM});
}

}  // namespace
}  // namespace film
