#include "film/FileRef.h"

namespace film {

std::string joinFileRef(const FileRef& ref) {
    if (ref.folder.empty()) {
        return ref.fileName;
    }
    if (ref.folder.back() == '\\') {
        return ref.folder + ref.fileName;
    }
    return ref.folder + "\\" + ref.fileName;
}

}  // namespace film
