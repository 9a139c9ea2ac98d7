// read: does this host's I/O pass? One READ(10) of one block, sized by READ CAPACITY(10).
#include <cstdint>
#include <string>
#include <vector>

#include "Commands.h"
#include "Exchange.h"
#include "ExitStatus.h"
#include "qxscsi/QXNTSpti.h"

namespace qxtool {

namespace {

// Block lengths beyond this are not a disk's; the buffer is never sized by a larger claim.
constexpr unsigned long kMaxBlockLength = 1UL << 20;

}  // namespace

void runRead(const Invocation& invocation, Exchange& exchange) {
    Report& report = exchange.report();
    const unsigned long lba = invocation.lba;
    const std::string where = "LBA " + std::to_string(lba);
    report.set("lba", JsonValue::number(static_cast<long long>(lba)));

    Answer capacity = exchange.send("READ CAPACITY(10)", {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    int status = capacity.status;
    std::string reason = capacity.reason;
    unsigned long blockLength = 0;
    if (status == 0) {
        // BLOCK LENGTH IN BYTES, bytes 4 to 7; a top bit set reads as a negative word.
        blockLength = static_cast<std::uint32_t>(decodeWord4(&capacity.data[4]));
        if (blockLength == 0 || blockLength > kMaxBlockLength) {
            reason = "READ CAPACITY(10) reports a block length of " + std::to_string(blockLength) +
                     " bytes";
            status = kExitOther;
        }
    }
    if (status == 0) {
        const Answer block = exchange.send(
            "READ(10) of " + where,
            {0x28, 0, static_cast<unsigned char>(lba >> 24), static_cast<unsigned char>(lba >> 16),
             static_cast<unsigned char>(lba >> 8), static_cast<unsigned char>(lba), 0, 0, 1, 0},
            static_cast<int>(blockLength));
        status = block.status;
        reason = block.reason;
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
