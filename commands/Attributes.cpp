// READ ATTRIBUTE and WRITE ATTRIBUTE: the cartridge's medium auxiliary memory.
#include "commands/LowByte.h"
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {

constexpr unsigned char kReadAttribute = 0x8C;
constexpr unsigned char kWriteAttribute = 0x8D;
// Byte 1 of READ ATTRIBUTE (service action 00h, attribute values) stays zero.
constexpr int kFirstAttributeHigh = 8;
constexpr int kFirstAttributeLow = 9;
// The low byte of the four-byte length field at bytes 10 to 13.
constexpr int kLengthLowByte = 13;

}  // namespace

bool QXNTSpti::doReadAttribute(unsigned char* buffer, int length, int firstAttributeHigh,
                               int firstAttributeLow) {
    unsigned char cdb[16] = {kReadAttribute};
    cdb[kFirstAttributeHigh] = qx::lowByte(firstAttributeHigh);
    cdb[kFirstAttributeLow] = qx::lowByte(firstAttributeLow);
    cdb[kLengthLowByte] = qx::lowByte(length);
    return SendSCSICmd(cdb, sizeof cdb, buffer, length, nullptr, nullptr, nullptr,
                       qx::kCommandTimeout, qx::kNoDataOrFromDevice);
}

bool QXNTSpti::doWriteAttribute(unsigned char* buffer, int length) {
    unsigned char cdb[16] = {kWriteAttribute};
    cdb[kLengthLowByte] = qx::lowByte(length);
    return SendSCSICmd(cdb, sizeof cdb, buffer, length, nullptr, nullptr, nullptr,
                       qx::kCommandTimeout, qx::kToDevice);
}
