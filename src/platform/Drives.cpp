#include "platform/Drives.h"

namespace platform {

bool isCdRomDrive(char) {
    return false;
}

}  // namespace platform
