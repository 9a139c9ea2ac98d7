// Sending a PERSISTENT RESERVE command, once more after a unit attention.
#include "reservation/PersistentReserveSend.h"

#include <cstring>

#include "qxscsi/QXNTSpti.h"
#include "reservation/PersistentReserveWire.h"
#include "transport/ScsiBytes.h"

namespace qx {
namespace pr {

namespace {

constexpr unsigned char kSenseKeyMask = 0x0F;
constexpr unsigned char kUnitAttention = 0x06;

bool sendOnce(QXNTSpti& spti, unsigned char* cdb, unsigned char* data, int dataLength,
              int direction, unsigned char& senseKey) {
    return spti.SendSCSICmd(cdb, kCdbLength, data, dataLength, &senseKey, nullptr, nullptr,
                            kCommandTimeout, direction);
}

}  // namespace

bool sendPersistentReserve(QXNTSpti& spti, unsigned char* cdb, unsigned char* data, int dataLength,
                           int direction) {
    unsigned char senseKey = 0;
    if (!sendOnce(spti, cdb, data, dataLength, direction, senseKey)) {
        return false;
    }
    if (spti.m_nScsiStatus != kStatusCheckCondition ||
        (senseKey & kSenseKeyMask) != kUnitAttention) {
        return true;
    }
    if (direction == kNoDataOrFromDevice && data != nullptr && dataLength > 0) {
        std::memset(data, 0, static_cast<std::size_t>(dataLength));
    }
    return sendOnce(spti, cdb, data, dataLength, direction, senseKey);
}

}  // namespace pr
}  // namespace qx
