// The pass-through object's life: construction, the usability check and destruction. The
// fixture checks after every test that each target was released.
#include <cerrno>
#include <stdexcept>
#include <tuple>

#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/double/FakePlatform.h"

namespace {

using fake::Reply;

class PassThroughObjectTest : public fake::Test {};

TEST_F(PassThroughObjectTest, ConstructionRefreshesEveryTimeAndIsOkPopulatesEveryTime) {
    fake::Platform& p = fake::platform();
    QXNTSpti a(42, "/dev/nst0");
    OZScsi* const first = scsi;
    QXNTSpti b(0, "/dev/sg2");
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(scsi, first);
    EXPECT_EQ(std::make_tuple(a.m_nScsiStatus, a.m_nErrorCode, a.m_bOpened, a.m_strErrorMsg,
                              a.m_strVendorId, a.m_strProductId),
              std::make_tuple(0, 0ul, false, "", "", ""));
    EXPECT_EQ(p.targetsCreatedWith,
              (decltype(p.targetsCreatedWith){{"/dev/nst0", true}, {"/dev/sg2", true}}));
    EXPECT_EQ(p.refreshCalls, (decltype(p.refreshCalls){{1, false}, {1, false}}));
    EXPECT_EQ(p.openArgs, (std::vector<int>{120, 120}));
    EXPECT_EQ(p.populateCalls, 0);
    EXPECT_TRUE(a.isOK());
    EXPECT_TRUE(a.isOK());
    EXPECT_TRUE(a.m_bOpened);
    EXPECT_EQ(p.populateCalls, 2);
    scsi = nullptr;
    EXPECT_FALSE(b.isOK());
    scsi = first;
    EXPECT_EQ(p.populateCalls, 2);
}

TEST_F(PassThroughObjectTest, IsOkFailures) {
    const std::string prefix = "Failed to populate scsi targets: Exception Msg = ";
    const struct {
        const char* name;
        Reply populate;
        bool opens;
        std::string message;
    } rows[] = {
        {"message", Reply::throwQx("no SG_IO", ENOTTY), true, prefix + "no SG_IO"},
        {"null message", Reply::throwQx(nullptr, 0), true, prefix + "NULL"},
        {"device failure", Reply::throwScsi(-1, {}, "link down"), true, prefix + "link down"},
        {"target not open", Reply(), false, "kept"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake::platform().openSucceeds = row.opens;
        fake::platform().onPopulate = row.populate;
        QXNTSpti spti(0, "/dev/sg1");
        spti.m_strErrorMsg = "kept";
        spti.m_nErrorCode = 99;
        EXPECT_FALSE(spti.isOK());
        EXPECT_EQ(spti.m_strErrorMsg, row.message);
        EXPECT_EQ(spti.m_nErrorCode, 99u);
        EXPECT_FALSE(spti.m_bOpened);
    }
    fake::platform().onPopulate = Reply::throwOther();
    QXNTSpti spti(0, "/dev/sg1");
    EXPECT_THROW(spti.isOK(), std::runtime_error);
}

TEST_F(PassThroughObjectTest, ConstructionFailuresReachTheCreatorAndLeakNothing) {
    for (Reply fake::Platform::*call :
         {&fake::Platform::onTargetCreate, &fake::Platform::onRefresh, &fake::Platform::onOpen}) {
        fake::platform().*call = Reply::throwQx("boom", EACCES);
        try {
            QXNTSpti spti(0, "/dev/sg1");
            ADD_FAILURE() << "no exception";
        } catch (const QxException& e) {
            EXPECT_STREQ(e.getMessage(), "boom");
            EXPECT_EQ(e.getErrno(), EACCES);
        }
        EXPECT_EQ(fake::platform().targetsLive, 0);
        fake::platform().*call = Reply::throwOther();
        EXPECT_THROW(QXNTSpti(0, "/dev/sg1"), std::runtime_error);
        fake::platform().*call = Reply();
    }
}

}  // namespace
