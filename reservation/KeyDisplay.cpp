#include "reservation/KeyDisplay.h"

#include <algorithm>

#include "reservation/PersistentReserveWire.h"

namespace qx {
namespace pr {

std::string displayKey(const std::string& key) {
    const bool printable = std::all_of(key.begin(), key.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x20 && b <= 0x7E;
    });
    if (printable) {
        return key;
    }
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (std::size_t i = 0; i < kKeyLength; ++i) {
        const auto b = i < key.size() ? static_cast<unsigned char>(key[i]) : 0U;
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

}  // namespace pr
}  // namespace qx
