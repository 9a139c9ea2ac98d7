// The pass-through object's life: construction, the usability check and destruction.
#include <cerrno>
#include <stdexcept>

#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/double/FakePlatform.h"

namespace {

using fake::Reply;

class PassThroughObjectTest : public fake::Test {};

TEST_F(PassThroughObjectTest, ConstructionOpensTheDeviceAndStartsClean) {
    QXNTSpti spti(42, "/dev/nst0");
    fake::Platform& p = fake::platform();
    ASSERT_EQ(p.targetsCreatedWith.size(), 1u);
    EXPECT_EQ(p.targetsCreatedWith[0].first, "/dev/nst0");
    EXPECT_TRUE(p.targetsCreatedWith[0].second);
    EXPECT_NE(scsi, nullptr);
    ASSERT_EQ(p.refreshCalls.size(), 1u);
    EXPECT_EQ(p.refreshCalls[0], std::make_pair(1, false));
    EXPECT_EQ(p.openArgs, std::vector<int>{120});

    EXPECT_EQ(spti.m_nScsiStatus, 0);
    EXPECT_EQ(spti.m_nErrorCode, 0u);
    EXPECT_TRUE(spti.m_strErrorMsg.empty());
    EXPECT_TRUE(spti.m_strVendorId.empty());
    EXPECT_TRUE(spti.m_strProductId.empty());
    EXPECT_FALSE(spti.m_bOpened);
    EXPECT_EQ(p.populateCalls, 0);
}

TEST_F(PassThroughObjectTest, EveryConstructionRefreshesButCreatesThePlatformOnce) {
    QXNTSpti a(0, "/dev/sg1");
    OZScsi* first = scsi;
    QXNTSpti b(0, "/dev/sg2");
    EXPECT_EQ(scsi, first);
    EXPECT_EQ(fake::platform().refreshCalls.size(), 2u);
}

TEST_F(PassThroughObjectTest, IsOkPopulatesEveryTime) {
    QXNTSpti spti(0, "/dev/sg1");
    EXPECT_TRUE(spti.isOK());
    EXPECT_TRUE(spti.m_bOpened);
    EXPECT_TRUE(spti.isOK());
    EXPECT_EQ(fake::platform().populateCalls, 2);
}

TEST_F(PassThroughObjectTest, IsOkMessages) {
    struct Row {
        const char* name;
        Reply populate;
        const char* message;
    } rows[] = {
        {"with message", Reply::throwQx("no SG_IO", ENOTTY),
         "Failed to populate scsi targets: Exception Msg = no SG_IO"},
        {"null message", Reply::throwQx(nullptr, 0),
         "Failed to populate scsi targets: Exception Msg = NULL"},
        {"scsi exception is a platform exception", Reply::throwScsi(-1, {}, "transport down"),
         "Failed to populate scsi targets: Exception Msg = transport down"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QXNTSpti spti(0, "/dev/sg1");
        fake::platform().onPopulate = row.populate;
        EXPECT_FALSE(spti.isOK());
        EXPECT_EQ(spti.m_strErrorMsg, row.message);
        EXPECT_EQ(spti.m_nErrorCode, 0u);
        EXPECT_FALSE(spti.m_bOpened);
        fake::platform().onPopulate = Reply();
    }
}

TEST_F(PassThroughObjectTest, ClosedTargetGivesFalseWithoutMessage) {
    fake::platform().openSucceeds = false;
    QXNTSpti spti(0, "/dev/sg9");
    spti.m_strErrorMsg = "kept";
    EXPECT_FALSE(spti.isOK());
    EXPECT_EQ(spti.m_strErrorMsg, "kept");
}

TEST_F(PassThroughObjectTest, IsOkWithoutPlatformObjectOrTarget) {
    QXNTSpti spti(0, "/dev/sg1");
    OZScsi* saved = scsi;
    scsi = nullptr;
    EXPECT_FALSE(spti.isOK());
    scsi = saved;
    EXPECT_EQ(fake::platform().populateCalls, 0);
}

TEST_F(PassThroughObjectTest, OtherExceptionsFromPopulatePass) {
    QXNTSpti spti(0, "/dev/sg1");
    fake::platform().onPopulate = Reply::throwOther();
    EXPECT_THROW(spti.isOK(), std::runtime_error);
}

// A failing platform call leaves the constructor with the platform's exception and nothing
// built so far stays behind (the fixture checks that no target is left alive).
TEST_F(PassThroughObjectTest, ConstructionFailuresReachTheCreator) {
    struct Row {
        const char* name;
        Reply fake::Platform::*call;
    } rows[] = {
        {"target", &fake::Platform::onTargetCreate},
        {"refresh", &fake::Platform::onRefresh},
        {"open", &fake::Platform::onOpen},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake::platform().*row.call = Reply::throwQx("boom", EACCES);
        try {
            QXNTSpti spti(0, "/dev/sg1");
            ADD_FAILURE() << "no exception";
        } catch (const QxException& e) {
            EXPECT_STREQ(e.getMessage(), "boom");
            EXPECT_EQ(e.getErrno(), EACCES);
        }
        EXPECT_EQ(fake::platform().targetsLive, 0);
        fake::platform().*row.call = Reply();
    }
    fake::platform().onOpen = Reply::throwOther();
    EXPECT_THROW(QXNTSpti(0, "/dev/sg1"), std::runtime_error);
}

TEST_F(PassThroughObjectTest, DestructionReleasesTheTarget) {
    {
        QXNTSpti never(0, "/dev/sg1");
        fake::platform().openSucceeds = false;
        QXNTSpti failed(0, "/dev/sg2");
        EXPECT_FALSE(failed.isOK());
        EXPECT_EQ(fake::platform().targetsLive, 2);
    }
    EXPECT_EQ(fake::platform().targetsLive, 0);
}

}  // namespace
