#include <gtest/gtest.h>
#include <cstring>

#include "film/Film.h"

namespace film {
namespace {

FilmItem photo(const std::string& file, int titles = 0) {
    FilmItem item;
    item.type = ITEM_PHOTO;
    item.picture = {"C:\\pics", file};
    item.number = 77;  // the Film assigns its own
    for (int k = 1; k <= titles; ++k) {
        item.title.push_back(TextTitle{k, k, "text " + std::to_string(k), TextStyle()});
    }
    return item;
}

TEST(Film, StartsEmptyWithDefaults) {
    Film film;
    EXPECT_EQ(film.itemCount(), -1);
    EXPECT_EQ(film.playMode(), PLAYMODE_TIMED);
    EXPECT_EQ(film.loop(), 1);
    EXPECT_EQ(film.musicPath(), "");
    EXPECT_EQ(film.clipFitFlag(), 0);
}

TEST(Film, NumbersItemsByPositionAndRenumbersAfterRemoval) {
    Film film;
    EXPECT_EQ(film.addItem(photo("a.jpg")), 1);
    EXPECT_EQ(film.addItem(photo("b.jpg")), 2);
    EXPECT_EQ(film.addItem(photo("c.jpg")), 3);
    EXPECT_EQ(film.removeItem(2), 1);
    EXPECT_EQ(film.itemCount(), 2);
    EXPECT_EQ(film.getItem(1).picture.fileName, "a.jpg");
    EXPECT_EQ(film.getItem(2).picture.fileName, "c.jpg");
    EXPECT_EQ(film.getItem(2).number, 2);
    EXPECT_EQ(film.removeItem(3), 0);
    EXPECT_EQ(film.removeItem(0), 0);

    EXPECT_EQ(film.getItem(0).number, -1);
    EXPECT_EQ(film.getItem(3).number, -1);
    EXPECT_EQ(film.getItem(3).type, 1);
    EXPECT_TRUE(film.getItem(3).title.empty());

    EXPECT_EQ(film.removeItem(1), 1);
    EXPECT_EQ(film.removeItem(1), 1);
    EXPECT_EQ(film.itemCount(), 0);  // empty, but no longer "never filled"
    EXPECT_EQ(film.getItem(1).number, -1);
}

TEST(Film, HandsOutAndTakesBackOnlyCopies) {
    Film film;
    film.addItem(photo("a.jpg", 2));
    FilmItem copy = film.getItem(1);
    copy.title[0].text = "changed";
    copy.duration = 9;
    EXPECT_EQ(film.getItem(1).title[0].text, "text 1");
    EXPECT_EQ(film.getItem(1).duration, 0);

    // An update with fewer texts drops the surplus ones.
    copy.title.pop_back();
    copy.number = 5;  // a copy cannot renumber the item
    film.updateItem(1, copy);
    const FilmItem stored = film.getItem(1);
    ASSERT_EQ(stored.title.size(), 1u);
    EXPECT_EQ(stored.title[0].text, "changed");
    EXPECT_EQ(stored.duration, 9);
    EXPECT_EQ(stored.number, 1);
    EXPECT_EQ(film.getItem(5).number, -1);

    Film::freeTextList(copy);
    EXPECT_TRUE(copy.title.empty());
    EXPECT_EQ(film.getItem(1).title.size(), 1u);
}

TEST(Film, AttachesTextsNumberedInOrder) {
    Film film;
    film.addItem(photo("a.jpg"));
    TextStyle style;
    style.setPosition(10, 20);
    film.attachText(1, 4, "first", style);
    film.attachText(1, 5, "second", style);
    film.attachText(2, 6, "nowhere", style);  // no item 2: nothing happens
    const FilmItem item = film.getItem(1);
    ASSERT_EQ(item.title.size(), 2u);
    EXPECT_EQ(item.title[0].number, 1);
    EXPECT_EQ(item.title[1].number, 2);
    EXPECT_EQ(item.title[1].animation, 5);
    EXPECT_EQ(item.title[1].style.x(), 10);
    EXPECT_EQ(film.itemCount(), 1);
}

TEST(FileRefs, JoinWithOneBackslash) {
    struct Case {
        FileRef ref;
        std::string joined;
    };
    const Case cases[] = {
        {{"C:\\a", "b.jpg"}, "C:\\a\\b.jpg"},
        {{"C:\\a\\", "b.jpg"}, "C:\\a\\b.jpg"},
        {{"", "b.jpg"}, "b.jpg"},
        {{"", ""}, ""},
        {{"C:\\a", ""}, "C:\\a\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ref.folder + " | " + c.ref.fileName);
        EXPECT_EQ(joinFileRef(c.ref), c.joined);
    }
}

TEST(Film, SplitsTheMusicPathIntoFolderAndFile) {
    struct Case {
        std::string path, folder, file;
    };
    const Case cases[] = {
        {"C:\\Music\\song.mp3", "C:\\Music\\", "song.mp3"},
        {"E:Track02.cda", "E:", "Track02.cda"},
        {"song.mid", "", "song.mid"},
        {"/tmp/photoreel-x/TMP1.wav", "/tmp/photoreel-x/", "TMP1.wav"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Film film;
        film.setMusicPath(c.path);
        EXPECT_EQ(film.musicFolder(), c.folder);
        EXPECT_EQ(film.musicFile(), c.file);
        EXPECT_EQ(film.musicPath(), c.path);
    }
}

TEST(TextStyle, ReadsTheStoredLayout) {
    TextStyle::Bytes bytes{};
    auto put = [&](std::size_t at, std::int32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
        }
    };
    put(0, 120);
    put(4, -8);
    put(8, -32);   // font height
    put(24, 700);  // weight
    bytes[28] = 1;
    bytes[31] = 128;
    std::memcpy(bytes.data() + 36, "MS Gothic", 9);
    put(68, 0x00336699);
    put(72, 150);
    put(76, 2);
    put(80, 1);
    const TextStyle style(bytes);
    EXPECT_EQ(style.x(), 120);
    EXPECT_EQ(style.y(), -8);
    EXPECT_EQ(style.fontHeight(), -32);
    EXPECT_EQ(style.weight(), 700);
    EXPECT_TRUE(style.italic());
    EXPECT_FALSE(style.underline());
    EXPECT_EQ(style.charSet(), 128);
    EXPECT_EQ(codePageForCharSet(style.charSet()), 932u);
    EXPECT_EQ(style.faceName(), "MS Gothic");
    EXPECT_EQ(style.colour(), 0x00336699u);
    EXPECT_EQ(style.lineSpacing(), 150);
    EXPECT_EQ(style.alignment(), TEXT_ALIGN_RIGHT);
    EXPECT_TRUE(style.shadow());
    EXPECT_EQ(style.bytes(), bytes);

    // A face name that fills its field has no terminator.
    std::memset(bytes.data() + 36, 'F', 32);
    EXPECT_EQ(TextStyle(bytes).faceName(), std::string(32, 'F'));
}

}  // namespace
}  // namespace film
