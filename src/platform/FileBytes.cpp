#include "platform/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace platform {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

Error ioError(const char* what, const std::string& path) {
    return Error{std::string(what) + " \"" + path + "\": " + std::strerror(errno)};
}

}  // namespace

Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path, std::uint64_t maxBytes) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return ioError("cannot open", path);
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got == 0) {
            break;
        }
        if (bytes.size() + got > maxBytes) {
            return Error{"\"" + path + "\" is larger than " + std::to_string(maxBytes) + " bytes"};
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) {
        return ioError("cannot read", path);
    }
    return bytes;
}

Result<bool> writeFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return ioError("cannot create", path);
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return ioError("cannot write", path);
    }
    if (std::fclose(file.release()) != 0) {
        return ioError("cannot write", path);
    }
    return true;
}

}  // namespace platform
