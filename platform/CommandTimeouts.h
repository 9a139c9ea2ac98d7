// Command time limits of the platform SCSI layer.
#ifndef QX_PLATFORM_COMMANDTIMEOUTS_H
#define QX_PLATFORM_COMMANDTIMEOUTS_H

namespace oz {

// The longest time limit, in seconds, that the layer hands a transport: its value in
// milliseconds still fits an unsigned 32-bit field, below the "no limit" value.
constexpr unsigned int kMaxTimeoutSeconds = 4294966u;

// The time limit in seconds for a command with this operation code: the requested one when it
// is above 0 (at most kMaxTimeoutSeconds), otherwise the command's default.
unsigned int commandTimeoutSeconds(unsigned char opcode, int requestedSeconds);

}  // namespace oz

#endif
