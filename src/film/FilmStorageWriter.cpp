#include "film/FilmStorageWriter.h"

#include "film/FilmRecords.h"

namespace film {

namespace {

using platform::Error;
using platform::storage::CompoundFileWriter;

std::vector<std::uint8_t> int32Bytes(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

template <std::size_t N>
std::vector<std::uint8_t> toVector(const std::array<std::uint8_t, N>& bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

platform::Result<std::vector<std::uint8_t>> writeFilmStorage(
    const Film& film, platform::storage::SectorSize sectorSize) {
    CompoundFileWriter writer;
    const auto root = CompoundFileWriter::ROOT;
    std::array<std::uint8_t, STORED_FILE_REF_SIZE> music{};
    encodeFileRef(music, FileRef{film.musicFolder(), film.musicFile()});
    for (auto added : {writer.addStream(root, "VERSION", int32Bytes(FILM_FORMAT_VERSION)),
                       writer.addStream(root, "LOOP", int32Bytes(film.loop())),
                       writer.addStream(root, "AUTOPLAY", int32Bytes(film.playMode())),
                       writer.addStream(root, "BGMUSIC", toVector(music))}) {
        if (!added) {
            return Error{added.error()};
        }
    }
    for (std::int32_t number = 1; number <= film.itemCount(); ++number) {
        const FilmItem item = film.getItem(number);
        auto link = writer.addStorage(root, "FILMLINK" + std::to_string(number));
        if (!link) {
            return Error{link.error()};
        }
        auto record = writer.addStream(*link, "FILMITEM", toVector(encodeItemRecord(item)));
        if (!record) {
            return Error{record.error()};
        }
        if (item.title.empty()) {
            continue;
        }
        auto textList = writer.addStorage(*link, "TEXTLIST");
        if (!textList) {
            return Error{textList.error()};
        }
        for (std::size_t k = 0; k < item.title.size(); ++k) {
            auto text = writer.addStream(*textList, "TEXT" + std::to_string(k + 1),
                                         toVector(encodeTextRecord(item.title[k])));
            if (!text) {
                return Error{text.error()};
            }
        }
    }
    return writer.serialize(sectorSize);
}

}  // namespace film
