// The transport for local Linux SCSI nodes (/dev/sg*, /dev/nst*, /dev/st*, /dev/sd*): one file
// descriptor, one SG_IO ioctl per command.
#ifndef QX_PLATFORM_SG_SGTRANSPORT_H
#define QX_PLATFORM_SG_SGTRANSPORT_H

#include <memory>
#include <string>

#include "platform/Transport.h"

namespace oz {
namespace sg {

std::unique_ptr<Transport> createTransport(const std::string& path, bool shared);

}  // namespace sg
}  // namespace oz

#endif
