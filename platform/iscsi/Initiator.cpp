#include "platform/iscsi/Initiator.h"

#include <unistd.h>

#include <climits>
#include <fstream>

namespace oz {
namespace iscsi {
namespace {

constexpr const char kFallbackPrefix[] = "iqn.2026-12.local.qxscsi:";
constexpr const char kKey[] = "InitiatorName=";
// An iSCSI name is at most 223 bytes; longer lines are not names.
constexpr std::size_t kMaxNameLength = 223;

std::string trimmed(const std::string& s) {
    const char* blanks = " \t\r\n";
    const std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

}  // namespace

std::string defaultInitiatorName(const std::string& file, const std::string& hostname) {
    std::ifstream in(file);
    std::string line;
    while (in && std::getline(in, line)) {
        const std::string t = trimmed(line);
        if (t.compare(0, sizeof kKey - 1, kKey) == 0) {
            const std::string name = trimmed(t.substr(sizeof kKey - 1));
            if (!name.empty() && name.size() <= kMaxNameLength) {
                return name;
            }
        }
    }
    std::string host;
    for (const char c : hostname) {
        if (c >= 'A' && c <= 'Z') {
            host += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-') {
            host += c;
        } else {
            host += '-';
        }
    }
    return kFallbackPrefix + (host.empty() ? std::string("localhost") : host);
}

std::string defaultInitiatorName() {
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        host[0] = '\0';
    }
    return defaultInitiatorName(kInitiatorNameFile, host);
}

std::uint32_t isidBits(const std::string& initiatorName) {
    // FNV-1a, folded to 24 bits.
    std::uint32_t h = 2166136261u;
    for (const char c : initiatorName) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return (h >> 24) ^ (h & 0xFFFFFFu);
}

std::uint32_t isidBits(const std::string& initiatorName, unsigned slot) {
    return isidBits(initiatorName) ^ (slot & 0xFFFFFFu);
}

}  // namespace iscsi
}  // namespace oz
