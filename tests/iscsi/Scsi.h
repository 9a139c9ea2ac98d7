// The private tgt target that the integration tests share (started by CTest's fixture, see
// scripts/tgt/tgt-target.sh) and the paths through which each test host reaches it; and what the
// tests send and read beside the calls under test: commands through the platform layer and
// through a pass-through object, a disk cleared and its state read by hosts of their own, and
// what tgtadm says of the target.
#ifndef QX_TESTS_ISCSI_SCSI_H
#define QX_TESTS_ISCSI_SCSI_H

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace tgt {

// The target's LUNs: a disk for each test that changes reservations, and the tape drive.
constexpr int kBulkDisk = 1;
constexpr int kFlatDisk = 2;
constexpr int kTape = 3;
constexpr int kToolDisk = 4;
constexpr int kContentionDisk = 6;
constexpr int kSecondContentionDisk = 8;
constexpr int kThreadDisk = 7;

// A value of a target.env file written by tgt-target.sh; empty when there is none.
inline std::string settingIn(const std::string& file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + "=") == 0) {
            return line.substr(name.size() + 1);
        }
    }
    return std::string();
}

// A value of the shared fixture's target.env.
inline std::string setting(const std::string& name) {
    const char* file = std::getenv("QXSCSI_TGT_ENV");
    return settingIn(file != nullptr ? file : "", name);
}

// The path by which host (an initiator name of its own) reaches lun of the target whose
// settings get gives.
template <typename Get>
std::string pathWith(Get get, int lun, const std::string& host) {
    return "iscsi://" + get("TGT_PORTAL") + "/" + get("TGT_IQN") + "/" + std::to_string(lun) +
           "?initiator=iqn.2026-12.local.qxscsi:" + host;
}

// The path by which host reaches lun of the shared target.
inline std::string path(int lun, const std::string& host) {
    return pathWith(setting, lun, host);
}

// Tests that need the fixture's target.
class TgtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(setting("TGT_PORTAL").empty()) << "no tgt fixture (QXSCSI_TGT_ENV)";
    }
};

constexpr int kGood = 0x00;
constexpr int kReservationConflict = 0x18;
constexpr unsigned long kExclusiveAccess = 3;
using Cdb = std::vector<unsigned char>;
const Cdb kReadBlockZero = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
const Cdb kTestUnitReady = {0, 0, 0, 0, 0, 0};

// The status of a command sent through the platform layer, or -1 when it failed below the SCSI
// layer (with the reason in failure). A READ(10) of block 0 unless told otherwise.
inline int send(const OZScsiTarget& target, std::string& failure, int seconds = 30,
                const Cdb& cdb = kReadBlockZero,
                std::vector<unsigned char> data = std::vector<unsigned char>(512),
                bool dataOut = false) {
    unsigned char sense[32] = {};
    try {
        return OZScsi::send(target, cdb.data(), static_cast<int>(cdb.size()), data.data(),
                            static_cast<int>(data.size()), dataOut, false, sense, 32, seconds);
    } catch (const QxException& e) {
        failure = e.getMessage();
        return -1;
    }
}

// READ(10) of block 0 into block (512 bytes), or WRITE(10) of it, through a pass-through object:
// its status, or -1 (with failure filled).
inline int blockZero(QXNTSpti& spti, std::string& failure, unsigned char* block, bool write,
                     int seconds = 30) {
    Cdb cdb = kReadBlockZero;
    cdb[0] = write ? 0x2A : 0x28;
    if (!spti.SendSCSICmd(cdb.data(), 10, block, 512, nullptr, nullptr, nullptr, seconds,
                          write ? 1 : 0)) {
        failure = spti.m_strErrorMsg;
        return -1;
    }
    return spti.m_nScsiStatus;
}

inline int readBlockZero(QXNTSpti& spti, std::string& failure, int seconds = 30) {
    unsigned char block[512] = {};
    return blockZero(spti, failure, block, false, seconds);
}

// Leaves the disk at path with no registration and no reservation.
inline void clearDisk(const std::string& path) {
    QXScsiHardDisk clearer(path, 9);
    ASSERT_TRUE(clearer.Open());
    std::string message;
    ASSERT_EQ(clearer.doForcePR_Clear(9, 9, 9), 0u) << clearer.getLastError(message) << message;
}

struct DeviceState {
    std::vector<std::string> keys;
    std::string holder;
    unsigned long type = 0;
};

// What the disk holds, read by a host that never registers.
inline DeviceState readState(const std::string& path) {
    DeviceState s;
    QXNTSpti observer(0, path);
    EXPECT_TRUE(observer.isOK()) << observer.m_strErrorMsg;
    EXPECT_TRUE(observer.QueryReg(s.keys)) << observer.m_strErrorMsg;
    EXPECT_TRUE(observer.QueryReserve(s.holder, s.type)) << observer.m_strErrorMsg;
    return s;
}

// What tgtadm shows of the shared target (arguments after the control port), within 10 s.
inline std::string tgtadm(const std::string& arguments) {
    const std::string command =
        "timeout 10 tgtadm -C " + setting("TGT_CONTROL_PORT") + " " + arguments + " 2>&1";
    std::string text;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p) != nullptr) {
            text += buffer;
        }
        ::pclose(p);
    }
    return text;
}

}  // namespace tgt

#endif
