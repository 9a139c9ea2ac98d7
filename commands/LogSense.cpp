// LOG SENSE: reads the current cumulative values of a log page.
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {
constexpr unsigned char kLogSense = 0x4D;
// Page control 01 (current cumulative values) in bits 7-6.
constexpr unsigned char kCurrentCumulative = 0x40;
constexpr int kAllocationLength = 7;  // two bytes, big-endian
}  // namespace

bool QXNTSpti::LogSense(unsigned char pageCode, unsigned char* buffer, int length) {
    unsigned char cdb[10] = {kLogSense, 0x00,
                             static_cast<unsigned char>(pageCode | kCurrentCumulative)};
    qx::putBe16(cdb + kAllocationLength, static_cast<std::uint32_t>(length));
    return SendSCSICmd(cdb, sizeof cdb, buffer, length, nullptr, nullptr, nullptr,
                       qx::kCommandTimeout, qx::kNoDataOrFromDevice);
}
