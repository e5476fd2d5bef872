#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/TempFiles.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(TempDirectory, IsPrivateAndRemovedWithEverythingInIt) {
    std::string dirPath;
    std::string filePath;
    {
        auto dir = TempDirectory::create();
        ASSERT_TRUE(dir);
        dirPath = dir->path();
        struct stat info {};
        ASSERT_EQ(stat(dirPath.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);

        auto file = dir->createFile("TMP", ".avi");
        ASSERT_TRUE(file);
        filePath = *file;
        EXPECT_EQ(fs::path(filePath).parent_path(), fs::path(dirPath));
        EXPECT_EQ(fs::path(filePath).extension(), ".avi");
        std::ofstream(filePath) << "clip";
        // Every name is new: no second file may take the same one.
        auto other = dir->createFile("TMP", ".avi");
        ASSERT_TRUE(other);
        EXPECT_NE(*other, filePath);
    }
    EXPECT_FALSE(fs::exists(filePath));
    EXPECT_FALSE(fs::exists(dirPath));
}

TEST(TempDirectory, RefusesNamesThatLeaveTheDirectory) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    EXPECT_FALSE(dir->createFile("TMP", "/../../x"));
    EXPECT_FALSE(dir->createFile("../TMP", ".wav"));
}

TEST(TempDirectory, ExitCleanupRemovesLiveDirectories) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    ASSERT_TRUE(dir->createFile("TMP", ".mp3"));
    removeLiveTempDirectoriesForExit();
    EXPECT_FALSE(fs::exists(dir->path()));
}

TEST(TempDirectory, CreationFailureSaysWhy) {
    setenv("TMPDIR", "/nonexistent-photoreel-dir", 1);
    std::string error;
    auto dir = TempDirectory::create(&error);
    unsetenv("TMPDIR");
    EXPECT_FALSE(dir);
    EXPECT_NE(error.find("/nonexistent-photoreel-dir"), std::string::npos);
}

}  // namespace
}  // namespace platform
