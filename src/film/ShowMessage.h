#pragma once

#include <optional>
#include <string_view>

#include "platform/Dialogs.h"

namespace film {

// Numbers in the viewer's string table.
inline constexpr int STR_CAPTION_NOTICE = 2;
inline constexpr int STR_CAPTION_ERROR = 3;
inline constexpr int STR_CANNOT_OPEN_FILE = 4;     // takes the path (%s)
inline constexpr int STR_NOT_A_PLAYABLE_FILM = 5;  // takes the path (%s)
inline constexpr int STR_CANNOT_DETACH = 6;
inline constexpr int STR_CLIPS_DROPPED = 8;
inline constexpr int STR_SHOWS_DROPPED = 9;
inline constexpr int STR_TOO_MANY_ITEMS = 33005;
inline constexpr int STR_NEWER_VERSION = 33011;

// Message texts are formatted into a buffer of this many characters,
// terminator included; longer ones are cut.
inline constexpr std::size_t MESSAGE_BUFFER_SIZE = 256;

// The string table's text for a number, if it has one.
std::optional<std::string_view> loadString(int number);

// Shows one message box: caption and message come from the string table,
// else from the texts given here (nullptr: an empty caption or message).
// The message is a printf format for the arguments that follow. Returns
// the box's answer.
int showMessage(platform::Dialogs& dialogs, unsigned boxType, int captionNumber,
                const char* captionText, int messageNumber, const char* messageText, ...);

}  // namespace film
