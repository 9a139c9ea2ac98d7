// Failures below the SCSI layer, met at the platform: a device that stops answering, and a
// device removed while it is open.
#ifndef QXSCSI_TESTS_DEVICE_TRANSPORTFAILURE_H
#define QXSCSI_TESTS_DEVICE_TRANSPORTFAILURE_H

#include <string>

namespace device {

// sg and sd name the same scsi_debug disk. The disk is set to drop every command: a send with a
// 3 s limit ends within seconds as a device failure (status -1), on either node; with the disk
// answering again a new object works. Then the disk is deleted under open descriptors, and a
// send gives the operating system's error (ENODEV, or ENXIO from an sg node whose
// device is offline).
void transportFailure(const std::string& sg, const std::string& sd);

}  // namespace device

#endif
