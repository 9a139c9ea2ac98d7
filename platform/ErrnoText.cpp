#include "platform/ErrnoText.h"

#include <cstring>

namespace oz {
namespace {

// strerror_r comes in two forms: the GNU one returns the text, the POSIX one fills the buffer
// and returns 0 on success.
[[maybe_unused]] const char* pickText(const char* text, const char* /*buffer*/) {
    return text;
}

[[maybe_unused]] const char* pickText(int rc, const char* buffer) {
    return rc == 0 ? buffer : "Unknown error";
}

}  // namespace

std::string errnoText(int osErrno) {
    char buffer[128] = {};
    const char* text = pickText(strerror_r(osErrno, buffer, sizeof buffer), buffer);
    return text != nullptr ? text : "Unknown error";
}

}  // namespace oz
