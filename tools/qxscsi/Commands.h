// The commands: each takes the checked invocation and fills the report.
#ifndef QXSCSI_TOOLS_COMMANDS_H
#define QXSCSI_TOOLS_COMMANDS_H

#include "Arguments.h"
#include "Report.h"

class QXNTSpti;

namespace qxtool {

class Progress;

// Opens the device when the command has one, then runs the command. progress, when not null,
// learns of the long operations.
void runCommand(const Invocation& invocation, Report& report, Progress* progress = nullptr);

// The reservation commands, through the reservation handle (pr-keys ... pr-release).
void runReservationCommand(const Invocation& invocation, Report& report);

// read: one block through the pass-through object.
void runRead(const Invocation& invocation, QXNTSpti& spti, Report& report);

// makekey: no device.
void runMakeKey(const Invocation& invocation, Report& report);

}  // namespace qxtool

#endif
