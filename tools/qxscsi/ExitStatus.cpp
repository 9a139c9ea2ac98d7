#include "ExitStatus.h"

#include "qxscsi/QXScsiHardDisk.h"

namespace qxtool {

namespace {

constexpr unsigned char kAscInvalidOpcode = 0x20;

}  // namespace

int statusForSense(unsigned char senseKey, unsigned char asc) {
    switch (senseKey & 0x0F) {
        case 0x02:
            return kExitNotReady;
        case 0x03:
        case 0x04:
            return kExitMediumHardware;
        case 0x05:
            return asc == kAscInvalidOpcode ? kExitInvalidOpcode : kExitIllegalRequest;
        case 0x06:
            return kExitUnitAttention;
        case 0x07:
            return kExitDataProtect;
        case 0x0B:
            return kExitAbortedCommand;
        default:
            return kExitOther;
    }
}

int statusForHandleCode(unsigned long code) {
    if (code == 0) {
        return kExitSuccess;
    }
    return code == QXScsiHardDisk::PR_ERR_CONFLICT ? kExitReservationConflict : kExitOther;
}

const char* exitStatusTable() {
    return "   0  success\n"
           "   1  syntax error: unknown command or option, missing or malformed\n"
           "      argument; nothing was sent to the device\n"
           "   2  the device is not ready (sense key NOT READY)\n"
           "   3  sense key MEDIUM ERROR or HARDWARE ERROR\n"
           "   5  illegal request (sense key ILLEGAL REQUEST)\n"
           "   6  unit attention (sense key UNIT ATTENTION)\n"
           "   7  data protect (sense key DATA PROTECT)\n"
           "   9  illegal request: the device does not know the command (ASC 20h)\n"
           "  11  aborted command (sense key ABORTED COMMAND)\n"
           "  15  the device cannot be opened\n"
           "  24  reservation conflict (SCSI status 24, or handle code 45002)\n"
           "  36  the answer to a yes/no question is no\n"
           "  99  any other failure, with the library's message\n"
           " 130  interrupted (SIGINT, Ctrl-C): the tool ends by the signal; a\n"
           "      command it was waiting for may still run on the device\n";
}

}  // namespace qxtool
