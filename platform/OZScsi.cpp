// The platform SCSI layer's operations on a target: open and populate through the transport
// that serves the target's path, and one command at a time with its error policy.
#include "platform/OZScsi.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "platform/CommandOutcome.h"
#include "platform/CommandTimeouts.h"
#include "platform/DeviceList.h"
#include "platform/ErrnoText.h"
#include "platform/ShownPath.h"
#include "platform/Transport.h"

namespace {

constexpr int kMaxCdbLength = 16;
// Sense room handed to the transport; SG_IO cannot carry more than 255.
constexpr int kSenseRoom = 255;

[[noreturn]] void throwInvalid(const OZScsiTarget& target, const char* what) {
    const std::string message = oz::shownPath(target.path()) + ": " + what;
    throw QxException(message.c_str(), EINVAL);
}

}  // namespace

int OZScsi::refreshDeviceList(Device::DEVICE_TYPE type, bool rescan) {
    if (rescan) {
        oz::rescanScsiHosts();
    }
    const oz::DeviceClass kind = type == Device::DISK   ? oz::DeviceClass::kDisk
                                 : type == Device::TAPE ? oz::DeviceClass::kTape
                                                        : oz::DeviceClass::kGeneric;
    return oz::countDevices(oz::deviceClassFolder(kind), kind);
}

int OZScsi::open(OZScsiTarget& target, int connectTimeout) {
    if (target.isOpen()) {
        return 0;
    }
    const oz::TransportFactory create = oz::findTransport(target.m_strPath);
    if (create == nullptr) {
        target.m_nOpenError = target.m_strPath.empty() ? EINVAL : ENODEV;
        return target.m_nOpenError;
    }
    int error = 0;
    try {
        std::unique_ptr<oz::Transport> transport = create(target.m_strPath, target.m_bShared);
        error = transport != nullptr ? transport->open(connectTimeout) : ENOMEM;
        target.m_strOpenFailure =
            transport != nullptr && error != 0 ? transport->openFailure() : std::string();
        if (error == 0 && transport->handle() < 0) {
            // A transport that claims success without a handle: the target cannot be used.
            error = EIO;
        }
        if (error == 0) {
            target.m_nHandle = transport->handle();
            target.m_pTransport = transport.release();
        }
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    target.m_nOpenError = error;
    return error;
}

int OZScsi::populate(OZScsiTarget& target) {
    if (target.isOpen() && target.m_pTransport != nullptr) {
        target.m_pTransport->populate();
        return 0;
    }
    const std::string& path = target.m_strPath;
    const std::string shown = oz::shownPath(path);
    std::string message;
    int error = target.m_nOpenError;
    if (path.empty()) {
        message = "no device path given";
        error = EINVAL;
    } else if (oz::findTransport(path) == nullptr) {
        message = shown + ": no SCSI transport serves this device path";
        error = ENODEV;
    } else if (error > 0) {
        message =
            "cannot open " + shown + ": " +
            (target.m_strOpenFailure.empty() ? oz::errnoText(error) : target.m_strOpenFailure);
    } else {
        message = shown + " has not been opened";
        error = EBADF;
    }
    throw QxException(message.c_str(), error);
}

int OZScsi::send(const OZScsiTarget& target, const void* cdb, int cdbLength, void* data,
                 int dataLength, bool dataOut, bool headOfQueue, void* sense, int senseLength,
                 int timeoutSeconds) {
    if (cdb == nullptr) {
        throwInvalid(target, "no CDB given");
    }
    if (cdbLength < 1 || cdbLength > kMaxCdbLength) {
        throwInvalid(target, "CDB length must be 1 to 16 bytes");
    }
    if (dataLength < 0 || senseLength < 0) {
        throwInvalid(target, "negative buffer length");
    }
    const unsigned char* cdbBytes = static_cast<const unsigned char*>(cdb);
    if (!target.isOpen() || target.m_pTransport == nullptr) {
        char opcode[32];
        // NOLINTNEXTLINE(cert-err33-c): an opcode in two hex digits always fits
        std::snprintf(opcode, sizeof opcode, ": SCSI command 0x%02x",
                      static_cast<unsigned>(cdbBytes[0]));
        const std::string message =
            oz::shownPath(target.m_strPath) + opcode + ": device is not open";
        throw QxException(message.c_str(), EBADF);
    }

    unsigned char received[kSenseRoom + 1] = {};
    oz::Command command;
    command.cdb = cdbBytes;
    command.cdbLength = cdbLength;
    command.data = data;
    command.dataLength = data != nullptr ? dataLength : 0;
    command.dataOut = dataOut;
    command.headOfQueue = headOfQueue;
    command.sense = received;
    command.senseCapacity = kSenseRoom;
    command.timeoutSeconds = oz::commandTimeoutSeconds(cdbBytes[0], timeoutSeconds);

    const oz::Outcome outcome = target.m_pTransport->send(command);
    const int receivedLength = outcome.senseLength < 0            ? 0
                               : outcome.senseLength > kSenseRoom ? kSenseRoom
                                                                  : outcome.senseLength;
    return oz::completeCommand(target.m_strPath, cdbBytes[0], outcome, received, receivedLength,
                               sense, senseLength);
}
