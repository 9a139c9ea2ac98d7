// PERSISTENT RESERVE OUT: register, reserve, release, clear or pre-empt.
#include "qxscsi/QXNTSpti.h"
#include "reservation/PersistentReserveWire.h"
#include "transport/ScsiBytes.h"
#include "transport/UnitAttentionResend.h"

int QXNTSpti::persistentReserveOut(const std::string& key, const std::string& serviceActionKey,
                                   unsigned char serviceAction, unsigned char scopeType) {
    unsigned char cdb[qx::pr::kCdbLength];
    qx::pr::buildOutCdb(cdb, serviceAction, scopeType);
    unsigned char list[qx::pr::kParameterListLength];
    qx::pr::buildOutParameters(list, key, serviceActionKey);
    if (!qx::sendPastUnitAttention(*this, cdb, qx::pr::kCdbLength, list,
                                   qx::pr::kParameterListLength, qx::kToDevice)) {
        return -1;
    }
    return m_nScsiStatus;
}
