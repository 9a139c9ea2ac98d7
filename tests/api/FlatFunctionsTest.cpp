// The flat functions: what lands in the caller's buffers, and the composed error texts.
#include <cstring>
#include <string>

#include "qxscsi/QXScsiFlat.h"
#include "tests/handle/HandleFixture.h"
#include "tests/reservation/PrDeviceModel.h"

namespace {

using fake::Reply;

// 16 '#' bytes, so that every byte written shows.
struct Buffer {
    char bytes[16];
    Buffer() { std::memset(bytes, '#', sizeof bytes); }
    std::string str() const { return std::string(bytes, sizeof bytes); }
};
std::string written(const std::string& text) {
    return text + std::string(16 - text.size(), '#');
}
const std::string nul(1, '\0');

class FlatFunctionsTest : public handletest::Test {};

TEST_F(FlatFunctionsTest, KeyBuffersAreFilledAsStrncpyDoes) {
    const struct {
        int size;
        std::string text;
    } rows[] = {{-1, ""},
                {0, ""},
                {4, "QX01"},
                {8, "QX010203"},
                {9, "QX010203" + nul},
                {12, "QX010203" + nul + nul + nul + nul}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        Buffer made, found, error;
        EXPECT_EQ(FuncMakeReservationKey(1, 2, 3, made.bytes, row.size), 0u);
        EXPECT_EQ(made.str(), written(row.text));

        fake::platform().reply(
            Reply::good(prmodel::keysData({"AB000001", "QX010203", "QX040506"})));
        int flag = -1;
        EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", found.bytes, row.size, error.bytes, 16, &flag),
                  0u);
        EXPECT_EQ(found.str(), written(row.text));
        EXPECT_EQ(flag, 1);
        EXPECT_EQ(error.str(), written(""));
    }
    EXPECT_EQ(std::get<1>(handletest::logged().front()), -1);

    fake::platform().reply(Reply::good(prmodel::keysData({"AB000001", "Q"})));
    Buffer found, error;
    int flag = -1;
    EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", found.bytes, 16, error.bytes, 16, &flag), 0u);
    EXPECT_EQ(found.str(), written(nul));
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(error.str(), written(""));
}

TEST_F(FlatFunctionsTest, FailuresComposeTheHandleMessageAndTheDevice) {
    char error[128];
    Buffer key, small;
    int flag = -1;
    char registered[] = "QX010203";
    fake::platform().replies({Reply::conflict(), Reply::conflict(), Reply::conflict()});
    EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", key.bytes, 9, error, 128, &flag), 45001u);
    EXPECT_STREQ(error,
                 "Scsi pass-thru to Persistent registration key read failure.Failed in query to "
                 "get Disk Registration Id for disk /dev/sdb");
    EXPECT_EQ(key.str(), written(nul));
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(FuncPR_register("/dev/sdb", registered, error, 128), 45002u);
    EXPECT_STREQ(error, "Reservation conflict occurred.Failed to register Disk: /dev/sdb");
    EXPECT_EQ(FuncPR_register("/dev/sdb", registered, small.bytes, 10), 45002u);
    EXPECT_EQ(small.str(), written("Reservatio"));

    EXPECT_EQ(FuncPR_register("/dev/sdb", registered, small.bytes, 16), 0u);
    EXPECT_EQ(fake::platform().sent(3).cdb[1], 6);
    EXPECT_EQ(fake::platform().sent(3).dataOut[15], '3');
}

TEST_F(FlatFunctionsTest, NullPointersWriteNothing) {
    Buffer key, error;
    int flag = -1;
    char registered[] = "QX010203";
    EXPECT_EQ(FuncPR_queryQXRegKey(nullptr, key.bytes, 16, error.bytes, 16, &flag), 103u);
    EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", nullptr, 16, error.bytes, 16, &flag), 103u);
    EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", key.bytes, 16, nullptr, 16, &flag), 103u);
    EXPECT_EQ(FuncPR_queryQXRegKey("/dev/sdb", key.bytes, 16, error.bytes, 16, nullptr), 103u);
    EXPECT_EQ(FuncMakeReservationKey(1, 2, 3, nullptr, 16), 103u);
    EXPECT_EQ(FuncPR_register(nullptr, registered, error.bytes, 16), 103u);
    EXPECT_EQ(FuncPR_register("/dev/sdb", nullptr, error.bytes, 16), 103u);
    EXPECT_EQ(FuncPR_register("/dev/sdb", registered, nullptr, 16), 103u);
    EXPECT_EQ(key.str() + error.str(), written("") + written(""));
    EXPECT_EQ(flag, -1);
    EXPECT_EQ(fake::platform().sentCount(), 0u);
}

}  // namespace
