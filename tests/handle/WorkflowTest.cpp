// Forced reserve, forced clear and release, run by hosts A, B and C on one shared device.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/handle/HandleFixture.h"
#include "tests/reservation/PrDeviceModel.h"

namespace {

using prmodel::hostKey;

class WorkflowTest : public handletest::Test {
  protected:
    // Host A's forced reserve (key QX010101) through disk on device.
    static unsigned long reserveAsA(prmodel::Device& device, QXScsiHardDisk& disk) {
        fake::platform().reset();
        fake::platform().setResponder([&](const fake::Command& c) { return device.respond(c); });
        disk.Open();
        std::string key;
        return disk.doForcePR_Reserve(1, 1, 1, key);
    }
    // The reservation key and service action key of the last command sent.
    static std::string lastKeys() {
        const fake::Command& out = fake::platform().sent().back();
        return std::string(out.dataOut.begin(), out.dataOut.begin() + 16);
    }
};

TEST_F(WorkflowTest, ThreeHostsSettleTheReservation) {
    const std::string
        noRes = "No reservation on the drive. Going to reserve",
        preempt = "Valid reservation on the drive from another host. Going to pre-empt",
        mine = "Reservation on the drive already exists from this host",
        takeOver =
            "Reservation on the drive is held under this host's key through another "
            "connection. Going to take it over",
        conflict = handletest::recorded(45002, ""),
        cleared = "Successfully cleared reservation and registrations on the drive.",
        releaseFail =
            "Failed to release reservation and registrations for key QX010101  on the drive.";
    auto reserved = [](char h) { return "Reservation for key " + hostKey(h) + " succeeded."; };
    auto clearing = [](char h) {
        return "Clearing the reservation the key " + hostKey(h) + " succeeded.";
    };
    auto released = [](char h) {
        return "Successfully released reservation for key " + hostKey(h) + " on the drive.";
    };
    // The device before and after as text (prmodel::describe); D is another connection of A's.
    const char *const d = "D=QX010101:D3", *const ad = "AD=QX010101:D3";
    const struct {
        const char* what;
        const char* before;  // null: the device as the row before left it
        int refused;         // the command answered with RESERVATION CONFLICT, from 1; 0: none
        const char* sent;
        std::vector<std::string> logged;  // the texts logged at level 1
        unsigned long result;
        const char* after;
    } rows[] = {
        // A and B take the device from each other; C stays registered. Each loser meets the
        // unit attention of its lost registration on its next command and sends it again.
        {"A reserve", "C", 0, "I0 O6 I1 O1", {noRes, reserved('A')}, 0, "AC:A3"},
        {"A reserve", nullptr, 0, "I0 I1 Q R10", {mine}, 0, "AC:A3"},
        {"B reserve", nullptr, 0, "I0 O6 I1 O4", {preempt, clearing('B')}, 0, "BC:B3"},
        {"A reserve", nullptr, 0, "I0 I0 O6 I1 O4", {preempt, clearing('A')}, 0, "AC:A3"},
        {"B reserve", nullptr, 0, "I0 I0 O6 I1 O4", {preempt, clearing('B')}, 0, "BC:B3"},
        // C clears B's reservation and every registration; A, no longer registered, cannot
        // release; B reserves again and releases, then releases with no reservation.
        {"C clear", nullptr, 0, "O6 O3", {clearing('C'), cleared}, 0, ""},
        {"A release", nullptr, 0, "O2 O2", {conflict, releaseFail}, 45002, ""},
        {"B reserve", nullptr, 0, "I0 I0 O6 I1 O1", {noRes, reserved('B')}, 0, "B:B3"},
        {"B release", nullptr, 0, "O2", {clearing('B'), released('B')}, 0, "B"},
        {"B release", nullptr, 0, "O2", {clearing('B'), released('B')}, 0, "B"},
        // The rest of the forced reserve's outcomes; the fault sweep holds the failures.
        {"A reserve", "AC", 0, "I0 I1 O1", {noRes, reserved('A')}, 0, "AC:A3"},
        {"A reserve", "ABC:B3", 0, "I0 I1 O4", {preempt, clearing('A')}, 0, "AC:A3"},
        {"A reserve", "B:A3", 0, "I0 O6 I1 Q R10", {mine}, 0, "AB:A3"},
        // A's key holds the device through another connection, D, which A's READ meets as a
        // conflict: A registers its own connection and pre-empts its key's other one.
        {"A reserve", d, 0, "I0 I1 Q R10 O6 O4", {takeOver, clearing('A')}, 0, "A:A3"},
        {"A reserve", ad, 3, "I0 I1 Q", {mine}, 0, ad},
    };
    prmodel::Device device;
    fake::platform().setResponder([&](const fake::Command& c) { return device.respond(c); });
    auto state = [&] { return prmodel::describe(device); };
    for (const auto& row : rows) {
        const std::string what = row.what, before = row.before ? row.before : "";
        SCOPED_TRACE(what + " on " + (row.before ? before : "the same device"));
        if (row.before) {
            device = prmodel::deviceFrom(before);
            device.type = 3;
        }
        device.sent.clear();
        device.refuse = row.refused;
        logged().clear();
        QXScsiHardDisk disk("/dev/host" + what.substr(0, 1), 7LL);
        disk.Open();
        std::string key, message;
        const int n = what[0] - 'A' + 1;
        auto way = QXScsiHardDisk::PR_FORCE_NONE;
        const unsigned long result = what[4] == 's'   ? disk.doForcePR_Reserve(1, 1, n, key, way)
                                     : what[4] == 'e' ? disk.doForcePR_Clear(1, 1, n)
                                                      : disk.doPR_Release(hostKey(what[0]));
        EXPECT_EQ(result, row.result);
        if (what[4] == 's') {  // the way the forced reserve tells is the decision it logged
            const std::string decided[] = {"", noRes, mine, preempt, takeOver};
            EXPECT_EQ(decided[way], row.logged[0]);
        }
        EXPECT_EQ(disk.getLastError(message), result);
        EXPECT_EQ(key, what[4] == 's' ? hostKey(what[0]) : "");
        EXPECT_EQ(device.sent, row.sent);
        std::vector<std::string> texts;
        for (const auto& e : logged()) {
            if (std::get<0>(e) == 1) {
                texts.push_back(std::get<2>(e));
            }
        }
        EXPECT_EQ(texts, row.logged);
        EXPECT_EQ(state(), row.after);
    }
    // With the snapshot flag the key is the snapshot form of the first two integers.
    device = prmodel::Device();
    QXScsiHardDisk snap("/dev/hostA", 0LL);
    snap.Open();
    snap.m_bSnapReservationKey = true;
    std::string key;
    EXPECT_EQ(snap.doForcePR_Reserve(11, 22, 33, key), 0u);
    EXPECT_EQ(key + " " + state(), "SM011022 A=SM011022:A3");
}

// The probe fits the device type; a device it has no harmless READ for keeps the old answer.
TEST_F(WorkflowTest, ForcedReserveProbesByDeviceType) {
    const struct {
        unsigned char peripheral;
        const char* sent;
        const char* after;
    } types[] = {{0, "I0 I1 Q R10 O6 O4", "A:A3"},
                 {1, "I0 I1 Q R6 O6 O4", "A:A3"},
                 {5, "I0 I1 Q", "D=QX010101:D3"},
                 {8, "I0 I1 Q", "D=QX010101:D3"}};
    for (const auto& t : types) {
        SCOPED_TRACE(static_cast<int>(t.peripheral));
        prmodel::Device device = prmodel::deviceFrom("D=QX010101:D3");
        device.peripheral = t.peripheral;
        QXScsiHardDisk disk("/dev/hostA", 7LL);
        EXPECT_EQ(reserveAsA(device, disk), 0u);
        ASSERT_EQ(device.sent, t.sent);
        EXPECT_EQ(prmodel::describe(device), t.after);
        if (t.peripheral < 2) {
            // A READ of nothing: every byte but the operation code is zero.
            const fake::Command& read = fake::platform().sent(3);
            EXPECT_EQ(std::count(read.cdb.begin() + 1, read.cdb.end(), 0), read.cdb.size() - 1);
            EXPECT_EQ(read.dataLength, 0);
            EXPECT_EQ(lastKeys(), hostKey('A') + hostKey('A'));
        }
    }
}

// Another initiator's tool registered and reserved under a number, not text; the forced reserve
// still takes the device over, pre-empting with the very 8 bytes the holder registered.
TEST_F(WorkflowTest, ForcedReserveTakesOverADeviceHeldUnderANumericKey) {
    const struct {
        std::string field, shown;
    } holders[] = {
        {std::string("\0\0\0\0\x1A\x2B\0\x01", 8), "0x000000001A2B0001"},
    };
    for (const auto& h : holders) {
        SCOPED_TRACE(h.shown);
        prmodel::Device device;
        device.keys['B'] = h.field;
        device.keys['C'] = hostKey('C');
        device.holder = 'B';
        device.type = 3;
        QXScsiHardDisk disk("/dev/hostA", 7LL);
        EXPECT_EQ(reserveAsA(device, disk), 0u);
        EXPECT_EQ(device.sent, "I0 O6 I1 O4");
        EXPECT_EQ(lastKeys(), hostKey('A') + h.field);
        EXPECT_EQ(device.holder, 'A');
        EXPECT_EQ(device.keys.count('B'), 0u);
        EXPECT_EQ(device.keys.count('C'), 1u);

        // A release under the foreign key names it in hex, not as raw bytes.
        logged().clear();
        EXPECT_EQ(disk.doPR_Release(h.field), 45002u);
        EXPECT_EQ(std::get<2>(logged().back()),
                  "Failed to release reservation and registrations for key " + h.shown +
                      "  on the drive.");
    }
}

}  // namespace
