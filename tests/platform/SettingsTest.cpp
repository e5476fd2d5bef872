#include <gtest/gtest.h>

#include <fstream>

#include "platform/Settings.h"
#include "platform/TempFiles.h"

namespace platform {
namespace {

TEST(Settings, FileValuesAndEnvironmentOverride) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    const std::string path = dir->path() + "/photoreel.conf";
    std::ofstream(path) << "# viewer\n  presentation-viewer = /opt/viewer/bin/show  \nnoise\n";
    const Settings settings = Settings::fromFile(path);

    unsetenv("PHOTOREEL_PRESENTATION_VIEWER");
    EXPECT_EQ(settings.get("presentation-viewer"), "/opt/viewer/bin/show");
    EXPECT_FALSE(settings.get("noise"));
    setenv("PHOTOREEL_PRESENTATION_VIEWER", "/usr/bin/other", 1);
    EXPECT_EQ(settings.get("presentation-viewer"), "/usr/bin/other");
    unsetenv("PHOTOREEL_PRESENTATION_VIEWER");

    EXPECT_FALSE(Settings::fromFile(dir->path() + "/missing.conf").get("presentation-viewer"));
}

TEST(Settings, DefaultLocationFollowsXdg) {
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(Settings::defaultPath(), "/cfg/photoreel/photoreel.conf");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(Settings::defaultPath(), "/home/u/.config/photoreel/photoreel.conf");
}

}  // namespace
}  // namespace platform
