#pragma once

#include <cstdio>

namespace platform {

// Whether the stream is an interactive terminal (progress bars only there).
bool isTerminal(std::FILE* stream);

}  // namespace platform
