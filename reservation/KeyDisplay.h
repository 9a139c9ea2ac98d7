// Reservation keys as a person reads them. Internal to the library.
#ifndef QXSCSI_RESERVATION_KEYDISPLAY_H
#define QXSCSI_RESERVATION_KEYDISPLAY_H

#include <string>

namespace qx {
namespace pr {

// A key of printable ASCII characters as it is; any other key (a numeric key of another
// initiator, say) as "0x" and the 16 hex digits of the 8-byte field it fills on the wire.
std::string displayKey(const std::string& key);

}  // namespace pr
}  // namespace qx

#endif
