// MODE SENSE(6): reads the current values of a mode page.
#include "commands/LowByte.h"
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {
constexpr unsigned char kModeSense6 = 0x1A;
// Page control 00 (current values) in bits 7-6, the page code in bits 5-0.
constexpr int kPageCodeMask = 0x3F;
}  // namespace

bool QXNTSpti::doModeSense(unsigned char* buffer, int length, int pageCode) {
    unsigned char cdb[6] = {kModeSense6,         0x00, qx::lowByte(pageCode & kPageCodeMask), 0x00,
                            qx::lowByte(length), 0x00};
    return SendSCSICmd(cdb, sizeof cdb, buffer, length, nullptr, nullptr, nullptr,
                       qx::kCommandTimeout, qx::kNoDataOrFromDevice);
}
