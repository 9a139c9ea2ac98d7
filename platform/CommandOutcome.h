// What OZScsi::send makes of a transport's outcome: the SCSI status with fixed-format sense in
// the caller's buffer, or the exception that reports the failure.
#ifndef QX_PLATFORM_COMMANDOUTCOME_H
#define QX_PLATFORM_COMMANDOUTCOME_H

#include <string>

#include "platform/Transport.h"

namespace oz {

// path (its password masked) and opcode name the command in messages. received holds
// receivedLength sense bytes as the device sent them (any format); they reach the caller's
// sense buffer (at most senseLength bytes) in fixed format when the device answered, and the
// exception when it did not.
// Returns the SCSI status; throws QxScsiException (status -1) for a failure below the SCSI
// layer and QxException (with the error number, EIO when there is none) for a refused request.
int completeCommand(const std::string& path, unsigned char opcode, const Outcome& outcome,
                    const unsigned char* received, int receivedLength, void* sense,
                    int senseLength);

}  // namespace oz

#endif
