// A device's answer in words: sense keys by name, and the additional sense codes that drives
// and targets commonly report by name as well as by number.
#ifndef QXSCSI_TOOLS_SENSETEXT_H
#define QXSCSI_TOOLS_SENSETEXT_H

#include <string>

namespace qxtool {

// The name of the sense key in the low four bits of senseKey ("NOT READY").
const char* senseKeyName(unsigned char senseKey);

// The name of a commonly reported ASC/ASCQ pair ("medium not present"), else null.
const char* ascName(unsigned char asc, unsigned char ascq);

// "ASC 3Ah ASCQ 00h (medium not present)"; without the name for a pair the table lacks.
std::string ascText(unsigned char asc, unsigned char ascq);

// "sense key NOT READY, ASC 3Ah ASCQ 00h (medium not present)".
std::string senseText(unsigned char senseKey, unsigned char asc, unsigned char ascq);

}  // namespace qxtool

#endif
