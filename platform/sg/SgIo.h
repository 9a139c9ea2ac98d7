// The SG_IO request header of one command and the reading of its reply, kept apart from the
// ioctl itself so that both can be checked without a device.
#ifndef QX_PLATFORM_SG_SGIO_H
#define QX_PLATFORM_SG_SGIO_H

#include <scsi/sg.h>

#include "platform/Transport.h"

namespace oz {
namespace sg {

// Host adapter status values (host_status) the reply reading tells apart.
constexpr int kHostOk = 0x00;
constexpr int kHostNoConnect = 0x01;
constexpr int kHostBusBusy = 0x02;
constexpr int kHostTimeOut = 0x03;
constexpr int kHostBadTarget = 0x04;
constexpr int kHostAbort = 0x05;
constexpr int kHostReset = 0x08;
constexpr int kHostTransportDisrupted = 0x0E;
constexpr int kHostTargetFailure = 0x10;
constexpr int kHostNexusFailure = 0x11;
constexpr int kHostAllocFailure = 0x12;
constexpr int kHostMediumError = 0x13;

// Driver status values (driver_status, low four bits; the high four bits are suggestions).
constexpr int kDriverOk = 0x00;
constexpr int kDriverTimeout = 0x06;
constexpr int kDriverSense = 0x08;  // sense data present: not a failure by itself

// sg_io_hdr flag: queue the command at the head of the device's queue (the C library's
// <scsi/sg.h> predates it).
constexpr unsigned int kFlagQueueAtHead = 0x20;

// The largest sense length mx_sb_len can carry.
constexpr int kMaxSenseLength = 255;

// Fills h for the command (h is reset first). A null data buffer or a length of 0 means no
// data phase; the sense buffer is handed over with at most 255 bytes of room.
void buildHeader(const Command& command, sg_io_hdr_t& h);

// Reads the reply in h to a command built by buildHeader: the device's status, or a failure
// below the SCSI layer. Lengths are bounded by what was handed over: the sense length by
// sb_len_wr and by the room given, the data moved by dxfer_len less a residual clamped to
// 0 .. dxfer_len.
Outcome readReply(const sg_io_hdr_t& h);

}  // namespace sg
}  // namespace oz

#endif
