#include "platform/Terminal.h"

#include <unistd.h>

namespace platform {

bool isTerminal(std::FILE* stream) {
    return stream != nullptr && isatty(fileno(stream)) == 1;
}

}  // namespace platform
