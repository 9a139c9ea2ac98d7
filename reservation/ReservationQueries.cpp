// Reading the registered keys and the current reservation.
#include <vector>

#include "qxscsi/QXNTSpti.h"
#include "reservation/PersistentReserveWire.h"

bool QXNTSpti::QueryReg(std::vector<std::string>& keys) {
    long generation = 0;
    std::vector<QXScsiTapeDrive::reserveDesc> unused;
    return persistReserveIn(true, generation, keys, unused) == 0;
}

bool QXNTSpti::QueryReserve(std::string& key, unsigned long& type) {
    long generation = 0;
    std::vector<std::string> unused;
    std::vector<QXScsiTapeDrive::reserveDesc> reservations;
    if (persistReserveIn(false, generation, unused, reservations) != 0) {
        return false;
    }
    // A logical unit holds at most one persistent reservation.
    if (reservations.size() > 1) {
        return false;
    }
    if (reservations.empty()) {
        key.clear();
        type = 0;
        return true;
    }
    key = qx::pr::keyText(reservations.front().key);
    type = reservations.front().scopeType;
    return true;
}
