#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "film/PackageDetach.h"
#include "film/PackageSignatures.h"

namespace film {
namespace {

class PackageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = platform::TempDirectory::create();
        ASSERT_TRUE(dir_);
    }

    std::string writeFile(const std::string& name, const std::string& bytes) {
        const std::string path = dir_->path() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::optional<platform::TempDirectory> dir_;
};

TEST_F(PackageFileTest, SignaturesAreTheTwoPackageMarkers) {
    const auto& signatures = packageSignatures();
    EXPECT_EQ(signatures.filmDescription, "PhotoreelFilmDescription");
    EXPECT_EQ(signatures.mediaDescription, "PhotoreelMediaDescription");
}

TEST_F(PackageFileTest, FindSignatureReportsThePositionJustPastTheFirstOccurrence) {
    const std::string marker(packageSignatures().filmDescription);
    const std::string big(3 << 20, 'x');  // pushes markers across the 1 MiB read chunks
    struct Case {
        const char* what;
        std::string content;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {"at the start", marker + "doc", marker.size()},
        {"after a prefix", "MZ-exe" + marker + "doc", 6 + marker.size()},
        {"preceded by its own first byte", "PP" + marker, 2 + marker.size()},
        {"preceded by a partial marker", marker.substr(0, 10) + marker, 10 + marker.size()},
        {"first of two", "a" + marker + marker, 1 + marker.size()},
        {"across a chunk boundary", big.substr(0, (1 << 20) - 5) + marker,
         (1 << 20) - 5 + marker.size()},
        {"deep in a large file", big + marker, big.size() + marker.size()},
        {"absent", big.substr(0, 5000), 0},
        {"cut at the end of the file", "abc" + marker.substr(0, marker.size() - 1), 0},
        {"empty file", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto file = platform::InputFile::open(writeFile("pkg", c.content));
        ASSERT_TRUE(file);
        EXPECT_EQ(findSignature(*file, marker), c.expected);
    }
}

TEST_F(PackageFileTest, ExtractRangeCopiesInPiecesAndRefusesBadRanges) {
    std::string content(5000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7);
    }
    const std::string package = writeFile("package.flz", content);
    auto target = dir_->createFile("TMP", ".avi");
    ASSERT_TRUE(target);

    int pumped = 0;
    auto pump = [&pumped] { ++pumped; };
    ASSERT_EQ(extractRange(package, 100, 4500, *target, pump), 1);
    EXPECT_EQ(readFile(*target), content.substr(100, 4500));
    EXPECT_EQ(pumped, 2);  // two full pieces of 2048, then 404 bytes

    const struct {
        const char* what;
        std::int64_t offset, size;
    } refused[] = {
        {"negative offset", -1, 10},      {"empty range", 0, 0},
        {"negative size", 0, -5},         {"past the end", 4000, 1001},
        {"offset past the end", 6000, 1}, {"size overflowing the offset", 10, INT64_MAX},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(extractRange(package, r.offset, r.size, *target, pump), 0);
    }
    EXPECT_EQ(extractRange(dir_->path() + "/missing.flz", 0, 1, *target, pump), 0);
    EXPECT_EQ(extractRange(package, 0, 1, dir_->path() + "/not-created.avi", pump), 0);
}

TEST_F(PackageFileTest, TempNamesTakeOnlySafeExtensionsFromThePackage) {
    const struct {
        const char* stored;
        const char* suffix;  // expected end of the file name
    } cases[] = {
        {"2048.avi", ".avi"}, {"5120.ca", ".ca"},  {"77.MP3", ".MP3"}, {"12.mpeg4", ".mpeg4"},
        {"9.a/../../x", ""},  {"9.tar.gz", ".gz"}, {"9.ppt ", ""},     {"9.verylongext", ""},
        {"noextension", ""},  {"9.", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        auto name = makeTempName(*dir_, c.stored);
        ASSERT_TRUE(name);
        const std::string fileName = std::filesystem::path(*name).filename();
        EXPECT_EQ(std::filesystem::path(*name).parent_path(), dir_->path());
        EXPECT_EQ(fileName.rfind("TMP", 0), 0u);
        EXPECT_TRUE(fileName.ends_with(c.suffix)) << fileName;
        if (std::string(c.suffix).empty()) {
            EXPECT_EQ(fileName.find('.'), std::string::npos) << fileName;
        }
    }
    auto indexed = makeTempName(*dir_, "300.avi", 3);
    ASSERT_TRUE(indexed);
    EXPECT_TRUE(indexed->ends_with("_3.avi")) << *indexed;
}

TEST_F(PackageFileTest, AddIndexSuffixGoesBeforeTheExtension) {
    EXPECT_EQ(addIndexSuffix("TMP1A2.avi", 3), "TMP1A2_3.avi");
    EXPECT_EQ(addIndexSuffix("/tmp/d.x/TMP1A2", 12), "/tmp/d.x/TMP1A2_12");
    EXPECT_EQ(addIndexSuffix("/tmp/TMP1.ca.WAV", 2), "/tmp/TMP1.ca_2.WAV");
}

}  // namespace
}  // namespace film
