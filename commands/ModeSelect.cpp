// MODE SELECT(6): sends back a mode parameter list as MODE SENSE(6) returned it.
#include "commands/LowByte.h"
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {

constexpr unsigned char kModeSelect6 = 0x15;
constexpr unsigned char kPageFormat = 0x10;
// Mode parameter header (6-byte commands).
constexpr int kModeDataLength = 0;
constexpr int kMediumType = 1;
constexpr int kDeviceSpecific = 2;
constexpr int kBlockDescriptorLength = 3;
constexpr unsigned char kWriteProtect = 0x80;
// Byte 4 of the first block descriptor, which follows the 4-byte header: reserved.
constexpr int kFirstDescriptorReserved = 8;
// MODE SELECT(6) carries at most 255 bytes of parameter list.
constexpr int kMaxParameterListLength = 255;

}  // namespace

bool QXNTSpti::doModeSelect(unsigned char* buffer) {
    if (buffer == nullptr) {
        m_nErrorCode = 0;
        m_strErrorMsg = "The in parameter for SendSCSICmd has not been initialized properly.";
        return false;
    }
    // MODE DATA LENGTH counts the bytes after itself.
    const int listLength = buffer[kModeDataLength] + 1;
    if (listLength > kMaxParameterListLength) {
        m_nErrorCode = 0;
        m_strErrorMsg = "The mode parameter list is too long for MODE SELECT(6).";
        return false;
    }
    // Fields that MODE SENSE reports and MODE SELECT requires to be zero.
    buffer[kModeDataLength] = 0x00;
    buffer[kMediumType] = 0x00;
    buffer[kDeviceSpecific] &= static_cast<unsigned char>(~kWriteProtect);
    // The descriptor's reserved byte is cleared only when it lies inside the list being sent, so
    // a short list never writes past what the caller's MODE SENSE reply holds.
    if (buffer[kBlockDescriptorLength] != 0 && listLength > kFirstDescriptorReserved) {
        buffer[kFirstDescriptorReserved] = 0x00;
    }
    unsigned char cdb[6] = {kModeSelect6, kPageFormat, 0x00, 0x00, qx::lowByte(listLength), 0x00};
    return SendSCSICmd(cdb, sizeof cdb, buffer, listLength, nullptr, nullptr, nullptr,
                       qx::kCommandTimeout, qx::kToDevice);
}
