// Registering a key, reserving, and releasing, clearing or pre-empting; always a logical-unit
// Exclusive Access reservation.
#include <string>

#include "qxscsi/QXNTSpti.h"
#include "reservation/PersistentReserveWire.h"

int QXNTSpti::RegisterPR(const std::string& key, bool ignoreExisting) {
    return persistentReserveOut(
        std::string(), key,
        ignoreExisting ? qx::pr::kRegisterAndIgnoreExistingKey : qx::pr::kRegister,
        qx::pr::kLogicalUnitExclusiveAccess);
}

int QXNTSpti::ReservePR(const std::string& key) {
    return persistentReserveOut(key, std::string(), qx::pr::kReserve,
                                qx::pr::kLogicalUnitExclusiveAccess);
}

int QXNTSpti::ClearPR(const std::string& key, const std::string& serviceActionKey,
                      unsigned char serviceAction) {
    return persistentReserveOut(key, serviceActionKey, serviceAction,
                                qx::pr::kLogicalUnitExclusiveAccess);
}
