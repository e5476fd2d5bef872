#pragma once

namespace platform {

// Whether the drive letter names a CD-ROM drive. Linux has no drive letters,
// so the answer here is always false; the loader takes this as a parameter
// so tests can stand in a drive.
bool isCdRomDrive(char driveLetter);

}  // namespace platform
