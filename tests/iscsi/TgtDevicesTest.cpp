// The flat reservation functions on a tgt disk, and the tape commands on tgt's tape drive,
// including the clean failures of what that drive refuses.
#include <cstring>
#include <string>
#include <vector>

#include "TgtTarget.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr unsigned long kProutFailed = 764;
constexpr unsigned long kPassThroughFailed = 45001;

using TgtDevices = tgt::TgtTest;

// Registers key for host, through a pass-through object of its own.
void registerAs(const std::string& host, const std::string& key) {
    QXNTSpti spti(0, tgt::path(tgt::kFlatDisk, host));
    ASSERT_TRUE(spti.isOK()) << spti.m_strErrorMsg;
    EXPECT_EQ(spti.RegisterPR(key, true), 0) << host << ": " << spti.m_strErrorMsg;
}

struct QueryResult {
    unsigned long rc = 0;
    int found = -1;
    std::string key;
    std::string error;
};

QueryResult queryQX(const std::string& path) {
    char key[16] = {}, error[256] = {};
    QueryResult r;
    r.rc =
        FuncPR_queryQXRegKey(path.c_str(), key, sizeof key - 1, error, sizeof error - 1, &r.found);
    r.key = key;
    r.error = error;
    return r;
}

TEST_F(TgtDevices, FlatFunctionsFindTheHostKeyAmongKeysOfOtherForms) {
    const std::string observer = tgt::path(tgt::kFlatDisk, "flat-observer");
    registerAs("flat-snapshot", "SM001002");
    registerAs("flat-numeric", std::string("\0\0\0\0\x1A\x2B\0\x01", 8));
    registerAs("flat-text", "qx-lower");
    QueryResult r = queryQX(observer);
    EXPECT_EQ(r.rc, 0u) << r.error;
    EXPECT_EQ(r.found, 0) << "found " << r.key;

    char key[] = "QX111213";
    char error[256] = {};
    const std::string host = tgt::path(tgt::kFlatDisk, "flat-host");
    ASSERT_EQ(FuncPR_register(host.c_str(), key, error, sizeof error - 1), 0u) << error;
    r = queryQX(observer);
    EXPECT_EQ(r.rc, 0u) << r.error;
    EXPECT_EQ(r.found, 1);
    EXPECT_EQ(r.key, "QX111213");

    // A device that does not open: a failure with its text, nothing found.
    r = queryQX(tgt::path(9, "flat-observer"));
    EXPECT_NE(r.rc, 0u);
    EXPECT_EQ(r.found, 0);
    EXPECT_FALSE(r.error.empty());
}

TEST_F(TgtDevices, TapeDriveAnswersTheDriveCommands) {
    QXNTSpti drive(0, tgt::path(tgt::kTape, "tape-host"));
    ASSERT_TRUE(drive.isOK()) << drive.m_strErrorMsg;
    ASSERT_TRUE(drive.Inquiry()) << drive.m_strErrorMsg;
    EXPECT_EQ(drive.m_strVendorId, "QXSCSI");
    EXPECT_EQ(drive.m_strProductId, "VIRTUAL-TAPE");
    std::string serial;
    EXPECT_TRUE(drive.GetSerialNumber(serial)) << drive.m_strErrorMsg;
    // tgt right-aligns the serial number in its field; only trailing blanks are trimmed.
    EXPECT_THAT(serial, EndsWith(" QXT0003"));

    unsigned char key = 0xEE, asc = 0xEE, ascq = 0xEE;
    EXPECT_TRUE(drive.TestUnitReady(&key, &asc, &ascq)) << drive.m_strErrorMsg;
    EXPECT_EQ(drive.m_nScsiStatus, 0) << "sense " << int(key) << "/" << int(asc);
    EXPECT_TRUE(drive.PreventAllow(1)) << drive.m_strErrorMsg;
    EXPECT_EQ(drive.m_nScsiStatus, 0);
    EXPECT_TRUE(drive.PreventAllow(0)) << drive.m_strErrorMsg;
    EXPECT_EQ(drive.m_nScsiStatus, 0);

    unsigned long first = 99, last = 99;
    EXPECT_TRUE(drive.SetPositionEOD(first, last)) << drive.m_strErrorMsg;
    EXPECT_EQ(drive.m_nScsiStatus, 0);
    int position = -7;
    EXPECT_EQ(drive.readPosition(position), 0) << drive.m_strErrorMsg;
    EXPECT_EQ(position, 0);

    unsigned char page[64] = {};
    EXPECT_TRUE(drive.doModeSense(page, sizeof page, 0)) << drive.m_strErrorMsg;
    EXPECT_EQ(drive.m_nScsiStatus, 0);
    EXPECT_GT(page[0], 2) << "mode data length";
    unsigned char sense[32] = {};
    EXPECT_TRUE(drive.doRequestSense(sense, sizeof sense)) << drive.m_strErrorMsg;
    EXPECT_EQ(sense[0] & 0x7F, 0x70);
}

TEST_F(TgtDevices, WhatTheTapeDriveRefusesFailsCleanly) {
    QXNTSpti drive(0, tgt::path(tgt::kTape, "tape-refused"));
    ASSERT_TRUE(drive.isOK()) << drive.m_strErrorMsg;
    // No log pages: the refusal's sense must not be read as a supported-pages list.
    EXPECT_FALSE(drive.TapeAlertSupported());
    int code = -1;
    EXPECT_EQ(drive.isLTOWormCartridge(code), 0);
    EXPECT_EQ(drive.isAITWormCartridge(code), 0);
    EXPECT_EQ(drive.is3592WormCartridge(code), 0);
    EXPECT_EQ(drive.isSTKVolSafeWormCartridge(code), 0);
    EXPECT_EQ(drive.isDLTWormCartridge(code), 0);

    // No persistent reservations on this LUN.
    QXScsiHardDisk handle(tgt::path(tgt::kTape, "tape-refused"), 7);
    ASSERT_TRUE(handle.Open());
    std::string message;
    EXPECT_EQ(handle.PR_register("QX010101", true), kProutFailed);
    EXPECT_EQ(handle.getLastError(message), kProutFailed);
    std::vector<std::string> keys;
    EXPECT_EQ(handle.PR_queryRegKey(keys), kPassThroughFailed);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(handle.getLastError(message), kPassThroughFailed);
    EXPECT_THAT(message, Not(HasSubstr("succeeded")));
}

}  // namespace
