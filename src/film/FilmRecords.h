#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "film/FilmItem.h"

// The fixed-size records of a film document: stored file references, the
// item record ("FILMITEM") and the text record ("TEXTn"). Little-endian,
// 8-bit text in zero-terminated fields.
namespace film {

inline constexpr std::uint32_t FILM_FORMAT_VERSION = 200;

inline constexpr std::size_t STORED_FOLDER_SIZE = 260;
inline constexpr std::size_t STORED_FILE_NAME_SIZE = 256;
inline constexpr std::size_t STORED_FILE_REF_SIZE = STORED_FOLDER_SIZE + STORED_FILE_NAME_SIZE;
inline constexpr std::size_t ITEM_RECORD_SIZE = 3144;
inline constexpr std::size_t TEXT_RECORD_SIZE = 360;
inline constexpr std::size_t TEXT_FIELD_SIZE = 256;

using ItemRecord = std::array<std::uint8_t, ITEM_RECORD_SIZE>;
using TextRecord = std::array<std::uint8_t, TEXT_RECORD_SIZE>;

// A text field ends at its first zero byte, or at its width without one.
std::string decodeTextField(std::span<const std::uint8_t> field);
// Writes text cut to width - 1 bytes, zero-filled.
void encodeTextField(std::span<std::uint8_t> field, const std::string& text);

FileRef decodeFileRef(std::span<const std::uint8_t, STORED_FILE_REF_SIZE> bytes);
void encodeFileRef(std::span<std::uint8_t, STORED_FILE_REF_SIZE> bytes, const FileRef& ref);

// The record's file references go to the fields its type uses (a type the
// viewer does not know keeps only the music reference); the record's own
// number is kept in the returned item but the Film assigns its own.
FilmItem decodeItemRecord(const ItemRecord& record);
ItemRecord encodeItemRecord(const FilmItem& item);

struct DecodedText {
    std::int32_t animation = 0;
    std::string text;
    TextStyle style;
};
DecodedText decodeTextRecord(const TextRecord& record);
TextRecord encodeTextRecord(const TextTitle& title);

}  // namespace film
