// OZScsi on local paths that are no SCSI node and on paths no transport serves, as callers see
// it; every test also checks that no descriptor is left open.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "platform/OZScsi.h"

namespace {

using ::testing::AnyOf;

int openDescriptors() {
    int n = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        for (; ::readdir(dir) != nullptr; ++n) {
        }
        ::closedir(dir);
    }
    return n;
}

// The QxException (not a device failure) that f throws; a default one if it throws none.
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

const unsigned char kTur[17] = {};

QxException populateFailure(OZScsiTarget& target) {
    return osFailure([&] { OZScsi::populate(target); });
}

QxException sendFailure(const OZScsiTarget& target, const void* cdb = kTur, int cdbLength = 6,
                        int dataLength = 0, int senseLength = 0) {
    unsigned char data[8];
    return osFailure([&] {
        OZScsi::send(target, cdb, cdbLength, data, dataLength, false, false, nullptr, senseLength,
                     -1);
    });
}

class LocalNode : public ::testing::Test {
  protected:
    void SetUp() override { m_descriptors = openDescriptors(); }
    void TearDown() override { EXPECT_EQ(openDescriptors(), m_descriptors) << "descriptor leak"; }
    int m_descriptors = 0;
};

TEST_F(LocalNode, NodesWithoutPassThroughOpenButFailToPopulateAndSend) {
    char file[] = "/tmp/qxscsi-node-XXXXXX";
    ::close(::mkstemp(file));
    for (const std::string& path : {std::string(file), std::string("/dev/null")}) {
        OZScsiTarget target(path.c_str(), true);
        ASSERT_EQ(OZScsi::open(target, 120), 0) << path;
        const int handle = target.handle();
        EXPECT_EQ(OZScsi::open(target, 120), 0) << "open again keeps the device";
        EXPECT_EQ(target.handle(), handle);
        EXPECT_EQ(::fcntl(handle, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);

        const QxException e = populateFailure(target);
        // A user-mode emulator answers ENOSYS for ioctls it does not translate.
        EXPECT_THAT(e.getErrno(), AnyOf(ENOTTY, ENOSYS));
        EXPECT_EQ(std::string(e.getMessage()).find(path + " does not answer SCSI pass-through"),
                  0u);
        EXPECT_THAT(sendFailure(target).getErrno(), AnyOf(ENOTTY, ENOSYS));
        // Malformed commands are refused before they reach the device.
        for (int cdbLength : {0, 17, -6}) {
            EXPECT_EQ(sendFailure(target, kTur, cdbLength).getErrno(), EINVAL);
        }
        EXPECT_EQ(sendFailure(target, nullptr).getErrno(), EINVAL);
        EXPECT_EQ(sendFailure(target, kTur, 6, -1).getErrno(), EINVAL);
        EXPECT_EQ(sendFailure(target, kTur, 6, 0, -1).getErrno(), EINVAL);
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
        {"iscsi://192.0.2.1/iqn.2000-01.test:t/0", ENODEV,
         "iscsi://192.0.2.1/iqn.2000-01.test:t/0: no SCSI transport serves this device path"},
        {"sg3", ENODEV, "sg3: no SCSI transport serves this device path"},
        {"", EINVAL, "no device path given"},
    };
    for (const auto& c : cases) {
        OZScsiTarget target(c.path, true);
        EXPECT_EQ(OZScsi::open(target, 120), c.error) << c.path;
        EXPECT_FALSE(target.isOpen());
        const QxException e = populateFailure(target);
        EXPECT_EQ(e.getErrno(), c.error);
        EXPECT_STREQ(e.getMessage(), c.message);
        EXPECT_EQ(sendFailure(target).getErrno(), EBADF);
    }
    OZScsiTarget neverOpened("/dev/null", true);
    EXPECT_EQ(populateFailure(neverOpened).getErrno(), EBADF);
}

TEST_F(LocalNode, FallsBackToReadOnlyWhereWritingIsRefused) {
    const char* path = "/sys/kernel/notes";  // read-only even for root
    const int probe = ::open(path, O_RDWR);
    if (probe >= 0 || errno != EACCES) {
        ::close(probe);
        GTEST_SKIP() << path << " does not refuse writing here";
    }
    OZScsiTarget target(path, true);
    ASSERT_EQ(OZScsi::open(target, 120), 0);
    EXPECT_EQ(::fcntl(target.handle(), F_GETFL) & O_ACCMODE, O_RDONLY);
}

}  // namespace
