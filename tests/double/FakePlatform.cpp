// The double's definitions of the platform SCSI layer's operations.
#include "tests/double/FakePlatform.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"

namespace fake {

Bytes bytes(std::initializer_list<int> values) {
    Bytes out;
    out.reserve(values.size());
    for (int v : values) {
        out.push_back(static_cast<unsigned char>(v));
    }
    return out;
}

Bytes fixedSense(unsigned char keyByte, unsigned char asc, unsigned char ascq) {
    Bytes s(18, 0);
    s[0] = 0x70;
    s[2] = keyByte;
    s[7] = 10;
    s[12] = asc;
    s[13] = ascq;
    return s;
}

Reply Reply::good(Bytes dataIn) {
    Reply r;
    r.dataIn = std::move(dataIn);
    return r;
}

Reply Reply::status(int scsiStatus, Bytes sense, Bytes dataIn) {
    Reply r;
    r.scsiStatus = scsiStatus;
    r.sense = std::move(sense);
    r.dataIn = std::move(dataIn);
    return r;
}

Reply Reply::check(unsigned char keyByte, unsigned char asc, unsigned char ascq) {
    return status(2, fixedSense(keyByte, asc, ascq));
}

Reply Reply::conflict() {
    return status(24);
}

Reply Reply::throwScsi(int scsiStatus, Bytes sense, const char* message) {
    Reply r;
    r.kind = ThrowScsi;
    r.scsiStatus = scsiStatus;
    r.sense = std::move(sense);
    r.hasMessage = message != nullptr;
    r.message = message != nullptr ? message : "";
    return r;
}

Reply Reply::throwQx(const char* message, int osErrno) {
    Reply r;
    r.kind = ThrowQx;
    r.hasMessage = message != nullptr;
    r.message = message != nullptr ? message : "";
    r.osErrno = osErrno;
    return r;
}

Reply Reply::throwOther() {
    Reply r;
    r.kind = ThrowOther;
    return r;
}

void Reply::raise() const {
    switch (kind) {
        case Return:
            return;
        case ThrowScsi:
            throw QxScsiException(hasMessage ? message.c_str() : nullptr, scsiStatus,
                                  OZScsiSense(sense.data(), static_cast<int>(sense.size())),
                                  osErrno);
        case ThrowQx:
            throw QxException(hasMessage ? message.c_str() : nullptr, osErrno);
        case ThrowOther:
            throw std::runtime_error("not a platform exception");
    }
}

Platform& Platform::get() {
    static Platform instance;
    return instance;
}

void Platform::reset() {
    delete ::scsi;
    ::scsi = nullptr;
    m_script.clear();
    m_responder = nullptr;
    m_sent.clear();
    onTargetCreate = Reply();
    onRefresh = Reply();
    onOpen = Reply();
    onPopulate = Reply();
    openSucceeds = true;
    unopenablePaths.clear();
    refreshCalls.clear();
    openArgs.clear();
    targetsCreatedWith.clear();
    populateCalls = 0;
    targetsLive = 0;
}

Platform& Platform::reply(Reply r) {
    m_script.push_back(std::move(r));
    return *this;
}

Platform& Platform::replies(std::initializer_list<Reply> rs) {
    for (const Reply& r : rs) {
        m_script.push_back(r);
    }
    return *this;
}

void Platform::setResponder(std::function<Reply(const Command&)> responder) {
    m_responder = std::move(responder);
}

const Command& Platform::sent(std::size_t i) const {
    if (i >= m_sent.size()) {
        ADD_FAILURE() << "command " << i << " was not sent (" << m_sent.size() << " sent)";
        static const Command none;
        return none;
    }
    return m_sent[i];
}

Reply Platform::nextReply(const Command& command) {
    if (!m_script.empty()) {
        Reply r = m_script.front();
        m_script.pop_front();
        return r;
    }
    if (m_responder) {
        return m_responder(command);
    }
    return Reply::good();
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
    ++p.targetsLive;
}

OZScsiTarget::~OZScsiTarget() {
    --fake::platform().targetsLive;
}

int OZScsi::refreshDeviceList(Device::DEVICE_TYPE type, bool rescan) {
    fake::Platform& p = fake::platform();
    p.refreshCalls.emplace_back(static_cast<int>(type), rescan);
    p.onRefresh.raise();
    return 0;
}

int OZScsi::open(OZScsiTarget& target, int connectTimeout) {
    fake::Platform& p = fake::platform();
    p.openArgs.push_back(connectTimeout);
    p.onOpen.raise();
    if (!p.openSucceeds || p.unopenablePaths.count(target.m_strPath) != 0) {
        return 2;
    }
    target.m_nHandle = 3;
    return 0;
}

int OZScsi::populate(OZScsiTarget& /*target*/) {
    fake::Platform& p = fake::platform();
    ++p.populateCalls;
    p.onPopulate.raise();
    return 0;
}

int OZScsi::send(const OZScsiTarget& target, const void* cdb, int cdbLength, void* data,
                 int dataLength, bool dataOut, bool headOfQueue, void* sense, int senseLength,
                 int timeoutSeconds) {
    fake::Platform& p = fake::platform();
    fake::Command c;
    c.path = target.path();
    const unsigned char* cdbBytes = static_cast<const unsigned char*>(cdb);
    c.cdb.assign(cdbBytes, cdbBytes + std::max(cdbLength, 0));
    c.toDevice = dataOut;
    c.dataLength = dataLength;
    c.dataNull = data == nullptr;
    if (dataOut && data != nullptr && dataLength > 0) {
        const unsigned char* out = static_cast<const unsigned char*>(data);
        c.dataOut.assign(out, out + dataLength);
    }
    c.headOfQueue = headOfQueue;
    c.senseLength = senseLength;
    c.timeout = timeoutSeconds;
    p.record(c);

    const fake::Reply r = p.nextReply(c);
    r.raise();
    if (!dataOut && data != nullptr && dataLength > 0 && !r.dataIn.empty()) {
        std::memcpy(data, r.dataIn.data(),
                    std::min(r.dataIn.size(), static_cast<std::size_t>(dataLength)));
    }
    if (sense != nullptr && senseLength > 0 && !r.sense.empty()) {
        std::memcpy(sense, r.sense.data(),
                    std::min(r.sense.size(), static_cast<std::size_t>(senseLength)));
    }
    return r.scsiStatus;
}
