#include "film/FilmRecords.h"

#include <algorithm>
#include <cstring>

namespace film {

namespace {

// Offsets in the item record.
constexpr std::size_t ITEM_REF_MAIN = 0;
constexpr std::size_t ITEM_REF_SECOND = 1;
constexpr std::size_t ITEM_REF_LAST_FRAME = 3;
constexpr std::size_t ITEM_REF_MUSIC = 5;
constexpr std::size_t ITEM_INTEGERS = 3096;
constexpr std::size_t ITEM_RECT = 3128;

// Offsets in the text record.
constexpr std::size_t TEXT_ANIMATION = 4;
constexpr std::size_t TEXT_STRING = 8;
constexpr std::size_t TEXT_STYLE = 264;

std::int32_t loadInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

void storeInt32(std::uint8_t* p, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::span<const std::uint8_t, STORED_FILE_REF_SIZE> storedRef(const ItemRecord& record,
                                                              std::size_t index) {
    return std::span<const std::uint8_t, STORED_FILE_REF_SIZE>(
        record.data() + index * STORED_FILE_REF_SIZE, STORED_FILE_REF_SIZE);
}

std::span<std::uint8_t, STORED_FILE_REF_SIZE> storedRef(ItemRecord& record, std::size_t index) {
    return std::span<std::uint8_t, STORED_FILE_REF_SIZE>(
        record.data() + index * STORED_FILE_REF_SIZE, STORED_FILE_REF_SIZE);
}

}  // namespace

std::string decodeTextField(std::span<const std::uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

void encodeTextField(std::span<std::uint8_t> field, const std::string& text) {
    std::fill(field.begin(), field.end(), std::uint8_t{0});
    std::memcpy(field.data(), text.data(), std::min(text.size(), field.size() - 1));
}

FileRef decodeFileRef(std::span<const std::uint8_t, STORED_FILE_REF_SIZE> bytes) {
    return FileRef{decodeTextField(bytes.first(STORED_FOLDER_SIZE)),
                   decodeTextField(bytes.subspan(STORED_FOLDER_SIZE))};
}

void encodeFileRef(std::span<std::uint8_t, STORED_FILE_REF_SIZE> bytes, const FileRef& ref) {
    encodeTextField(bytes.first(STORED_FOLDER_SIZE), ref.folder);
    encodeTextField(bytes.subspan(STORED_FOLDER_SIZE), ref.fileName);
}

FilmItem decodeItemRecord(const ItemRecord& record) {
    FilmItem item;
    const std::uint8_t* ints = record.data() + ITEM_INTEGERS;
    item.storedWidth = loadInt32(ints + 0);
    item.storedHeight = loadInt32(ints + 4);
    item.duration = loadInt32(ints + 8);
    item.effect = loadInt32(ints + 12);
    item.transitionTime = loadInt32(ints + 16);
    item.number = loadInt32(ints + 20);
    item.type = loadInt32(ints + 24);
    item.musicCue = loadInt32(ints + 28);
    const std::uint8_t* rect = record.data() + ITEM_RECT;
    item.source =
        SourceRect{loadInt32(rect), loadInt32(rect + 4), loadInt32(rect + 8), loadInt32(rect + 12)};

    switch (item.type) {
        case ITEM_PHOTO:
            item.picture = decodeFileRef(storedRef(record, ITEM_REF_MAIN));
            item.overlay = decodeFileRef(storedRef(record, ITEM_REF_SECOND));
            break;
        case ITEM_CLIP:
            item.clip = decodeFileRef(storedRef(record, ITEM_REF_MAIN));
            item.firstFrameStill = decodeFileRef(storedRef(record, ITEM_REF_SECOND));
            item.lastFrameStill = decodeFileRef(storedRef(record, ITEM_REF_LAST_FRAME));
            break;
        case ITEM_SHOW:
            item.show = decodeFileRef(storedRef(record, ITEM_REF_MAIN));
            break;
        default:
            break;
    }
    item.music = decodeFileRef(storedRef(record, ITEM_REF_MUSIC));
    return item;
}

ItemRecord encodeItemRecord(const FilmItem& item) {
    ItemRecord record{};
    switch (item.type) {
        case ITEM_PHOTO:
            encodeFileRef(storedRef(record, ITEM_REF_MAIN), item.picture);
            encodeFileRef(storedRef(record, ITEM_REF_SECOND), item.overlay);
            break;
        case ITEM_CLIP:
            encodeFileRef(storedRef(record, ITEM_REF_MAIN), item.clip);
            encodeFileRef(storedRef(record, ITEM_REF_SECOND), item.firstFrameStill);
            encodeFileRef(storedRef(record, ITEM_REF_LAST_FRAME), item.lastFrameStill);
            break;
        case ITEM_SHOW:
            encodeFileRef(storedRef(record, ITEM_REF_MAIN), item.show);
            break;
        default:
            break;
    }
    encodeFileRef(storedRef(record, ITEM_REF_MUSIC), item.music);
    std::uint8_t* ints = record.data() + ITEM_INTEGERS;
    storeInt32(ints + 0, item.storedWidth);
    storeInt32(ints + 4, item.storedHeight);
    storeInt32(ints + 8, item.duration);
    storeInt32(ints + 12, item.effect);
    storeInt32(ints + 16, item.transitionTime);
    storeInt32(ints + 20, item.number);
    storeInt32(ints + 24, item.type);
    storeInt32(ints + 28, item.musicCue);
    std::uint8_t* rect = record.data() + ITEM_RECT;
    storeInt32(rect, item.source.left);
    storeInt32(rect + 4, item.source.top);
    storeInt32(rect + 8, item.source.right);
    storeInt32(rect + 12, item.source.bottom);
    return record;
}

DecodedText decodeTextRecord(const TextRecord& record) {
    DecodedText decoded;
    decoded.animation = loadInt32(record.data() + TEXT_ANIMATION);
    decoded.text = decodeTextField(
        std::span<const std::uint8_t>(record.data() + TEXT_STRING, TEXT_FIELD_SIZE));
    TextStyle::Bytes style;
    std::memcpy(style.data(), record.data() + TEXT_STYLE, TextStyle::SIZE);
    decoded.style = TextStyle(style);
    return decoded;
}

TextRecord encodeTextRecord(const TextTitle& title) {
    TextRecord record{};
    storeInt32(record.data(), title.number);
    storeInt32(record.data() + TEXT_ANIMATION, title.animation);
    encodeTextField(std::span<std::uint8_t>(record.data() + TEXT_STRING, TEXT_FIELD_SIZE),
                    title.text);
    std::memcpy(record.data() + TEXT_STYLE, title.style.bytes().data(), TextStyle::SIZE);
    return record;
}

}  // namespace film
