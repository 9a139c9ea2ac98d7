// A device path as messages show it: a password in it is masked.
#ifndef QX_PLATFORM_SHOWNPATH_H
#define QX_PLATFORM_SHOWNPATH_H

#include <string>

namespace oz {

// path with the password of an iscsi://user%password@host/... path replaced by "***"; any
// other path unchanged.
std::string shownPath(const std::string& path);

}  // namespace oz

#endif
