#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/FileReader.h"

namespace platform {
namespace {

class FileReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("photoreel-filereader-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "package.flz").string();
        std::ofstream(path_, std::ios::binary) << "0123456789";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(FileReaderTest, ReadsWithinTheFileOnly) {
    auto reader = FileReader::open(path_);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->size(), 10u);
    char buffer[16] = {};
    ASSERT_TRUE(reader->seek(7));
    EXPECT_EQ(reader->read(buffer, sizeof buffer), 3u);  // stops at the end
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_EQ(reader->read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(reader->seek(10));   // the end itself
    EXPECT_FALSE(reader->seek(11));  // past it: refused, position kept
    EXPECT_EQ(reader->position(), 10u);
    ASSERT_TRUE(reader->seek(0));
    EXPECT_EQ(reader->read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(reader->position(), 4u);
}

TEST_F(FileReaderTest, RefusesWhatIsNoReadableFile) {
    std::string error;
    EXPECT_FALSE(FileReader::open((dir_ / "missing").string(), &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(FileReader::open(dir_.string(), &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

}  // namespace
}  // namespace platform
