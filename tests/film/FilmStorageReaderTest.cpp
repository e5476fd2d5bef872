#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "film/FilmRecords.h"
#include "film/FilmStorageReader.h"
#include "film/FilmStorageWriter.h"
#include "film/ShowMessage.h"
#include "platform/FileBytes.h"
#include "platform/storage/CompoundFileWriter.h"
#include "support/InteropTools.h"
#include "support/Names.h"
#include "support/RecordingDialogs.h"
#include "support/ScratchDirectory.h"

namespace film {
namespace {

using platform::storage::CompoundFile;
using platform::storage::CompoundFileWriter;
using testing_support::numbered;
using testing_support::RecordingDialogs;
using Bytes = std::vector<std::uint8_t>;

Bytes int32Bytes(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

template <std::size_t N>
Bytes toBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

FilmItem photoItem(int effect = 3) {
    FilmItem item;
    item.type = ITEM_PHOTO;
    item.picture = {"C:\\Pictures", "beach.jpg"};
    item.overlay = {"", "mask.jpg"};
    item.music = {"C:\\Music\\", "wave.wav"};
    item.storedWidth = 1600;
    item.storedHeight = 1200;
    item.duration = 5;
    item.effect = effect;
    item.transitionTime = 1500;
    item.musicCue = 3;
    item.source = {10, 20, 810, 620};
    return item;
}

TextTitle title(std::int32_t animation, const std::string& text) {
    TextTitle t;
    t.number = 1;
    t.animation = animation;
    t.text = text;
    t.style.setPosition(100, 450);
    t.style.setFont(-40, 700, true, 0, "Arial");
    t.style.setColour(0x0000FFFF);
    return t;
}

// A film document made element by element, so that tests can leave parts
// out or make them wrong.
struct Document {
    CompoundFileWriter writer;
    Document() { stream(CompoundFileWriter::ROOT, "VERSION", int32Bytes(200)); }
    void stream(CompoundFileWriter::NodeId parent, const std::string& name, Bytes data) {
        ASSERT_TRUE(writer.addStream(parent, name, std::move(data)));
    }
    CompoundFileWriter::NodeId storage(CompoundFileWriter::NodeId parent, const std::string& name) {
        auto id = writer.addStorage(parent, name);
        EXPECT_TRUE(id);
        return id ? *id : CompoundFileWriter::ROOT;
    }
    // A link storage with an item record and the given texts as TEXT1 ...
    CompoundFileWriter::NodeId link(const std::string& name, const FilmItem& item,
                                    const std::vector<TextTitle>& texts = {}) {
        const auto id = storage(CompoundFileWriter::ROOT, name);
        stream(id, "FILMITEM", toBytes(encodeItemRecord(item)));
        if (!texts.empty()) {
            const auto list = storage(id, "TEXTLIST");
            for (std::size_t k = 0; k < texts.size(); ++k) {
                stream(list, numbered("TEXT", static_cast<long long>(k) + 1),
                       toBytes(encodeTextRecord(texts[k])));
            }
        }
        return id;
    }
};

struct Outcome {
    int result = -1;
    std::string error;
    Film film;
    RecordingDialogs dialogs;
};

void read(Document& document, Outcome& out) {
    auto file = CompoundFile::parse(document.writer.serialize());
    ASSERT_TRUE(file) << file.error();
    out.result = readFilmStorage(out.film, *file, out.dialogs, &out.error);
}

TEST(ReadFilmStorage, DocumentWithOnlyAVersionIsAnEmptyFilm) {
    Document document;
    Outcome out;
    read(document, out);
    EXPECT_EQ(out.result, 1) << out.error;
    EXPECT_EQ(out.film.itemCount(), -1);
    EXPECT_EQ(out.film.playMode(), PLAYMODE_TIMED);
    EXPECT_EQ(out.film.loop(), 1);
    EXPECT_EQ(out.film.musicPath(), "");
    EXPECT_TRUE(out.dialogs.boxes.empty());
}

TEST(ReadFilmStorage, ChecksTheVersion) {
    struct Case {
        const char* name;
        std::function<void(Document&)> build;
        bool newerBox;
    };
    auto withVersion = [](Bytes bytes) {
        return [bytes](Document& d) {
            d.writer = CompoundFileWriter();
            d.stream(CompoundFileWriter::ROOT, "VERSION", bytes);
            d.link("FILMLINK1", photoItem());
        };
    };
    const Case cases[] = {
        {"newer", withVersion(int32Bytes(201)), true},
        {"much newer (high bit set)", withVersion(int32Bytes(-1)), true},
        {"older", withVersion(int32Bytes(199)), false},
        {"short", withVersion({200, 0, 0}), false},
        {"missing",
         [](Document& d) {
             d.writer = CompoundFileWriter();
             d.link("FILMLINK1", photoItem());
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Document document;
        c.build(document);
        Outcome out;
        read(document, out);
        EXPECT_EQ(out.result, 0);
        EXPECT_EQ(out.film.itemCount(), -1);
        EXPECT_FALSE(out.error.empty());
        if (c.newerBox) {
            ASSERT_EQ(out.dialogs.boxes.size(), 1u);
            EXPECT_EQ(out.dialogs.boxes[0].text, *loadString(STR_NEWER_VERSION));
            EXPECT_EQ(out.dialogs.boxes[0].caption, "");
            EXPECT_EQ(out.dialogs.boxes[0].style, platform::MB_OK);
        } else {
            EXPECT_TRUE(out.dialogs.boxes.empty());
        }
    }
}

TEST(ReadFilmStorage, OptionalStreamsSetFlagsOrKeepDefaults) {
    struct Case {
        const char* name;
        Bytes music, loop, autoplay;
        std::string musicPath;
        std::int32_t loopValue, playMode;
    };
    std::array<std::uint8_t, STORED_FILE_REF_SIZE> ref{};
    encodeFileRef(ref, {"C:\\Music", "theme.mp3"});
    const Bytes music(ref.begin(), ref.end());
    Bytes shortMusic = music;
    shortMusic.pop_back();
    const Case cases[] = {
        {"all present", music, int32Bytes(0), int32Bytes(PLAYMODE_MANUAL), "C:\\Music\\theme.mp3",
         0, PLAYMODE_MANUAL},
        {"music of 515 bytes and short flags",
         shortMusic,
         {1, 0},
         {0xD9, 2, 0},
         "",
         1,
         PLAYMODE_TIMED},
        {"absent", {}, {}, {}, "", 1, PLAYMODE_TIMED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Document document;
        if (!c.music.empty()) {
            document.stream(CompoundFileWriter::ROOT, "BGMUSIC", c.music);
        }
        if (!c.loop.empty()) {
            document.stream(CompoundFileWriter::ROOT, "LOOP", c.loop);
        }
        if (!c.autoplay.empty()) {
            document.stream(CompoundFileWriter::ROOT, "AUTOPLAY", c.autoplay);
        }
        Outcome out;
        read(document, out);
        EXPECT_EQ(out.result, 1) << out.error;
        EXPECT_EQ(out.film.musicPath(), c.musicPath);
        EXPECT_EQ(out.film.loop(), c.loopValue);
        EXPECT_EQ(out.film.playMode(), c.playMode);
    }
}

TEST(ReadFilmStorage, ClampsTransitionAndAnimationIndices) {
    struct Case {
        std::int32_t stored, expected;
    };
    const Case effects[] = {{150, 98}, {98, 98}, {99, 98}, {0, 0}, {-5, -5}};
    const Case animations[] = {{60, 53}, {53, 53}, {54, 53}, {-1, -1}, {7, 7}};
    Document document;
    for (std::size_t k = 0; k < std::size(effects); ++k) {
        document.link(numbered("FILMLINK", static_cast<long long>(k) + 1),
                      photoItem(effects[k].stored), {title(animations[k].stored, "t")});
    }
    Outcome out;
    read(document, out);
    ASSERT_EQ(out.result, 1) << out.error;
    ASSERT_EQ(out.film.itemCount(), static_cast<int>(std::size(effects)));
    for (std::size_t k = 0; k < std::size(effects); ++k) {
        SCOPED_TRACE(k);
        const FilmItem item = out.film.getItem(static_cast<std::int32_t>(k) + 1);
        EXPECT_EQ(item.effect, effects[k].expected);
        ASSERT_EQ(item.title.size(), 1u);
        EXPECT_EQ(item.title[0].animation, animations[k].expected);
    }
}

TEST(ReadFilmStorage, OpensLinksByCounterWhateverTheStoragesAreCalled) {
    struct Case {
        const char* name;
        std::vector<std::string> storages;  // each gets an item record
        int result;
        int items;
    };
    const Case cases[] = {
        {"three links", {"FILMLINK1", "FILMLINK2", "FILMLINK3"}, 1, 3},
        {"names in another case", {"filmlink1", "FilmLink2"}, 1, 2},
        // A fourth storage counts as link 4, which does not exist.
        {"extra storage", {"FILMLINK1", "FILMLINK2", "FILMLINK3", "Thumbnails"}, 0, 3},
        {"gap", {"FILMLINK1", "FILMLINK3"}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Document document;
        int k = 0;
        for (const auto& name : c.storages) {
            FilmItem item = photoItem();
            item.duration = ++k;
            document.link(name, item);
        }
        Outcome out;
        read(document, out);
        EXPECT_EQ(out.result, c.result) << out.error;
        EXPECT_EQ(out.film.itemCount(), c.items);
        EXPECT_EQ(out.film.getItem(1).duration, 1);
    }
}

TEST(ReadFilmStorage, BrokenItemRecordsFailAndKeepEarlierItems) {
    for (std::size_t size : {std::size_t{0}, ITEM_RECORD_SIZE - 1}) {
        SCOPED_TRACE(size);
        Document document;
        document.link("FILMLINK1", photoItem());
        const auto second = document.storage(CompoundFileWriter::ROOT, "FILMLINK2");
        if (size > 0) {
            document.stream(second, "FILMITEM", Bytes(size, 0));
        }
        Outcome out;
        read(document, out);
        EXPECT_EQ(out.result, 0);
        EXPECT_EQ(out.film.itemCount(), 1);
        EXPECT_NE(out.error.find("FILMLINK2"), std::string::npos) << out.error;
    }
}

TEST(ReadFilmStorage, TitlesEndAtTheFirstMissingOrShortText) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::size_t>> streams;  // name, size (0: full)
        std::size_t texts;
    };
    const Case cases[] = {
        {"TEXT1 and TEXT3", {{"TEXT1", 0}, {"TEXT3", 0}}, 1},
        {"TEXT2 short", {{"TEXT1", 0}, {"TEXT2", 359}, {"TEXT3", 0}}, 1},
        {"three in order", {{"TEXT1", 0}, {"TEXT2", 0}, {"TEXT3", 0}}, 3},
        {"no TEXT1", {{"TEXT2", 0}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Document document;
        const auto link = document.link("FILMLINK1", photoItem());
        const auto list = document.storage(link, "TEXTLIST");
        for (const auto& [name, size] : c.streams) {
            Bytes record = toBytes(encodeTextRecord(title(2, name)));
            if (size) {
                record.resize(size);
            }
            document.stream(list, name, record);
        }
        document.link("FILMLINK2", photoItem(), {title(1, "second")});
        Outcome out;
        read(document, out);
        EXPECT_EQ(out.result, 1) << out.error;
        const FilmItem first = out.film.getItem(1);
        ASSERT_EQ(first.title.size(), c.texts);
        for (std::size_t k = 0; k < c.texts; ++k) {
            EXPECT_EQ(first.title[k].number, static_cast<std::int32_t>(k) + 1);
        }
        EXPECT_EQ(out.film.getItem(2).title.size(), 1u);
    }
}

TEST(ReadFilmStorage, DropsLinksBeyond999WithOneWarning) {
    Document document;
    for (int k = 1; k <= 1001; ++k) {
        FilmItem item = photoItem();
        item.duration = k;
        document.link(numbered("FILMLINK", k), item);
    }
    Outcome out;
    read(document, out);
    EXPECT_EQ(out.result, 1) << out.error;
    EXPECT_EQ(out.film.itemCount(), 999);
    EXPECT_EQ(out.film.getItem(999).duration, 999);
    ASSERT_EQ(out.dialogs.boxes.size(), 1u);
    EXPECT_EQ(out.dialogs.boxes[0].caption, "Warning");
    EXPECT_EQ(out.dialogs.boxes[0].text, *loadString(STR_TOO_MANY_ITEMS));
}

TEST(ReadFilmStorage, FillsTheReferencesEachTypeUses) {
    // One record with all six stored references set, read as each type.
    auto record = [](std::int32_t type) {
        ItemRecord bytes = encodeItemRecord(FilmItem{});
        for (std::size_t k = 0; k < 6; ++k) {
            encodeFileRef(std::span<std::uint8_t, STORED_FILE_REF_SIZE>(
                              bytes.data() + k * STORED_FILE_REF_SIZE, STORED_FILE_REF_SIZE),
                          FileRef{"", numbered("ref", static_cast<long long>(k))});
        }
        FilmItem typed = decodeItemRecord(bytes);
        typed.type = type;
        ItemRecord out = bytes;
        const ItemRecord ints = encodeItemRecord(typed);
        std::copy(ints.begin() + 3096, ints.end(), out.begin() + 3096);
        return toBytes(out);
    };
    Document document;
    int link = 0;
    for (std::int32_t type : {ITEM_PHOTO, ITEM_CLIP, ITEM_SHOW, 1002}) {
        const auto storage =
            document.storage(CompoundFileWriter::ROOT, numbered("FILMLINK", ++link));
        document.stream(storage, "FILMITEM", record(type));
    }
    Outcome out;
    read(document, out);
    ASSERT_EQ(out.result, 1) << out.error;

    const FilmItem photo = out.film.getItem(1);
    EXPECT_EQ(photo.picture.fileName, "ref0");
    EXPECT_EQ(photo.overlay.fileName, "ref1");
    EXPECT_EQ(photo.clip.fileName, "");
    const FilmItem clip = out.film.getItem(2);
    EXPECT_EQ(clip.clip.fileName, "ref0");
    EXPECT_EQ(clip.firstFrameStill.fileName, "ref1");
    EXPECT_EQ(clip.lastFrameStill.fileName, "ref3");
    EXPECT_EQ(clip.picture.fileName, "");
    const FilmItem show = out.film.getItem(3);
    EXPECT_EQ(show.show.fileName, "ref0");
    EXPECT_EQ(show.overlay.fileName, "");
    const FilmItem unknown = out.film.getItem(4);
    EXPECT_EQ(unknown.type, 1002);
    EXPECT_EQ(unknown.picture, FileRef{});
    EXPECT_EQ(unknown.clip, FileRef{});
    EXPECT_EQ(unknown.show, FileRef{});
    for (const FilmItem& item : {photo, clip, show, unknown}) {
        EXPECT_EQ(item.music.fileName, "ref5");
        EXPECT_EQ(item.spareA, FileRef{});
        EXPECT_EQ(item.spareB, FileRef{});
    }
}

TEST(ReadFilmStorage, TextFieldsWithoutATerminatorEndAtTheirWidth) {
    ItemRecord record = encodeItemRecord(photoItem());
    std::fill_n(record.begin(), STORED_FOLDER_SIZE, std::uint8_t{'d'});
    std::fill_n(record.begin() + STORED_FOLDER_SIZE, STORED_FILE_NAME_SIZE, std::uint8_t{'f'});
    TextRecord text = encodeTextRecord(title(0, ""));
    std::fill_n(text.begin() + 8, TEXT_FIELD_SIZE, std::uint8_t{'t'});
    Document document;
    const auto link = document.storage(CompoundFileWriter::ROOT, "FILMLINK1");
    document.stream(link, "FILMITEM", toBytes(record));
    document.stream(document.storage(link, "TEXTLIST"), "TEXT1", toBytes(text));
    Outcome out;
    read(document, out);
    ASSERT_EQ(out.result, 1) << out.error;
    const FilmItem item = out.film.getItem(1);
    EXPECT_EQ(item.picture.folder, std::string(STORED_FOLDER_SIZE, 'd'));
    EXPECT_EQ(item.picture.fileName, std::string(STORED_FILE_NAME_SIZE, 'f'));
    EXPECT_EQ(item.title.at(0).text, std::string(TEXT_FIELD_SIZE, 't'));
}

TEST(ReadFilmStorage, ReadsBackWhatTheWriterWrote) {
    Film film;
    film.setLoop(0);
    film.setPlayMode(PLAYMODE_MANUAL);
    film.setMusicPath("C:\\Music\\theme.mp3");
    FilmItem clip;
    clip.type = ITEM_CLIP;
    clip.clip = {"D:\\video", "trip.avi"};
    clip.firstFrameStill = {"", "first.jpg"};
    clip.lastFrameStill = {"", "last.jpg"};
    clip.musicCue = MUSIC_STOP;
    film.addItem(photoItem());
    film.addItem(clip);
    film.attachText(1, 12, "Hello\r\nworld", title(0, "").style);
    film.attachText(1, 3, "Caf\xE9", TextStyle());

    for (auto size :
         {platform::storage::SectorSize::Bytes512, platform::storage::SectorSize::Bytes4096}) {
        auto bytes = writeFilmStorage(film, size);
        ASSERT_TRUE(bytes) << bytes.error();
        testing_support::ScratchDirectory scratch;
        ASSERT_TRUE(scratch.ok());
        const std::string path = scratch.path("Film.flm");
        ASSERT_TRUE(platform::writeFileBytes(path, *bytes));
        Film read;
        RecordingDialogs dialogs;
        std::string error;
        ASSERT_EQ(readFilmStorage(read, path, dialogs, &error), 1) << error;
        EXPECT_EQ(read.loop(), 0);
        EXPECT_EQ(read.playMode(), PLAYMODE_MANUAL);
        EXPECT_EQ(read.musicPath(), "C:\\Music\\theme.mp3");
        ASSERT_EQ(read.itemCount(), 2);
        for (std::int32_t n = 1; n <= 2; ++n) {
            EXPECT_EQ(read.getItem(n), film.getItem(n));
        }
    }
}

TEST(ReadFilmStorage, FilesThatAreNotFilmDocumentsFail) {
    testing_support::ScratchDirectory scratch;
    ASSERT_TRUE(scratch.ok());
    const std::string text = scratch.path("notes.txt");
    const std::string content = "not a compound file";
    ASSERT_TRUE(platform::writeFileBytes(
        text, std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size())));
    for (const std::string& path : {text, scratch.path("missing.flm")}) {
        SCOPED_TRACE(path);
        Film film;
        RecordingDialogs dialogs;
        std::string error;
        EXPECT_EQ(readFilmStorage(film, path, dialogs, &error), 0);
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(dialogs.boxes.empty());
    }
}

// A film document made by an independent writer: gsf createole turns a
// directory tree into storages and streams.
TEST(ReadFilmStorage, ReadsADocumentMadeByGsf) {
    const auto gsf = testing_support::gsfTool();
    if (!gsf) {
        GTEST_SKIP() << "gsf (libgsf-bin) is not installed";
    }
    testing_support::ScratchDirectory scratch;
    ASSERT_TRUE(scratch.ok());
    namespace fs = std::filesystem;
    const fs::path tree = scratch.path("tree");
    auto write = [&](const std::string& name, const Bytes& bytes) {
        fs::create_directories((tree / name).parent_path());
        ASSERT_TRUE(platform::writeFileBytes((tree / name).string(), bytes));
    };
    write("VERSION", int32Bytes(200));
    write("LOOP", int32Bytes(0));
    write("AUTOPLAY", int32Bytes(PLAYMODE_MANUAL));
    write("FILMLINK1/FILMITEM", toBytes(encodeItemRecord(photoItem(120))));
    write("FILMLINK1/TEXTLIST/TEXT1", toBytes(encodeTextRecord(title(70, "One"))));
    write("FILMLINK1/TEXTLIST/TEXT2", toBytes(encodeTextRecord(title(4, "Two"))));
    write("FILMLINK2/FILMITEM", toBytes(encodeItemRecord(photoItem(-2))));
    const std::string path = scratch.path("gsf.flm");
    ASSERT_EQ(testing_support::runIn(tree.string(), {*gsf, "createole", path, "VERSION", "LOOP",
                                                     "AUTOPLAY", "FILMLINK1", "FILMLINK2"}),
              0);

    Film film;
    RecordingDialogs dialogs;
    std::string error;
    ASSERT_EQ(readFilmStorage(film, path, dialogs, &error), 1) << error;
    EXPECT_EQ(film.loop(), 0);
    EXPECT_EQ(film.playMode(), PLAYMODE_MANUAL);
    ASSERT_EQ(film.itemCount(), 2);
    const FilmItem first = film.getItem(1);
    EXPECT_EQ(first.effect, 98);
    EXPECT_EQ(first.picture, (FileRef{"C:\\Pictures", "beach.jpg"}));
    EXPECT_EQ(first.source, (SourceRect{10, 20, 810, 620}));
    ASSERT_EQ(first.title.size(), 2u);
    EXPECT_EQ(first.title[0].animation, 53);
    EXPECT_EQ(first.title[1].text, "Two");
    EXPECT_EQ(first.title[1].style.faceName(), "Arial");
    EXPECT_EQ(film.getItem(2).effect, -2);
}

}  // namespace
}  // namespace film
