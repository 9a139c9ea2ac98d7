// A device's answer in words: sense keys by name, additional sense codes by their numbers.
#ifndef QXSCSI_TOOLS_SENSETEXT_H
#define QXSCSI_TOOLS_SENSETEXT_H

#include <string>

namespace qxtool {

// The name of the sense key in the low four bits of senseKey ("NOT READY").
const char* senseKeyName(unsigned char senseKey);

// "ASC 29h ASCQ 00h".
std::string ascText(unsigned char asc, unsigned char ascq);

// "sense key UNIT ATTENTION, ASC 29h ASCQ 00h".
std::string senseText(unsigned char senseKey, unsigned char asc, unsigned char ascq);

}  // namespace qxtool

#endif
