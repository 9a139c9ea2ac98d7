// PREVENT ALLOW MEDIUM REMOVAL: locks or unlocks the cartridge in the drive.
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {
constexpr unsigned char kPreventAllowMediumRemoval = 0x1E;
constexpr unsigned char kPrevent = 0x01;
constexpr unsigned char kAllow = 0x00;
}  // namespace

bool QXNTSpti::PreventAllow(int prevent) {
    unsigned char cdb[6] = {kPreventAllowMediumRemoval,       0x00, 0x00, 0x00,
                            prevent != 0 ? kPrevent : kAllow, 0x00};
    return SendSCSICmd(cdb, sizeof cdb, nullptr, 0, nullptr, nullptr, nullptr, qx::kCommandTimeout,
                       qx::kNoDataOrFromDevice);
}
