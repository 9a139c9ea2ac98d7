// ERASE: short erase (end of data at the current position) or long erase (to end of tape).
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {
constexpr unsigned char kErase = 0x19;
constexpr unsigned char kLong = 0x01;
}  // namespace

bool QXNTSpti::EraseTape(bool longErase) {
    unsigned char cdb[6] = {
        kErase, longErase ? kLong : static_cast<unsigned char>(0x00), 0x00, 0x00, 0x00, 0x00};
    return SendSCSICmd(cdb, sizeof cdb, nullptr, 0, nullptr, nullptr, nullptr, qx::kEraseTimeout,
                       qx::kNoDataOrFromDevice);
}
