// The tape commands: each sends its commands through the exchange of the greeted device and
// fills the exchange's report.
#ifndef QXSCSI_TOOLS_TAPECOMMANDS_H
#define QXSCSI_TOOLS_TAPECOMMANDS_H

#include <string>
#include <vector>

#include "Arguments.h"
#include "Exchange.h"

class QXNTSpti;

namespace qxtool {

// Runs the tape command the invocation names.
void runTapeCommand(const Invocation& invocation, Exchange& exchange);

void runIdentify(Exchange& exchange);
void runTestUnitReady(Exchange& exchange);
void runMediumRemoval(Exchange& exchange, bool prevent);
void runPosition(Exchange& exchange, bool toEndOfData);
void runTapeAlert(Exchange& exchange);
void runWorm(Exchange& exchange, const std::string& family);
void runMediaType(Exchange& exchange);

// LOG SENSE of the supported log pages (page 00h), and whether that list holds page 2Eh.
Answer readSupportedLogPages(Exchange& exchange);
bool tapeAlertListed(const Answer& supportedPages);

// The numbers of the flags a TapeAlert log page has set, in ascending order.
std::vector<int> setTapeAlertFlags(const std::vector<unsigned char>& page);

// The WORM test family for a drive's identity ("lto", "dlt", "ait", "3592", "volsafe"), or "".
std::string wormFamilyOf(QXNTSpti& spti);

}  // namespace qxtool

#endif
