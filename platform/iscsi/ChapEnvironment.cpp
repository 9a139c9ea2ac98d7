#include "platform/iscsi/ChapEnvironment.h"

#include <cstdlib>

namespace oz {
namespace iscsi {
namespace {

const char* const kNames[] = {"LIBISCSI_CHAP_USERNAME", "LIBISCSI_CHAP_PASSWORD",
                              "LIBISCSI_CHAP_TARGET_USERNAME", "LIBISCSI_CHAP_TARGET_PASSWORD"};

}  // namespace

void ChapEnvironment::read() {
    for (std::size_t i = 0; i < kCount; ++i) {
        // NOLINTNEXTLINE(concurrency-mt-unsafe): the iSCSI library reads them the same way
        const char* value = std::getenv(kNames[i]);
        m_set[i] = value != nullptr;
        m_value[i] = value != nullptr ? value : "";
    }
}

bool ChapEnvironment::current() const {
    for (std::size_t i = 0; i < kCount; ++i) {
        // NOLINTNEXTLINE(concurrency-mt-unsafe): the iSCSI library reads them the same way
        const char* value = std::getenv(kNames[i]);
        if ((value != nullptr) != m_set[i] || (value != nullptr && m_value[i] != value)) {
            return false;
        }
    }
    return true;
}

}  // namespace iscsi
}  // namespace oz
