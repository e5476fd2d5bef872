#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A read-only file with a known size and a read position that never leaves
// it: seeking past the end fails, reads stop at the end. Used by the parsers
// that read pieces of a film package by offset.
class FileReader {
  public:
    // Opens path for reading; nullopt with the reason in *error when it
    // cannot be opened or is not a regular file.
    static std::optional<FileReader> open(const std::string& path, std::string* error = nullptr);

    FileReader(FileReader&& other) noexcept;
    FileReader& operator=(FileReader&& other) noexcept;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return position_; }

    // Moves the read position to offset from the start; false (position
    // unchanged) when offset lies beyond the end. Offset == size() is allowed.
    bool seek(std::uint64_t offset);

    // Reads up to count bytes at the position and advances it; returns the
    // number read, 0 at the end of the file or on a read error.
    std::size_t read(void* destination, std::size_t count);

  private:
    FileReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

}  // namespace platform
