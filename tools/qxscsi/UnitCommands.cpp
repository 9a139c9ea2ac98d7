// tur, lock, unlock and position: the drive's readiness, medium removal and position.
#include <cstdint>

#include "Commands.h"
#include "Report.h"
#include "SenseText.h"
#include "TapeCommands.h"
#include "qxscsi/QXNTSpti.h"

namespace qxtool {

namespace {

constexpr int kStatusCheckCondition = 0x02;

// READ POSITION, short form: byte 0 flags, byte 1 partition, bytes 4 to 7 first block location.
constexpr unsigned char kBeginningOfPartition = 0x80;
constexpr unsigned char kEndOfPartition = 0x40;
constexpr unsigned char kBlockPositionUnknown = 0x04;
constexpr std::size_t kShortFormLength = 20;

// PREVENT ALLOW MEDIUM REMOVAL: lock and unlock.
void setMediumRemoval(Exchange& exchange, bool prevent) {
    Report& report = exchange.report();
    const Answer answer =
        exchange.send(prevent ? "PREVENT MEDIUM REMOVAL" : "ALLOW MEDIUM REMOVAL",
                      {0x1E, 0, 0, 0, static_cast<unsigned char>(prevent ? 1 : 0), 0}, 0);
    if (!answer.good()) {
        report.fail(answer.status, answer.reason);
        return;
    }
    report.line(prevent ? "medium removal prevented" : "medium removal allowed");
    report.set("prevent", JsonValue::boolean(prevent));
}

}  // namespace

void runTestUnitReady(const Invocation& /*invocation*/, Exchange& exchange) {
    Report& report = exchange.report();
    const Answer answer = exchange.send("TEST UNIT READY", {0, 0, 0, 0, 0, 0}, 0);
    report.set("ready", JsonValue::boolean(answer.good()));
    if (answer.good()) {
        report.line("ready");
        return;
    }
    if (answer.scsiStatus == kStatusCheckCondition) {
        const char* name = ascName(answer.asc, answer.ascq);
        report.line("not ready");
        report.set("sense_key", JsonValue::string(senseKeyName(answer.senseKey)));
        report.set("asc", JsonValue::number(answer.asc));
        report.set("ascq", JsonValue::number(answer.ascq));
        report.set("asc_name", name != nullptr ? JsonValue::string(name) : JsonValue::null());
    }
    report.fail(answer.status, answer.reason);
}

void runLock(const Invocation& /*invocation*/, Exchange& exchange) {
    setMediumRemoval(exchange, true);
}

void runUnlock(const Invocation& /*invocation*/, Exchange& exchange) {
    setMediumRemoval(exchange, false);
}

void runPosition(const Invocation& invocation, Exchange& exchange) {
    Report& report = exchange.report();
    if (invocation.eod) {
        const Answer space = exchange.sendLong("SPACE to end of data", {0x11, 0x03, 0, 0, 0, 0}, 0);
        if (!space.good()) {
            report.fail(space.status, space.reason);
            return;
        }
    }
    const Answer position = exchange.send("READ POSITION", {0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                                          static_cast<int>(kShortFormLength));
    if (!position.good()) {
        report.fail(position.status, position.reason);
        return;
    }
    std::vector<unsigned char> d = position.data;
    const unsigned char flags = d[0];
    const unsigned partition = d[1];
    const bool known = (flags & kBlockPositionUnknown) == 0;
    const std::uint32_t block = static_cast<std::uint32_t>(decodeWord4(&d[4]));
    const bool bop = (flags & kBeginningOfPartition) != 0;
    const bool eop = (flags & kEndOfPartition) != 0;

    std::string text = "partition " + std::to_string(partition) + ", block " +
                       (known ? std::to_string(block) : std::string("unknown"));
    if (bop) {
        text += " (beginning of partition)";
    } else if (eop) {
        text += " (end of partition)";
    }
    report.line(text);
    report.set("partition", JsonValue::number(partition));
    report.set("block", known ? JsonValue::number(block) : JsonValue::null());
    report.set("beginning_of_partition", JsonValue::boolean(bop));
    report.set("end_of_partition", JsonValue::boolean(eop));
}

}  // namespace qxtool
