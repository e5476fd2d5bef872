// The compound file reader and the film storage reader on arbitrary bytes:
// parse, walk every storage, read every stream, then read the film.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "film/Film.h"
#include "film/FilmStorageReader.h"
#include "platform/TextEncoding.h"
#include "platform/storage/CompoundFile.h"

namespace {

class SilentDialogs final : public platform::Dialogs {
  public:
    int messageBox(const std::string&, const std::string&, unsigned) override {
        return platform::IDOK;
    }
    std::optional<std::string> openFile(const platform::OpenFileRequest&) override {
        return std::nullopt;
    }
};

// Film documents are a few megabytes at most; larger inputs only slow the
// search down.
constexpr std::size_t MAX_INPUT = 1 << 20;

void readEverything(const platform::storage::CompoundFile& file) {
    std::vector<platform::storage::ElementId> storages{platform::storage::CompoundFile::ROOT};
    std::vector<std::uint8_t> buffer(4096);
    while (!storages.empty()) {
        const auto storage = storages.back();
        storages.pop_back();
        for (const auto& element : file.elements(storage)) {
            if (element.kind == platform::storage::ElementKind::Storage) {
                storages.push_back(element.id);
                continue;
            }
            auto stream = file.openStream(element.id);
            if (stream) {
                while (stream->read(buffer) == buffer.size()) {
                }
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > MAX_INPUT) {
        return 0;
    }
    auto file =
        platform::storage::CompoundFile::parse(std::vector<std::uint8_t>(data, data + size));
    if (!file) {
        return 0;
    }
    readEverything(*file);

    film::Film film;
    SilentDialogs dialogs;
    std::string error;
    film::readFilmStorage(film, *file, dialogs, &error);
    for (std::int32_t n = 1; n <= film.itemCount(); ++n) {
        for (const film::TextTitle& title : film.getItem(n).title) {
            platform::ansiToUtf8(title.text, film::codePageForCharSet(title.style.charSet()));
        }
    }
    return 0;
}
