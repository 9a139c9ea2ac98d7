// The reservation handle's own error codes and log levels. Internal to the library.
#ifndef QXSCSI_HANDLE_HANDLECODES_H
#define QXSCSI_HANDLE_HANDLECODES_H

namespace qx {
namespace handle {

constexpr unsigned long kSuccess = 0;
constexpr unsigned long PR_ERR_ACCESS = 994;      // the handle is not valid
constexpr unsigned long PR_ERR_PASSTHRU = 45001;  // pass-through object or read failed
constexpr unsigned long PR_ERR_CONFLICT = 45002;  // RESERVATION CONFLICT
constexpr unsigned long PR_ERR_PROUT = 764;       // PERSISTENT RESERVE OUT failed otherwise
constexpr unsigned long PR_ERR_EXCEPTION = 1100;  // an exception was caught

constexpr int kLogOutcome = 1;  // failures, outcomes, workflow progress
constexpr int kLogTrace = 3;    // entry of each reservation operation

// The handle value Open stores; any value but -1 makes the handle valid.
constexpr int kInvalidDevice = -1;
constexpr int kOpenedDevice = 0;

}  // namespace handle
}  // namespace qx

#endif
