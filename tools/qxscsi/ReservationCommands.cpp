// pr-keys, pr-reservation, pr-register, pr-reserve, pr-clear and pr-release: each one call of
// the reservation handle, the way a host makes it.
#include <string>
#include <vector>

#include "Commands.h"
#include "ExitStatus.h"
#include "qxscsi/QXScsiHardDisk.h"
#include "qxscsi/QXScsiText.h"

namespace qxtool {

namespace {

// What the forced reserve did, by the outcome it tells.
const char* outcomeText(QXScsiHardDisk::PR_FORCE_OUTCOME outcome) {
    switch (outcome) {
        case QXScsiHardDisk::PR_FORCE_RESERVED:
            return "reserved";
        case QXScsiHardDisk::PR_FORCE_ALREADY_HELD:
            return "already held";
        case QXScsiHardDisk::PR_FORCE_PREEMPTED:
            return "pre-empted";
        case QXScsiHardDisk::PR_FORCE_TAKEN_OVER:
            return "taken over from this host's earlier connection";
        default:
            return "";
    }
}

const char* typeName(unsigned long type) {
    switch (type) {
        case 1:
            return "Write Exclusive";
        case 3:
            return "Exclusive Access";
        case 5:
            return "Write Exclusive, Registrants Only";
        case 6:
            return "Exclusive Access, Registrants Only";
        case 7:
            return "Write Exclusive, All Registrants";
        case 8:
            return "Exclusive Access, All Registrants";
        default:
            return "unknown type";
    }
}

// Records the handle's failure: its exit status, what was being done and the handle's message.
void failed(Report& report, QXScsiHardDisk& disk, unsigned long code, const std::string& what) {
    std::string message;
    disk.getLastError(message);
    report.fail(statusForHandleCode(code),
                what + " failed: " + message + " (code " + std::to_string(code) + ")");
}

}  // namespace

void runPrKeys(const Invocation& /*invocation*/, QXScsiHardDisk& disk, Report& report) {
    std::vector<std::string> keys;
    const unsigned long code = disk.PR_queryRegKey(keys);
    if (code != 0) {
        failed(report, disk, code, "reading the registered keys");
        return;
    }
    std::vector<std::string> shown;
    for (const std::string& key : keys) {
        shown.push_back(displayReservationKey(key));
        report.line(shown.back());
    }
    report.set("keys", JsonValue::strings(shown));
}

void runPrReservation(const Invocation& /*invocation*/, QXScsiHardDisk& disk, Report& report) {
    std::string holder;
    unsigned long scopeType = 0;
    const unsigned long code = disk.PR_queryRsrv(holder, scopeType);
    if (code != 0) {
        failed(report, disk, code, "reading the reservation");
        return;
    }
    const unsigned long type = scopeType & 0x0FU;
    if (holder.empty() && type == 0) {
        report.line("none");
        report.set("holder", JsonValue::null());
        report.set("type", JsonValue::null());
        return;
    }
    // An all-registrants reservation carries a key of zeros.
    const std::string shown = holder.empty() ? "0x0000000000000000" : displayReservationKey(holder);
    report.line("holder " + shown + ", type " + std::to_string(type) + " (" + typeName(type) + ")");
    report.set("holder", JsonValue::string(shown));
    report.set("type", JsonValue::number(static_cast<long long>(type)));
}

void runPrRegister(const Invocation& invocation, QXScsiHardDisk& disk, Report& report) {
    const std::string shown = displayReservationKey(invocation.key);
    const unsigned long code = disk.PR_register(invocation.key, true);
    report.set("key", JsonValue::string(shown));
    if (code != 0) {
        failed(report, disk, code, "registering " + shown);
        return;
    }
    report.line("registered " + shown);
}

void runPrReserve(const Invocation& invocation, QXScsiHardDisk& disk, Report& report) {
    disk.m_bSnapReservationKey = invocation.snapshot;
    std::string key;
    const int* host = invocation.host;
    auto outcome = QXScsiHardDisk::PR_FORCE_NONE;
    const unsigned long code = disk.doForcePR_Reserve(host[0], host[1], host[2], key, outcome);
    report.set("key", JsonValue::string(key));
    if (code != 0) {
        failed(report, disk, code, "the forced reserve with key " + key);
        return;
    }
    report.line("key " + key + ": " + outcomeText(outcome));
    report.set("outcome", JsonValue::string(outcomeText(outcome)));
}

void runPrClear(const Invocation& invocation, QXScsiHardDisk& disk, Report& report) {
    std::string key;
    const int* host = invocation.host;
    disk.makeReservationKey(host[0], host[1], host[2], key);
    report.set("key", JsonValue::string(key));
    const unsigned long code = disk.doForcePR_Clear(host[0], host[1], host[2]);
    if (code != 0) {
        failed(report, disk, code, "the forced clear with key " + key);
        return;
    }
    report.line("key " + key + ": cleared the reservation and every registration");
}

void runPrRelease(const Invocation& invocation, QXScsiHardDisk& disk, Report& report) {
    const std::string shown = displayReservationKey(invocation.key);
    report.set("key", JsonValue::string(shown));
    const unsigned long code = disk.doPR_Release(invocation.key);
    if (code != 0) {
        failed(report, disk, code, "releasing the reservation of " + shown);
        return;
    }
    report.line("released the reservation of " + shown);
}

}  // namespace qxtool
