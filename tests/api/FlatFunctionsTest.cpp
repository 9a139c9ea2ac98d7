// The flat functions: what lands in the caller's buffers, and the composed error texts.
#include <string>

#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiText.h"
#include "tests/handle/HandleFixture.h"
#include "tests/reservation/PrDeviceModel.h"

namespace {

using fake::Reply;
using prmodel::keysData;

std::string written(const std::string& text) {  // a 16-byte buffer of '#' after text is written
    return text + std::string(16 - text.size(), '#');
}

class FlatFunctionsTest : public handletest::Test {
  protected:
    std::string key = written(""), error = written("");
    int found = -1;
};

TEST_F(FlatFunctionsTest, KeyBuffersAreFilledAsStrncpyDoes) {
    const std::string nul(1, '\0'), nuls(4, '\0');
    const int sizes[] = {-1, 0, 4, 8, 9, 12};
    const std::string texts[] = {"", "", "QX01", "QX010203", "QX010203" + nul, "QX010203" + nuls};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(sizes[i]);
        std::string made = written(""), got = written("");
        EXPECT_EQ(FuncMakeReservationKey(1, 2, 3, &made[0], sizes[i]), 0u);
        fake::platform().reply(Reply::good(keysData({"AB000001", "QX010203", "QX040506"})));
        EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", &got[0], sizes[i], &error[0], 16, &found), 0u);
        EXPECT_EQ(made + got + error + std::to_string(found),
                  written(texts[i]) + written(texts[i]) + written("") + "1");
    }
    EXPECT_EQ(std::get<1>(logged().front()), -1);
    fake::platform().reply(Reply::good(keysData({"AB000001", "Q"})));
    EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", &key[0], 16, &error[0], 16, &found), 0u);
    EXPECT_EQ(key + error + std::to_string(found), written(nul) + written("") + "0");
}

TEST_F(FlatFunctionsTest, FailuresComposeTheHandleMessageAndTheDevice) {
    char text[128];
    char registered[] = "QX010203";
    fake::platform().replies({Reply::conflict(), Reply::conflict(), Reply::conflict()});
    EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", &key[0], 9, text, 128, &found), 45001u);
    EXPECT_EQ(text, handletest::recorded(45001, "") +
                        "Failed in query to get Disk Registration Id for disk /dev/sdb");
    EXPECT_EQ(key + std::to_string(found), written(std::string(1, '\0')) + "0");
    EXPECT_EQ(FuncPR_register("/dev/sdb", registered, text, 128), 45002u);
    EXPECT_EQ(text, handletest::recorded(45002, "") + "Failed to register Disk: /dev/sdb");
    EXPECT_EQ(maskedDevicePath("iscsi://u%pw@h/iqn.x/1"), "iscsi://u%***@h/iqn.x/1");
    EXPECT_EQ(FuncPR_register("/dev/sdb", registered, &error[0], 10), 45002u);
    EXPECT_EQ(error, written("Reservatio"));
    EXPECT_EQ(FuncPR_register("/dev/sdb", registered, &error[0], 16), 0u);
    EXPECT_EQ(fake::platform().sent(3).cdb[1], 6);
    EXPECT_EQ(fake::platform().sent(3).dataOut[15], '3');
}

TEST_F(FlatFunctionsTest, NullPointersWriteNothing) {
    char registered[] = "QX010203";
    for (unsigned long result :
         {FuncPR_queryQXRegKey(nullptr, &key[0], 16, &error[0], 16, &found),
          FuncPR_queryQXRegKey("/dev/sdb", nullptr, 16, &error[0], 16, &found),
          FuncPR_queryQXRegKey("/dev/sdb", &key[0], 16, nullptr, 16, &found),
          FuncPR_queryQXRegKey("/dev/sdb", &key[0], 16, &error[0], 16, nullptr),
          FuncMakeReservationKey(1, 2, 3, nullptr, 16),
          FuncPR_register(nullptr, registered, &error[0], 16),
          FuncPR_register("/dev/sdb", nullptr, &error[0], 16),
          FuncPR_register("/dev/sdb", registered, nullptr, 16)}) {
        EXPECT_EQ(result, 103u);
    }
    EXPECT_EQ(key + error + std::to_string(found), written("") + written("") + "-1");
    EXPECT_EQ(fake::platform().sentCount(), 0u);
}

}  // namespace
