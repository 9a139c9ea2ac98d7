#include "commands/IdentificationField.h"

#include <cstring>

namespace qx {

std::string trimmedField(const unsigned char* field, std::size_t length) {
    // A copy of the field followed by one zero byte, so the text always ends inside it. Fields
    // are at most 124 bytes (the serial number); anything longer is cut to the scratch room.
    constexpr std::size_t kMaxFieldLength = 255;
    if (length > kMaxFieldLength) {
        length = kMaxFieldLength;
    }
    unsigned char scratch[kMaxFieldLength + 1] = {};
    std::memcpy(scratch, field, length);
    // Walk back from the field's last byte, turning blanks and zeros into zeros, up to the first
    // other byte.
    for (std::size_t i = length; i > 0; --i) {
        unsigned char& c = scratch[i - 1];
        if (c != 0x00 && c != 0x20) {
            break;
        }
        c = 0x00;
    }
    return std::string(reinterpret_cast<const char*>(scratch));
}

}  // namespace qx
