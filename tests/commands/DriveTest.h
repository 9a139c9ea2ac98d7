// Fixture and reply builders shared by the drive command and media tests.
#ifndef QXSCSI_TESTS_COMMANDS_DRIVETEST_H
#define QXSCSI_TESTS_COMMANDS_DRIVETEST_H

#include <optional>

#include "qxscsi/QXNTSpti.h"
#include "tests/double/FakePlatform.h"

namespace drivetest {

using fake::Bytes, fake::bytes, fake::inquiry, fake::Reply;

// A pass-through object on a tape drive, fresh for every test.
struct DriveTest : fake::Test {
    void SetUp() override { fake::Test::SetUp(), drive.emplace(0, "/dev/nst0"); }
    void TearDown() override { drive.reset(), fake::Test::TearDown(); }
    static std::size_t sent() { return fake::platform().sentCount(); }
    std::optional<QXNTSpti> drive;
};

// n zero bytes with byte `at` set to value.
inline Bytes withByte(std::size_t n, std::size_t at, unsigned char value) {
    Bytes d(n, 0);
    d.at(at) = value;
    return d;
}

}  // namespace drivetest

#endif
