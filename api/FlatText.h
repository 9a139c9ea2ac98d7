// Copying text into a caller's buffer for the flat functions. Internal to the library.
#ifndef QXSCSI_API_FLATTEXT_H
#define QXSCSI_API_FLATTEXT_H

#include <string>

namespace qx {
namespace api {

// The flat functions' result for a null pointer argument.
constexpr unsigned long kNullArgument = 103;

// strncpy semantics: writes exactly max(size, 0) bytes, the text's characters then NULs; a
// text of size characters or more fills the buffer without a terminator.
void copyText(char* buffer, int size, const std::string& text);

}  // namespace api
}  // namespace qx

#endif
