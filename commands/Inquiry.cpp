// INQUIRY, standard data: which vendor and product sit behind the target.
#include "commands/IdentificationField.h"
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {

constexpr unsigned char kInquiry = 0x12;
constexpr int kStandardDataLength = 36;
// Fields of the standard INQUIRY data.
constexpr int kVendorOffset = 8;
constexpr int kVendorLength = 8;
constexpr int kProductOffset = 16;
constexpr int kProductLength = 16;

}  // namespace

bool QXNTSpti::Inquiry() {
    unsigned char cdb[6] = {kInquiry, 0x00, 0x00, 0x00, kStandardDataLength, 0x00};
    unsigned char data[kStandardDataLength] = {};
    if (!SendSCSICmd(cdb, sizeof cdb, data, kStandardDataLength, nullptr, nullptr, nullptr,
                     qx::kCommandTimeout, qx::kNoDataOrFromDevice)) {
        return false;
    }
    // Whatever the SCSI status: a device that sent no data leaves both strings empty.
    m_strVendorId = qx::trimmedField(data + kVendorOffset, kVendorLength);
    m_strProductId = qx::trimmedField(data + kProductOffset, kProductLength);
    return true;
}
