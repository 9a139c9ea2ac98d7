// Fixture for tests of the reservation handle: a fresh platform, and the log callback (a
// process-wide static) recording every message while the test runs; and the message the handle
// records with each of its codes, as its header documents them.
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

// What operation (a method of QXScsiHardDisk) records with code; nothing with success.
inline std::string recorded(unsigned long code, const std::string& operation) {
    switch (code) {
        case 0:
            return "";
        case 994:
            return "QXScsiHardDisk::" + operation + "(): can't access the device.";
        case 45001:
            return "Scsi pass-thru to Persistent registration key read failure.";
        case 45002:
            return "Reservation conflict occurred.";
        case 764:
            return "Scsi pass-thru to registering a key failed.";
        default:
            return "QXScsiHardDisk::" + operation + "() caught the exception.";
    }
}

}  // namespace handletest

#endif
