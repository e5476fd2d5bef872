#include "platform/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace platform {

std::optional<FileReader> FileReader::open(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) {
            *error = "cannot open " + path + ": " + std::strerror(errno);
        }
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (error) {
            *error = path + " is not a regular file";
        }
        ::close(fd);
        return std::nullopt;
    }
    return FileReader(fd, static_cast<std::uint64_t>(info.st_size));
}

FileReader::FileReader(FileReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), position_(other.position_) {}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        position_ = other.position_;
    }
    return *this;
}

FileReader::~FileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool FileReader::seek(std::uint64_t offset) {
    if (offset > size_) {
        return false;
    }
    position_ = offset;
    return true;
}

std::size_t FileReader::read(void* destination, std::size_t count) {
    if (fd_ < 0 || position_ >= size_) {
        return 0;
    }
    const std::uint64_t left = size_ - position_;
    if (count > left) {
        count = static_cast<std::size_t>(left);
    }
    auto* out = static_cast<unsigned char*>(destination);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd_, out + done, count - done, static_cast<off_t>(position_ + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;  // an error or a file that shrank: what we have is all there is
        }
        done += static_cast<std::size_t>(got);
    }
    position_ += done;
    return done;
}

}  // namespace platform
