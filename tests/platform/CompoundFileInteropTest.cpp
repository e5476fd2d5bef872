// Our compound files against independent implementations: files we write
// are read by python3-olefile, files gsf writes are read by us.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <sstream>

#include "platform/FileBytes.h"
#include "platform/ProcessLauncher.h"
#include "platform/storage/CompoundFile.h"
#include "platform/storage/CompoundFileWriter.h"
#include "support/InteropTools.h"
#include "support/Names.h"
#include "support/ScratchDirectory.h"

namespace platform::storage {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(seed * 31 + i * 13 + (i >> 8));
    }
    return data;
}

std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// Lists every stream olefile finds as "path size sha1" lines, sorted.
const char* OLEFILE_LISTING = R"(
import hashlib, sys, olefile
ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
lines = []
for entry in ole.listdir(streams=True, storages=True):
    path = '/'.join(entry)
    if ole.get_type(entry) == olefile.STGTY_STREAM:
        data = ole.openstream(entry).read()
        lines.append('%s %d %s' % (path, len(data), data.hex()))
    else:
        lines.append('%s dir' % path)
print('\n'.join(sorted(lines)))
)";

TEST(CompoundFileInterop, OlefileReadsWhatWeWrite) {
    const auto python = testing_support::pythonWithOlefile();
    if (!python) {
        GTEST_SKIP() << "python3-olefile is not installed";
    }
    testing_support::ScratchDirectory scratch;
    ASSERT_TRUE(scratch.ok());

    for (SectorSize size : {SectorSize::Bytes512, SectorSize::Bytes4096}) {
        SCOPED_TRACE(size == SectorSize::Bytes512 ? "version 3" : "version 4");
        CompoundFileWriter writer;
        std::vector<std::string> expected;
        const auto root = CompoundFileWriter::ROOT;
        const std::size_t sizes[] = {0, 5, 64, 3144, 4095, 4096, 12000};
        for (std::size_t k = 0; k < std::size(sizes); ++k) {
            const std::string name = testing_support::numbered("S", k);
            ASSERT_TRUE(writer.addStream(root, name, pattern(sizes[k], k)));
            std::string line = name;
            line.append(" ").append(std::to_string(sizes[k])).append(" ");
            line += hex(pattern(sizes[k], k));
            expected.push_back(line);
        }
        auto link = writer.addStorage(root, "FILMLINK1");
        ASSERT_TRUE(link);
        expected.push_back("FILMLINK1 dir");
        auto list = writer.addStorage(*link, "TEXTLIST");
        ASSERT_TRUE(list);
        expected.push_back("FILMLINK1/TEXTLIST dir");
        for (int k = 1; k <= 12; ++k) {
            const std::string name = testing_support::numbered("TEXT", k);
            ASSERT_TRUE(writer.addStream(*list, name, pattern(360, 100 + k)));
            std::string line = "FILMLINK1/TEXTLIST/";
            line.append(name).append(" 360 ").append(hex(pattern(360, 100 + k)));
            expected.push_back(line);
        }
        std::sort(expected.begin(), expected.end());

        const std::string path = scratch.path("ours.cfb");
        ASSERT_TRUE(writeFileBytes(path, writer.serialize(size)));
        std::string output;
        auto exit =
            ProcessLauncher::runCapturingOutput({*python, "-c", OLEFILE_LISTING, path}, output);
        ASSERT_TRUE(exit && exit->exited && exit->exitCode == 0) << output;
        std::string joined;
        for (const auto& line : expected) {
            joined += line + "\n";
        }
        EXPECT_EQ(output, joined);
    }
}

TEST(CompoundFileInterop, OlefileReadsOurDifat) {
    const auto python = testing_support::pythonWithOlefile();
    if (!python) {
        GTEST_SKIP() << "python3-olefile is not installed";
    }
    testing_support::ScratchDirectory scratch;
    ASSERT_TRUE(scratch.ok());
    CompoundFileWriter writer;
    const Bytes big = pattern(110 * 128 * 512, 7);
    ASSERT_TRUE(writer.addStream(CompoundFileWriter::ROOT, "big", big));
    const std::string path = scratch.path("difat.cfb");
    ASSERT_TRUE(writeFileBytes(path, writer.serialize()));
    std::string output;
    const char* script = R"(
import sys, olefile
ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
data = ole.openstream('big').read()
print(len(data), sum(data), ole.num_difat_sectors)
)";
    auto exit = ProcessLauncher::runCapturingOutput({*python, "-c", script, path}, output);
    ASSERT_TRUE(exit && exit->exited && exit->exitCode == 0) << output;
    std::istringstream fields(output);
    std::size_t length = 0;
    unsigned long long sum = 0;
    int difatSectors = 0;
    fields >> length >> sum >> difatSectors;
    EXPECT_EQ(length, big.size());
    EXPECT_EQ(sum, std::accumulate(big.begin(), big.end(), 0ull));
    EXPECT_EQ(difatSectors, 1);
}

TEST(CompoundFileInterop, WeReadWhatGsfWrites) {
    const auto gsf = testing_support::gsfTool();
    if (!gsf) {
        GTEST_SKIP() << "gsf (libgsf-bin) is not installed";
    }
    testing_support::ScratchDirectory scratch;
    ASSERT_TRUE(scratch.ok());
    namespace fs = std::filesystem;
    const fs::path tree = scratch.path("tree");
    fs::create_directories(tree / "Storage" / "Inner");
    struct File {
        std::string path;
        std::size_t size;
    };
    const File files[] = {{"Empty", 0},
                          {"Small", 10},
                          {"Edge", 4095},
                          {"Cutoff", 4096},
                          {"Large", 20000},
                          {"Storage/Text1", 360},
                          {"Storage/Inner/Deep", 5000}};
    unsigned seed = 0;
    for (const File& f : files) {
        const Bytes data = pattern(f.size, ++seed);
        ASSERT_TRUE(writeFileBytes((tree / f.path).string(), data));
    }
    const std::string output = scratch.path("gsf.cfb");
    ASSERT_EQ(testing_support::runIn(tree.string(), {*gsf, "createole", output, "Empty", "Small",
                                                     "Edge", "Cutoff", "Large", "Storage"}),
              0);

    auto file = CompoundFile::open(output);
    ASSERT_TRUE(file) << file.error();
    seed = 0;
    for (const File& f : files) {
        SCOPED_TRACE(f.path);
        const Bytes data = pattern(f.size, ++seed);
        ElementId parent = CompoundFile::ROOT;
        std::string name = f.path;
        for (std::size_t slash; (slash = name.find('/')) != std::string::npos;) {
            auto storage = file->openStorage(parent, name.substr(0, slash));
            ASSERT_TRUE(storage);
            parent = *storage;
            name = name.substr(slash + 1);
        }
        auto stream = file->openStream(parent, name);
        ASSERT_TRUE(stream) << stream.error();
        Bytes read(f.size + 1);
        read.resize(stream->read(read));
        EXPECT_EQ(read, data);
    }
    EXPECT_EQ(file->elements(CompoundFile::ROOT).size(), 6u);
}

}  // namespace
}  // namespace platform::storage
