#include "platform/ShownPath.h"

#include <strings.h>

namespace oz {

std::string shownPath(const std::string& path) {
    const std::size_t start = 8;  // after "iscsi://"
    if (path.size() < start || strncasecmp(path.c_str(), "iscsi://", start) != 0) {
        return path;
    }
    // An iSCSI name holds no '@', so the text up to the last one before the parameters is
    // taken for user information, even when a '/' in the password makes it look like more:
    // masking too much costs nothing, too little shows a secret.
    const std::size_t query = path.find('?', start);
    const std::size_t at = path.rfind('@', query == std::string::npos ? std::string::npos : query);
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
