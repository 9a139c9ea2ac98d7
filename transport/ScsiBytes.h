// Big-endian field helpers and command constants shared by every CDB builder and reply parser.
// Multi-byte fields are always built and read byte by byte, never by overlaying a struct.
#ifndef QXSCSI_TRANSPORT_SCSIBYTES_H
#define QXSCSI_TRANSPORT_SCSIBYTES_H

#include <cstdint>

namespace qx {

inline void putBe16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>((v >> 8) & 0xFF);
    p[1] = static_cast<unsigned char>(v & 0xFF);
}

inline void putBe32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>((v >> 24) & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 16) & 0xFF);
    p[2] = static_cast<unsigned char>((v >> 8) & 0xFF);
    p[3] = static_cast<unsigned char>(v & 0xFF);
}

inline std::uint32_t getBe16(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 8) | static_cast<std::uint32_t>(p[1]);
}

inline std::uint32_t getBe32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

// Time limits, in seconds, that the command builders hand to SendSCSICmd.
constexpr int kCommandTimeout = 1800;
constexpr int kEraseTimeout = 7200;

// Transfer direction argument of SendSCSICmd.
constexpr int kNoDataOrFromDevice = 0;
constexpr int kToDevice = 1;

// SCSI status values the system tests.
constexpr int kStatusGood = 0x00;
constexpr int kStatusCheckCondition = 0x02;
constexpr int kStatusReservationConflict = 0x18;

}  // namespace qx

#endif
