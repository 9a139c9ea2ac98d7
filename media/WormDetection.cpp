// Write-once (WORM) cartridge tests of the AIT, LTO, 3592 and VolSafe drive families. Each test
// reads fixed bytes of one reply; choosing the test that fits the drive is the caller's business.
// 0 stands both for a cartridge that is not WORM and for a command that could not be sent.
#include <cctype>

#include "qxscsi/QXNTSpti.h"

namespace {

constexpr int kModeSenseLength = 128;
// With the 4-byte mode parameter header and one 8-byte block descriptor the page starts at
// byte 12; bytes 16 and 17 are bytes 4 and 5 of the page. Byte 1 is the header's MEDIUM TYPE.
constexpr int kMediumType = 1;
constexpr int kPageByte4 = 16;
constexpr int kPageByte5 = 17;

constexpr int kAitPage = 0x31;
constexpr unsigned char kAitWorm = 0x40;

constexpr int kLtoPage = 0x00;
constexpr unsigned char kIbmWormMedium = 0x04;
constexpr unsigned char kCertanceWormMedium = 0x80;
constexpr unsigned char kOtherWormMedium = 0x01;

constexpr int k3592Page = 0x23;
constexpr unsigned char k3592Worm = 0x02;
constexpr unsigned char k3592CartridgeA = 0x41;  // 'A'
constexpr unsigned char k3592CartridgeQ = 0x51;  // 'Q'
constexpr int k3592CodeA = 104;
constexpr int k3592CodeQ = 106;

// VolSafe reports in the additional sense bytes beyond the 18-byte fixed format.
constexpr int kSenseLength = 255;
constexpr int kVolSafeByte = 24;
constexpr unsigned char kVolSafeWorm = 0x12;  // bits 4 and 1 both set

}  // namespace

int QXNTSpti::isAITWormCartridge(int& /*code*/) {
    // Cleared first, so a reply without data never reads as WORM.
    unsigned char reply[kModeSenseLength] = {};
    if (!doModeSense(reply, kModeSenseLength, kAitPage)) {
        return 0;
    }
    return (reply[kPageByte4] & kAitWorm) != 0 ? 1 : 0;
}

int QXNTSpti::isLTOWormCartridge(int& /*code*/) {
    if (m_strVendorId.empty() && !Inquiry()) {
        return 0;
    }
    std::string vendor = m_strVendorId;
    // ASCII only: the host's locale must not change how a vendor name compares.
    for (char& c : vendor) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    unsigned char reply[kModeSenseLength] = {};
    if (!doModeSense(reply, kModeSenseLength, kLtoPage)) {
        return 0;
    }
    const unsigned char medium = reply[kMediumType];
    if (vendor == "IBM") {
        return (medium & kIbmWormMedium) != 0 ? 1 : 0;
    }
    if (vendor == "CERTANCE") {
        return medium == kCertanceWormMedium ? 1 : 0;
    }
    return (medium & kOtherWormMedium) != 0 ? 1 : 0;
}

int QXNTSpti::is3592WormCartridge(int& code) {
    unsigned char reply[kModeSenseLength] = {};
    if (!doModeSense(reply, kModeSenseLength, k3592Page)) {
        return 0;
    }
    if (reply[kPageByte5] != k3592Worm) {
        return 0;
    }
    if (reply[kPageByte4] == k3592CartridgeA) {
        code = k3592CodeA;
        return 1;
    }
    if (reply[kPageByte4] == k3592CartridgeQ) {
        code = k3592CodeQ;
        return 1;
    }
    return 0;
}

int QXNTSpti::isSTKVolSafeWormCartridge(int& /*code*/) {
    unsigned char sense[kSenseLength] = {};
    if (!doRequestSense(sense, kSenseLength)) {
        return 0;
    }
    return (sense[kVolSafeByte] & kVolSafeWorm) == kVolSafeWorm ? 1 : 0;
}
