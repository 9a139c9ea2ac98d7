// A first look at the library: its version and the kinds of device path it accepts.
#include <cstdio>

#include "qxscsi/QXNTSpti.h"
#include "qxscsi/version.h"

int main() {
    std::printf("qxscsi %s\n", QXSCSI_VERSION_STRING);
    std::printf("Device paths accepted:\n");
    std::printf("  /dev/sgN, /dev/nstN, /dev/stN, /dev/sdX   Linux SCSI nodes, driven by SG_IO\n");
    return 0;
}
