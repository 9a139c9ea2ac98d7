// The 64 TapeAlert flags by number: the name and the severity class each has in the standard
// TapeAlert table. Numbers the table leaves reserved or obsolete have neither.
#ifndef QXSCSI_TOOLS_TAPEALERTTABLE_H
#define QXSCSI_TOOLS_TAPEALERTTABLE_H

#include <string>

namespace qxtool {

// The flag's name ("Clean now"), or null for a number without one (and outside 1..64).
const char* tapeAlertName(int flag);

// "information", "warning" or "critical"; null where the flag has no name.
const char* tapeAlertSeverity(int flag);

// The name, or "flag N" where the number has none.
std::string tapeAlertLabel(int flag);

}  // namespace qxtool

#endif
