#include "tools/qxscsi/SenseText.h"

#include <cstdio>

namespace qxtool {

const char* senseKeyName(unsigned char senseKey) {
    static const char* const kNames[16] = {
        "NO SENSE",       "RECOVERED ERROR", "NOT READY",      "MEDIUM ERROR",
        "HARDWARE ERROR", "ILLEGAL REQUEST", "UNIT ATTENTION", "DATA PROTECT",
        "BLANK CHECK",    "VENDOR SPECIFIC", "COPY ABORTED",   "ABORTED COMMAND",
        "EQUAL",          "VOLUME OVERFLOW", "MISCOMPARE",     "COMPLETED",
    };
    return kNames[senseKey & 0x0F];
}

std::string ascText(unsigned char asc, unsigned char ascq) {
    char text[32];
    std::snprintf(text, sizeof text, "ASC %02Xh ASCQ %02Xh", asc, ascq);
    return text;
}

std::string senseText(unsigned char senseKey, unsigned char asc, unsigned char ascq) {
    return std::string("sense key ") + senseKeyName(senseKey) + ", " + ascText(asc, ascq);
}

}  // namespace qxtool
