#include "film/ShowMessage.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace film {

namespace {

struct TableEntry {
    int number;
    const char* text;
};

constexpr TableEntry STRING_TABLE[] = {
    {STR_CAPTION_NOTICE, "Photoreel Viewer"},
    {STR_CAPTION_ERROR, "Photoreel Viewer - cannot play the film"},
    {STR_CANNOT_OPEN_FILE, "The file \"%s\" cannot be opened."},
    {STR_NOT_A_PLAYABLE_FILM,
     "\"%s\" cannot be played: it is not a Photoreel film, it is damaged, or it holds no "
     "items."},
    {STR_CANNOT_DETACH,
     "A part of the film cannot be unpacked. The temporary folder may be full or not "
     "writable."},
    {STR_CLIPS_DROPPED,
     "This film holds video clips, but this computer cannot play video. The clips are left "
     "out of the show."},
    {STR_SHOWS_DROPPED,
     "This film holds presentations, but no presentation viewer is installed. The "
     "presentations are left out of the show."},
    {STR_TOO_MANY_ITEMS, "This film holds more than 999 items. Only the first 999 are shown."},
    {STR_NEWER_VERSION,
     "This film was made with a newer version of Photoreel and cannot be shown by this "
     "viewer."},
};

// Cutting may not split a UTF-8 sequence: drop a trailing partial one.
void trimPartialSequence(std::string& text) {
    std::size_t i = text.size();
    std::size_t continuation = 0;
    while (i > 0 && (static_cast<unsigned char>(text[i - 1]) & 0xC0) == 0x80 && continuation < 3) {
        --i;
        ++continuation;
    }
    if (i == 0) {
        return;
    }
    const auto lead = static_cast<unsigned char>(text[i - 1]);
    std::size_t needed = 0;
    if ((lead & 0xE0) == 0xC0) {
        needed = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        needed = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        needed = 3;
    } else {
        return;
    }
    if (continuation < needed) {
        text.resize(i - 1);
    }
}

}  // namespace

std::optional<std::string_view> loadString(int number) {
    for (const TableEntry& entry : STRING_TABLE) {
        if (entry.number == number) {
            return std::string_view(entry.text);
        }
    }
    return std::nullopt;
}

int showMessage(platform::Dialogs& dialogs, unsigned boxType, int captionNumber,
                const char* captionText, int messageNumber, const char* messageText, ...) {
    const auto caption = loadString(captionNumber);
    const auto format = loadString(messageNumber);
    const std::string captionString =
        caption ? std::string(*caption) : std::string(captionText ? captionText : "");
    const std::string formatString =
        format ? std::string(*format) : std::string(messageText ? messageText : "");

    char buffer[MESSAGE_BUFFER_SIZE];
    va_list args;
    va_start(args, messageText);
    const int written = std::vsnprintf(buffer, sizeof buffer, formatString.c_str(), args);
    va_end(args);
    std::string message = written < 0 ? std::string() : std::string(buffer);
    if (written >= static_cast<int>(sizeof buffer)) {
        trimPartialSequence(message);
    }
    return dialogs.messageBox(message, captionString, boxType);
}

}  // namespace film
