// The tool's exit statuses, in the manner of the sg3_utils programs, and how a device's answer
// or a reservation handle's code maps onto them.
#ifndef QXSCSI_TOOLS_EXITSTATUS_H
#define QXSCSI_TOOLS_EXITSTATUS_H

namespace qxtool {

enum ExitStatus {
    kExitSuccess = 0,
    kExitSyntax = 1,                // bad command line; nothing was sent
    kExitNotReady = 2,              // sense key NOT READY
    kExitMediumHardware = 3,        // MEDIUM ERROR or HARDWARE ERROR
    kExitIllegalRequest = 5,        // ILLEGAL REQUEST
    kExitUnitAttention = 6,         // UNIT ATTENTION
    kExitDataProtect = 7,           // DATA PROTECT
    kExitInvalidOpcode = 9,         // ILLEGAL REQUEST, invalid command operation code
    kExitAbortedCommand = 11,       // ABORTED COMMAND
    kExitCannotOpen = 15,           // the device cannot be opened
    kExitReservationConflict = 24,  // RESERVATION CONFLICT
    kExitFalse = 36,                // a yes/no question answered no
    kExitOther = 99,                // anything else
    kExitInterrupted = 130,         // SIGINT: the tool ends by the signal (a shell shows 130)
};

// The status for a CHECK CONDITION with this sense key (the flag bits of sense byte 2 may be
// set; they are ignored) and additional sense code.
int statusForSense(unsigned char senseKey, unsigned char asc);

// The status for a reservation handle's result code: 0, 24 for a reservation conflict, else 99.
int statusForHandleCode(unsigned long code);

// One line per status for the help text: "  24  reservation conflict".
const char* exitStatusTable();

}  // namespace qxtool

#endif
