// Sending a command, once more after a unit attention.
#include "transport/UnitAttentionResend.h"

#include <cstring>

#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace qx {

namespace {

constexpr unsigned char kSenseKeyMask = 0x0F;
constexpr unsigned char kUnitAttention = 0x06;

bool sendOnce(QXNTSpti& spti, unsigned char* cdb, int cdbLength, unsigned char* data,
              int dataLength, int direction, unsigned char& senseKey) {
    return spti.SendSCSICmd(cdb, cdbLength, data, dataLength, &senseKey, nullptr, nullptr,
                            kCommandTimeout, direction);
}

}  // namespace

bool sendPastUnitAttention(QXNTSpti& spti, unsigned char* cdb, int cdbLength, unsigned char* data,
                           int dataLength, int direction) {
    unsigned char senseKey = 0;
    if (!sendOnce(spti, cdb, cdbLength, data, dataLength, direction, senseKey)) {
        return false;
    }
    if (spti.m_nScsiStatus != kStatusCheckCondition ||
        (senseKey & kSenseKeyMask) != kUnitAttention) {
        return true;
    }
    if (direction == kNoDataOrFromDevice && data != nullptr && dataLength > 0) {
        std::memset(data, 0, static_cast<std::size_t>(dataLength));
    }
    return sendOnce(spti, cdb, cdbLength, data, dataLength, direction, senseKey);
}

}  // namespace qx
