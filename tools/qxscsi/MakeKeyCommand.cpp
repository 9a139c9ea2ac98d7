// makekey: the host key or the snapshot key, built by the reservation handle.
#include "Commands.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace qxtool {

void runMakeKey(const Invocation& invocation, Report& report) {
    QXScsiHardDisk keys(0);
    std::string key;
    if (invocation.given & kOptSnapshotPair) {
        keys.makeSnapReservationKey(invocation.snapshotPair[0], invocation.snapshotPair[1], key);
    } else {
        keys.makeReservationKey(invocation.host[0], invocation.host[1], invocation.host[2], key);
    }
    report.line(key);
    report.set("key", JsonValue::string(key));
}

}  // namespace qxtool
