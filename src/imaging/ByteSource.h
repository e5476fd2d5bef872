#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {
class FileReader;
}

namespace imaging {

// Where a decoder's bytes come from: a film package at some offset, or
// memory (tests, the fuzz target). read() returns 0 at the end.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(std::uint8_t* destination, std::size_t count) = 0;
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t read(std::uint8_t* destination, std::size_t count) override;

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Reads on from the reader's current position.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(platform::FileReader& reader) : reader_(reader) {}
    std::size_t read(std::uint8_t* destination, std::size_t count) override;

  private:
    platform::FileReader& reader_;
};

}  // namespace imaging
