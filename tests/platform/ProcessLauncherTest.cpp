#include <gtest/gtest.h>

#include "platform/ProcessLauncher.h"

namespace platform {
namespace {

TEST(ProcessLauncher, PassesArgumentsWithoutAShell) {
    std::string output;
    auto exit =
        ProcessLauncher::runCapturingOutput({"printf", "%s|", "a b", "$HOME", ";", "*"}, output);
    ASSERT_TRUE(exit);
    EXPECT_TRUE(exit->exited);
    EXPECT_EQ(exit->exitCode, 0);
    EXPECT_EQ(output, "a b|$HOME|;|*|");
}

TEST(ProcessLauncher, ReportsExitCodesSignalsAndMissingPrograms) {
    auto failing = ProcessLauncher::start({"sh", "-c", "exit 7"});
    ASSERT_TRUE(failing);
    const ProcessExit exited = failing->wait();
    EXPECT_TRUE(exited.exited);
    EXPECT_EQ(exited.exitCode, 7);

    auto killed = ProcessLauncher::start({"sh", "-c", "kill -TERM $$"});
    ASSERT_TRUE(killed);
    const ProcessExit signalled = killed->wait();
    EXPECT_FALSE(signalled.exited);
    EXPECT_EQ(signalled.signal, 15);

    std::string error;
    EXPECT_FALSE(ProcessLauncher::start({"photoreel-no-such-program"}, &error));
    EXPECT_NE(error.find("photoreel-no-such-program"), std::string::npos);
    EXPECT_FALSE(ProcessLauncher::start({}, &error));
}

TEST(ProcessLauncher, FindsProgramsInPath) {
    EXPECT_TRUE(ProcessLauncher::findInPath("sh"));
    EXPECT_FALSE(ProcessLauncher::findInPath("photoreel-no-such-program"));
    EXPECT_FALSE(ProcessLauncher::findInPath("/etc/passwd"));  // not executable
}

}  // namespace
}  // namespace platform
