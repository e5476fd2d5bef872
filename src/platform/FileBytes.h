#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Result.h"

namespace platform {

// The whole content of a file; an error when it cannot be read or holds
// more than maxBytes.
Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path, std::uint64_t maxBytes);

// Replaces the file's content with bytes.
Result<bool> writeFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace platform
