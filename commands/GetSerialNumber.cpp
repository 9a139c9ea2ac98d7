// INQUIRY, Unit Serial Number page: the drive's serial number.
#include "commands/IdentificationField.h"
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {

constexpr unsigned char kInquiry = 0x12;
constexpr unsigned char kEvpd = 0x01;
constexpr unsigned char kUnitSerialNumberPage = 0x80;
constexpr int kPageBufferLength = 128;
constexpr int kPageLengthByte = 3;
constexpr int kSerialOffset = 4;
// The serial number can be no longer than the buffer holds after the page header.
constexpr int kMaxSerialLength = kPageBufferLength - kSerialOffset;

}  // namespace

bool QXNTSpti::GetSerialNumber(std::string& serial) {
    unsigned char cdb[6] = {kInquiry, kEvpd, kUnitSerialNumberPage, 0x00, kPageBufferLength, 0x00};
    unsigned char page[kPageBufferLength] = {};
    if (!SendSCSICmd(cdb, sizeof cdb, page, kPageBufferLength, nullptr, nullptr, nullptr,
                     qx::kCommandTimeout, qx::kNoDataOrFromDevice)) {
        return false;
    }
    int length = page[kPageLengthByte];
    if (length > kMaxSerialLength) {
        length = kMaxSerialLength;
    }
    serial = qx::trimmedField(page + kSerialOffset, static_cast<std::size_t>(length));
    return true;
}
