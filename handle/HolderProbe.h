// Whether this connection is shut out by a reservation held under this host's own key. Internal
// to the library.
#ifndef QXSCSI_HANDLE_HOLDERPROBE_H
#define QXSCSI_HANDLE_HOLDERPROBE_H

#include <string>

namespace qx {
namespace handle {

// A reservation is held by one I_T nexus, not by a key: a host's earlier connection (a process
// that has since restarted, a login under another ISID) may hold it under the key this host
// builds. Asks the device at devicePath for its peripheral device type with a standard INQUIRY,
// then sends a command that transfers nothing and changes nothing: READ(10) of no blocks to a
// direct-access device, READ(6) of no bytes to a sequential-access one. True only when that
// command meets RESERVATION CONFLICT; any other outcome (another device type, a failed or
// refused INQUIRY, a probe that failed or answered otherwise) is false. A unit attention on
// either command gets one resend. Records nothing and logs nothing; never throws.
bool fencedUnderOwnKey(int deviceHandle, const std::string& devicePath);

}  // namespace handle
}  // namespace qx

#endif
