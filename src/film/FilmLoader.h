#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "film/Film.h"
#include "film/LoadProgress.h"
#include "film/PackageDetach.h"
#include "film/lpc/NoiseRing.h"
#include "platform/Dialogs.h"
#include "platform/TempFiles.h"
#include "platform/Window.h"

namespace film {

// Finds a film package (the given file, a self-running show, or one the user
// picks), detaches the film document and the media that must be files
// (clips, presentations, music) into our private temporary directory, reads
// the document into the Film, and names every picture by its byte offset in
// the package, where the picture decoder reads it. Main thread only.
class FilmLoader {
  public:
    // Turns size bytes of item music at offset of the package into a WAV
    // file at target; 1 on success, else 0.
    using CompressedMusicDecoder =
        std::function<int(const std::string& packagePath, std::int64_t offset, std::int64_t size,
                          const std::string& target)>;

    FilmLoader(platform::Dialogs& dialogs, platform::TempDirectory& tempDirectory,
               bool presentationViewerAvailable);

    // Optional collaborators. Compressed item music is decoded with our own
    // decoder unless a test stands in another.
    void setProgress(LoadProgress* progress) { progress_ = progress; }
    void setMessagePump(PumpOneMessage pump) { pump_ = std::move(pump); }
    void setCdRomDriveProbe(std::function<bool(char)> probe) { isCdRomDrive_ = std::move(probe); }
    void setCompressedMusicDecoder(CompressedMusicDecoder decoder) {
        decodeCa_ = std::move(decoder);
    }

    // 1 when the film is loaded and ready to play; any other value after the
    // user was told why not (or cancelled the file dialog). window, when
    // given, gets the film's title.
    int loadFilm(platform::Window* window, Film& film, const std::string& sourcePath,
                 bool mediaGraphAvailable);

    // Deletes every file loadFilm detached.
    void releaseFilm(Film& film);

    // After loadFilm: the package pictures are read from, the window title,
    // the message numbers shown (in order), and where the film document went.
    const std::string& packagePath() const { return packagePath_; }
    const std::string& title() const { return title_; }
    const std::vector<int>& messagesShown() const { return messagesShown_; }
    const std::string& documentPath() const { return documentPath_; }

  private:
    void showLoaderMessage(int captionNumber, int messageNumber, const std::string& argument);
    // Detaches size bytes at offset into a new temporary file named after
    // storedName (and index); the path, or empty on failure.
    std::string detach(std::int64_t offset, std::int64_t size, const std::string& storedName,
                       int index, bool compressedMusic);
    int failDetach(const char* traceLine);

    platform::Dialogs& dialogs_;
    platform::TempDirectory& tempDirectory_;
    const bool presentationViewerAvailable_;
    bool mediaGraphAvailable_ = false;
    LoadProgress* progress_ = nullptr;
    PumpOneMessage pump_;
    std::function<bool(char)> isCdRomDrive_;
    CompressedMusicDecoder decodeCa_;
    lpc::NoiseRing comfortNoise_;  // one ring for every file this film decodes

    std::string packagePath_;
    std::string title_;
    std::string documentPath_;
    std::vector<int> messagesShown_;
    std::vector<std::string> detached_;  // every file loadFilm made, for releaseFilm
};

// "Photoreel Viewer - [name]" for a film picked by hand, else the name: the
// package's base name without extension.
std::string filmWindowTitle(const std::string& packagePath, bool pickedByHand);

}  // namespace film
