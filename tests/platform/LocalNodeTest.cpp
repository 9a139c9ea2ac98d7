// OZScsi on local paths that are no SCSI node, and on paths no transport serves: opens and
// failures as the callers see them, and no descriptor left behind on any path.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "gtest/gtest.h"
#include "platform/OZScsi.h"

namespace {

int openDescriptors() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return -1;
    }
    int n = 0;
    while (::readdir(dir) != nullptr) {
        ++n;
    }
    ::closedir(dir);
    return n;
}

// populate's failure: errno and message.
QxException populateFailure(OZScsiTarget& target) {
    try {
        OZScsi::populate(target);
    } catch (const QxScsiException&) {
        ADD_FAILURE() << "populate threw a device failure";
    } catch (const QxException& e) {
        return e;
    }
    ADD_FAILURE() << "populate did not throw";
    return QxException();
}

std::string text(const QxException& e) {
    return e.getMessage() != nullptr ? e.getMessage() : "(null)";
}

class LocalNode : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/qxscsi-node-XXXXXX";
        const int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        ::close(fd);
        m_file = name;
        m_descriptors = openDescriptors();
    }
    void TearDown() override {
        EXPECT_EQ(openDescriptors(), m_descriptors) << "a descriptor was left open";
        ::unlink(m_file.c_str());
    }
    std::string m_file;
    int m_descriptors = 0;
};

TEST_F(LocalNode, NodesWithoutScsiPassThroughOpenButFailToPopulate) {
    for (const std::string& path : {m_file, std::string("/dev/null")}) {
        OZScsiTarget target(path.c_str(), true);
        EXPECT_EQ(target.handle(), -1);
        ASSERT_EQ(OZScsi::open(target, 120), 0) << path;
        EXPECT_TRUE(target.isOpen());
        const int handle = target.handle();
        EXPECT_EQ(OZScsi::open(target, 120), 0) << "a second open keeps the device";
        EXPECT_EQ(target.handle(), handle);
        EXPECT_EQ(::fcntl(handle, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);

        const QxException e = populateFailure(target);
        EXPECT_EQ(e.getErrno(), ENOTTY) << path;
        EXPECT_EQ(text(e).rfind(path + " does not answer SCSI pass-through (SG_IO)", 0), 0u)
            << text(e);
        EXPECT_TRUE(target.isOpen()) << "a failed populate leaves the device open";
    }
}

TEST_F(LocalNode, SendOnANodeWithoutPassThroughIsAnOsFailure) {
    OZScsiTarget target("/dev/null", true);
    ASSERT_EQ(OZScsi::open(target, 120), 0);
    const unsigned char tur[6] = {0x00, 0, 0, 0, 0, 0};
    unsigned char sense[256] = {};
    try {
        OZScsi::send(target, tur, 6, nullptr, 0, false, false, sense, 256, -1);
        ADD_FAILURE() << "send did not throw";
    } catch (const QxScsiException& e) {
        ADD_FAILURE() << "a refused ioctl is no device failure: " << text(e);
    } catch (const QxException& e) {
        EXPECT_EQ(e.getErrno(), ENOTTY);
        EXPECT_EQ(text(e).rfind("/dev/null: SCSI command 0x00: SG_IO failed", 0), 0u) << text(e);
    }
}

TEST_F(LocalNode, SendRejectsMalformedCommandsBeforeTheDevice) {
    OZScsiTarget target("/dev/null", true);
    ASSERT_EQ(OZScsi::open(target, 120), 0);
    const unsigned char cdb[17] = {0x12};
    unsigned char data[8] = {};
    struct Case {
        const char* name;
        const void* cdb;
        int cdbLength;
        int dataLength;
        int senseLength;
    };
    const Case cases[] = {
        {"no CDB", nullptr, 6, 0, 0},
        {"CDB length 0", cdb, 0, 0, 0},
        {"CDB length 17", cdb, 17, 0, 0},
        {"CDB length -6", cdb, -6, 0, 0},
        {"negative data length", cdb, 6, -1, 0},
        {"negative sense length", cdb, 6, 0, -1},
    };
    for (const Case& c : cases) {
        try {
            OZScsi::send(target, c.cdb, c.cdbLength, data, c.dataLength, false, false, nullptr,
                         c.senseLength, -1);
            ADD_FAILURE() << c.name << ": not rejected";
        } catch (const QxException& e) {
            EXPECT_EQ(e.getErrno(), EINVAL) << c.name << ": " << text(e);
        }
    }
}

TEST_F(LocalNode, PathsThatDoNotOpenLeaveTheTargetClosed) {
    struct Case {
        const char* path;
        int openError;
        const char* message;
    };
    const Case cases[] = {
        {"/nonexistent/qxscsi/sg3", ENOENT,
         "cannot open /nonexistent/qxscsi/sg3: No such file or directory"},
        {"/", EISDIR, "cannot open /: Is a directory"},
        {"iscsi://192.0.2.1:3260/iqn.2000-01.test:tape/0", ENODEV,
         "iscsi://192.0.2.1:3260/iqn.2000-01.test:tape/0: no SCSI transport serves this "
         "device path"},
        {"dev/sg3", ENODEV, "dev/sg3: no SCSI transport serves this device path"},
        {"", EINVAL, "no device path given"},
    };
    for (const Case& c : cases) {
        OZScsiTarget target(c.path, true);
        EXPECT_EQ(OZScsi::open(target, 120), c.openError) << c.path;
        EXPECT_FALSE(target.isOpen()) << c.path;
        EXPECT_EQ(target.handle(), -1) << c.path;
        const QxException e = populateFailure(target);
        EXPECT_EQ(e.getErrno(), c.openError) << c.path;
        EXPECT_EQ(text(e), c.message);

        const unsigned char tur[6] = {};
        try {
            OZScsi::send(target, tur, 6, nullptr, 0, false, false, nullptr, 0, -1);
            ADD_FAILURE() << c.path << ": send on a closed target did not throw";
        } catch (const QxException& sendFailure) {
            EXPECT_EQ(sendFailure.getErrno(), EBADF) << c.path;
        }
    }
    OZScsiTarget neverOpened("/dev/null", true);
    EXPECT_EQ(populateFailure(neverOpened).getErrno(), EBADF);
}

TEST_F(LocalNode, FallsBackToReadOnlyWhereWritingIsRefused) {
    // A sysfs attribute that even root may only read.
    const char* path = "/sys/kernel/notes";
    const int probe = ::open(path, O_RDWR);
    if (probe >= 0 || errno != EACCES) {
        if (probe >= 0) {
            ::close(probe);
        }
        GTEST_SKIP() << path << " does not refuse writing here";
    }
    OZScsiTarget target(path, true);
    ASSERT_EQ(OZScsi::open(target, 120), 0);
    EXPECT_EQ(::fcntl(target.handle(), F_GETFL) & O_ACCMODE, O_RDONLY);
}

TEST_F(LocalNode, ManyTargetsReleaseTheirDevices) {
    for (int i = 0; i < 200; ++i) {
        OZScsiTarget open(m_file.c_str(), i % 2 == 0);
        OZScsiTarget missing("/nonexistent/qxscsi/nst0", true);
        OZScsiTarget unopened("/dev/null", true);
        OZScsi::open(open, 120);
        OZScsi::open(missing, 120);
        ASSERT_TRUE(open.isOpen());
    }
}

}  // namespace
