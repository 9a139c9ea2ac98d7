// read: does this host's I/O pass? One READ(10) of one block, sized by READ CAPACITY(10).
#include <cstdint>
#include <string>
#include <vector>

#include "qxscsi/QXNTSpti.h"
#include "tools/qxscsi/Commands.h"
#include "tools/qxscsi/ExitStatus.h"
#include "tools/qxscsi/SenseText.h"

namespace qxtool {

namespace {

constexpr int kStatusCheckCondition = 0x02;
constexpr int kStatusReservationConflict = 0x18;
constexpr int kTimeoutSeconds = 60;
// Block lengths beyond this are not a disk's; the buffer is never sized by a larger claim.
constexpr unsigned long kMaxBlockLength = 1UL << 20;

// Sends one CDB that reads into data; 0 when the device carried it out, else the exit status
// with the reason.
int send(QXNTSpti& spti, const char* what, unsigned char* cdb, int cdbLength,
         std::vector<unsigned char>& data, std::string& reason) {
    unsigned char key = 0;
    unsigned char asc = 0;
    unsigned char ascq = 0;
    if (!spti.SendSCSICmd(cdb, cdbLength, data.data(), static_cast<int>(data.size()), &key, &asc,
                          &ascq, kTimeoutSeconds, 0)) {
        reason = std::string(what) + " could not be sent: " + spti.m_strErrorMsg;
        return kExitOther;
    }
    switch (spti.m_nScsiStatus) {
        case 0:
            return kExitSuccess;
        case kStatusReservationConflict:
            reason = std::string(what) + ": reservation conflict";
            return kExitReservationConflict;
        case kStatusCheckCondition:
            reason = std::string(what) + ": " + senseText(key, asc, ascq);
            return statusForSense(key, asc);
        default:
            reason = std::string(what) + ": SCSI status " + std::to_string(spti.m_nScsiStatus);
            return kExitOther;
    }
}

}  // namespace

void runRead(const Invocation& invocation, QXNTSpti& spti, Report& report) {
    const unsigned long lba = invocation.lba;
    const std::string where = "LBA " + std::to_string(lba);
    report.set("lba", JsonValue::number(static_cast<long long>(lba)));
    std::string reason;

    unsigned char capacityCdb[10] = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<unsigned char> capacity(8, 0);
    int status = send(spti, "READ CAPACITY(10)", capacityCdb, 10, capacity, reason);
    unsigned long blockLength = 0;
    if (status == 0) {
        // BLOCK LENGTH IN BYTES, bytes 4 to 7; a top bit set reads as a negative word.
        blockLength = static_cast<std::uint32_t>(decodeWord4(&capacity[4]));
        if (blockLength == 0 || blockLength > kMaxBlockLength) {
            reason = "READ CAPACITY(10) reports a block length of " + std::to_string(blockLength) +
                     " bytes";
            status = kExitOther;
        }
    }
    if (status == 0) {
        unsigned char readCdb[10] = {0x28,
                                     0,
                                     static_cast<unsigned char>(lba >> 24),
                                     static_cast<unsigned char>(lba >> 16),
                                     static_cast<unsigned char>(lba >> 8),
                                     static_cast<unsigned char>(lba),
                                     0,
                                     0,
                                     1,
                                     0};
        std::vector<unsigned char> block(blockLength, 0);
        status = send(spti, ("READ(10) of " + where).c_str(), readCdb, 10, block, reason);
    }
    report.set("passes", JsonValue::boolean(status == 0));
    if (status == 0) {
        report.line(where + ": passes");
    } else if (status == kExitReservationConflict) {
        report.line(where + ": refused, reservation conflict: another host holds the device");
    } else {
        report.line(where + ": refused");
    }
    if (status != 0) {
        report.fail(status, reason);
    }
}

}  // namespace qxtool
