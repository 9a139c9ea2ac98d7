// DLT-family WORM: the MEDIUM TYPE attribute (0408h) of the medium auxiliary memory, read to
// tell a write-once cartridge and written to make one.
#include <cstring>

#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {

constexpr int kMediumTypeAttributeHigh = 0x04;
constexpr int kMediumTypeAttributeLow = 0x08;
// READ ATTRIBUTE reply: available data length (4 bytes), then the first attribute: identifier
// (2), format (1), length (2), value from byte 9. The identifier is not checked: a cartridge
// without the attribute answers with the next higher one.
constexpr int kAttributeReplyLength = 10;
constexpr int kFirstValueByte = 9;
constexpr unsigned char kWriteOnceMedium = 0x80;

// WRITE ATTRIBUTE parameter list: 6 bytes follow the length, one attribute 0408h, READ ONLY,
// binary format, one value byte: write-once medium.
constexpr int kParameterListLength = 10;
constexpr unsigned char kMakeWriteOnce[kParameterListLength] = {
    0x00, 0x00, 0x00, 0x06,  // PARAMETER LIST LENGTH
    0x04, 0x08,              // ATTRIBUTE IDENTIFIER: MEDIUM TYPE
    0x80,                    // READ ONLY, FORMAT 00b (binary)
    0x00, 0x01,              // ATTRIBUTE LENGTH
    0x80,                    // ATTRIBUTE VALUE: write-once medium
};

}  // namespace

int QXNTSpti::isDLTWormCartridge(int& /*code*/) {
    unsigned char reply[kAttributeReplyLength] = {};
    if (!doReadAttribute(reply, kAttributeReplyLength, kMediumTypeAttributeHigh,
                         kMediumTypeAttributeLow)) {
        return 0;
    }
    return reply[kFirstValueByte] == kWriteOnceMedium ? 1 : 0;
}

int QXNTSpti::convertToDLTWormCartridge(int unused) {
    // The argument only lends its storage to the tests, which do not write it.
    if (isDLTWormCartridge(unused) == 1) {
        return 1;
    }
    unsigned char list[kParameterListLength];
    std::memcpy(list, kMakeWriteOnce, sizeof list);
    if (!doWriteAttribute(list, kParameterListLength)) {
        return 0;
    }
    // The drive may accept the write and still keep the cartridge rewritable.
    return isDLTWormCartridge(unused) == 1 ? 1 : 0;
}
