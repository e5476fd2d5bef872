#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "film/PresentationLauncher.h"
#include "support/ScratchDirectory.h"

namespace film {
namespace {

using testing_support::ScratchDirectory;

// PATH for one test, so whether LibreOffice is installed here does not matter.
class ScopedPath {
  public:
    explicit ScopedPath(const std::string& path) {
        if (const char* old = std::getenv("PATH")) {
            old_ = old;
        }
        setenv("PATH", path.c_str(), 1);
    }
    ~ScopedPath() { setenv("PATH", old_.c_str(), 1); }

  private:
    std::string old_;
};

void writeFile(const std::string& path, const std::string& text, mode_t mode = 0644) {
    std::ofstream(path) << text;
    chmod(path.c_str(), mode);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A viewer that records each argument as "[arg]" on a line, then, after a
// moment, "done": a launch that did not wait would return before it.
std::string fakeViewer(const std::string& record, const std::string& ending = "exit 0") {
    return "#!/bin/sh\n"
           "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" +
           record +
           "'\n"
           "/bin/sleep 0.2\n"
           "echo done >> '" +
           record + "'\n" + ending + "\n";
}

class PresentationLauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.ok());
        unsetenv(platform::Settings::environmentName("presentation-viewer").c_str());
        mkdir(scratch.path("viewer dir").c_str(), 0755);
        mkdir(scratch.path("empty").c_str(), 0755);
        viewer = scratch.path("viewer dir/show it.sh");
        record = scratch.path("record");
        presentation = scratch.path("my talk $HOME; `id` 'q' \"d\" *.ppt");
        writeFile(presentation, "slides");
        item.type = ITEM_SHOW;
        item.number = 3;
        item.show = FileRef{"", presentation};
    }

    int launchWith(const std::string& settingsText) {
        writeFile(scratch.path("photoreel.conf"), settingsText);
        const platform::Settings settings =
            platform::Settings::fromFile(scratch.path("photoreel.conf"));
        return PresentationLauncher(settings).launch(item);
    }

    ScratchDirectory scratch;
    std::string viewer, record, presentation;
    FilmItem item;
};

TEST_F(PresentationLauncherTest, ConfiguredViewerGetsThePathAsOneArgumentAndIsWaitedFor) {
    writeFile(viewer, fakeViewer(record), 0755);
    EXPECT_EQ(launchWith("presentation-viewer = " + viewer + "\n"), LAUNCH_SHOWN);
    EXPECT_EQ(readFile(record), "[" + presentation + "]\ndone\n");
}

TEST_F(PresentationLauncherTest, LibreOfficeFromPathShowsTheFileFullScreen) {
    ScopedPath path(scratch.path("viewer dir"));
    writeFile(scratch.path("viewer dir/soffice"), fakeViewer(record), 0755);
    EXPECT_EQ(launchWith(""), LAUNCH_SHOWN);
    EXPECT_EQ(readFile(record), "[--norestore]\n[--show]\n[" + presentation + "]\ndone\n");
}

TEST_F(PresentationLauncherTest, StaleSettingFallsBackToLibreOffice) {
    ScopedPath path(scratch.path("viewer dir"));
    writeFile(scratch.path("viewer dir/libreoffice"), fakeViewer(record), 0755);
    EXPECT_EQ(launchWith("presentation-viewer = /no/such/viewer\n"), LAUNCH_SHOWN);
    EXPECT_EQ(readFile(record), "[--norestore]\n[--show]\n[" + presentation + "]\ndone\n");
}

TEST_F(PresentationLauncherTest, ViewerExitCodeDoesNotMatter) {
    writeFile(viewer, fakeViewer(record, "exit 3"), 0755);
    EXPECT_EQ(launchWith("presentation-viewer = " + viewer + "\n"), LAUNCH_SHOWN);
}

TEST_F(PresentationLauncherTest, FailuresGiveTheirCodesWithoutStartingAnything) {
    ScopedPath path(scratch.path("empty"));  // no LibreOffice to fall back on
    writeFile(viewer, fakeViewer(record), 0755);
    writeFile(scratch.path("not executable.sh"), fakeViewer(record), 0644);
    struct Case {
        const char* what;
        std::string settings;
        std::string presentation;
        int expected;
    };
    const Case cases[] = {
        {"nothing configured", "", presentation, LAUNCH_NO_VIEWER},
        {"empty setting", "presentation-viewer =\n", presentation, LAUNCH_BAD_SETTING},
        {"stale viewer", "presentation-viewer = /no/such/viewer\n", presentation,
         LAUNCH_MISSING_FILE},
        {"viewer is a folder", "presentation-viewer = " + scratch.path("viewer dir") + "\n",
         presentation, LAUNCH_MISSING_FILE},
        {"presentation gone", "presentation-viewer = " + viewer + "\n", scratch.path("gone.ppt"),
         LAUNCH_MISSING_FILE},
        {"viewer cannot start", "presentation-viewer = " + scratch.path("not executable.sh") + "\n",
         presentation, LAUNCH_START_FAILED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        item.show = FileRef{"", c.presentation};
        EXPECT_EQ(launchWith(c.settings), c.expected);
        EXPECT_EQ(readFile(record), "");
    }
}

TEST_F(PresentationLauncherTest, ViewerEndedBySignalIsReported) {
    writeFile(viewer, fakeViewer(record, "kill -TERM $$"), 0755);
    EXPECT_EQ(launchWith("presentation-viewer = " + viewer + "\n"), LAUNCH_ABNORMAL_END);
    EXPECT_EQ(readFile(record), "[" + presentation + "]\ndone\n");
}

TEST(PresentationLauncherCommand, PathsStayWholeAndNeverReadAsOptions) {
    struct Case {
        std::string viewer, presentation;
        std::vector<std::string> argv;
    };
    const Case cases[] = {
        {"/opt/my viewer/show", "/tmp/a b.ppt", {"/opt/my viewer/show", "/tmp/a b.ppt"}},
        {"/usr/bin/soffice",
         "/tmp/a.ppt",
         {"/usr/bin/soffice", "--norestore", "--show", "/tmp/a.ppt"}},
        {"/usr/lib/libreoffice/program/soffice.bin",
         "/tmp/a.ppt",
         {"/usr/lib/libreoffice/program/soffice.bin", "--norestore", "--show", "/tmp/a.ppt"}},
        {"viewer", "-talk.ppt", {"./viewer", "./-talk.ppt"}},
        {"/usr/bin/sofficer", "/tmp/a.ppt", {"/usr/bin/sofficer", "/tmp/a.ppt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.viewer + " " + c.presentation);
        EXPECT_EQ(PresentationLauncher::command(c.viewer, c.presentation), c.argv);
    }
}

}  // namespace
}  // namespace film
