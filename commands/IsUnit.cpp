// Comparing the device's identification with expected drive models.
#include "qxscsi/QXNTSpti.h"

bool QXNTSpti::IsUnit(const std::string& vendor, const std::string& product) {
    // The identification is read once; after that the comparison sends no command.
    if (m_strProductId.empty() || m_strVendorId.empty()) {
        if (!Inquiry()) {
            return false;
        }
    }
    return vendor == m_strVendorId && product == m_strProductId;
}

bool QXNTSpti::IsSet(const char* pairs[][2]) {
    if (pairs == nullptr) {
        return false;
    }
    // The list ends at the first pair with a null member.
    for (std::size_t i = 0; pairs[i][0] != nullptr && pairs[i][1] != nullptr; ++i) {
        if (IsUnit(std::string(pairs[i][0]), std::string(pairs[i][1]))) {
            return true;
        }
    }
    return false;
}
