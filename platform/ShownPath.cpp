#include "platform/ShownPath.h"

#include <strings.h>

namespace oz {

std::string shownPath(const std::string& path) {
    const std::size_t start = 8;  // after "iscsi://"
    if (path.size() < start || strncasecmp(path.c_str(), "iscsi://", start) != 0) {
        return path;
    }
    const std::size_t hostEnd = path.find('/', start);
    const std::size_t at = path.rfind('@', hostEnd == std::string::npos ? path.size() : hostEnd);
    if (at == std::string::npos || at < start) {
        return path;
    }
    const std::size_t percent = path.find('%', start);
    if (percent == std::string::npos || percent > at) {
        return path;
    }
    return path.substr(0, percent + 1) + "***" + path.substr(at);
}

}  // namespace oz
