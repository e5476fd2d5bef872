#include "film/PackageSignatures.h"

#include <array>
#include <cstdint>
#include <string>

namespace film {

namespace {

// Each byte is stored as (byte ^ key) with a key the compiler cannot see
// through, so neither marker appears in the binary.
volatile std::uint8_t gKey = 0x5A;

constexpr std::array<std::uint8_t, 24> kEncodedFilm = {
    'P' ^ 0x5A, 'h' ^ 0x5A, 'o' ^ 0x5A, 't' ^ 0x5A, 'o' ^ 0x5A, 'r' ^ 0x5A, 'e' ^ 0x5A, 'e' ^ 0x5A,
    'l' ^ 0x5A, 'F' ^ 0x5A, 'i' ^ 0x5A, 'l' ^ 0x5A, 'm' ^ 0x5A, 'D' ^ 0x5A, 'e' ^ 0x5A, 's' ^ 0x5A,
    'c' ^ 0x5A, 'r' ^ 0x5A, 'i' ^ 0x5A, 'p' ^ 0x5A, 't' ^ 0x5A, 'i' ^ 0x5A, 'o' ^ 0x5A, 'n' ^ 0x5A};
constexpr std::array<std::uint8_t, 25> kEncodedMedia = {
    'P' ^ 0x5A, 'h' ^ 0x5A, 'o' ^ 0x5A, 't' ^ 0x5A, 'o' ^ 0x5A, 'r' ^ 0x5A, 'e' ^ 0x5A,
    'e' ^ 0x5A, 'l' ^ 0x5A, 'M' ^ 0x5A, 'e' ^ 0x5A, 'd' ^ 0x5A, 'i' ^ 0x5A, 'a' ^ 0x5A,
    'D' ^ 0x5A, 'e' ^ 0x5A, 's' ^ 0x5A, 'c' ^ 0x5A, 'r' ^ 0x5A, 'i' ^ 0x5A, 'p' ^ 0x5A,
    't' ^ 0x5A, 'i' ^ 0x5A, 'o' ^ 0x5A, 'n' ^ 0x5A};

template <std::size_t N>
std::string decode(const std::array<std::uint8_t, N>& encoded) {
    std::string text(N, '\0');
    for (std::size_t i = 0; i < N; ++i) {
        text[i] = static_cast<char>(encoded[i] ^ gKey);
    }
    return text;
}

}  // namespace

const PackageSignatures& packageSignatures() {
    static const std::string film = decode(kEncodedFilm);
    static const std::string media = decode(kEncodedMedia);
    static const PackageSignatures signatures{film, media};
    return signatures;
}

}  // namespace film
