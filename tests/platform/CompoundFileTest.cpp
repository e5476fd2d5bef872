#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <numeric>

#include "platform/storage/CompoundFile.h"
#include "platform/storage/CompoundFileFormat.h"
#include "platform/storage/CompoundFileWriter.h"
#include "support/Names.h"

namespace platform::storage {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pattern(std::size_t size, std::uint8_t seed) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 9));
    }
    return data;
}

Bytes readAll(const CompoundFile& file, ElementId parent, const std::string& name) {
    auto stream = file.openStream(parent, name);
    EXPECT_TRUE(stream) << name << ": " << (stream ? "" : stream.error());
    if (!stream) {
        return {};
    }
    Bytes out(stream->size() + 10);
    out.resize(stream->read(out));
    return out;
}

// Where the parts of a file our writer made lie, for tests that damage them.
struct Layout {
    explicit Layout(const Bytes& b) : bytes(b) {
        sectorSize = std::size_t{1} << loadLe16(b.data() + 0x1E);
    }
    std::size_t sectorOffset(std::uint32_t s) const { return (s + 1) * sectorSize; }
    std::size_t fatEntry(std::uint32_t s) const {
        const std::size_t per = sectorSize / 4;
        const std::uint32_t fatSector = loadLe32(bytes.data() + 0x4C + 4 * (s / per));
        return sectorOffset(fatSector) + 4 * (s % per);
    }
    std::uint32_t fat(std::uint32_t s) const { return loadLe32(bytes.data() + fatEntry(s)); }
    std::size_t dirEntry(std::uint32_t id) const {
        const std::size_t per = sectorSize / CFB_DIRECTORY_ENTRY_SIZE;
        std::uint32_t s = loadLe32(bytes.data() + 0x30);
        for (std::uint32_t k = 0; k < id / per; ++k) {
            s = fat(s);
        }
        return sectorOffset(s) + (id % per) * CFB_DIRECTORY_ENTRY_SIZE;
    }
    std::size_t miniFatEntry(std::uint32_t mini) const {
        return sectorOffset(loadLe32(bytes.data() + 0x3C)) + 4 * mini;  // first mini FAT sector
    }
    std::uint32_t startOf(std::uint32_t id) const {
        return loadLe32(bytes.data() + dirEntry(id) + 0x74);
    }

    const Bytes& bytes;
    std::size_t sectorSize;
};

void put32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    storeLe32(bytes.data() + offset, value);
}

// Entries by creation order: 0 root, 1 "small" (100 bytes, mini stream),
// 2 "big" (5000 bytes, 10 sectors), 3 storage "sub", 4 "inner" in "sub".
// The root's tree holds big, sub (its top) and small.
Bytes sampleFile(SectorSize size = SectorSize::Bytes512) {
    CompoundFileWriter writer;
    EXPECT_TRUE(writer.addStream(CompoundFileWriter::ROOT, "small", pattern(100, 1)));
    EXPECT_TRUE(writer.addStream(CompoundFileWriter::ROOT, "big", pattern(5000, 2)));
    auto sub = writer.addStorage(CompoundFileWriter::ROOT, "sub");
    EXPECT_TRUE(sub);
    EXPECT_TRUE(writer.addStream(*sub, "inner", pattern(10, 3)));
    return writer.serialize(size);
}

TEST(CompoundFile, ReadsWhatTheWriterWrote) {
    for (SectorSize size : {SectorSize::Bytes512, SectorSize::Bytes4096}) {
        SCOPED_TRACE(size == SectorSize::Bytes512 ? "512-byte sectors" : "4096-byte sectors");
        CompoundFileWriter writer;
        const auto root = CompoundFileWriter::ROOT;
        // Sizes around the mini stream cutoff and the sector sizes.
        const std::size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 9000};
        for (std::size_t k = 0; k < std::size(sizes); ++k) {
            ASSERT_TRUE(writer.addStream(root, testing_support::numbered("s", sizes[k]),
                                         pattern(sizes[k], static_cast<std::uint8_t>(k))));
        }
        auto a = writer.addStorage(root, "A");
        ASSERT_TRUE(a);
        auto b = writer.addStorage(*a, "B");
        ASSERT_TRUE(b);
        ASSERT_TRUE(writer.addStream(*b, "deep", pattern(300, 9)));
        // Enough entries for several directory sectors.
        for (int k = 0; k < 40; ++k) {
            ASSERT_TRUE(writer.addStorage(*a, testing_support::numbered("many", k)));
        }

        auto file = CompoundFile::parse(writer.serialize(size));
        ASSERT_TRUE(file) << file.error();
        for (std::size_t k = 0; k < std::size(sizes); ++k) {
            EXPECT_EQ(readAll(*file, CompoundFile::ROOT, testing_support::numbered("s", sizes[k])),
                      pattern(sizes[k], static_cast<std::uint8_t>(k)));
        }
        auto storageA = file->openStorage(CompoundFile::ROOT, "A");
        ASSERT_TRUE(storageA);
        EXPECT_EQ(file->elements(*storageA).size(), 41u);
        auto storageB = file->openStorage(*storageA, "b");  // names ignore case
        ASSERT_TRUE(storageB);
        EXPECT_EQ(readAll(*file, *storageB, "DEEP"), pattern(300, 9));
        // A stream is not a storage and the other way round.
        EXPECT_FALSE(file->openStorage(CompoundFile::ROOT, "s1"));
        EXPECT_FALSE(file->openStream(CompoundFile::ROOT, "A"));
        EXPECT_FALSE(file->openStream(CompoundFile::ROOT, "missing"));
    }
}

TEST(CompoundFile, EnumeratesChildrenWithKindAndSize) {
    auto file = CompoundFile::parse(sampleFile());
    ASSERT_TRUE(file) << file.error();
    const auto elements = file->elements(CompoundFile::ROOT);
    ASSERT_EQ(elements.size(), 3u);
    // The format's order: shorter names first.
    EXPECT_EQ(elements[0].name, "big");
    EXPECT_EQ(elements[0].kind, ElementKind::Stream);
    EXPECT_EQ(elements[0].size, 5000u);
    EXPECT_EQ(elements[1].name, "sub");
    EXPECT_EQ(elements[1].kind, ElementKind::Storage);
    EXPECT_EQ(elements[2].name, "small");
}

TEST(CompoundFile, ReadsReturnTheCountRead) {
    auto file = CompoundFile::parse(sampleFile());
    ASSERT_TRUE(file);
    auto stream = file->openStream(CompoundFile::ROOT, "small");
    ASSERT_TRUE(stream);
    std::uint8_t buffer[70];
    EXPECT_EQ(stream->read(buffer), 70u);
    EXPECT_EQ(stream->read(buffer), 30u);  // 100 bytes in all
    EXPECT_EQ(buffer[29], pattern(100, 1)[99]);
    EXPECT_EQ(stream->read(buffer), 0u);
}

TEST(CompoundFile, FollowsTheDifatBeyondTheHeader) {
    // More than 109 FAT sectors: 110 x 128 sectors of 512 bytes.
    CompoundFileWriter writer;
    const Bytes big = pattern(110 * 128 * 512, 5);
    ASSERT_TRUE(writer.addStream(CompoundFileWriter::ROOT, "big", big));
    ASSERT_TRUE(writer.addStream(CompoundFileWriter::ROOT, "tail", pattern(20, 6)));
    Bytes bytes = writer.serialize();
    ASSERT_GT(loadLe32(bytes.data() + 0x2C), 109u);
    ASSERT_EQ(loadLe32(bytes.data() + 0x48), 1u);
    {
        auto file = CompoundFile::parse(bytes);
        ASSERT_TRUE(file) << file.error();
        EXPECT_EQ(readAll(*file, CompoundFile::ROOT, "big"), big);
        EXPECT_EQ(readAll(*file, CompoundFile::ROOT, "tail"), pattern(20, 6));
    }
    // A DIFAT sector that links to itself.
    const std::uint32_t difat = loadLe32(bytes.data() + 0x44);
    const std::size_t difatOffset = (difat + 1) * 512;
    put32(bytes, difatOffset + 508, difat);
    put32(bytes, 0x2C, 109 + 127 + 1);
    put32(bytes, 0x48, 2);
    auto looped = CompoundFile::parse(bytes);
    ASSERT_FALSE(looped);
    EXPECT_NE(looped.error().find("DIFAT chain loops"), std::string::npos) << looped.error();
}

struct Damage {
    const char* name;
    std::function<void(Bytes&)> apply;
    const char* error;   // part of the parse error, or of the stream error
    const char* stream;  // the stream that fails to open when parsing succeeds
};

TEST(CompoundFile, RefusesDamagedFilesWithAReason) {
    const Damage cases[] = {
        {"truncated header", [](Bytes& b) { b.resize(300); }, "shorter than a compound file header",
         nullptr},
        {"no signature", [](Bytes& b) { b[0] = 0; }, "signature", nullptr},
        {"sector shift of another version", [](Bytes& b) { b[0x1E] = 10; }, "sector shift",
         nullptr},
        {"absurd FAT sector count", [](Bytes& b) { put32(b, 0x2C, 0x7FFFFFFF); },
         "FAT sectors in a file", nullptr},
        {"FAT sector outside the file", [](Bytes& b) { put32(b, 0x4C, 5000); },
         "FAT sector 0 lies outside", nullptr},
        {"cut in the middle", [](Bytes& b) { b.resize(b.size() / 2); }, "outside", nullptr},
        {"cross-linked FAT",
         [](Bytes& b) {
             Layout l(b);
             const std::uint32_t start = l.startOf(2);
             put32(b, l.fatEntry(start + 2), start + 1);
         },
         "FAT links to sector", nullptr},
        {"stream chain loops back to its start",
         [](Bytes& b) {
             Layout l(b);
             const std::uint32_t start = l.startOf(2);
             put32(b, l.fatEntry(start + 9), start);
             put32(b, l.dirEntry(2) + 0x78, 6000);
         },
         "loops", "big"},
        {"stream larger than its chain",
         [](Bytes& b) {
             Layout l(b);
             put32(b, l.dirEntry(2) + 0x78, 5000 + 3 * 512);
         },
         "ends after 10 of 13", "big"},
        {"mini chain cut short",
         [](Bytes& b) {
             Layout l(b);
             put32(b, l.miniFatEntry(l.startOf(1)), CFB_ENDOFCHAIN);
         },
         "ends after 1 of 2", "small"},
        {"mini stream smaller than a stream in it",
         [](Bytes& b) {
             Layout l(b);
             put32(b, l.dirEntry(0) + 0x78, 64);
         },
         "needs 2 sectors", "small"},
        {"sibling links to an entry twice",
         [](Bytes& b) {
             Layout l(b);
             put32(b, l.dirEntry(2) + 0x44, 3);
         },
         "linked twice", nullptr},
        {"child links back to the root",
         [](Bytes& b) {
             Layout l(b);
             put32(b, l.dirEntry(3) + 0x4C, 0);
         },
         "linked twice", nullptr},
        {"link outside the directory",
         [](Bytes& b) {
             Layout l(b);
             put32(b, l.dirEntry(0) + 0x4C, 999);
         },
         "outside the directory", nullptr},
        {"name longer than the field",
         [](Bytes& b) {
             Layout l(b);
             storeLe16(b.data() + l.dirEntry(1) + 0x40, 80);
         },
         "name length", nullptr},
        {"unknown object type",
         [](Bytes& b) {
             Layout l(b);
             b[l.dirEntry(1) + 0x42] = 7;
         },
         "object type", nullptr},
        {"directory outside the file", [](Bytes& b) { put32(b, 0x30, 100000); }, "directory chain",
         nullptr},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = sampleFile();
        c.apply(bytes);
        auto file = CompoundFile::parse(bytes);
        if (!c.stream) {
            ASSERT_FALSE(file);
            EXPECT_NE(file.error().find(c.error), std::string::npos) << file.error();
            continue;
        }
        ASSERT_TRUE(file) << file.error();
        auto stream = file->openStream(CompoundFile::ROOT, c.stream);
        ASSERT_FALSE(stream);
        EXPECT_NE(stream.error().find(c.error), std::string::npos) << stream.error();
    }
}

TEST(CompoundFile, RefusesA64BitSizeThatWouldWrapWhenRoundedUp) {
    Bytes bytes = sampleFile(SectorSize::Bytes4096);
    Layout l(bytes);
    put32(bytes, l.dirEntry(2) + 0x78, 0xFFFFFFFF);
    put32(bytes, l.dirEntry(2) + 0x7C, 0xFFFFFFFF);
    auto file = CompoundFile::parse(bytes);
    ASSERT_TRUE(file) << file.error();
    auto stream = file->openStream(CompoundFile::ROOT, "big");
    ASSERT_FALSE(stream);
    EXPECT_NE(stream.error().find("needs"), std::string::npos) << stream.error();
}

TEST(CompoundFile, RefusesStoragesNestedTooDeep) {
    CompoundFileWriter writer;
    CompoundFileWriter::NodeId parent = CompoundFileWriter::ROOT;
    for (int depth = 0; depth < 70; ++depth) {
        auto child = writer.addStorage(parent, "d");
        ASSERT_TRUE(child);
        parent = *child;
    }
    auto file = CompoundFile::parse(writer.serialize());
    ASSERT_FALSE(file);
    EXPECT_NE(file.error().find("nest deeper"), std::string::npos) << file.error();
}

TEST(CompoundFileWriter, RefusesBadNames) {
    CompoundFileWriter writer;
    const auto root = CompoundFileWriter::ROOT;
    ASSERT_TRUE(writer.addStream(root, "Name", {}));
    EXPECT_FALSE(writer.addStream(root, "NAME", {}));  // taken, ignoring case
    EXPECT_FALSE(writer.addStorage(root, ""));
    EXPECT_FALSE(writer.addStorage(root, std::string(32, 'x')));
    EXPECT_TRUE(writer.addStorage(root, std::string(31, 'x')));
    EXPECT_FALSE(writer.addStorage(root, "a/b"));
    EXPECT_FALSE(writer.addStorage(root, "a!b"));
    auto stream = writer.addStream(root, "leaf", {1});
    ASSERT_TRUE(stream);
    EXPECT_FALSE(writer.addStream(*stream, "child", {}));  // a stream holds no children
}

TEST(CompoundFileWriter, BuildsValidRedBlackTrees) {
    for (int count : {1, 2, 3, 4, 7, 8, 20, 100}) {
        SCOPED_TRACE(count);
        CompoundFileWriter writer;
        for (int k = 0; k < count; ++k) {
            ASSERT_TRUE(
                writer.addStream(CompoundFileWriter::ROOT, testing_support::numbered("n", k), {}));
        }
        const Bytes bytes = writer.serialize();
        Layout l(bytes);
        auto color = [&](std::uint32_t id) { return bytes[l.dirEntry(id) + 0x43]; };
        auto link = [&](std::uint32_t id, std::size_t field) {
            return loadLe32(bytes.data() + l.dirEntry(id) + field);
        };
        // Black height of every subtree, or -1 where a rule is broken.
        std::function<int(std::uint32_t)> blackHeight = [&](std::uint32_t id) -> int {
            if (id == CFB_NOSTREAM) {
                return 1;
            }
            const std::uint32_t left = link(id, 0x44), right = link(id, 0x48);
            if (color(id) == CFB_COLOR_RED &&
                ((left != CFB_NOSTREAM && color(left) == CFB_COLOR_RED) ||
                 (right != CFB_NOSTREAM && color(right) == CFB_COLOR_RED))) {
                return -1;
            }
            const int hl = blackHeight(left), hr = blackHeight(right);
            if (hl < 0 || hl != hr) {
                return -1;
            }
            return hl + (color(id) == CFB_COLOR_BLACK ? 1 : 0);
        };
        const std::uint32_t top = link(0, 0x4C);
        EXPECT_EQ(color(top), CFB_COLOR_BLACK);
        EXPECT_GT(blackHeight(top), 0);
    }
}

TEST(ElementNames, CompareByLengthThenIgnoringCase) {
    EXPECT_EQ(compareElementNames(u"FilmLink1", u"FILMLINK1"), 0);
    EXPECT_LT(compareElementNames(u"ZZ", u"AAA"), 0);
    EXPECT_LT(compareElementNames(u"abc", u"ABD"), 0);
    EXPECT_EQ(compareElementNames(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), 0);
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("Fil\xC3\xA9 \xF0\x9F\x8E\x9E")),
              "Fil\xC3\xA9 \xF0\x9F\x8E\x9E");
    EXPECT_EQ(utf8ToUtf16("a\xFF"), u"a\uFFFD");
}

}  // namespace
}  // namespace platform::storage
