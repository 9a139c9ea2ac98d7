#include "DeviceText.h"

#include <cstdio>

namespace qxtool {

std::string deviceText(const std::vector<unsigned char>& data, std::size_t from,
                       std::size_t length) {
    std::string text;
    for (std::size_t i = from; i < from + length && i < data.size(); ++i) {
        const unsigned char b = data[i];
        text += (b >= 0x20 && b < 0x7F) || b == 0 ? static_cast<char>(b) : '.';
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) {
        text.pop_back();
    }
    // A zero byte inside the field ends it, as it would a C string.
    const std::size_t end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end);
}

std::string printable(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        const auto b = static_cast<unsigned char>(c);
        c = b >= 0x20 && b < 0x7F ? c : '.';
    }
    return shown;
}

std::string hexByte(unsigned char value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02Xh", value);
    return text;
}

}  // namespace qxtool
