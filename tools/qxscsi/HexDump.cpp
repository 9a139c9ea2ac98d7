#include "HexDump.h"

#include <cstdio>

namespace qxtool {

namespace {

constexpr std::size_t kPerLine = 16;
constexpr std::size_t kBytesColumn = 8;
constexpr std::size_t kTextColumn = kBytesColumn + kPerLine * 3 + 4;

}  // namespace

std::string hexDump(const unsigned char* data, std::size_t length) {
    std::string out;
    char cell[16];
    for (std::size_t start = 0; start < length; start += kPerLine) {
        // The offset takes as many hex digits as the last offset needs, two at least.
        const char* format = length > 0x10000 ? " %06zx" : length > 0x100 ? " %04zx" : " %02zx";
        std::snprintf(cell, sizeof cell, format, start);
        std::string line = cell;
        const std::size_t bytesColumn =
            line.size() + 2 > kBytesColumn ? line.size() + 2 : kBytesColumn;
        line.resize(bytesColumn, ' ');
        std::string text;
        for (std::size_t i = start; i < start + kPerLine && i < length; ++i) {
            std::snprintf(cell, sizeof cell, "%02x ", data[i]);
            line += cell;
            if (i - start == 7) {
                line += ' ';
            }
            text += (data[i] >= 0x20 && data[i] < 0x7F) ? static_cast<char>(data[i]) : '.';
        }
        line.resize(bytesColumn + kTextColumn - kBytesColumn, ' ');
        out += line + text + "\n";
    }
    return out;
}

std::string hexBytes(const unsigned char* data, std::size_t length) {
    std::string out;
    char cell[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(cell, sizeof cell, "%02x", data[i]);
        out += (i == 0 ? "" : " ") + std::string(cell);
    }
    return out;
}

}  // namespace qxtool
