#include "film/PackageDetach.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

namespace film {

std::uint64_t findSignature(const platform::InputFile& file, std::string_view marker) {
    if (marker.empty()) {
        return 0;
    }
    // Chunks overlap by the marker's length less one, so a marker across a
    // chunk boundary is found too.
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<char> buffer(kChunk + marker.size());
    const std::boyer_moore_horspool_searcher searcher(marker.begin(), marker.end());
    std::uint64_t chunkStart = 0;
    std::size_t carried = 0;
    for (;;) {
        const std::size_t got = file.readAt(chunkStart + carried, buffer.data() + carried, kChunk);
        const std::size_t filled = carried + got;
        const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(filled);
        const auto hit = std::search(buffer.begin(), end, searcher);
        if (hit != end) {
            return chunkStart + static_cast<std::uint64_t>(hit - buffer.begin()) + marker.size();
        }
        if (got == 0) {
            return 0;
        }
        carried = std::min(filled, marker.size() - 1);
        std::copy(end - static_cast<std::ptrdiff_t>(carried), end, buffer.begin());
        chunkStart += filled - carried;
    }
}

int extractRange(const std::string& packagePath, std::int64_t offset, std::int64_t size,
                 const std::string& targetPath, const PumpOneMessage& pump) {
    if (offset < 0 || size <= 0) {
        return 0;
    }
    auto package = platform::InputFile::open(packagePath);
    if (!package || package->size() < static_cast<std::uint64_t>(offset) ||
        package->size() - static_cast<std::uint64_t>(offset) < static_cast<std::uint64_t>(size)) {
        return 0;
    }
    auto target =
        platform::OutputFile::open(targetPath, platform::OutputFile::Mode::TruncateExisting);
    if (!target) {
        return 0;
    }
    char piece[kDetachPieceBytes];
    auto position = static_cast<std::uint64_t>(offset);
    auto remaining = static_cast<std::uint64_t>(size);
    while (remaining > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining, sizeof piece));
        if (package->readAt(position, piece, want) != want || !target->write(piece, want)) {
            return 0;
        }
        position += want;
        remaining -= want;
        if (want == sizeof piece && pump) {
            pump();
        }
    }
    return target->close() ? 1 : 0;
}

std::optional<std::string> safeExtension(std::string_view storedName) {
    const auto dot = storedName.rfind('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view extension = storedName.substr(dot + 1);
    constexpr std::size_t kLongestExtension = 8;
    if (extension.empty() || extension.size() > kLongestExtension ||
        !std::all_of(extension.begin(), extension.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
        return std::nullopt;
    }
    return std::string(extension);
}

std::optional<std::string> makeTempName(platform::TempDirectory& directory,
                                        std::string_view storedName, int index) {
    std::string suffix;
    if (index != 0) {
        suffix = "_" + std::to_string(index);
    }
    if (auto extension = safeExtension(storedName)) {
        suffix += "." + *extension;
    }
    return directory.createFile("TMP", suffix);
}

std::string addIndexSuffix(const std::string& path, int n) {
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.rfind('.');
    const std::string suffix = "_" + std::to_string(n);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return path + suffix;
    }
    return path.substr(0, dot) + suffix + path.substr(dot);
}

}  // namespace film
