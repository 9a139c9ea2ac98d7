// The double's definitions of the platform SCSI layer's operations.
#include "tests/double/FakePlatform.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"

namespace fake {

void Reply::raise() const {
    const char* text = hasMessage ? message.c_str() : nullptr;
    if (kind == ThrowScsi) {
        throw QxScsiException(text, scsiStatus,
                              OZScsiSense(sense.data(), static_cast<int>(sense.size())), osErrno);
    }
    if (kind == ThrowQx) {
        throw QxException(text, osErrno);
    }
    if (kind == ThrowOther) {
        throw std::runtime_error("not a platform exception");
    }
    if (kind == ThrowBadAlloc) {
        throw std::bad_alloc();
    }
}

Platform& Platform::get() {
    static Platform instance;
    return instance;
}

void Platform::reset() {
    delete ::scsi;
    ::scsi = nullptr;
    *this = Platform();
}

const Command& Platform::sent(std::size_t i) const {
    static const Command none;
    if (i < m_sent.size()) {
        return m_sent[i];
    }
    ADD_FAILURE() << "command " << i << " was not sent (" << m_sent.size() << " sent)";
    return none;
}

Reply Platform::nextReply(const Command& command) {
    if (m_script.empty()) {
        return m_responder ? m_responder(command) : Reply::good();
    }
    Reply r = m_script.front();
    m_script.pop_front();
    return r;
}

}  // namespace fake

// ---- the platform operations, as the system sees them ----

OZScsiTarget::OZScsiTarget(const char* path, bool shared)
    : m_strPath(path != nullptr ? path : ""),
      m_nHandle(-1),
      m_bShared(shared),
      m_pTransport(nullptr) {
    fake::Platform& p = fake::platform();
    p.onTargetCreate.raise();
    p.targetsCreatedWith.emplace_back(m_strPath, shared);
    p.mostLive = std::max(p.mostLive, ++p.targetsLive);
}

OZScsiTarget::~OZScsiTarget() {
    --fake::platform().targetsLive;
}

int OZScsi::refreshDeviceList(Device::DEVICE_TYPE type, bool rescan) {
    fake::platform().refreshCalls.emplace_back(static_cast<int>(type), rescan);
    fake::platform().onRefresh.raise();
    return 0;
}

int OZScsi::open(OZScsiTarget& target, int connectTimeout) {
    fake::Platform& p = fake::platform();
    p.openArgs.push_back(connectTimeout);
    p.onOpen.raise();
    if (!p.openSucceeds) {
        return 2;
    }
    target.m_nHandle = 3;
    return 0;
}

int OZScsi::populate(OZScsiTarget& /*target*/) {
    ++fake::platform().populateCalls;
    fake::platform().onPopulate.raise();
    return 0;
}

int OZScsi::send(const OZScsiTarget& target, const void* cdb, int cdbLength, void* data,
                 int dataLength, bool dataOut, bool headOfQueue, void* sense, int senseLength,
                 int timeoutSeconds) {
    const auto* in = static_cast<const unsigned char*>(cdb);
    const auto* out = static_cast<const unsigned char*>(data);
    const std::size_t n = data != nullptr && dataLength > 0 ? dataLength : 0;
    const fake::Command c{target.path(),
                          fake::Bytes(in, in + std::max(cdbLength, 0)),
                          fake::Bytes(out, out + (dataOut ? n : 0)),
                          dataOut,
                          dataLength,
                          headOfQueue,
                          senseLength,
                          timeoutSeconds};
    fake::platform().record(c);
    const fake::Reply r = fake::platform().nextReply(c);
    r.raise();
    if (!dataOut && n > 0 && !r.dataIn.empty()) {
        std::memcpy(data, r.dataIn.data(), std::min(r.dataIn.size(), n));
    }
    if (sense != nullptr && senseLength > 0 && !r.sense.empty()) {
        std::memcpy(sense, r.sense.data(),
                    std::min(r.sense.size(), static_cast<std::size_t>(senseLength)));
    }
    return r.scsiStatus;
}
