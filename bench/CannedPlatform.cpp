#include "bench/CannedPlatform.h"

#include <algorithm>
#include <cstring>

#include "platform/OZScsi.h"

OZScsiTarget::OZScsiTarget(const char* path, bool shared)
    : m_strPath(path != nullptr ? path : ""),
      m_nHandle(-1),
      m_bShared(shared),
      m_pTransport(nullptr) {}

OZScsiTarget::~OZScsiTarget() {
    // No transport behind a canned target.
    static_cast<void>(m_pTransport);
    static_cast<void>(m_nOpenError);
}

int OZScsi::refreshDeviceList(Device::DEVICE_TYPE, bool) {
    return 0;
}

int OZScsi::open(OZScsiTarget& target, int) {
    target.m_nHandle = 3;
    return 0;
}

int OZScsi::populate(OZScsiTarget&) {
    return 0;
}

int OZScsi::send(const OZScsiTarget&, const void*, int, void* data, int dataLength, bool dataOut,
                 bool, void* sense, int senseLength, int) {
    static const unsigned char kSense[18] = {0x70, 0, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x28};
    const canned::CannedReply& r = canned::canned();
    if (!dataOut && data != nullptr && dataLength > 0 && !r.dataIn.empty()) {
        std::memcpy(data, r.dataIn.data(),
                    std::min(r.dataIn.size(), static_cast<std::size_t>(dataLength)));
    }
    if (r.status != 0 && sense != nullptr && senseLength >= 18) {
        std::memcpy(sense, kSense, sizeof kSense);
    }
    return r.status;
}
