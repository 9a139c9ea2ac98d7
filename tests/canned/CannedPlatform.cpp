// A platform with no device behind it for the benchmarks and fuzz targets: every command completes
// at once with the reply the benchmark set, so what is measured is the library's own work.
#include "tests/canned/CannedPlatform.h"

#include <algorithm>
#include <cstring>

#include "platform/OZScsi.h"

namespace canned {

CannedReply& canned() {
    static CannedReply reply;
    return reply;
}

}  // namespace canned

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
    const canned::CannedReply& r = canned::canned();
    if (!dataOut && data != nullptr && dataLength > 0 && !r.dataIn.empty()) {
        std::memcpy(data, r.dataIn.data(),
                    std::min(r.dataIn.size(), static_cast<std::size_t>(dataLength)));
    }
    if (r.status != 0 && sense != nullptr && senseLength >= 18) {
        std::memset(sense, 0, 18);
        static_cast<unsigned char*>(sense)[0] = 0x70;
        static_cast<unsigned char*>(sense)[2] = 0x06;
        static_cast<unsigned char*>(sense)[12] = 0x28;
    }
    return r.status;
}
