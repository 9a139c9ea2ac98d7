// RESERVE(6) and RELEASE(6): the drive's own unit reservation, apart from persistent
// reservations.
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {
constexpr unsigned char kReserve6 = 0x16;
constexpr unsigned char kRelease6 = 0x17;
}  // namespace

bool QXNTSpti::reserveUnit() {
    unsigned char cdb[6] = {kReserve6, 0x00, 0x00, 0x00, 0x00, 0x00};
    return SendSCSICmd(cdb, sizeof cdb, nullptr, 0, nullptr, nullptr, nullptr, qx::kCommandTimeout,
                       qx::kNoDataOrFromDevice);
}

bool QXNTSpti::releaseUnit() {
    unsigned char cdb[6] = {kRelease6, 0x00, 0x00, 0x00, 0x00, 0x00};
    return SendSCSICmd(cdb, sizeof cdb, nullptr, 0, nullptr, nullptr, nullptr, qx::kCommandTimeout,
                       qx::kNoDataOrFromDevice);
}
