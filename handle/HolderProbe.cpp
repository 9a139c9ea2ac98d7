// The probe of the forced reserve: can this connection use a device reserved under its own key?
#include "handle/HolderProbe.h"

#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"
#include "transport/UnitAttentionResend.h"

namespace qx {
namespace handle {

namespace {

constexpr unsigned char kInquiry = 0x12;
constexpr int kInquiryLength = 36;
constexpr unsigned char kDeviceTypeMask = 0x1F;
constexpr unsigned char kDirectAccess = 0x00;
constexpr unsigned char kSequentialAccess = 0x01;
constexpr unsigned char kRead6 = 0x08;
constexpr unsigned char kRead10 = 0x28;

bool answered(QXNTSpti& spti, unsigned char* cdb, int cdbLength, unsigned char* data,
              int dataLength) {
    return sendPastUnitAttention(spti, cdb, cdbLength, data, dataLength, kNoDataOrFromDevice);
}

}  // namespace

bool fencedUnderOwnKey(int deviceHandle, const std::string& devicePath) {
    try {
        QXNTSpti spti(deviceHandle, devicePath);
        if (!spti.isOK()) {
            return false;
        }
        unsigned char inquiry[6] = {kInquiry, 0, 0, 0, kInquiryLength, 0};
        unsigned char data[kInquiryLength] = {};
        if (!answered(spti, inquiry, sizeof inquiry, data, kInquiryLength) ||
            spti.m_nScsiStatus != kStatusGood) {
            return false;
        }
        // READ(10) or READ(6), transfer length 0: no block is read and the medium does not
        // move.
        const unsigned char type = data[0] & kDeviceTypeMask;
        if (type != kDirectAccess && type != kSequentialAccess) {
            return false;
        }
        const bool disk = type == kDirectAccess;
        unsigned char read[10] = {disk ? kRead10 : kRead6};
        return answered(spti, read, disk ? 10 : 6, nullptr, 0) &&
               spti.m_nScsiStatus == kStatusReservationConflict;
    } catch (...) {
        return false;
    }
}

}  // namespace handle
}  // namespace qx
