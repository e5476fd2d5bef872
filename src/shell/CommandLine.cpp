#include "shell/CommandLine.h"

namespace shell {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::vector<std::string> parseCommandLine(std::string_view text) {
    std::vector<std::string> tokens;
    std::size_t pos = 0;
    const std::size_t end = text.size();
    do {
        while (pos < end && isSpace(text[pos])) {
            ++pos;
        }
        const bool quoted = pos < end && text[pos] == '"';
        if (quoted) {
            ++pos;
        }
        // The token starts here even at the end of the text.
        const std::size_t start = pos;
        if (quoted) {
            while (pos < end && !(text[pos] == '"' && (pos + 1 == end || isSpace(text[pos + 1])))) {
                ++pos;
            }
            tokens.emplace_back(text.substr(start, pos - start));
            if (pos < end) {
                // Past the closing quote and, when there is one, a separator.
                pos += (pos + 1 == end) ? 1 : 2;
            }
        } else {
            while (pos < end && !isSpace(text[pos])) {
                ++pos;
            }
            tokens.emplace_back(text.substr(start, pos - start));
            if (pos < end) {
                ++pos;
            }
        }
    } while (pos < end);
    return tokens;
}

}  // namespace shell
