// Placeholder until the transports land: every device fails to open.
#include "platform/OZScsi.h"

#include <cerrno>

OZScsiTarget::OZScsiTarget(const char* path, bool shared)
    : m_strPath(path != nullptr ? path : ""),
      m_nHandle(-1),
      m_bShared(shared),
      m_pTransport(nullptr) {}

OZScsiTarget::~OZScsiTarget() = default;

int OZScsi::refreshDeviceList(Device::DEVICE_TYPE, bool) {
    return 0;
}

int OZScsi::open(OZScsiTarget&, int) {
    return ENODEV;
}

int OZScsi::populate(OZScsiTarget&) {
    throw QxException("no transport", ENODEV);
}

int OZScsi::send(const OZScsiTarget&, const void*, int, void*, int, bool, bool, void*, int, int) {
    throw QxException("no transport", ENODEV);
}
