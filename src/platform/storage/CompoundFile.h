#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace platform::storage {

// Index of an element in the compound file's directory; the root storage
// is 0.
using ElementId = std::uint32_t;

enum class ElementKind { Storage, Stream };

// One child of a storage, as an enumeration returns it.
struct Element {
    ElementId id = 0;
    std::string name;  // UTF-8
    ElementKind kind = ElementKind::Stream;
    std::uint64_t size = 0;  // streams only
};

class CompoundFile;

// A stream opened for reading. Its sector chain was checked when it was
// opened, so reads only copy. It reads from the CompoundFile that opened
// it, which must outlive it.
class StreamReader {
  public:
    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return position_; }

    // Copies up to out.size() bytes from the current position and returns
    // how many were copied (fewer only at the end of the stream).
    std::size_t read(std::span<std::uint8_t> out);

  private:
    friend class CompoundFile;
    StreamReader(const std::uint8_t* file, std::vector<std::size_t> unitOffsets,
                 std::size_t unitSize, std::uint64_t size)
        : file_(file), unitOffsets_(std::move(unitOffsets)), unitSize_(unitSize), size_(size) {}

    const std::uint8_t* file_;
    std::vector<std::size_t> unitOffsets_;  // file offset of each sector of the stream, in order
    std::size_t unitSize_;                  // 64 in the mini stream, else the sector size
    std::uint64_t size_;
    std::uint64_t position_ = 0;
};

// A compound file ([MS-CFB], versions 3 and 4) read from memory. parse()
// checks the header, the FAT with its DIFAT, the mini FAT, the mini stream
// and the whole directory tree up front; a file that passes can then be
// walked without further structural failures except in stream chains,
// which are checked when a stream is opened. Nothing is allocated from a
// size the file states before that size is checked against the file's
// length.
class CompoundFile {
  public:
    static Result<CompoundFile> parse(std::vector<std::uint8_t> bytes);
    // Reads the whole file, then parses it.
    static Result<CompoundFile> open(const std::string& path);

    static constexpr ElementId ROOT = 0;

    // The children of a storage, in the format's name order.
    std::vector<Element> elements(ElementId storage) const;

    // The child of a storage with that name (compared as the format does,
    // ignoring case), when it is of the asked kind.
    std::optional<ElementId> findElement(ElementId storage, std::string_view name,
                                         ElementKind kind) const;
    std::optional<ElementId> openStorage(ElementId parent, std::string_view name) const {
        return findElement(parent, name, ElementKind::Storage);
    }
    Result<StreamReader> openStream(ElementId parent, std::string_view name) const;
    Result<StreamReader> openStream(ElementId stream) const;

    std::size_t sectorSize() const { return sectorSize_; }

  private:
    struct Entry {
        std::u16string name;
        std::uint8_t type = 0;
        std::uint32_t left = 0, right = 0, child = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
        std::vector<ElementId> children;  // storages only, in name order
    };

    CompoundFile() = default;

    Result<bool> readHeader();
    Result<bool> readFat();
    Result<bool> readDirectory();
    Result<bool> linkTree();
    Result<bool> readMiniStream();
    Result<std::vector<std::uint32_t>> followChain(const std::vector<std::uint32_t>& table,
                                                   std::uint32_t start, std::uint64_t count,
                                                   std::uint32_t limit, const char* what) const;
    std::size_t sectorOffset(std::uint32_t sector) const {
        return (static_cast<std::size_t>(sector) + 1) * sectorSize_;
    }

    std::vector<std::uint8_t> bytes_;
    std::size_t sectorSize_ = 512;
    int majorVersion_ = 3;
    std::uint32_t sectorCount_ = 0;  // whole sectors after the header
    std::uint32_t fatSectors_ = 0;
    std::uint32_t firstDirectorySector_ = 0;
    std::uint32_t firstMiniFatSector_ = 0;
    std::uint32_t miniFatSectors_ = 0;
    std::uint32_t firstDifatSector_ = 0;
    std::uint32_t difatSectors_ = 0;

    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<std::uint32_t> miniStreamSectors_;  // the root's chain
    std::uint32_t miniSectorCount_ = 0;
    std::vector<Entry> entries_;
};

}  // namespace platform::storage
