#include "platform/storage/CompoundFile.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/FileBytes.h"
#include "platform/storage/CompoundFileFormat.h"

namespace platform::storage {

namespace {

Error fault(const char* format, ...) __attribute__((format(printf, 1, 2)));

Error fault(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return Error{text};
}

// Compound files that films use are a few megabytes; this bounds what one
// read may hold in memory.
constexpr std::uint64_t MAX_FILE_BYTES = std::uint64_t{1} << 31;

// Storages nest this deep at most; deeper trees are treated as damage.
constexpr int MAX_STORAGE_DEPTH = 64;

// Sectors that hold size bytes. Version 4 sizes are 64-bit, so rounding up
// by adding first could wrap.
std::uint64_t unitsFor(std::uint64_t size, std::size_t unit) {
    return size / unit + (size % unit != 0 ? 1 : 0);
}

}  // namespace

std::size_t StreamReader::read(std::span<std::uint8_t> out) {
    std::size_t copied = 0;
    while (copied < out.size() && position_ < size_) {
        const std::size_t unit = static_cast<std::size_t>(position_ / unitSize_);
        const std::size_t within = static_cast<std::size_t>(position_ % unitSize_);
        std::size_t take = std::min(unitSize_ - within, out.size() - copied);
        take = static_cast<std::size_t>(std::min<std::uint64_t>(take, size_ - position_));
        std::memcpy(out.data() + copied, file_ + unitOffsets_[unit] + within, take);
        copied += take;
        position_ += take;
    }
    return copied;
}

Result<CompoundFile> CompoundFile::open(const std::string& path) {
    auto bytes = readFileBytes(path, MAX_FILE_BYTES);
    if (!bytes) {
        return Error{bytes.error()};
    }
    return parse(std::move(*bytes));
}

Result<CompoundFile> CompoundFile::parse(std::vector<std::uint8_t> bytes) {
    CompoundFile file;
    file.bytes_ = std::move(bytes);
    for (auto step :
         {&CompoundFile::readHeader, &CompoundFile::readFat, &CompoundFile::readDirectory,
          &CompoundFile::linkTree, &CompoundFile::readMiniStream}) {
        auto done = (file.*step)();
        if (!done) {
            return Error{done.error()};
        }
    }
    return file;
}

Result<bool> CompoundFile::readHeader() {
    if (bytes_.size() < CFB_HEADER_SIZE) {
        return fault("file of %zu bytes is shorter than a compound file header", bytes_.size());
    }
    const std::uint8_t* h = bytes_.data();
    if (std::memcmp(h, CFB_SIGNATURE, sizeof CFB_SIGNATURE) != 0) {
        return fault("no compound file signature");
    }
    majorVersion_ = loadLe16(h + 0x1A);
    if (loadLe16(h + 0x1C) != 0xFFFE) {
        return fault("byte order mark 0x%04X is not 0xFFFE", loadLe16(h + 0x1C));
    }
    const unsigned sectorShift = loadLe16(h + 0x1E);
    if (!((majorVersion_ == 3 && sectorShift == 9) || (majorVersion_ == 4 && sectorShift == 12))) {
        return fault("version %d with sector shift %u", majorVersion_, sectorShift);
    }
    sectorSize_ = std::size_t{1} << sectorShift;
    if (loadLe16(h + 0x20) != 6) {
        return fault("mini sector shift %u is not 6", loadLe16(h + 0x20));
    }
    if (loadLe32(h + 0x38) != CFB_MINI_STREAM_CUTOFF) {
        return fault("mini stream cutoff %u is not 4096", loadLe32(h + 0x38));
    }
    if (bytes_.size() < sectorSize_) {
        return fault("file of %zu bytes is shorter than its first sector", bytes_.size());
    }
    // Only whole sectors count: a sector cut off by the end of the file is
    // as absent as one past it.
    const std::size_t whole = bytes_.size() / sectorSize_ - 1;
    if (whole > CFB_MAXREGSECT) {
        return fault("file too large for the format");
    }
    sectorCount_ = static_cast<std::uint32_t>(whole);
    fatSectors_ = loadLe32(h + 0x2C);
    firstDirectorySector_ = loadLe32(h + 0x30);
    firstMiniFatSector_ = loadLe32(h + 0x3C);
    miniFatSectors_ = loadLe32(h + 0x40);
    firstDifatSector_ = loadLe32(h + 0x44);
    difatSectors_ = loadLe32(h + 0x48);
    if (fatSectors_ == 0 || fatSectors_ > sectorCount_) {
        return fault("%u FAT sectors in a file of %u sectors", fatSectors_, sectorCount_);
    }
    if (difatSectors_ > sectorCount_) {
        return fault("%u DIFAT sectors in a file of %u sectors", difatSectors_, sectorCount_);
    }
    if (miniFatSectors_ > sectorCount_) {
        return fault("%u mini FAT sectors in a file of %u sectors", miniFatSectors_, sectorCount_);
    }
    return true;
}

Result<bool> CompoundFile::readFat() {
    // The DIFAT: 109 entries in the header, then a chain of DIFAT sectors
    // whose last entry links to the next.
    std::vector<std::uint32_t> fatSectorList;
    fatSectorList.reserve(fatSectors_);
    for (std::size_t i = 0; i < CFB_HEADER_DIFAT_ENTRIES && fatSectorList.size() < fatSectors_;
         ++i) {
        fatSectorList.push_back(loadLe32(bytes_.data() + 0x4C + 4 * i));
    }
    const std::size_t perDifat = sectorSize_ / 4 - 1;
    std::vector<bool> seen(sectorCount_, false);
    std::uint32_t difat = firstDifatSector_;
    std::uint32_t difatRead = 0;
    while (fatSectorList.size() < fatSectors_) {
        if (difatRead == difatSectors_) {
            return fault("%u FAT sectors but the DIFAT lists only %zu", fatSectors_,
                         fatSectorList.size());
        }
        if (difat >= sectorCount_) {
            return fault("DIFAT sector %u of the chain lies outside the file (sector %u)",
                         difatRead, difat);
        }
        if (seen[difat]) {
            return fault("DIFAT chain loops at sector %u", difat);
        }
        seen[difat] = true;
        const std::uint8_t* p = bytes_.data() + sectorOffset(difat);
        for (std::size_t i = 0; i < perDifat && fatSectorList.size() < fatSectors_; ++i) {
            fatSectorList.push_back(loadLe32(p + 4 * i));
        }
        difat = loadLe32(p + 4 * perDifat);
        ++difatRead;
    }

    const std::size_t perSector = sectorSize_ / 4;
    fat_.assign(static_cast<std::size_t>(fatSectors_) * perSector, CFB_FREESECT);
    for (std::size_t k = 0; k < fatSectorList.size(); ++k) {
        const std::uint32_t sector = fatSectorList[k];
        if (sector >= sectorCount_) {
            return fault("FAT sector %zu lies outside the file (sector %u)", k, sector);
        }
        const std::uint8_t* p = bytes_.data() + sectorOffset(sector);
        for (std::size_t i = 0; i < perSector; ++i) {
            fat_[k * perSector + i] = loadLe32(p + 4 * i);
        }
    }

    // Each sector may follow at most one other. With that, a walk can only
    // come back to where it started, which followChain() checks, so chains
    // cannot loop.
    std::fill(seen.begin(), seen.end(), false);
    const std::size_t covered = std::min<std::size_t>(fat_.size(), sectorCount_);
    for (std::size_t i = 0; i < covered; ++i) {
        const std::uint32_t next = fat_[i];
        if (next < sectorCount_) {
            if (seen[next]) {
                return fault("FAT links to sector %u twice", next);
            }
            seen[next] = true;
        }
    }
    return true;
}

Result<std::vector<std::uint32_t>> CompoundFile::followChain(
    const std::vector<std::uint32_t>& table, std::uint32_t start, std::uint64_t count,
    std::uint32_t limit, const char* what) const {
    if (count > limit) {
        return fault("%s needs %llu sectors, the file holds %u", what,
                     static_cast<unsigned long long>(count), limit);
    }
    std::vector<std::uint32_t> chain;
    chain.reserve(static_cast<std::size_t>(count));
    std::uint32_t sector = start;
    for (std::uint64_t k = 0; k < count; ++k) {
        if (sector == CFB_ENDOFCHAIN) {
            return fault("chain of %s ends after %llu of %llu sectors", what,
                         static_cast<unsigned long long>(k),
                         static_cast<unsigned long long>(count));
        }
        if (sector >= limit || sector >= table.size()) {
            return fault("chain of %s leads to sector %u outside the file", what, sector);
        }
        chain.push_back(sector);
        sector = table[sector];
        if (sector == start) {
            return fault("chain of %s loops at sector %u", what, sector);
        }
    }
    return chain;
}

Result<bool> CompoundFile::readDirectory() {
    // The directory's length is its chain's: walk to the end, bounded by the
    // number of sectors (a chain cannot revisit a sector, see readFat()).
    std::vector<std::uint32_t> chain;
    std::uint32_t sector = firstDirectorySector_;
    while (sector != CFB_ENDOFCHAIN) {
        if (sector >= sectorCount_ || sector >= fat_.size()) {
            return fault("directory chain leads to sector %u outside the file", sector);
        }
        if (chain.size() >= sectorCount_) {
            return fault("directory chain is longer than the file");
        }
        chain.push_back(sector);
        sector = fat_[sector];
        if (sector == firstDirectorySector_) {
            return fault("directory chain loops at sector %u", sector);
        }
    }
    if (chain.empty()) {
        return fault("empty directory");
    }

    const std::size_t perSector = sectorSize_ / CFB_DIRECTORY_ENTRY_SIZE;
    entries_.reserve(chain.size() * perSector);
    for (std::uint32_t s : chain) {
        const std::uint8_t* base = bytes_.data() + sectorOffset(s);
        for (std::size_t i = 0; i < perSector; ++i) {
            const std::uint8_t* p = base + i * CFB_DIRECTORY_ENTRY_SIZE;
            const auto id = static_cast<unsigned>(entries_.size());
            Entry entry;
            entry.type = p[0x42];
            if (entry.type != CFB_TYPE_UNUSED && entry.type != CFB_TYPE_STORAGE &&
                entry.type != CFB_TYPE_STREAM && entry.type != CFB_TYPE_ROOT) {
                return fault("directory entry %u has object type %u", id, entry.type);
            }
            if (entry.type != CFB_TYPE_UNUSED) {
                const unsigned nameBytes = loadLe16(p + 0x40);
                if (nameBytes < 2 || nameBytes > 2 * (CFB_MAX_NAME_UNITS + 1) || nameBytes % 2) {
                    return fault("directory entry %u has a name length of %u bytes", id, nameBytes);
                }
                for (unsigned k = 0; k + 1 < nameBytes / 2; ++k) {
                    entry.name += static_cast<char16_t>(loadLe16(p + 2 * k));
                }
            }
            entry.left = loadLe32(p + 0x44);
            entry.right = loadLe32(p + 0x48);
            entry.child = loadLe32(p + 0x4C);
            entry.start = loadLe32(p + 0x74);
            entry.size = loadLe32(p + 0x78);
            // Version 3 writers may leave garbage in the high half.
            if (majorVersion_ == 4) {
                entry.size |= static_cast<std::uint64_t>(loadLe32(p + 0x7C)) << 32;
            }
            entries_.push_back(std::move(entry));
        }
    }
    if (entries_[0].type != CFB_TYPE_ROOT) {
        return fault("directory entry 0 is not the root storage");
    }
    return true;
}

Result<bool> CompoundFile::linkTree() {
    // Walk every storage's sibling tree in order, without recursion. Each
    // entry may be reached once; a second visit is a cycle or a shared node.
    std::vector<bool> visited(entries_.size(), false);
    visited[ROOT] = true;
    struct Pending {
        ElementId storage;
        int depth;
    };
    std::vector<Pending> storages{{ROOT, 0}};
    std::vector<ElementId> stack;
    while (!storages.empty()) {
        const Pending current = storages.back();
        storages.pop_back();
        if (current.depth > MAX_STORAGE_DEPTH) {
            return fault("storages nest deeper than %d levels", MAX_STORAGE_DEPTH);
        }
        std::vector<ElementId> children;
        std::uint32_t node = entries_[current.storage].child;
        stack.clear();
        while (node != CFB_NOSTREAM || !stack.empty()) {
            while (node != CFB_NOSTREAM) {
                if (node >= entries_.size()) {
                    return fault("directory link to entry %u outside the directory", node);
                }
                if (visited[node]) {
                    return fault("directory entry %u is linked twice", node);
                }
                const std::uint8_t type = entries_[node].type;
                if (type != CFB_TYPE_STORAGE && type != CFB_TYPE_STREAM) {
                    return fault("directory entry %u of type %u is linked as a child", node, type);
                }
                visited[node] = true;
                stack.push_back(node);
                node = entries_[node].left;
            }
            node = stack.back();
            stack.pop_back();
            children.push_back(node);
            if (entries_[node].type == CFB_TYPE_STORAGE) {
                storages.push_back({node, current.depth + 1});
            }
            node = entries_[node].right;
        }
        // Our own order, so that lookups do not depend on how well the
        // writer balanced or sorted the tree.
        std::stable_sort(children.begin(), children.end(), [this](ElementId a, ElementId b) {
            return compareElementNames(entries_[a].name, entries_[b].name) < 0;
        });
        entries_[current.storage].children = std::move(children);
    }
    return true;
}

Result<bool> CompoundFile::readMiniStream() {
    const Entry& root = entries_[ROOT];
    if (root.size == 0) {
        return true;
    }
    const std::uint64_t rootSectors = unitsFor(root.size, sectorSize_);
    auto chain = followChain(fat_, root.start, rootSectors, sectorCount_, "the mini stream");
    if (!chain) {
        return Error{chain.error()};
    }
    miniStreamSectors_ = std::move(*chain);

    auto miniFatChain =
        followChain(fat_, firstMiniFatSector_, miniFatSectors_, sectorCount_, "the mini FAT");
    if (!miniFatChain) {
        return Error{miniFatChain.error()};
    }
    const std::size_t perSector = sectorSize_ / 4;
    miniFat_.reserve(miniFatChain->size() * perSector);
    for (std::uint32_t s : *miniFatChain) {
        const std::uint8_t* p = bytes_.data() + sectorOffset(s);
        for (std::size_t i = 0; i < perSector; ++i) {
            miniFat_.push_back(loadLe32(p + 4 * i));
        }
    }
    // Every mini sector below this count lies inside the root's chain.
    miniSectorCount_ = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(miniFat_.size(), unitsFor(root.size, CFB_MINI_SECTOR_SIZE)));

    std::vector<bool> seen(miniSectorCount_, false);
    for (std::size_t i = 0; i < miniSectorCount_; ++i) {
        const std::uint32_t next = miniFat_[i];
        if (next < miniSectorCount_) {
            if (seen[next]) {
                return fault("mini FAT links to mini sector %u twice", next);
            }
            seen[next] = true;
        }
    }
    return true;
}

std::vector<Element> CompoundFile::elements(ElementId storage) const {
    std::vector<Element> out;
    if (storage >= entries_.size()) {
        return out;
    }
    out.reserve(entries_[storage].children.size());
    for (ElementId id : entries_[storage].children) {
        const Entry& e = entries_[id];
        Element element;
        element.id = id;
        element.name = utf16ToUtf8(e.name);
        element.kind = e.type == CFB_TYPE_STREAM ? ElementKind::Stream : ElementKind::Storage;
        element.size = e.type == CFB_TYPE_STREAM ? e.size : 0;
        out.push_back(std::move(element));
    }
    return out;
}

std::optional<ElementId> CompoundFile::findElement(ElementId storage, std::string_view name,
                                                   ElementKind kind) const {
    if (storage >= entries_.size()) {
        return std::nullopt;
    }
    const std::u16string wanted = utf8ToUtf16(name);
    const std::vector<ElementId>& children = entries_[storage].children;
    auto it = std::lower_bound(children.begin(), children.end(), wanted,
                               [this](ElementId id, const std::u16string& key) {
                                   return compareElementNames(entries_[id].name, key) < 0;
                               });
    if (it == children.end() || compareElementNames(entries_[*it].name, wanted) != 0) {
        return std::nullopt;
    }
    const bool isStream = entries_[*it].type == CFB_TYPE_STREAM;
    if (isStream != (kind == ElementKind::Stream)) {
        return std::nullopt;
    }
    return *it;
}

Result<StreamReader> CompoundFile::openStream(ElementId parent, std::string_view name) const {
    auto id = findElement(parent, name, ElementKind::Stream);
    if (!id) {
        return fault("no stream \"%.*s\"", static_cast<int>(name.size()), name.data());
    }
    return openStream(*id);
}

Result<StreamReader> CompoundFile::openStream(ElementId stream) const {
    if (stream >= entries_.size() || entries_[stream].type != CFB_TYPE_STREAM) {
        return fault("element %u is not a stream", stream);
    }
    const Entry& entry = entries_[stream];
    std::vector<std::size_t> offsets;
    if (entry.size == 0) {
        return StreamReader(bytes_.data(), std::move(offsets), sectorSize_, 0);
    }
    if (entry.size < CFB_MINI_STREAM_CUTOFF) {
        const std::uint64_t count = unitsFor(entry.size, CFB_MINI_SECTOR_SIZE);
        auto chain = followChain(miniFat_, entry.start, count, miniSectorCount_, "a small stream");
        if (!chain) {
            return Error{chain.error()};
        }
        offsets.reserve(chain->size());
        for (std::uint32_t mini : *chain) {
            const std::size_t at = static_cast<std::size_t>(mini) * CFB_MINI_SECTOR_SIZE;
            offsets.push_back(sectorOffset(miniStreamSectors_[at / sectorSize_]) +
                              at % sectorSize_);
        }
        return StreamReader(bytes_.data(), std::move(offsets), CFB_MINI_SECTOR_SIZE, entry.size);
    }
    const std::uint64_t count = unitsFor(entry.size, sectorSize_);
    auto chain = followChain(fat_, entry.start, count, sectorCount_, "a stream");
    if (!chain) {
        return Error{chain.error()};
    }
    offsets.reserve(chain->size());
    for (std::uint32_t sector : *chain) {
        offsets.push_back(sectorOffset(sector));
    }
    return StreamReader(bytes_.data(), std::move(offsets), sectorSize_, entry.size);
}

}  // namespace platform::storage
