#include "platform/TempFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

namespace platform {

namespace {

// Live directories, in fixed slots so that the termination path can walk
// them without taking a lock that a stopped thread might hold. Termination
// signals are process-wide, which is why this list is too.
constexpr int kSlots = 16;
constexpr std::size_t kPathMax = 256;
enum SlotState : int { kFree, kClaimed, kReady };
struct Slot {
    std::atomic<int> state{kFree};
    char path[kPathMax];
};
Slot gLiveDirectories[kSlots];

void registerLive(const std::string& path) {
    if (path.size() >= kPathMax) {
        return;
    }
    for (Slot& slot : gLiveDirectories) {
        int expected = kFree;
        if (slot.state.compare_exchange_strong(expected, kClaimed)) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.state.store(kReady);
            return;
        }
    }
}

void unregisterLive(const std::string& path) {
    for (Slot& slot : gLiveDirectories) {
        if (slot.state.load() == kReady && path == slot.path) {
            slot.state.store(kFree);
            return;
        }
    }
}

// Removes a directory of regular files (we create no subdirectories). At exit
// another thread may still be writing files into it, so the listing is
// repeated until the directory itself is gone.
void removeFlatDirectory(const char* dirPath) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (DIR* dir = opendir(dirPath)) {
            int dirFd = dirfd(dir);
            while (dirent* entry = readdir(dir)) {
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                    unlinkat(dirFd, entry->d_name, 0);
                }
            }
            closedir(dir);
        }
        if (rmdir(dirPath) == 0 || (errno != ENOTEMPTY && errno != EEXIST)) {
            return;
        }
    }
}

}  // namespace

std::optional<TempDirectory> TempDirectory::create(std::string* error) {
    const char* base = getenv("TMPDIR");
    std::string pattern = (base != nullptr && base[0] != '\0') ? base : "/tmp";
    if (pattern.back() != '/') {
        pattern += '/';
    }
    pattern += "photoreel-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        if (error != nullptr) {
            *error =
                "cannot create a temporary directory from " + pattern + ": " + std::strerror(errno);
        }
        return std::nullopt;
    }
    return TempDirectory(pattern);
}

TempDirectory::TempDirectory(std::string path) : path_(std::move(path)) {
    registerLive(path_);
}

TempDirectory::TempDirectory(TempDirectory&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

TempDirectory& TempDirectory::operator=(TempDirectory&& other) noexcept {
    if (this != &other) {
        removeAll();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

TempDirectory::~TempDirectory() {
    removeAll();
}

std::optional<std::string> TempDirectory::createFile(std::string_view prefix,
                                                     std::string_view suffix) {
    if (path_.empty() || suffix.find('/') != std::string_view::npos ||
        prefix.find('/') != std::string_view::npos) {
        return std::nullopt;
    }
    std::string name = path_ + "/" + std::string(prefix) + "XXXXXX" + std::string(suffix);
    int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) {
        return std::nullopt;
    }
    close(fd);
    return name;
}

void TempDirectory::removeAll() {
    if (path_.empty()) {
        return;
    }
    unregisterLive(path_);
    removeFlatDirectory(path_.c_str());
    path_.clear();
}

void removeLiveTempDirectoriesForExit() {
    for (Slot& slot : gLiveDirectories) {
        if (slot.state.load() == kReady) {
            removeFlatDirectory(slot.path);
        }
    }
}

}  // namespace platform
