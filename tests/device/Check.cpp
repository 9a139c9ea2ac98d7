#include "Check.h"

#include <cstdio>

#include "qxscsi/QXNTSpti.h"

namespace device {

namespace {
int g_failed = 0;
}

void report(bool ok, const std::string& what, const std::string& detail) {
    std::printf("%s: %s%s%s\n", ok ? "CHECK-OK" : "CHECK-FAIL", what.c_str(),
                detail.empty() ? "" : " -- ", detail.c_str());
    std::fflush(stdout);
    if (!ok) {
        ++g_failed;
    }
}

int failures() {
    return g_failed;
}

std::string describe(const QXNTSpti& s) {
    char text[96];
    // NOLINTNEXTLINE(cert-err33-c): the two numbers fit
    std::snprintf(text, sizeof text, "status %d, code %lu, ", s.m_nScsiStatus, s.m_nErrorCode);
    return text + s.m_strErrorMsg;
}

void settle(QXNTSpti& s) {
    for (int i = 0; i < 3; ++i) {
        if (s.TestUnitReady(nullptr, nullptr, nullptr) && s.m_nScsiStatus == 0) {
            return;
        }
    }
}

}  // namespace device
