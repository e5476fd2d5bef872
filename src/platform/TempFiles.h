#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A private temporary directory (mode 0700) for the files a show detaches.
// Files are created race-free with O_EXCL names inside it, so no other user
// can guess, pre-create or swap them. The directory and everything in it is
// removed when the object goes away, and also when the process is ended by
// SIGINT, SIGTERM or SIGHUP (TerminationSignals.h).
class TempDirectory {
  public:
    // Creates "photoreel-XXXXXX" under $TMPDIR (or /tmp). nullopt with the
    // reason in *error when that fails.
    static std::optional<TempDirectory> create(std::string* error = nullptr);

    TempDirectory(TempDirectory&& other) noexcept;
    TempDirectory& operator=(TempDirectory&& other) noexcept;
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    ~TempDirectory();

    const std::string& path() const { return path_; }

    // Creates a new empty file named prefix + unique part + suffix and
    // returns its full path. The suffix must not contain '/'.
    std::optional<std::string> createFile(std::string_view prefix, std::string_view suffix);

    // Removes the directory and its contents now.
    void removeAll();

  private:
    explicit TempDirectory(std::string path);
    std::string path_;
};

// Removes every TempDirectory still alive; for the termination path, which
// runs on the signal-watching thread and then ends the process.
void removeLiveTempDirectoriesForExit();

}  // namespace platform
