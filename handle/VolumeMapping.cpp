// Volume-to-disk mapping. No volume is mapped to a physical disk on this platform.
#include <string>

#include "qxscsi/QXScsiHardDisk.h"

int QXScsiHardDisk::getDiskNumberForVolume(char /*volume*/) {
    return -1;
}

bool QXScsiHardDisk::getDiskPhysicalAccessPathForVolume(char volume, std::string& path) {
    path.clear();
    if (getDiskNumberForVolume(volume) < 0) {
        return false;
    }
    // A disk number without a known physical access path: nothing to report either.
    return false;
}
