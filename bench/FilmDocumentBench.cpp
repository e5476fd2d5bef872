// Reading a film document of 1000 items with 10 titles each: the compound
// file parse alone, the whole read from memory and from a file, against a
// plain copy of the document's bytes as the yardstick.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>

#include "film/Film.h"
#include "film/FilmStorageReader.h"
#include "film/FilmStorageWriter.h"
#include "platform/FileBytes.h"
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

const std::vector<std::uint8_t>& largeDocument() {
    static const std::vector<std::uint8_t> bytes = [] {
        film::Film film;
        film.setMusicPath("C:\\Music\\theme.mp3");
        film::TextStyle style;
        style.setFont(-32, 700, false, 0, "Arial");
        for (int n = 1; n <= 1000; ++n) {
            film::FilmItem item;
            item.type = film::ITEM_PHOTO;
            item.picture = {"C:\\Pictures\\Holiday", "photo" + std::to_string(n) + ".jpg"};
            item.storedWidth = 1600;
            item.storedHeight = 1200;
            item.duration = 4;
            item.effect = n % 99;
            item.transitionTime = 1000;
            film.addItem(item);
            for (int k = 1; k <= 10; ++k) {
                film.attachText(n, k, "Title line " + std::to_string(k), style);
            }
        }
        auto written = film::writeFilmStorage(film);
        if (!written) {
            std::fprintf(stderr, "cannot write the document: %s\n", written.error().c_str());
            std::abort();
        }
        return *written;
    }();
    return bytes;
}

void BM_CopyDocumentBytes(benchmark::State& state) {
    const auto& bytes = largeDocument();
    for (auto _ : state) {
        std::vector<std::uint8_t> copy(bytes);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_CopyDocumentBytes)->Unit(benchmark::kMillisecond);

void BM_ParseCompoundFile(benchmark::State& state) {
    const auto& bytes = largeDocument();
    for (auto _ : state) {
        auto file = platform::storage::CompoundFile::parse(bytes);
        benchmark::DoNotOptimize(file.ok());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseCompoundFile)->Unit(benchmark::kMillisecond);

void BM_ReadFilmDocument(benchmark::State& state) {
    const auto& bytes = largeDocument();
    SilentDialogs dialogs;
    for (auto _ : state) {
        auto file = platform::storage::CompoundFile::parse(bytes);
        film::Film film;
        // Link 1000 is read but dropped: films hold at most 999 items.
        if (!file || film::readFilmStorage(film, *file, dialogs) != 1 || film.itemCount() != 999) {
            state.SkipWithError("the document did not read back");
            break;
        }
        benchmark::DoNotOptimize(film.itemCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadFilmDocument)->Unit(benchmark::kMillisecond);

void BM_ReadFilmDocumentFromFile(benchmark::State& state) {
    const auto& bytes = largeDocument();
    char path[] = "/tmp/photoreel-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || !platform::writeFileBytes(path, bytes)) {
        state.SkipWithError("cannot write the document");
        return;
    }
    close(fd);
    SilentDialogs dialogs;
    for (auto _ : state) {
        film::Film film;
        if (film::readFilmStorage(film, path, dialogs) != 1 || film.itemCount() != 999) {
            state.SkipWithError("the document did not read back");
            break;
        }
        benchmark::DoNotOptimize(film.itemCount());
    }
    unlink(path);
}
BENCHMARK(BM_ReadFilmDocumentFromFile)->Unit(benchmark::kMillisecond);

}  // namespace
