// REQUEST SENSE: reads the drive's sense data.
#include "commands/LowByte.h"
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {
constexpr unsigned char kRequestSense = 0x03;
}  // namespace

bool QXNTSpti::doRequestSense(unsigned char* buffer, int length) {
    unsigned char cdb[6] = {kRequestSense, 0x00, 0x00, 0x00, qx::lowByte(length), 0x00};
    return SendSCSICmd(cdb, sizeof cdb, buffer, length, nullptr, nullptr, nullptr,
                       qx::kCommandTimeout, qx::kNoDataOrFromDevice);
}
