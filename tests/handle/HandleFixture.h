// Fixture for tests of the reservation handle: a fresh platform, and the log callback (a
// process-wide static) recording every message while the test runs.
#ifndef QXSCSI_TESTS_HANDLEFIXTURE_H
#define QXSCSI_TESTS_HANDLEFIXTURE_H

#include <string>
#include <tuple>
#include <vector>

#include "qxscsi/QXScsiHardDisk.h"
#include "tests/double/FakePlatform.h"

namespace handletest {

using Log = std::vector<std::tuple<int, long long, std::string>>;  // level, identifier, text

class Test : public fake::Test {
  protected:
    static Log& logged() {
        static Log entries;
        return entries;
    }
    void SetUp() override {
        fake::Test::SetUp();
        logged().clear();
        QXScsiHardDisk::m_gpLogMessageCallbackFunc = [](int level, const long long& id,
                                                        const std::string& text) {
            logged().emplace_back(level, id, text);
        };
    }
    void TearDown() override {
        QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;
        fake::Test::TearDown();
    }
};

}  // namespace handletest

#endif
