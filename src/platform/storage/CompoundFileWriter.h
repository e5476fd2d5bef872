#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace platform::storage {

enum class SectorSize { Bytes512, Bytes4096 };  // format versions 3 and 4

// Builds a compound file in memory: storages, streams (those under 4096
// bytes in the mini stream) and a balanced red-black directory tree per
// storage. For the authoring side and for test fixtures.
class CompoundFileWriter {
  public:
    using NodeId = std::size_t;
    static constexpr NodeId ROOT = 0;

    CompoundFileWriter();

    // Errors: the parent is not a storage; the name is empty, longer than
    // 31 UTF-16 units, holds '/', '\', ':' or '!', or is taken (names
    // compare as the format compares them, ignoring case).
    Result<NodeId> addStorage(NodeId parent, std::string_view name);
    Result<NodeId> addStream(NodeId parent, std::string_view name, std::vector<std::uint8_t> data);

    std::vector<std::uint8_t> serialize(SectorSize sectorSize = SectorSize::Bytes512) const;

  private:
    struct Node {
        std::u16string name;
        bool isStream = false;
        std::vector<std::uint8_t> data;
        std::vector<NodeId> children;
    };
    Result<NodeId> add(NodeId parent, std::string_view name, bool isStream,
                       std::vector<std::uint8_t> data);

    std::vector<Node> nodes_;
};

}  // namespace platform::storage
