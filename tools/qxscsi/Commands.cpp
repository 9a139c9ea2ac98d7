#include "Commands.h"

#include <string>

#include "DeviceAccess.h"
#include "TapeCommands.h"

namespace qxtool {

void runTapeCommand(const Invocation& invocation, Exchange& exchange) {
    const std::string name = invocation.command->name;
    if (name == "identify") {
        runIdentify(exchange);
    } else if (name == "tur") {
        runTestUnitReady(exchange);
    } else if (name == "lock" || name == "unlock") {
        runMediumRemoval(exchange, name == "lock");
    } else if (name == "position") {
        runPosition(exchange, invocation.eod);
    } else if (name == "tapealert") {
        runTapeAlert(exchange);
    } else if (name == "worm") {
        runWorm(exchange, invocation.family);
    } else {
        runMediaType(exchange);
    }
}

void runCommand(const Invocation& invocation, Report& report, Progress* progress) {
    const std::string name = invocation.command->name;
    if (!invocation.command->takesDevice) {
        runMakeKey(invocation, report);
        return;
    }
    std::string reason;
    int status = 0;
    {
        DeviceAccess device(invocation.device);
        status = device.open(reason);
        if (status == 0 && name == "read") {
            runRead(invocation, device.spti(), report);
            return;
        }
        if (status == 0 && invocation.command->group == Group::Tape) {
            Exchange exchange(device.spti(), report, progress);
            runTapeCommand(invocation, exchange);
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
    runReservationCommand(invocation, report);
}

}  // namespace qxtool
