// Text fields a device returns (identification, serial numbers), made safe to print: trailing
// blanks and zero bytes removed, every byte that is not printable ASCII shown as '.'.
#ifndef QXSCSI_TOOLS_DEVICETEXT_H
#define QXSCSI_TOOLS_DEVICETEXT_H

#include <cstddef>
#include <string>
#include <vector>

namespace qxtool {

// Bytes from..from+length-1 of data, or as many of them as data holds.
std::string deviceText(const std::vector<unsigned char>& data, std::size_t from,
                       std::size_t length);

// text with every byte that is not printable ASCII shown as '.'.
std::string printable(const std::string& text);

// "18h".
std::string hexByte(unsigned char value);

}  // namespace qxtool

#endif
