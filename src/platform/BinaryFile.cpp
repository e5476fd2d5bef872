#include "platform/BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::optional<InputFile> InputFile::open(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (error != nullptr) {
            *error = path + ": " + (fd < 0 ? std::strerror(errno) : "not a regular file");
        }
        if (fd >= 0) {
            ::close(fd);
        }
        return std::nullopt;
    }
    return InputFile(fd, static_cast<std::uint64_t>(info.st_size));
}

InputFile::InputFile(InputFile&& other) noexcept : fd_(other.fd_), size_(other.size_) {
    other.fd_ = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        size_ = other.size_;
        other.fd_ = -1;
    }
    return *this;
}

InputFile::~InputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::size_t InputFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) const {
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < length && offset + done < size_) {
        const ssize_t n = pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::optional<OutputFile> OutputFile::open(const std::string& path, Mode mode, std::string* error) {
    int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW;
    switch (mode) {
        case Mode::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case Mode::TruncateExisting:
            flags |= O_TRUNC;
            break;
        case Mode::CreateOrTruncate:
            flags |= O_CREAT | O_TRUNC;
            break;
    }
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        if (error != nullptr) {
            *error = path + ": " + std::strerror(errno);
        }
        return std::nullopt;
    }
    return OutputFile(fd);
}

OutputFile::OutputFile(OutputFile&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

OutputFile::~OutputFile() {
    close();
}

bool OutputFile::write(const void* data, std::size_t length) {
    const auto* in = static_cast<const char*>(data);
    while (length > 0) {
        if (fd_ < 0) {
            return false;
        }
        const ssize_t n = ::write(fd_, in, length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        in += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::close() {
    if (fd_ < 0) {
        return false;
    }
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
}

bool makeExecutable(const std::string& path) {
    return chmod(path.c_str(), 0755) == 0;
}

bool removeFile(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
