// What the tape commands share: the log page list, the TapeAlert flags and the WORM family.
#ifndef QXSCSI_TOOLS_TAPECOMMANDS_H
#define QXSCSI_TOOLS_TAPECOMMANDS_H

#include <string>
#include <vector>

#include "Exchange.h"

class QXNTSpti;

namespace qxtool {

// LOG SENSE of the supported log pages (page 00h), and whether that list holds page 2Eh.
Answer readSupportedLogPages(Exchange& exchange);
bool tapeAlertListed(const Answer& supportedPages);

// The numbers of the flags a TapeAlert log page has set, in ascending order.
std::vector<int> setTapeAlertFlags(const std::vector<unsigned char>& page);

// The WORM test family for a drive's identity ("lto", "dlt", "ait", "3592", "volsafe"), or "".
std::string wormFamilyOf(QXNTSpti& spti);

}  // namespace qxtool

#endif
