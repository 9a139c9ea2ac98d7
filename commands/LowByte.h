// The one-byte allocation and parameter list length fields of the page commands.
#ifndef QXSCSI_COMMANDS_LOWBYTE_H
#define QXSCSI_COMMANDS_LOWBYTE_H

namespace qx {

// Only the low byte of a length goes into a one-byte CDB field; the platform still receives the
// full length as the transfer length. Callers keep their lengths at 255 or below.
inline unsigned char lowByte(int value) {
    return static_cast<unsigned char>(value & 0xFF);
}

}  // namespace qx

#endif
