#include "platform/iscsi/ChapEnvironment.h"

#include <unistd.h>

#include <cstring>

namespace oz {
namespace iscsi {
namespace {

constexpr char kPrefix[] = "LIBISCSI_CHAP_";
const char* const kNames[] = {"LIBISCSI_CHAP_USERNAME", "LIBISCSI_CHAP_PASSWORD",
                              "LIBISCSI_CHAP_TARGET_USERNAME", "LIBISCSI_CHAP_TARGET_PASSWORD"};

// The settings' values as getenv would give them (null when unset), in one pass over the
// environment: every open asks.
std::array<const char*, 4> settings() {
    std::array<const char*, 4> values{};
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        if ((*e)[0] != kPrefix[0] || std::strncmp(*e, kPrefix, sizeof kPrefix - 1) != 0) {
            continue;
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::size_t n = std::strlen(kNames[i]);
            if (values[i] == nullptr && std::strncmp(*e, kNames[i], n) == 0 && (*e)[n] == '=') {
                values[i] = *e + n + 1;
            }
        }
    }
    return values;
}

}  // namespace

void ChapEnvironment::read() {
    const std::array<const char*, kCount> values = settings();
    for (std::size_t i = 0; i < kCount; ++i) {
        m_set[i] = values[i] != nullptr;
        m_value[i] = values[i] != nullptr ? values[i] : "";
    }
}

bool ChapEnvironment::current() const {
    const std::array<const char*, kCount> values = settings();
    for (std::size_t i = 0; i < kCount; ++i) {
        if ((values[i] != nullptr) != m_set[i] ||
            (values[i] != nullptr && m_value[i] != values[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace iscsi
}  // namespace oz
