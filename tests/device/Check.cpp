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
    return "status " + std::to_string(s.m_nScsiStatus) + ", code " +
           std::to_string(s.m_nErrorCode) + ", " + s.m_strErrorMsg;
}

}  // namespace device
