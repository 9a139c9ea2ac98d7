#include "tools/qxscsi/Commands.h"

#include <string>

#include "tools/qxscsi/DeviceAccess.h"

namespace qxtool {

void runCommand(const Invocation& invocation, Report& report, const LogCapture& log) {
    const std::string name = invocation.command->name;
    if (!invocation.command->takesDevice) {
        runMakeKey(invocation, report);
        return;
    }
    // The pass-through object stays open for the whole command: on iSCSI the commands that
    // follow share its session, the I_T nexus whose unit attention it has taken.
    DeviceAccess device(invocation.device);
    std::string reason;
    const int status = device.open(reason);
    if (status != 0) {
        report.fail(status, reason);
        return;
    }
    if (name == "read") {
        runRead(invocation, device.spti(), report);
    } else {
        runReservationCommand(invocation, report, log);
    }
}

}  // namespace qxtool
