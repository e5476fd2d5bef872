#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// Splits a command line the way the viewer always has: tokens separated by
// white space; a token that starts with a double quote runs to a quote that
// is followed by white space or the end (or to the end when there is none);
// no escapes. Token 0 is the program, token 1 the film. Trailing white space
// yields one final empty token.
std::vector<std::string> parseCommandLine(std::string_view commandLine);

}  // namespace shell
