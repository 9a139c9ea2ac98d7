// Raw reply bytes the way the sg3_utils programs show them: sixteen bytes a line, the offset
// first, a gap after the eighth byte, and the printable characters on the right.
#ifndef QXSCSI_TOOLS_HEXDUMP_H
#define QXSCSI_TOOLS_HEXDUMP_H

#include <cstddef>
#include <string>
#include <vector>

namespace qxtool {

// " 00     12 00 00 00 24 00" and so on, a line each (each ending in a newline).
std::string hexDump(const unsigned char* data, std::size_t length);

// "12 00 00 00 24 00": the bytes on one line, as in JSON.
std::string hexBytes(const unsigned char* data, std::size_t length);

}  // namespace qxtool

#endif
