// Texts as the library shows them, for a host that shows the same things (since 0.2).
#ifndef QXSCSI_QXSCSITEXT_H
#define QXSCSI_QXSCSITEXT_H

#include <string>

#include "qxscsi/qxscsi_export.h"

// A reservation key as a person reads it: a key of printable ASCII characters as it is; any
// other key (a numeric key of another initiator, say) as "0x" and the 16 hex digits of the
// 8-byte field it fills on the wire, zero-padded. The library's messages show keys this way.
QXSCSI_API std::string displayReservationKey(const std::string& key);

// A device path as the library's messages show it: the password of an
// iscsi://user%password@host/... path replaced by "***"; any other path unchanged.
QXSCSI_API std::string maskedDevicePath(const std::string& path);

#endif
