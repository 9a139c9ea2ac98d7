#include "Commands.h"

#include <unistd.h>

#include <string>

#include "DeviceAccess.h"
#include "Exchange.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace qxtool {

void runCommand(const Invocation& invocation, Report& report, Progress* progress) {
    const Handler& run = invocation.command->run;
    if (run.alone != nullptr) {
        run.alone(invocation, report);
        return;
    }
    std::string reason;
    int status = 0;
    {
        DeviceAccess device(invocation.device);
        status = device.open(reason);
        if (status == 0 && run.drive != nullptr) {
            Exchange exchange(device.spti(), report, progress);
            run.drive(invocation, exchange);
            return;
        }
    }
    if (status != 0) {
        report.fail(status, reason);
        return;
    }
    // The reservation handle opens the device for each operation, and a tape node allows one
    // opener at a time, so the greeting's object is closed first. On iSCSI the session stays
    // for the next open: the handle's commands run on the nexus the greeting introduced.
    QXScsiHardDisk disk(invocation.device, static_cast<long long>(getpid()));
    disk.Open();
    run.disk(invocation, disk, report);
}

}  // namespace qxtool
