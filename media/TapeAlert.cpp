// TapeAlert: the drive's 64 standard alert flags, read from log page 2Eh.
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {

constexpr unsigned char kSupportedPagesPage = 0x00;
constexpr unsigned char kTapeAlertPage = 0x2E;
// Log page header: page code, subpage code, PAGE LENGTH (big-endian, bytes after the header).
constexpr int kPageLengthOffset = 2;
constexpr int kHeaderLength = 4;

constexpr int kSupportedPagesBufferLength = 256;
// The last list index whose byte still lies inside the buffer, whatever length the drive claims.
constexpr int kLastSupportedPageIndex = kSupportedPagesBufferLength - kHeaderLength - 1;

constexpr int kFlagCount = 64;
// Each flag is one parameter: code (2 bytes), control byte, length (1), value.
constexpr int kParameterLength = 5;
constexpr int kParameterCodeLow = 1;
constexpr int kParameterValue = 4;
constexpr int kFlagParametersLength = kFlagCount * kParameterLength;  // 320
// Header, 64 parameters and room to spare.
constexpr int kTapeAlertBufferLength = 352;

}  // namespace

bool QXNTSpti::TapeAlertSupported() {
    unsigned char page[kSupportedPagesBufferLength] = {};
    if (!LogSense(kSupportedPagesPage, page, kSupportedPagesBufferLength)) {
        return false;
    }
    const int pageLength = static_cast<int>(qx::getBe16(page + kPageLengthOffset));
    for (int i = 0; i <= kLastSupportedPageIndex && i < pageLength; ++i) {
        if (page[kHeaderLength + i] == kTapeAlertPage) {
            enableTapeAlert();
            return true;
        }
    }
    return false;
}

bool QXNTSpti::enableTapeAlert() {
    // The drive reports TapeAlert without being asked; nothing needs switching on.
    return true;
}

bool QXNTSpti::GetTapeAlertFlag(std::vector<bool>& flags) {
    unsigned char page[kTapeAlertBufferLength] = {};
    if (!LogSense(kTapeAlertPage, page, kTapeAlertBufferLength)) {
        return false;
    }
    const int pageLength = static_cast<int>(qx::getBe16(page + kPageLengthOffset));
    if (flags.size() != kFlagCount || pageLength < kFlagParametersLength) {
        return false;
    }
    // Parameter k carries flag k. A parameter whose code does not match its position (a drive
    // that leaves out or reorders parameters) clears that flag rather than failing the read.
    int code = 1;
    const unsigned char* parameter = page + kHeaderLength;
    for (int offset = 0; offset < pageLength && code <= kFlagCount;
         offset += kParameterLength, parameter += kParameterLength, ++code) {
        flags[static_cast<std::size_t>(code - 1)] =
            parameter[kParameterCodeLow] == code && parameter[kParameterValue] != 0;
    }
    return code == kFlagCount + 1;
}

bool QXNTSpti::IsAlertSet(unsigned int flag, std::vector<bool>& flags) {
    if (flag < 1 || flag > kFlagCount || flags.size() != kFlagCount) {
        return false;
    }
    return flags[flag - 1];
}
