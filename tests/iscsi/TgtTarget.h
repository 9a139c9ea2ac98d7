// The private tgt target that the integration tests share (started by CTest's fixture, see
// scripts/tgt/tgt-target.sh), and the paths through which each test host reaches it.
#ifndef QX_TESTS_ISCSI_TGTTARGET_H
#define QX_TESTS_ISCSI_TGTTARGET_H

#include <cstdlib>
#include <fstream>
#include <string>

#include "gtest/gtest.h"

namespace tgt {

// The target's LUNs: a disk for each test that changes reservations, and the tape drive.
constexpr int kFlatDisk = 2;
constexpr int kTape = 3;
constexpr int kToolDisk = 4;
constexpr int kContentionDisk = 6;
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

}  // namespace tgt

#endif
