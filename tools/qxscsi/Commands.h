// The commands: runCommand opens what the invocation's command runs on and calls its handler
// from the command table; each handler takes the checked invocation and fills the report.
#ifndef QXSCSI_TOOLS_COMMANDS_H
#define QXSCSI_TOOLS_COMMANDS_H

#include "Arguments.h"
#include "Report.h"

class QXScsiHardDisk;

namespace qxtool {

class Exchange;
class Progress;

// Greets the device when the command has one, then runs the command's handler. progress, when
// not null, learns of the long operations.
void runCommand(const Invocation& invocation, Report& report, Progress* progress = nullptr);

// ---- the handlers of the command table ----
// No device.
void runMakeKey(const Invocation& invocation, Report& report);

// On the greeted device's pass-through object.
void runRead(const Invocation& invocation, Exchange& exchange);
void runIdentify(const Invocation& invocation, Exchange& exchange);
void runTestUnitReady(const Invocation& invocation, Exchange& exchange);
void runLock(const Invocation& invocation, Exchange& exchange);
void runUnlock(const Invocation& invocation, Exchange& exchange);
void runPosition(const Invocation& invocation, Exchange& exchange);
void runTapeAlert(const Invocation& invocation, Exchange& exchange);
void runWorm(const Invocation& invocation, Exchange& exchange);
void runMediaType(const Invocation& invocation, Exchange& exchange);

// On a reservation handle, each one call of it the way a host makes it.
void runPrKeys(const Invocation& invocation, QXScsiHardDisk& disk, Report& report);
void runPrReservation(const Invocation& invocation, QXScsiHardDisk& disk, Report& report);
void runPrRegister(const Invocation& invocation, QXScsiHardDisk& disk, Report& report);
void runPrReserve(const Invocation& invocation, QXScsiHardDisk& disk, Report& report);
void runPrClear(const Invocation& invocation, QXScsiHardDisk& disk, Report& report);
void runPrRelease(const Invocation& invocation, QXScsiHardDisk& disk, Report& report);

}  // namespace qxtool

#endif
