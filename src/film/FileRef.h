#pragma once

#include <string>

namespace film {

// A file named by a film: a folder and a file name, both Windows-style
// 8-bit text as the film stores them.
struct FileRef {
    std::string folder;
    std::string fileName;

    bool operator==(const FileRef&) const = default;
};

// The one path a FileRef names: the file name alone without a folder, the
// two joined by a backslash unless the folder already ends with one.
std::string joinFileRef(const FileRef& ref);

}  // namespace film
