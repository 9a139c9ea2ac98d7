// TEST UNIT READY: is the drive ready, and if not, what does its sense data say.
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {
constexpr unsigned char kTestUnitReady = 0x00;
}  // namespace

bool QXNTSpti::TestUnitReady(unsigned char* senseKey, unsigned char* asc, unsigned char* ascq) {
    unsigned char cdb[6] = {kTestUnitReady, 0x00, 0x00, 0x00, 0x00, 0x00};
    return SendSCSICmd(cdb, sizeof cdb, nullptr, 0, senseKey, asc, ascq, qx::kCommandTimeout,
                       qx::kNoDataOrFromDevice);
}
