// PERSISTENT RESERVE IN: the registered keys or the current reservation of the device.
#include <cstdint>
#include <vector>

#include "qxscsi/QXNTSpti.h"
#include "reservation/PersistentReserveWire.h"
#include "transport/ScsiBytes.h"
#include "transport/UnitAttentionResend.h"

int QXNTSpti::persistReserveIn(bool readKeys, long& generation, std::vector<std::string>& keys,
                               std::vector<QXScsiTapeDrive::reserveDesc>& reservations) {
    const unsigned char serviceAction = readKeys ? qx::pr::kReadKeys : qx::pr::kReadReservation;
    unsigned char cdb[qx::pr::kCdbLength];
    qx::pr::buildInCdb(cdb, serviceAction, qx::pr::kFirstAllocationLength);
    // The first read goes to the stack; only a longer list needs the heap.
    unsigned char first[qx::pr::kFirstAllocationLength] = {};
    if (!qx::sendPastUnitAttention(*this, cdb, qx::pr::kCdbLength, first,
                                   static_cast<int>(sizeof first), qx::kNoDataOrFromDevice)) {
        return -1;
    }
    generation = decodeWord4(first);
    // ADDITIONAL LENGTH is a signed field: a device reporting a negative length lists nothing.
    const int reportedLength = decodeWord4(first + 4);
    const std::uint32_t additionalLength =
        reportedLength > 0 ? static_cast<std::uint32_t>(reportedLength) : 0;

    // A longer list is read again in full, as far as the 16-bit allocation length reaches; the
    // list length stays the one of the first reply.
    const std::uint32_t reread = qx::pr::rereadLength(additionalLength);
    const unsigned char* reply = first;
    std::size_t replySize = sizeof first;
    std::vector<unsigned char> buffer;
    if (reread != 0) {
        buffer.assign(reread, 0);
        qx::pr::buildInCdb(cdb, serviceAction, reread);
        if (!qx::sendPastUnitAttention(*this, cdb, qx::pr::kCdbLength, buffer.data(),
                                       static_cast<int>(buffer.size()), qx::kNoDataOrFromDevice)) {
            return -1;
        }
        reply = buffer.data();
        replySize = buffer.size();
    }

    if (readKeys) {
        qx::pr::parseKeys(reply, replySize, additionalLength, keys);
    } else {
        qx::pr::parseReservations(reply, replySize, additionalLength, reservations);
    }
    return m_nScsiStatus;
}
