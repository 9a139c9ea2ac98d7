// iscsi:// paths without a target: what a path may say, who the host is, and how an open that
// cannot succeed fails (with its reason, within its time limit).
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "platform/OZScsi.h"
#include "platform/ShownPath.h"
#include "platform/iscsi/Initiator.h"
#include "platform/iscsi/TargetUrl.h"
#include "tests/Loopback.h"

namespace {

using oz::iscsi::parseTargetUrl;
using ::testing::HasSubstr;

const char kTarget[] = "iscsi://127.0.0.1:3260/iqn.2026-12.test:disk";

TEST(IscsiPath, SoundPathsLoseOnlyOurParameter) {
    const struct {
        std::string path;
        std::string libraryUrl;
        std::string initiator;
        int lun;
    } cases[] = {
        {std::string(kTarget) + "/0", std::string(kTarget) + "/0", "", 0},
        {std::string(kTarget) + "/255?initiator=iqn.2026-12.test:host-a",
         std::string(kTarget) + "/255", "iqn.2026-12.test:host-a", 255},
        {"ISCSI://admin%secret@storage.example:3261/iqn.x%3Ay/7",
         "iscsi://admin%secret@storage.example:3261/iqn.x%3Ay/7", "", 7},
        {"iscsi://[::1]:3260/iqn.x/1", "iscsi://[::1]:3260/iqn.x/1", "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const oz::iscsi::TargetUrl u = parseTargetUrl(c.path);
        ASSERT_TRUE(u.ok) << u.error;
        EXPECT_EQ(u.libraryUrl, c.libraryUrl);
        EXPECT_EQ(u.initiator, c.initiator);
        EXPECT_EQ(u.lun, c.lun);
    }
}

TEST(IscsiPath, MalformedPathsSayWhatIsWrong) {
    const std::string t = kTarget;
    const struct {
        std::string path;
        const char* error;
    } cases[] = {
        {t + "/0?foo=1", "unknown parameter 'foo'"},
        {t + "/0?initiator=", "parameter 'initiator' has no value"},
        {t + "/0?initiator=a&initiator=b", "parameter 'initiator' given twice"},
        {t + "/0?", "empty parameter list after '?'"},
        {"iscsi://127.0.0.1//0", "empty target name"},
        {t, "no LUN after the target name"},
        {t + "/256", "LUN '256' is not a number from 0 to 255"},
        {"iscsi://127.0.0.1", "no target name and LUN after the host"},
        {"iscsi:///iqn.x/0", "no host"},
        {"iscsi://@host/iqn.x/0", "empty user name before '@'"},
        {"iscsi://host:0/iqn.x/0", "port must be a number from 1 to 65535"},
        {"iscsi://[::1/iqn.x/0", "unclosed '[' in the host address"},
        {"iscsi://host/iqn x/0", "control or non-ASCII character"},
        {"iscsi:/host/iqn.x/0", "not an iscsi:// path"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const oz::iscsi::TargetUrl u = parseTargetUrl(c.path);
        EXPECT_FALSE(u.ok);
        EXPECT_THAT(u.error, HasSubstr(c.error));
    }
}

TEST(IscsiPath, InitiatorNameComesFromTheHostFileElseFromTheHostName) {
    char file[] = "/tmp/qxscsi-initiator-XXXXXX";
    const int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const auto write = [&](const char* text) {
        std::FILE* f = std::fopen(file, "w");
        std::fputs(text, f);
        std::fclose(f);
    };
    write(
        "## written by the installer\n# InitiatorName=iqn.commented:out\n"
        "  InitiatorName= iqn.1993-08.org.example:01:abc \r\n");
    EXPECT_EQ(oz::iscsi::defaultInitiatorName(file, "host"), "iqn.1993-08.org.example:01:abc");
    write("InitiatorName=\n");
    EXPECT_EQ(oz::iscsi::defaultInitiatorName(file, "Store_01.Lab"),
              "iqn.2026-12.local.qxscsi:store-01.lab");
    ::unlink(file);
    EXPECT_EQ(oz::iscsi::defaultInitiatorName(file, ""), "iqn.2026-12.local.qxscsi:localhost");
    EXPECT_THAT(oz::iscsi::defaultInitiatorName(), HasSubstr("iqn."));
}

TEST(IscsiPath, OneNameOneIsid) {
    const std::uint32_t a = oz::iscsi::isidBits("iqn.2026-12.test:host-a");
    EXPECT_EQ(a, oz::iscsi::isidBits("iqn.2026-12.test:host-a"));
    EXPECT_NE(a, oz::iscsi::isidBits("iqn.2026-12.test:host-b"));
    for (const char* name : {"", "iqn.2026-12.test:host-a", "a much longer initiator name ..."}) {
        EXPECT_LE(oz::iscsi::isidBits(name), 0xFFFFFFu) << name;
    }
    // A process's slot makes an ISID of its own; slot 0 keeps the name's.
    std::set<std::uint32_t> seen;
    for (unsigned slot = 0; slot < 256; ++slot) {
        seen.insert(oz::iscsi::isidBits("iqn.2026-12.test:host-a", slot));
    }
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(oz::iscsi::isidBits("iqn.2026-12.test:host-a", 0), a);
}

// The message OZScsi::populate gives for a target whose open failed.
std::string openFailure(OZScsiTarget& target) {
    try {
        OZScsi::populate(target);
    } catch (const QxException& e) {
        return e.getMessage();
    }
    return "populate succeeded";
}

TEST(IscsiPath, MessagesNeverShowThePassword) {
    const struct {
        const char* path;
        const char* shown;
    } cases[] = {
        {"iscsi://admin%s3cret@host:3260/iqn.x%3Ay/1", "iscsi://admin%***@host:3260/iqn.x%3Ay/1"},
        {"ISCSI://a%b%c@host/iqn.x/1?initiator=iqn.y",
         "ISCSI://a%***@host/iqn.x/1?initiator=iqn.y"},
        {"iscsi://admin%p@ss@host/iqn.x/1?initiator=iqn.y",
         "iscsi://admin%***@host/iqn.x/1?initiator=iqn.y"},
        {"/dev/sg%1@x", "/dev/sg%1@x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(oz::shownPath(c.path), c.shown);
    }
    // A malformed path is an open failure that names the path and the reason.
    OZScsiTarget target("iscsi://admin%s3cret@127.0.0.1/iqn.x/300", true);
    EXPECT_EQ(OZScsi::open(target, 1), EINVAL);
    EXPECT_FALSE(target.isOpen());
    EXPECT_EQ(openFailure(target),
              "cannot open iscsi://admin%***@127.0.0.1/iqn.x/300: LUN '300' "
              "is not a number from 0 to 255");
}

#if QXSCSI_HAVE_ISCSI

using qxtest::Loopback;

// A port that refuses fails the open at once with the socket's error; a peer that never answers
// fails it at the connect limit.
TEST(IscsiPath, LoginsThatCannotSucceedFailInTimeWithTheirReason) {
    for (const bool listening : {false, true}) {
        const Loopback peer(listening);
        OZScsiTarget target(peer.path().c_str(), true);
        const auto start = std::chrono::steady_clock::now();
        const int error = OZScsi::open(target, 2);
        EXPECT_TRUE(listening ? error == ETIMEDOUT : error != 0) << error;
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(listening ? 1900 : 0));
        EXPECT_LT(took, std::chrono::seconds(listening ? 5 : 1));
        EXPECT_FALSE(target.isOpen());
        const std::string message = openFailure(target);
        EXPECT_THAT(message, HasSubstr(listening ? "no login to 127.0.0.1:"
                                                 : "cannot open " + peer.path() + ": login to"));
        EXPECT_THAT(message, HasSubstr(listening ? " within 2 s" : "Connection refused"));
    }
}

TEST(IscsiPath, LoginToOneTargetDoesNotHoldUpOpensOfAnother) {
    const Loopback silent(true);
    const Loopback closed(false);
    std::thread slow([&] {
        OZScsiTarget target(silent.path().c_str(), true);
        EXPECT_EQ(OZScsi::open(target, 3), ETIMEDOUT);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto start = std::chrono::steady_clock::now();
    OZScsiTarget other(closed.path().c_str(), true);
    EXPECT_NE(OZScsi::open(other, 3), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    slow.join();
}

#else

TEST(IscsiPath, BuildWithoutTheTransportSaysSo) {
    const std::string path = std::string(kTarget) + "/0";
    OZScsiTarget target(path.c_str(), true);
    EXPECT_EQ(OZScsi::open(target, 120), ENOTSUP);
    EXPECT_EQ(openFailure(target),
              "cannot open " + path + ": the iSCSI transport was not built into this library");
}

#endif

}  // namespace
