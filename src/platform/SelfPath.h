#pragma once

#include <string>

namespace platform {

// Full path of the running executable (a self-running show carries its film
// inside it); empty when it cannot be found.
std::string executablePath();

// Whether a regular file exists at path and can be opened for reading.
bool isReadableFile(const std::string& path);

}  // namespace platform
