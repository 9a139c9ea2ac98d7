// The flat reservation functions on a tgt disk: the host's key found among keys of other forms.
#include <string>

#include "TgtTarget.h"
#include "gtest/gtest.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiFlat.h"

namespace {

using FlatFunctionsOnTgt = tgt::TgtTest;

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

TEST_F(FlatFunctionsOnTgt, FindTheHostKeyAmongKeysOfOtherForms) {
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

}  // namespace
