#include "api/FlatText.h"

#include <cstring>

namespace qx {
namespace api {

void copyText(char* buffer, int size, const std::string& text) {
    if (size <= 0) {
        return;
    }
    std::strncpy(buffer, text.c_str(), static_cast<std::size_t>(size));
}

}  // namespace api
}  // namespace qx
