#include "platform/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace platform {

namespace {

std::string iconvName(unsigned codePage) {
    switch (codePage) {
        case 10000:
            return "MACINTOSH";
        case 874:
        case 932:
        case 936:
        case 949:
        case 950:
        case 1361:
        case 437:
            return "CP" + std::to_string(codePage);
        default:
            if (codePage >= 1250 && codePage <= 1258) {
                return "CP" + std::to_string(codePage);
            }
            return "CP1252";
    }
}

class Converter {
  public:
    explicit Converter(const std::string& from, const char* to = "UTF-8")
        : cd_(iconv_open(to, from.c_str())) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            cd_ = iconv_open("UTF-8", "CP1252");
        }
    }
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

}  // namespace

std::string ansiToUtf8(std::string_view text, unsigned codePage) {
    Converter converter(iconvName(codePage));
    std::string out;
    if (!converter.valid()) {
        // Without converters keep ASCII and mark the rest.
        for (char c : text) {
            out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
        }
        return out;
    }
    std::string input(text);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // An undefined byte, or a lead byte without its trail byte at the
        // end: mark it and go on after it.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace platform

namespace platform {

std::optional<std::string> utf8ToAnsi(std::string_view text, unsigned codePage) {
    iconv_t cd = iconv_open(iconvName(codePage).c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string input(text);
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::string out;
    char buffer[1024];
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok) {
        return std::nullopt;
    }
    return out;
}

bool isLeadByte(unsigned char byte, unsigned codePage) {
    switch (codePage) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        case 1361:
            return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) ||
                   (byte >= 0xE0 && byte <= 0xF9);
        default:
            return false;
    }
}

}  // namespace platform
