#include "SenseText.h"

#include <cstdio>

namespace qxtool {

namespace {

struct AscEntry {
    unsigned char asc;
    unsigned char ascq;
    const char* name;
};

// The pairs tape drives, disks and iSCSI targets report in everyday use; the rest are shown
// by their numbers.
const AscEntry kAscNames[] = {
    {0x00, 0x00, "no additional sense information"},
    {0x00, 0x01, "filemark detected"},
    {0x00, 0x02, "end of partition or medium detected"},
    {0x00, 0x04, "beginning of partition or medium detected"},
    {0x00, 0x05, "end of data detected"},
    {0x04, 0x00, "logical unit not ready, cause not reportable"},
    {0x04, 0x01, "logical unit is in process of becoming ready"},
    {0x04, 0x02, "logical unit not ready, initializing command required"},
    {0x04, 0x03, "logical unit not ready, manual intervention required"},
    {0x14, 0x03, "end of data not found"},
    {0x20, 0x00, "invalid command operation code"},
    {0x21, 0x00, "logical block address out of range"},
    {0x24, 0x00, "invalid field in CDB"},
    {0x25, 0x00, "logical unit not supported"},
    {0x26, 0x00, "invalid field in parameter list"},
    {0x27, 0x00, "write protected"},
    {0x28, 0x00, "not ready to ready change, medium may have changed"},
    {0x29, 0x00, "power on, reset, or bus device reset occurred"},
    {0x29, 0x01, "power on occurred"},
    {0x29, 0x02, "SCSI bus reset occurred"},
    {0x29, 0x03, "bus device reset function occurred"},
    {0x29, 0x04, "device internal reset"},
    {0x29, 0x07, "I_T nexus loss occurred"},
    {0x2A, 0x01, "mode parameters changed"},
    {0x2A, 0x03, "reservations preempted"},
    {0x2A, 0x04, "reservations released"},
    {0x2A, 0x05, "registrations preempted"},
    {0x30, 0x00, "incompatible medium installed"},
    {0x3A, 0x00, "medium not present"},
    {0x3A, 0x01, "medium not present, tray closed"},
    {0x3A, 0x02, "medium not present, tray open"},
    {0x3B, 0x00, "sequential positioning error"},
    {0x53, 0x02, "medium removal prevented"},
};

}  // namespace

const char* senseKeyName(unsigned char senseKey) {
    static const char* const kNames[16] = {
        "NO SENSE",       "RECOVERED ERROR", "NOT READY",      "MEDIUM ERROR",
        "HARDWARE ERROR", "ILLEGAL REQUEST", "UNIT ATTENTION", "DATA PROTECT",
        "BLANK CHECK",    "VENDOR SPECIFIC", "COPY ABORTED",   "ABORTED COMMAND",
        "EQUAL",          "VOLUME OVERFLOW", "MISCOMPARE",     "COMPLETED",
    };
    return kNames[senseKey & 0x0F];
}

const char* ascName(unsigned char asc, unsigned char ascq) {
    for (const AscEntry& e : kAscNames) {
        if (e.asc == asc && e.ascq == ascq) {
            return e.name;
        }
    }
    return nullptr;
}

std::string ascText(unsigned char asc, unsigned char ascq) {
    char text[32];
    std::snprintf(text, sizeof text, "ASC %02Xh ASCQ %02Xh", asc, ascq);
    const char* name = ascName(asc, ascq);
    return name == nullptr ? std::string(text) : std::string(text) + " (" + name + ")";
}

std::string senseText(unsigned char senseKey, unsigned char asc, unsigned char ascq) {
    return std::string("sense key ") + senseKeyName(senseKey) + ", " + ascText(asc, ascq);
}

}  // namespace qxtool
