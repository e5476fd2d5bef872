#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/BinaryFile.h"
#include "platform/TempFiles.h"

namespace film {

// Position just past the first occurrence of marker in the file, or 0 when
// it does not occur.
std::uint64_t findSignature(const platform::InputFile& file, std::string_view marker);

// Called after every full piece a copy moves, so the main window can take one
// pending message and stay responsive during long copies.
using PumpOneMessage = std::function<void()>;

inline constexpr std::size_t kDetachPieceBytes = 2048;

// Copies size bytes at offset of the package into target (which must exist:
// TempDirectory::createFile made it), in pieces of 2048 bytes. 0 when the
// offset is negative, the size not positive, the package shorter than
// offset + size, or a read or write falls short; else 1.
int extractRange(const std::string& packagePath, std::int64_t offset, std::int64_t size,
                 const std::string& targetPath, const PumpOneMessage& pump);

// The extension of a stored name (after its last '.'), when it is a short
// run of letters and digits; stored names come from the package, so anything
// else is refused rather than allowed to shape a path.
std::optional<std::string> safeExtension(std::string_view storedName);

// A new, empty temporary file "TMP<unique>[_index].<extension>" in our
// private directory; index 0 adds no suffix. An unsafe or missing extension
// gives a name without one.
std::optional<std::string> makeTempName(platform::TempDirectory& directory,
                                        std::string_view storedName, int index = 0);

// Inserts "_" and n between the base name and the extension of a path:
// TMP1A2.avi becomes TMP1A2_3.avi for n = 3.
std::string addIndexSuffix(const std::string& path, int n);

}  // namespace film
