#include <gtest/gtest.h>

#include "platform/TextEncoding.h"

namespace platform {
namespace {

TEST(AnsiToUtf8, ConvertsSingleAndDoubleByteCodePages) {
    struct Case {
        const char* name;
        std::string bytes;
        unsigned codePage;
        std::string utf8;
    };
    const Case cases[] = {
        {"ASCII", "Hello\r\nworld", 1252, "Hello\r\nworld"},
        {"Western accents and the euro", "Caf\xE9 \x80", 1252, "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"byte that Windows-1252 leaves undefined", "a\x81z", 1252, "a\xEF\xBF\xBDz"},
        {"Cyrillic", "\xCF\xF0\xE8", 1251, "\xD0\x9F\xD1\x80\xD0\xB8"},
        {"Shift-JIS", "\x82\xA0\x83\x41", 932, "\xE3\x81\x82\xE3\x82\xA2"},
        {"Shift-JIS lead byte cut off at the end", "a\x82", 932, "a\xEF\xBF\xBD"},
        {"GBK", "\xC4\xE3\xBA\xC3", 936, "\xE4\xBD\xA0\xE5\xA5\xBD"},
        {"Big5", "\xA7\x41", 950, "\xE4\xBD\xA0"},
        {"Korean", "\xC7\xD1", 949, "\xED\x95\x9C"},
        {"unknown code page reads as Western", "\xE9", 4242, "\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ansiToUtf8(c.bytes, c.codePage), c.utf8);
    }
}

TEST(IsLeadByte, FollowsEachDoubleByteCodePage) {
    const struct {
        unsigned codePage;
        unsigned char byte;
        bool lead;
    } cases[] = {
        {932, 0x81, true},  {932, 0x9F, true},   {932, 0xA0, false},  {932, 0xE0, true},
        {932, 0xFD, false}, {936, 0x80, false},  {936, 0x81, true},   {936, 0xFE, true},
        {949, 0xFF, false}, {950, 0xA4, true},   {1361, 0x84, true},  {1361, 0xD4, false},
        {1361, 0xD8, true}, {1252, 0x81, false}, {1251, 0xC0, false}, {0, 0x90, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isLeadByte(c.byte, c.codePage), c.lead) << c.codePage << " " << int{c.byte};
    }
}

}  // namespace
}  // namespace platform
