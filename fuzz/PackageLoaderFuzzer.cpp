// Package bytes in: the loader searches them for a film, detaches the
// document and the media into a private directory, reads the document and
// walks its items, as the viewer does. Seeds: fuzz/corpus/package_loader.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "film/FilmLoader.h"
#include "platform/BinaryFile.h"
#include "platform/Dialogs.h"
#include "platform/TempFiles.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::optional<platform::TempDirectory> inputs = platform::TempDirectory::create();
    if (!inputs || size > (1u << 20)) {
        return 0;
    }
    const std::string package = inputs->path() + "/input.flz";
    {
        auto out =
            platform::OutputFile::open(package, platform::OutputFile::Mode::CreateOrTruncate);
        if (!out || !out->write(data, size) || !out->close()) {
            return 0;
        }
    }
    auto detached = platform::TempDirectory::create();
    if (!detached) {
        return 0;
    }
    SilentDialogs dialogs;
    film::FilmLoader loader(dialogs, *detached, /*presentationViewerAvailable=*/true);
    film::Film film;
    loader.loadFilm(nullptr, film, package, /*mediaGraphAvailable=*/true);
    loader.releaseFilm(film);
    return 0;
}
