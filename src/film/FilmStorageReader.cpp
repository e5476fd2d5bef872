#include "film/FilmStorageReader.h"

#include <cstring>

#include "film/FilmRecords.h"
#include "film/ShowMessage.h"

namespace film {

namespace {

using platform::storage::CompoundFile;
using platform::storage::ElementId;
using platform::storage::ElementKind;

// Reads exactly out.size() bytes from the start of a stream; false when the
// stream is missing, broken or shorter.
template <std::size_t N>
bool readFixed(const CompoundFile& document, ElementId parent, const char* name,
               std::array<std::uint8_t, N>& out) {
    auto stream = document.openStream(parent, name);
    return stream && stream->read(out) == N;
}

bool readInt32(const CompoundFile& document, const char* name, std::int32_t& value) {
    std::array<std::uint8_t, 4> bytes;
    if (!readFixed(document, CompoundFile::ROOT, name, bytes)) {
        return false;
    }
    value = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

// Indices at or above the table size become its last entry; negative ones
// are kept for the consumers to range-test.
std::int32_t clampIndex(std::int32_t index, int tableSize) {
    if (index >= tableSize) {
        return tableSize > 0 ? tableSize - 1 : 0;
    }
    return index;
}

int failWith(std::string* error, std::string reason) {
    if (error) {
        *error = std::move(reason);
    }
    return 0;
}

// Reads the texts of one item's "TEXTLIST" storage; a missing or short
// TEXTk ends the title without failing the document.
void readTitle(Film& film, std::int32_t itemNumber, const CompoundFile& document,
               ElementId textList, const EffectTableSizes& sizes) {
    const auto elements = document.elements(textList);
    for (std::size_t k = 1; k <= elements.size(); ++k) {
        TextRecord record;
        const std::string name = "TEXT" + std::to_string(k);
        if (!readFixed(document, textList, name.c_str(), record)) {
            return;
        }
        DecodedText text = decodeTextRecord(record);
        film.attachText(itemNumber, clampIndex(text.animation, sizes.titleAnimations), text.text,
                        text.style);
    }
}

}  // namespace

int readFilmStorage(Film& film, const std::string& path, platform::Dialogs& dialogs,
                    std::string* error, const EffectTableSizes& sizes) {
    auto document = CompoundFile::open(path);
    if (!document) {
        return failWith(error, document.error());
    }
    return readFilmStorage(film, *document, dialogs, error, sizes);
}

int readFilmStorage(Film& film, const CompoundFile& document, platform::Dialogs& dialogs,
                    std::string* error, const EffectTableSizes& sizes) {
    FileRef music;
    std::array<std::uint8_t, STORED_FILE_REF_SIZE> musicBytes;
    if (readFixed(document, CompoundFile::ROOT, "BGMUSIC", musicBytes)) {
        music = decodeFileRef(musicBytes);
    }

    std::int32_t version = 0;
    if (!readInt32(document, "VERSION", version)) {
        return failWith(error, "no VERSION stream of 4 bytes");
    }
    const auto storedVersion = static_cast<std::uint32_t>(version);
    if (storedVersion > FILM_FORMAT_VERSION) {
        showMessage(dialogs, platform::MB_OK, 0, nullptr, STR_NEWER_VERSION,
                    "This film requires a newer version of Photoreel");
        return failWith(error, "format version " + std::to_string(storedVersion) +
                                   " is newer than " + std::to_string(FILM_FORMAT_VERSION));
    }
    if (storedVersion < FILM_FORMAT_VERSION) {
        return failWith(error, "format version " + std::to_string(storedVersion) +
                                   " is older than " + std::to_string(FILM_FORMAT_VERSION));
    }

    std::int32_t value = 0;
    if (readInt32(document, "LOOP", value)) {
        film.setLoop(value);
    }
    if (readInt32(document, "AUTOPLAY", value)) {
        film.setPlayMode(value);
    }
    film.setMusicPath(joinFileRef(music));

    // Every element that is not a stream stands for one link, opened by its
    // counter whatever it is called.
    int result = 1;
    bool tooMany = false;
    int link = 0;
    for (const auto& element : document.elements(CompoundFile::ROOT)) {
        if (element.kind == ElementKind::Stream) {
            continue;
        }
        ++link;
        const std::string linkName = "FILMLINK" + std::to_string(link);
        const auto storage = document.openStorage(CompoundFile::ROOT, linkName);
        if (!storage) {
            result = failWith(error, "no storage " + linkName);
            break;
        }
        ItemRecord record;
        if (!readFixed(document, *storage, "FILMITEM", record)) {
            result = failWith(error, linkName + " has no FILMITEM stream of " +
                                         std::to_string(ITEM_RECORD_SIZE) + " bytes");
            break;
        }
        FilmItem item = decodeItemRecord(record);
        item.effect = clampIndex(item.effect, sizes.transitions);
        if (link > MAX_FILM_LINKS) {
            tooMany = true;
            continue;
        }
        const std::int32_t number = film.addItem(item);
        if (const auto textList = document.openStorage(*storage, "TEXTLIST")) {
            readTitle(film, number, document, *textList, sizes);
        }
    }

    if (tooMany) {
        showMessage(dialogs, platform::MB_OK, 0, "Warning", STR_TOO_MANY_ITEMS, nullptr);
    }
    return result;
}

}  // namespace film
