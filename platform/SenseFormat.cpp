#include "platform/SenseFormat.h"

#include <cstring>

namespace oz {
namespace {

constexpr unsigned char kFixedCurrent = 0x70;
constexpr unsigned char kFixedDeferred = 0x71;
constexpr unsigned char kDescriptorCurrent = 0x72;
constexpr unsigned char kDescriptorDeferred = 0x73;

// Descriptor types.
constexpr unsigned char kInformation = 0x00;
constexpr unsigned char kCommandSpecific = 0x01;
constexpr unsigned char kSenseKeySpecific = 0x02;
constexpr unsigned char kFieldReplaceableUnit = 0x03;
constexpr unsigned char kStreamCommands = 0x04;
constexpr unsigned char kBlockCommands = 0x05;

// Descriptor-format header: 8 bytes, additional length in byte 7.
constexpr int kDescriptorHeaderLength = 8;

// Fixed-format byte positions.
constexpr int kFixedInformation = 3;
constexpr int kFixedAdditionalLength = 7;
constexpr int kFixedCommandSpecific = 8;
constexpr int kFixedAsc = 12;
constexpr int kFixedAscq = 13;
constexpr int kFixedFru = 14;
constexpr int kFixedSenseKeySpecific = 15;

constexpr unsigned char kValid = 0x80;
constexpr unsigned char kFlagBits = 0xE0;  // FILEMARK, EOM, ILI
constexpr unsigned char kIli = 0x20;

// Copies the low four bytes of the 8-byte field at p into the 4-byte field at q when the value
// fits; returns whether it did.
bool narrow64To32(const unsigned char* p, unsigned char* q) {
    if ((p[0] | p[1] | p[2] | p[3]) != 0) {
        return false;
    }
    std::memcpy(q, p + 4, 4);
    return true;
}

// Applies one complete descriptor (d[0] type, d[1] additional length, length bytes in all) to
// the fixed record.
void applyDescriptor(const unsigned char* d, int length, unsigned char* fixed) {
    switch (d[0]) {
        case kInformation:
            // byte 2 bit 7 VALID, bytes 4-11 the information field
            if (length >= 12 && narrow64To32(d + 4, fixed + kFixedInformation) &&
                (d[2] & kValid) != 0) {
                fixed[0] |= kValid;
            }
            break;
        case kCommandSpecific:
            if (length >= 12) {
                narrow64To32(d + 4, fixed + kFixedCommandSpecific);
            }
            break;
        case kSenseKeySpecific:
            // bytes 4-6: SKSV and the sense-key-specific field
            if (length >= 7) {
                std::memcpy(fixed + kFixedSenseKeySpecific, d + 4, 3);
            }
            break;
        case kFieldReplaceableUnit:
            if (length >= 4) {
                fixed[kFixedFru] = d[3];
            }
            break;
        case kStreamCommands:
            // byte 3: FILEMARK, EOM, ILI in bits 7-5, as in fixed byte 2
            if (length >= 4) {
                fixed[2] |= static_cast<unsigned char>(d[3] & kFlagBits);
            }
            break;
        case kBlockCommands:
            if (length >= 4) {
                fixed[2] |= static_cast<unsigned char>(d[3] & kIli);
            }
            break;
        default:
            break;
    }
}

}  // namespace

int toFixedSense(const unsigned char* in, int inLength, unsigned char* out, int outLength) {
    if (in == nullptr || out == nullptr || inLength <= 0 || outLength <= 0) {
        return 0;
    }
    const unsigned char responseCode = in[0] & 0x7F;
    if (responseCode != kDescriptorCurrent && responseCode != kDescriptorDeferred) {
        const int n = inLength < outLength ? inLength : outLength;
        if (in != out) {
            std::memmove(out, in, static_cast<std::size_t>(n));
        }
        return n;
    }

    unsigned char fixed[kFixedSenseLength] = {};
    fixed[0] = responseCode == kDescriptorDeferred ? kFixedDeferred : kFixedCurrent;
    fixed[kFixedAdditionalLength] = kFixedSenseLength - 8;
    if (inLength > 1) {
        fixed[2] = in[1] & 0x0F;
    }
    if (inLength > 2) {
        fixed[kFixedAsc] = in[2];
    }
    if (inLength > 3) {
        fixed[kFixedAscq] = in[3];
    }
    if (inLength > kDescriptorHeaderLength - 1) {
        // The descriptors end where the additional length says or where the bytes received
        // end, whichever comes first; a descriptor that runs past that end is dropped.
        int end = kDescriptorHeaderLength + in[7];
        if (end > inLength) {
            end = inLength;
        }
        int pos = kDescriptorHeaderLength;
        while (pos + 2 <= end) {
            const int length = 2 + in[pos + 1];
            if (length > end - pos) {
                break;
            }
            applyDescriptor(in + pos, length, fixed);
            pos += length;
        }
    }

    const int n = kFixedSenseLength < outLength ? kFixedSenseLength : outLength;
    std::memcpy(out, fixed, static_cast<std::size_t>(n));
    return n;
}

}  // namespace oz
