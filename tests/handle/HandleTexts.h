// The message the reservation handle records with each of its codes, as its header documents
// them: written here once for every test that reads them.
#ifndef QXSCSI_TESTS_HANDLETEXTS_H
#define QXSCSI_TESTS_HANDLETEXTS_H

#include <string>

namespace handletest {

// What operation (a method of QXScsiHardDisk) records with code; nothing with success.
inline std::string recorded(unsigned long code, const std::string& operation) {
    switch (code) {
        case 0:
            return "";
        case 994:
            return "QXScsiHardDisk::" + operation + "(): can't access the device.";
        case 45001:
            return "Scsi pass-thru to Persistent registration key read failure.";
        case 45002:
            return "Reservation conflict occurred.";
        case 764:
            return "Scsi pass-thru to registering a key failed.";
        default:
            return "QXScsiHardDisk::" + operation + "() caught the exception.";
    }
}

}  // namespace handletest

#endif
