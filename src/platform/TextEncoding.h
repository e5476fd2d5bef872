#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Converts 8-bit text of a Windows code page (1252, 932, 936, 949, 950,
// 1250 ... 1258, 874, 1361, 437, 10000) to UTF-8. Bytes that the code page
// does not define become U+FFFD; an unknown code page is read as 1252.
std::string ansiToUtf8(std::string_view text, unsigned codePage);

// Converts UTF-8 to 8-bit text of a Windows code page (as above), for
// writing films. nullopt names nothing: the text holds a character the code
// page cannot express, or is not UTF-8.
std::optional<std::string> utf8ToAnsi(std::string_view text, unsigned codePage);

// Whether a byte starts a two-byte character in a double-byte code page
// (932, 936, 949, 950, 1361); always false for the single-byte ones.
bool isLeadByte(unsigned char byte, unsigned codePage);

}  // namespace platform
