// OZScsi on a host that may have no SCSI at all: the device list, local paths that are no SCSI
// node and paths no transport serves. The fixture checks that no descriptor is left open.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "platform/DeviceList.h"
#include "platform/OZScsi.h"
#include "tests/Loopback.h"

namespace {

using ::testing::AnyOf;
using ::testing::StartsWith;

using qxtest::openDescriptors;

// The QxException (not a device failure) that f throws.
template <typename F>
QxException osFailure(F f) {
    try {
        f();
        ADD_FAILURE() << "no exception";
    } catch (const QxScsiException& e) {
        ADD_FAILURE() << "a device failure: " << e.getMessage();
    } catch (const QxException& e) {
        return e;
    }
    return QxException("none", -1);
}

QxException populateFailure(OZScsiTarget& target) {
    return osFailure([&] { OZScsi::populate(target); });
}

int sendError(const OZScsiTarget& target, const void* cdb, int cdbLength = 6, int dataLength = 0,
              int senseLength = 0) {
    unsigned char data[8];
    return osFailure([&] {
               OZScsi::send(target, cdb, cdbLength, data, dataLength, false, false, nullptr,
                            senseLength, -1);
           })
        .getErrno();
}

const unsigned char kTur[17] = {};

class LocalNode : public ::testing::Test {
  protected:
    void SetUp() override { m_descriptors = openDescriptors(); }
    void TearDown() override { EXPECT_EQ(openDescriptors(), m_descriptors) << "descriptor leak"; }
    long m_descriptors = 0;
};

TEST_F(LocalNode, DeviceListCountsOneEntryPerDeviceAndNeverFails) {
    char name[] = "/tmp/qxscsi-class-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    // Two tape drives with eight nodes each, names that are no drive, two sg nodes, a disk.
    for (const char* e : {"st0", "st0l", "st0m", "st0a", "nst0", "nst0l", "nst0m", "nst0a", "st12",
                          "nst12", "st", "stx", "st1x", "sg0", "sg7", "0:0:0:0"}) {
        std::filesystem::create_directory(std::string(name) + "/" + e);
    }
    // And more drives than one read of the folder returns.
    for (int drive = 100; drive < 400; ++drive) {
        std::filesystem::create_directory(std::string(name) + "/st" + std::to_string(drive));
    }
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kTape), 302);
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kGeneric), 2);
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kDisk), 316);
    std::filesystem::remove_all(name);
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kDisk), 0);
}

TEST_F(LocalNode, NodesWithoutPassThroughOpenButFailToPopulateAndSend) {
    char file[] = "/tmp/qxscsi-node-XXXXXX";
    ::close(::mkstemp(file));
    for (const std::string& path : {std::string(file), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        OZScsiTarget target(path.c_str(), true);
        ASSERT_EQ(OZScsi::open(target, 120), 0);
        const int handle = target.handle();
        EXPECT_EQ(OZScsi::open(target, 120), 0) << "open again keeps the device";
        EXPECT_EQ(target.handle(), handle);
        EXPECT_EQ(::fcntl(handle, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
        const QxException e = populateFailure(target);
        // A user-mode emulator answers ENOSYS for ioctls it does not translate.
        EXPECT_THAT(e.getErrno(), AnyOf(ENOTTY, ENOSYS));
        EXPECT_THAT(e.getMessage(), StartsWith(path + " does not answer SCSI pass-through"));
        EXPECT_THAT(sendError(target, kTur), AnyOf(ENOTTY, ENOSYS));
        // Malformed commands are refused before they reach the device.
        for (int cdbLength : {0, 17, -6}) {
            EXPECT_EQ(sendError(target, kTur, cdbLength), EINVAL);
        }
        EXPECT_EQ(sendError(target, nullptr), EINVAL);
        EXPECT_EQ(sendError(target, kTur, 6, -1), EINVAL);
        EXPECT_EQ(sendError(target, kTur, 6, 0, -1), EINVAL);
    }
    ::unlink(file);
}

TEST_F(LocalNode, PathsThatDoNotOpenLeaveTheTargetClosed) {
    const struct {
        const char* path;
        int error;
        const char* message;
    } cases[] = {
        {"/nonexistent/sg3", ENOENT, "cannot open /nonexistent/sg3: No such file or directory"},
        {"/", EISDIR, "cannot open /: Is a directory"},
        {"nbd://192.0.2.1/export", ENODEV,
         "nbd://192.0.2.1/export: no SCSI transport serves this device path"},
        {"sg3", ENODEV, "sg3: no SCSI transport serves this device path"},
        {"", EINVAL, "no device path given"},
        {nullptr, EBADF, "/dev/null has not been opened"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        OZScsiTarget target(c.path != nullptr ? c.path : "/dev/null", true);
        if (c.path != nullptr) {
            EXPECT_EQ(OZScsi::open(target, 120), c.error);
        }
        EXPECT_FALSE(target.isOpen());
        const QxException e = populateFailure(target);
        EXPECT_EQ(e.getErrno(), c.error);
        EXPECT_STREQ(e.getMessage(), c.message);
        EXPECT_EQ(sendError(target, kTur), EBADF);
    }
}

}  // namespace
