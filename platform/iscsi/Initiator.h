// Who this host is to an iSCSI target: its initiator name and the session identifier (ISID)
// its sessions log in with.
#ifndef QX_PLATFORM_ISCSI_INITIATOR_H
#define QX_PLATFORM_ISCSI_INITIATOR_H

#include <cstdint>
#include <string>

namespace oz {
namespace iscsi {

// Where the host's system-wide initiator name is configured.
constexpr const char kInitiatorNameFile[] = "/etc/iscsi/initiatorname.iscsi";

// The InitiatorName= value of the file (comments and blanks around it ignored); when the file
// cannot be read or names none, "iqn.2026-12.local.qxscsi:" followed by hostname, lower-cased,
// with every character an iSCSI name does not allow made a '-'.
std::string defaultInitiatorName(const std::string& file, const std::string& hostname);

// The same for this host: kInitiatorNameFile and gethostname().
std::string defaultInitiatorName();

// The 24 random bits of the ISID for an initiator name: the same name always gives the same
// value, so that every session of one host carries one ISID.
std::uint32_t isidBits(const std::string& initiatorName);
// The same for the process that holds slot (see InitiatorPorts.h): a value of its own for each
// slot, and slot 0 the name's own value.
std::uint32_t isidBits(const std::string& initiatorName, unsigned slot);

}  // namespace iscsi
}  // namespace oz

#endif
