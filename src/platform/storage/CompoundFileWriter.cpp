#include "platform/storage/CompoundFileWriter.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/storage/CompoundFileFormat.h"

namespace platform::storage {

CompoundFileWriter::CompoundFileWriter() {
    nodes_.push_back(Node{u"Root Entry", false, {}, {}});
}

Result<CompoundFileWriter::NodeId> CompoundFileWriter::addStorage(NodeId parent,
                                                                  std::string_view name) {
    return add(parent, name, false, {});
}

Result<CompoundFileWriter::NodeId> CompoundFileWriter::addStream(NodeId parent,
                                                                 std::string_view name,
                                                                 std::vector<std::uint8_t> data) {
    return add(parent, name, true, std::move(data));
}

Result<CompoundFileWriter::NodeId> CompoundFileWriter::add(NodeId parent, std::string_view name,
                                                           bool isStream,
                                                           std::vector<std::uint8_t> data) {
    if (parent >= nodes_.size() || nodes_[parent].isStream) {
        return Error{"the parent of \"" + std::string(name) + "\" is not a storage"};
    }
    std::u16string wide = utf8ToUtf16(name);
    if (wide.empty() || wide.size() > CFB_MAX_NAME_UNITS) {
        return Error{"element name \"" + std::string(name) + "\" is empty or too long"};
    }
    if (wide.find_first_of(u"/\\:!") != std::u16string::npos) {
        return Error{"element name \"" + std::string(name) + "\" holds a reserved character"};
    }
    for (NodeId sibling : nodes_[parent].children) {
        if (compareElementNames(nodes_[sibling].name, wide) == 0) {
            return Error{"element name \"" + std::string(name) + "\" is taken"};
        }
    }
    if (isStream && data.size() > 0xFFFFFFFFu) {
        return Error{"stream \"" + std::string(name) + "\" is too large"};
    }
    const NodeId id = nodes_.size();
    nodes_.push_back(Node{std::move(wide), isStream, std::move(data), {}});
    nodes_[parent].children.push_back(id);
    return id;
}

namespace {

struct DirectoryLinks {
    std::uint32_t left = CFB_NOSTREAM;
    std::uint32_t right = CFB_NOSTREAM;
    std::uint32_t child = CFB_NOSTREAM;
    std::uint8_t color = CFB_COLOR_BLACK;
};

std::size_t sectorsFor(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit;
}

// Appends a chain of count consecutive sectors starting at first.
void chainSectors(std::vector<std::uint32_t>& table, std::size_t first, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        table[first + i] =
            i + 1 < count ? static_cast<std::uint32_t>(first + i + 1) : CFB_ENDOFCHAIN;
    }
}

}  // namespace

std::vector<std::uint8_t> CompoundFileWriter::serialize(SectorSize sectorSize) const {
    const std::size_t ss = sectorSize == SectorSize::Bytes512 ? 512 : 4096;
    const std::size_t n = nodes_.size();

    // Directory tree: each storage's children sorted in the format's order
    // and built into a balanced tree. Halving at the middle keeps every
    // path to a missing child within one node of the others, so colouring
    // the deepest level red (below a black root) keeps the red-black rules.
    std::vector<DirectoryLinks> links(n);
    for (NodeId id = 0; id < n; ++id) {
        if (nodes_[id].isStream || nodes_[id].children.empty()) {
            continue;
        }
        std::vector<NodeId> sorted = nodes_[id].children;
        std::sort(sorted.begin(), sorted.end(), [this](NodeId a, NodeId b) {
            return compareElementNames(nodes_[a].name, nodes_[b].name) < 0;
        });
        int deepest = 0;
        for (std::size_t count = sorted.size(); count > 1; count >>= 1) {
            ++deepest;
        }
        std::function<std::uint32_t(std::size_t, std::size_t, int)> build =
            [&](std::size_t lo, std::size_t hi, int depth) -> std::uint32_t {
            if (lo >= hi) {
                return CFB_NOSTREAM;
            }
            const std::size_t mid = lo + (hi - lo) / 2;
            const NodeId node = sorted[mid];
            links[node].left = build(lo, mid, depth + 1);
            links[node].right = build(mid + 1, hi, depth + 1);
            links[node].color = depth == deepest && depth > 0 ? CFB_COLOR_RED : CFB_COLOR_BLACK;
            return static_cast<std::uint32_t>(node);
        };
        links[id].child = build(0, sorted.size(), 0);
    }

    // Stream placement: small streams in the mini stream, the rest in
    // regular sectors.
    std::vector<std::uint32_t> start(n, CFB_ENDOFCHAIN);
    std::vector<std::uint32_t> miniFat;
    std::vector<std::uint8_t> miniStream;
    std::vector<NodeId> bigStreams;
    for (NodeId id = 1; id < n; ++id) {
        const Node& node = nodes_[id];
        if (!node.isStream || node.data.empty()) {
            continue;
        }
        if (node.data.size() >= CFB_MINI_STREAM_CUTOFF) {
            bigStreams.push_back(id);
            continue;
        }
        const std::size_t first = miniFat.size();
        const std::size_t count = sectorsFor(node.data.size(), CFB_MINI_SECTOR_SIZE);
        miniFat.resize(first + count);
        chainSectors(miniFat, first, count);
        start[id] = static_cast<std::uint32_t>(first);
        miniStream.insert(miniStream.end(), node.data.begin(), node.data.end());
        miniStream.resize((first + count) * CFB_MINI_SECTOR_SIZE, 0);
    }

    // Sector layout: mini stream, big streams, mini FAT, directory, FAT,
    // DIFAT.
    std::size_t next = 0;
    const std::size_t miniStreamFirst = next;
    const std::size_t miniStreamSectors = sectorsFor(miniStream.size(), ss);
    next += miniStreamSectors;
    std::vector<std::pair<std::size_t, std::size_t>> bigPlacement;  // first, count
    for (NodeId id : bigStreams) {
        const std::size_t count = sectorsFor(nodes_[id].data.size(), ss);
        bigPlacement.emplace_back(next, count);
        start[id] = static_cast<std::uint32_t>(next);
        next += count;
    }
    const std::size_t miniFatFirst = next;
    const std::size_t miniFatSectors = sectorsFor(miniFat.size() * 4, ss);
    next += miniFatSectors;
    const std::size_t directoryFirst = next;
    const std::size_t directorySectors = sectorsFor(n * CFB_DIRECTORY_ENTRY_SIZE, ss);
    next += directorySectors;

    const std::size_t perFat = ss / 4;
    const std::size_t perDifat = ss / 4 - 1;
    std::size_t fatSectors = 1;
    std::size_t difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > CFB_HEADER_DIFAT_ENTRIES
                           ? sectorsFor(fatSectors - CFB_HEADER_DIFAT_ENTRIES, perDifat)
                           : 0;
        if (fatSectors * perFat >= next + fatSectors + difatSectors) {
            break;
        }
        ++fatSectors;
    }
    const std::size_t fatFirst = next;
    const std::size_t difatFirst = fatFirst + fatSectors;
    const std::size_t total = difatFirst + difatSectors;

    std::vector<std::uint32_t> fat(fatSectors * perFat, CFB_FREESECT);
    chainSectors(fat, miniStreamFirst, miniStreamSectors);
    for (auto [first, count] : bigPlacement) {
        chainSectors(fat, first, count);
    }
    chainSectors(fat, miniFatFirst, miniFatSectors);
    chainSectors(fat, directoryFirst, directorySectors);
    for (std::size_t i = 0; i < fatSectors; ++i) {
        fat[fatFirst + i] = CFB_FATSECT;
    }
    for (std::size_t i = 0; i < difatSectors; ++i) {
        fat[difatFirst + i] = CFB_DIFSECT;
    }

    std::vector<std::uint8_t> out((total + 1) * ss, 0);
    auto sector = [&](std::size_t index) { return out.data() + (index + 1) * ss; };

    // Header.
    std::uint8_t* h = out.data();
    std::memcpy(h, CFB_SIGNATURE, sizeof CFB_SIGNATURE);
    storeLe16(h + 0x18, 0x003E);
    storeLe16(h + 0x1A, ss == 512 ? 3 : 4);
    storeLe16(h + 0x1C, 0xFFFE);
    storeLe16(h + 0x1E, ss == 512 ? 9 : 12);
    storeLe16(h + 0x20, 6);
    storeLe32(h + 0x28, ss == 512 ? 0 : static_cast<std::uint32_t>(directorySectors));
    storeLe32(h + 0x2C, static_cast<std::uint32_t>(fatSectors));
    storeLe32(h + 0x30, static_cast<std::uint32_t>(directoryFirst));
    storeLe32(h + 0x38, CFB_MINI_STREAM_CUTOFF);
    storeLe32(h + 0x3C, miniFatSectors ? static_cast<std::uint32_t>(miniFatFirst) : CFB_ENDOFCHAIN);
    storeLe32(h + 0x40, static_cast<std::uint32_t>(miniFatSectors));
    storeLe32(h + 0x44, difatSectors ? static_cast<std::uint32_t>(difatFirst) : CFB_ENDOFCHAIN);
    storeLe32(h + 0x48, static_cast<std::uint32_t>(difatSectors));
    for (std::size_t i = 0; i < CFB_HEADER_DIFAT_ENTRIES; ++i) {
        storeLe32(h + 0x4C + 4 * i,
                  i < fatSectors ? static_cast<std::uint32_t>(fatFirst + i) : CFB_FREESECT);
    }

    // Contents.
    if (!miniStream.empty()) {
        std::memcpy(sector(miniStreamFirst), miniStream.data(), miniStream.size());
    }
    for (std::size_t k = 0; k < bigStreams.size(); ++k) {
        const auto& data = nodes_[bigStreams[k]].data;
        std::memcpy(sector(bigPlacement[k].first), data.data(), data.size());
    }
    for (std::size_t i = 0; i < miniFatSectors * perFat; ++i) {
        storeLe32(sector(miniFatFirst) + 4 * i, i < miniFat.size() ? miniFat[i] : CFB_FREESECT);
    }
    for (std::size_t i = 0; i < directorySectors * ss / CFB_DIRECTORY_ENTRY_SIZE; ++i) {
        std::uint8_t* p = sector(directoryFirst) + i * CFB_DIRECTORY_ENTRY_SIZE;
        if (i >= n) {
            storeLe32(p + 0x44, CFB_NOSTREAM);
            storeLe32(p + 0x48, CFB_NOSTREAM);
            storeLe32(p + 0x4C, CFB_NOSTREAM);
            continue;
        }
        const Node& node = nodes_[i];
        for (std::size_t k = 0; k < node.name.size(); ++k) {
            storeLe16(p + 2 * k, node.name[k]);
        }
        storeLe16(p + 0x40, static_cast<std::uint16_t>((node.name.size() + 1) * 2));
        p[0x42] = i == ROOT ? CFB_TYPE_ROOT : node.isStream ? CFB_TYPE_STREAM : CFB_TYPE_STORAGE;
        p[0x43] = links[i].color;
        storeLe32(p + 0x44, links[i].left);
        storeLe32(p + 0x48, links[i].right);
        storeLe32(p + 0x4C, links[i].child);
        if (i == ROOT) {
            storeLe32(p + 0x74, miniStream.empty() ? CFB_ENDOFCHAIN
                                                   : static_cast<std::uint32_t>(miniStreamFirst));
            storeLe32(p + 0x78, static_cast<std::uint32_t>(miniStream.size()));
        } else if (node.isStream) {
            storeLe32(p + 0x74, start[i]);
            storeLe32(p + 0x78, static_cast<std::uint32_t>(node.data.size()));
        }
    }
    for (std::size_t i = 0; i < fat.size(); ++i) {
        storeLe32(sector(fatFirst) + 4 * i, fat[i]);
    }
    for (std::size_t d = 0; d < difatSectors; ++d) {
        std::uint8_t* p = sector(difatFirst + d);
        for (std::size_t i = 0; i < perDifat; ++i) {
            const std::size_t k = CFB_HEADER_DIFAT_ENTRIES + d * perDifat + i;
            storeLe32(p + 4 * i,
                      k < fatSectors ? static_cast<std::uint32_t>(fatFirst + k) : CFB_FREESECT);
        }
        storeLe32(p + 4 * perDifat, d + 1 < difatSectors
                                        ? static_cast<std::uint32_t>(difatFirst + d + 1)
                                        : CFB_ENDOFCHAIN);
    }
    return out;
}

}  // namespace platform::storage
