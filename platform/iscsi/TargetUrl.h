// The path of a network SCSI target:
//   iscsi://[user[%password]@]host[:port]/<target-iqn>/<lun>[?initiator=<iqn>]
//
// The checks here come before the URL reaches the iSCSI library, whose own parser accepts an
// unknown parameter, an empty target name and any LUN. They need no network and no library.
#ifndef QX_PLATFORM_ISCSI_TARGETURL_H
#define QX_PLATFORM_ISCSI_TARGETURL_H

#include <string>

namespace oz {
namespace iscsi {

// The largest LUN a path may name.
constexpr int kMaxLun = 255;

struct TargetUrl {
    bool ok = false;
    std::string error;       // when !ok: what is wrong with the path, for the open failure
    std::string libraryUrl;  // the path without our parameters, as the iSCSI library reads it
    std::string initiator;   // the initiator= parameter, empty when the path has none
    int lun = -1;            // 0 .. kMaxLun
};

// Checks path and takes our parameters out of it.
TargetUrl parseTargetUrl(const std::string& path);

}  // namespace iscsi
}  // namespace oz

#endif
