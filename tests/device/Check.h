// What every device check shares: one CHECK-OK or CHECK-FAIL line per check, the failure count,
// and the texts that explain a reading; and the checks that have files of their own.
#ifndef QXSCSI_TESTS_DEVICE_CHECK_H
#define QXSCSI_TESTS_DEVICE_CHECK_H

#include <string>

class QXNTSpti;

namespace device {

// The condition is evaluated before the detail text is composed, so the detail shows the state
// after the command.
#define CHECK(cond, what, detail)              \
    do {                                       \
        const bool ok_ = (cond);               \
        ::device::report(ok_, (what), detail); \
    } while (0)

void report(bool ok, const std::string& what, const std::string& detail);
// How many checks failed so far.
int failures();

// The pass-through object's last status, code and message.
std::string describe(const QXNTSpti& s);

// The forced-reserve story between two hosts on the disk seen through paths a and b, with
// sg_persist reading each state from the other host's path; then registrations, a reservation
// and a pre-emption made by sg_persist, under text and under numeric keys, read by the library
// and taken over by its forced reserve.
void reservationsSideBySide(const std::string& a, const std::string& b);

// sg and sd name the same scsi_debug disk, set to drop every command: a send with a 3 s limit
// ends within seconds as a device failure (status -1), on either node; with the disk answering
// again a new object works. Then the disk is deleted under open descriptors, and a send gives
// the operating system's error (ENODEV, or ENXIO from an sg node whose device is offline).
void transportFailure(const std::string& sg, const std::string& sd);

// The iSCSI scenarios against LIO's target at base ("iscsi://127.0.0.1:<port>/<target name>"),
// whose LUNs 0 to 3 are disks of their own.
void iscsiOnLio(const std::string& base);

}  // namespace device

#endif
