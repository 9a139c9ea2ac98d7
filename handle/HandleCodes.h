// The reservation handle's own error codes and log levels, and its way to the host's log.
// Internal to the library.
#ifndef QXSCSI_HANDLE_HANDLECODES_H
#define QXSCSI_HANDLE_HANDLECODES_H

#include "qxscsi/QXScsiHardDisk.h"

namespace qx {
namespace handle {

// The codes are the public QXScsiHardDisk::PR_RESULT values.
constexpr unsigned long kSuccess = QXScsiHardDisk::PR_SUCCESS;
constexpr unsigned long PR_ERR_ACCESS = QXScsiHardDisk::PR_ERR_ACCESS;
constexpr unsigned long PR_ERR_PASSTHRU = QXScsiHardDisk::PR_ERR_PASSTHRU;
constexpr unsigned long PR_ERR_CONFLICT = QXScsiHardDisk::PR_ERR_CONFLICT;
constexpr unsigned long PR_ERR_PROUT = QXScsiHardDisk::PR_ERR_PROUT;
constexpr unsigned long PR_ERR_EXCEPTION = QXScsiHardDisk::PR_ERR_EXCEPTION;

constexpr int kLogOutcome = 1;  // failures, outcomes, workflow progress
constexpr int kLogTrace = 3;    // entry of each reservation operation

// True when the host has a log callback. Texts for the log are built only then, so that a host
// that logs nothing pays for no text.
inline bool hostLogs() {
    return QXScsiHardDisk::m_gpLogMessageCallbackFunc != nullptr;
}

// Logs a fixed text at the outcome level, without making a string of it for a host that does not
// log.
inline void logOutcome(QXScsiHardDisk& disk, const char* text) {
    if (hostLogs()) {
        disk.LogEventMessage(kLogOutcome, text);
    }
}

// The handle value Open stores; any value but -1 makes the handle valid.
constexpr int kInvalidDevice = -1;
constexpr int kOpenedDevice = 0;

}  // namespace handle
}  // namespace qx

#endif
