// Fixture for tests of the reservation handle: a fresh platform, and the log callback (a
// process-wide static) installed to record every message and removed again afterwards.
#ifndef QXSCSI_TESTS_HANDLEFIXTURE_H
#define QXSCSI_TESTS_HANDLEFIXTURE_H

#include <string>
#include <tuple>
#include <vector>

#include "qxscsi/QXScsiHardDisk.h"
#include "tests/double/FakePlatform.h"

namespace handletest {

using Logged = std::tuple<int, long long, std::string>;  // level, identifier, text

inline std::vector<Logged>& logged() {
    static std::vector<Logged> entries;
    return entries;
}

inline void recordLog(int level, const long long& id, const std::string& text) {
    logged().emplace_back(level, id, text);
}

// The texts logged at level 1, in order.
inline std::vector<std::string> outcomes() {
    std::vector<std::string> texts;
    for (const Logged& e : logged()) {
        if (std::get<0>(e) == 1) {
            texts.push_back(std::get<2>(e));
        }
    }
    return texts;
}

class Test : public fake::Test {
  protected:
    void SetUp() override {
        fake::Test::SetUp();
        logged().clear();
        QXScsiHardDisk::m_gpLogMessageCallbackFunc = &recordLog;
    }
    void TearDown() override {
        QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;
        fake::Test::TearDown();
    }
};

}  // namespace handletest

#endif
