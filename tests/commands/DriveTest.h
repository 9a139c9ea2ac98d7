// Fixture and reply builders shared by the drive command and media tests.
#ifndef QXSCSI_TESTS_COMMANDS_DRIVETEST_H
#define QXSCSI_TESTS_COMMANDS_DRIVETEST_H

#include <memory>
#include <string>

#include "qxscsi/QXNTSpti.h"
#include "tests/double/FakePlatform.h"

namespace drivetest {

// A pass-through object on a tape drive, fresh for every test.
class DriveTest : public fake::Test {
  protected:
    void SetUp() override {
        fake::Test::SetUp();
        drive = std::make_unique<QXNTSpti>(0, "/dev/nst0");
    }
    void TearDown() override {
        drive.reset();
        fake::Test::TearDown();
    }
    static std::size_t sent() { return fake::platform().sentCount(); }
    std::unique_ptr<QXNTSpti> drive;
};

// Standard INQUIRY data with the vendor and product fields placed as given.
inline fake::Bytes inquiryData(const std::string& vendor, const std::string& product) {
    fake::Bytes d(36, 0);
    vendor.copy(reinterpret_cast<char*>(&d[8]), 8);
    product.copy(reinterpret_cast<char*>(&d[16]), 16);
    return d;
}

// n zero bytes with byte `at` set to value.
inline fake::Bytes withByte(std::size_t n, std::size_t at, int value) {
    fake::Bytes d(n, 0);
    d.at(at) = static_cast<unsigned char>(value);
    return d;
}

}  // namespace drivetest

#endif
