#include "platform/sg/SgIo.h"

#include <cstdio>
#include <cstring>

#include "platform/CommandTimeouts.h"

namespace oz {
namespace sg {
namespace {

constexpr unsigned int kMillisecondsPerSecond = 1000;
constexpr int kStatusReservationConflict = 0x18;

// Host status values by which the SCSI mid-layer of some kernels qualifies an answer that the
// device did give (a reservation conflict, an illegal request, a medium error). The device's
// status stands; they are no transport failure.
bool isVerdictOnDeviceAnswer(int hostStatus) {
    return hostStatus == kHostTargetFailure || hostStatus == kHostNexusFailure ||
           hostStatus == kHostAllocFailure || hostStatus == kHostMediumError;
}

const char* hostStatusText(int hostStatus) {
    switch (hostStatus) {
        case kHostNoConnect:
            return "no connection to the device";
        case kHostBusBusy:
            return "bus busy";
        case kHostTimeOut:
            return "command timed out";
        case kHostBadTarget:
            return "no such target";
        case kHostAbort:
            return "command aborted";
        case kHostReset:
            return "bus reset";
        case kHostTransportDisrupted:
            return "transport disrupted";
        default:
            return "host adapter error";
    }
}

int bounded(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

void buildHeader(const Command& command, sg_io_hdr_t& h) {
    std::memset(&h, 0, sizeof h);
    h.interface_id = 'S';
    h.cmdp = const_cast<unsigned char*>(command.cdb);
    h.cmd_len = static_cast<unsigned char>(command.cdbLength);
    if (command.data == nullptr || command.dataLength <= 0) {
        h.dxfer_direction = SG_DXFER_NONE;
    } else {
        h.dxfer_direction = command.dataOut ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
        h.dxferp = command.data;
        h.dxfer_len = static_cast<unsigned int>(command.dataLength);
    }
    if (command.sense != nullptr && command.senseCapacity > 0) {
        h.sbp = command.sense;
        h.mx_sb_len =
            static_cast<unsigned char>(bounded(command.senseCapacity, 0, kMaxSenseLength));
    }
    const unsigned int seconds =
        command.timeoutSeconds < kMaxTimeoutSeconds ? command.timeoutSeconds : kMaxTimeoutSeconds;
    h.timeout = seconds * kMillisecondsPerSecond;
    if (command.headOfQueue) {
        h.flags |= kFlagQueueAtHead;
    }
}

Outcome readReply(const sg_io_hdr_t& h) {
    Outcome o;
    o.senseLength = h.sbp != nullptr ? bounded(h.sb_len_wr, 0, h.mx_sb_len) : 0;
    const int dataLength =
        h.dxfer_direction == SG_DXFER_NONE
            ? 0
            : static_cast<int>(h.dxfer_len > 0x7FFFFFFFu ? 0x7FFFFFFFu : h.dxfer_len);
    o.transferred = dataLength - bounded(h.resid, 0, dataLength);

    const int status = h.status;
    const int host = h.host_status;
    const int driver = h.driver_status & 0x0F;
    const bool driverFailed = (driver & ~kDriverSense) != 0;
    // The mid-layer of some kernels marks a reservation conflict with a nexus failure beside
    // the device's status 0x18; it marks nothing else so, and stands for the conflict even if
    // the status byte was lost.
    const bool deviceAnswered = host == kHostOk || host == kHostNexusFailure ||
                                (isVerdictOnDeviceAnswer(host) && status != 0);
    if (deviceAnswered && !driverFailed) {
        o.kind = Outcome::kCompleted;
        o.status = (host == kHostNexusFailure && status == 0) ? kStatusReservationConflict : status;
        return o;
    }

    o.kind = Outcome::kTransportFailure;
    o.status = -1;
    const char* what = driver == kDriverTimeout ? "command timed out"
                       : host != kHostOk        ? hostStatusText(host)
                                                : "driver error";
    char text[128];
    // NOLINTNEXTLINE(cert-err33-c): the longest status text with both numbers fits
    std::snprintf(text, sizeof text, "%s (host status 0x%02x, driver status 0x%02x)", what,
                  static_cast<unsigned>(h.host_status), static_cast<unsigned>(h.driver_status));
    o.detail = text;
    return o;
}

}  // namespace sg
}  // namespace oz
