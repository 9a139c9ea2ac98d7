// The transport for network targets, iscsi://[user[%password]@]host[:port]/<target-iqn>/<lun>
// [?initiator=<iqn>]: the commands travel in an iSCSI session that every object of one host
// and target shares (see SessionPool.h).
#ifndef QX_PLATFORM_ISCSI_ISCSITRANSPORT_H
#define QX_PLATFORM_ISCSI_ISCSITRANSPORT_H

#include <memory>
#include <string>

#include "platform/Transport.h"

namespace oz {
namespace iscsi {

// The longest a login may take, whatever longer connect time limit the caller gives.
constexpr int kLoginLimitSeconds = 15;

std::unique_ptr<Transport> createTransport(const std::string& path, bool shared);

}  // namespace iscsi
}  // namespace oz

#endif
