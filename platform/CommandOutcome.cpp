#include "platform/CommandOutcome.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/QxException.h"
#include "platform/SenseFormat.h"
#include "platform/ShownPath.h"

namespace oz {

int completeCommand(const std::string& path, unsigned char opcode, const Outcome& outcome,
                    const unsigned char* received, int receivedLength, void* sense,
                    int senseLength) {
    // Most commands complete without sense; they skip the conversion.
    unsigned char fixed[OZScsiSense::kMaxLength];
    const int fixedLength =
        receivedLength <= 0
            ? 0
            : toFixedSense(received,
                           receivedLength > OZScsiSense::kMaxLength ? OZScsiSense::kMaxLength
                                                                    : receivedLength,
                           fixed, OZScsiSense::kMaxLength);
    if (outcome.kind != Outcome::kCompleted) {
        // Only failures pay for the message.
        char command[32];
        // NOLINTNEXTLINE(cert-err33-c): an opcode in two hex digits always fits
        std::snprintf(command, sizeof command, ": SCSI command 0x%02x",
                      static_cast<unsigned>(opcode));
        if (outcome.kind == Outcome::kOsError) {
            const std::string message = shownPath(path) + command + ": " + outcome.detail;
            throw QxException(message.c_str(), outcome.osErrno > 0 ? outcome.osErrno : EIO);
        }
        const std::string message =
            shownPath(path) + command + " failed below the SCSI layer: " + outcome.detail;
        throw QxScsiException(message.c_str(), -1, OZScsiSense(fixed, fixedLength));
    }
    if (sense != nullptr && senseLength > 0 && fixedLength > 0) {
        const int n = fixedLength < senseLength ? fixedLength : senseLength;
        std::memcpy(sense, fixed, static_cast<std::size_t>(n));
    }
    return outcome.status;
}

}  // namespace oz
