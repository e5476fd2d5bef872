#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Random-access reading of a file that may be anything (a film package, our
// own executable): every read says how much it got, nothing trusts the file.
class InputFile {
  public:
    static std::optional<InputFile> open(const std::string& path, std::string* error = nullptr);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    std::uint64_t size() const { return size_; }

    // Reads up to length bytes at offset; returns how many were read (fewer
    // at the end of the file, 0 past it or on an error).
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) const;

  private:
    InputFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uint64_t size_;
};

// Writing a file from the start. Opening never follows a symbolic link, so a
// name in a shared directory cannot be redirected elsewhere.
class OutputFile {
  public:
    enum class Mode {
        CreateNew,         // fails when the file exists
        TruncateExisting,  // the file must exist (made by TempDirectory::createFile)
        CreateOrTruncate,
    };

    static std::optional<OutputFile> open(const std::string& path, Mode mode,
                                          std::string* error = nullptr);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Writes all length bytes or returns false.
    bool write(const void* data, std::size_t length);
    // Closes and reports whether everything reached the file.
    bool close();

  private:
    explicit OutputFile(int fd) : fd_(fd) {}
    int fd_;
};

// Lets everyone run the file (a self-running show), as a program is.
bool makeExecutable(const std::string& path);

// Removes a file; true when it is gone afterwards.
bool removeFile(const std::string& path);

}  // namespace platform
