#include <gtest/gtest.h>

#include "shell/CommandLine.h"
#include "shell/Viewer.h"

namespace shell {
namespace {

struct SplitCase {
    const char* what;
    const char* commandLine;
    std::vector<std::string> tokens;
    const char* filmPath;
};

TEST(ParseCommandLine, SplitsAsTheViewerAlwaysHas) {
    const SplitCase cases[] = {
        {"quoted program and quoted film, both with blanks",
         R"("C:\Program Files\Photoreel\viewer.exe" "D:\My Films\summer trip.flz")",
         {R"(C:\Program Files\Photoreel\viewer.exe)", R"(D:\My Films\summer trip.flz)"},
         R"(D:\My Films\summer trip.flz)"},
        {"quoted program followed by one blank: no film",
         R"("C:\Photoreel\viewer.exe" )",
         {R"(C:\Photoreel\viewer.exe)"},
         ""},
        {"unclosed quote runs to the end",
         R"(viewer.exe "D:\films\a b.flz)",
         {"viewer.exe", R"(D:\films\a b.flz)"},
         R"(D:\films\a b.flz)"},
        {"two trailing blanks give one empty token",
         "viewer.exe film.flz  ",
         {"viewer.exe", "film.flz", ""},
         "film.flz"},
        {"one trailing blank gives none",
         "viewer.exe film.flz ",
         {"viewer.exe", "film.flz"},
         "film.flz"},
        {"program with two trailing blanks: empty token 1 is no film",
         "viewer.exe  ",
         {"viewer.exe", ""},
         ""},
        {"tabs and runs of white space separate",
         "viewer.exe\t \r\nfilm.flz",
         {"viewer.exe", "film.flz"},
         "film.flz"},
        {"no escapes: backslashes and inner quotes are plain",
         R"(v.exe a\"b "c"d" e)",
         {"v.exe", R"(a\"b)", R"(c"d)", "e"},
         R"(a\"b)"},
        {"a quote closes only before white space or the end", R"("a"b" c)", {R"(a"b)", "c"}, "c"},
        {"empty command line is one empty token", "", {""}, ""},
        {"only the program", "viewer.exe", {"viewer.exe"}, ""},
        {"empty quoted token", R"(v.exe "" x)", {"v.exe", "", "x"}, ""},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto tokens = parseCommandLine(c.commandLine);
        EXPECT_EQ(tokens, c.tokens);
        EXPECT_EQ(filmPathFromTokens(tokens), c.filmPath);
    }
}

}  // namespace
}  // namespace shell
