// Counting SCSI devices in sysfs class folders, and the refresh on a host without SCSI.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "gtest/gtest.h"
#include "platform/DeviceList.h"
#include "platform/OZScsi.h"

namespace {

class DeviceFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/qxscsi-class-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        m_folder = name;
    }
    void TearDown() override {
        for (const std::string& entry : m_entries) {
            ::rmdir((m_folder + "/" + entry).c_str());
        }
        ::rmdir(m_folder.c_str());
    }
    void add(std::initializer_list<const char*> entries) {
        for (const char* entry : entries) {
            ASSERT_EQ(::mkdir((m_folder + "/" + entry).c_str(), 0700), 0);
            m_entries.emplace_back(entry);
        }
    }
    std::string m_folder;
    std::vector<std::string> m_entries;
};

TEST_F(DeviceFolder, CountsOneEntryPerDevice) {
    using oz::DeviceClass;
    EXPECT_EQ(oz::countDevices(m_folder, DeviceClass::kTape), 0);
    // Two tape drives, each with its eight nodes; and entries that are no drive.
    add({"st0", "st0l", "st0m", "st0a", "nst0", "nst0l", "nst0m", "nst0a"});
    add({"st12", "st12l", "nst12", "nst12a", "st", "stx", "st1x"});
    EXPECT_EQ(oz::countDevices(m_folder, DeviceClass::kTape), 2);
    add({"sg0", "sg7"});
    EXPECT_EQ(oz::countDevices(m_folder, DeviceClass::kGeneric), 2);
    add({"0:0:0:0", "2:0:1:3"});
    EXPECT_EQ(oz::countDevices(m_folder, DeviceClass::kDisk), static_cast<int>(m_entries.size()));
    EXPECT_EQ(oz::countDevices(m_folder + "/missing", DeviceClass::kDisk), 0);
}

TEST(DeviceList, RefreshNeverFailsAndCountsWhatTheHostHas) {
    for (OZScsi::Device::DEVICE_TYPE type : {OZScsi::Device::DISK, OZScsi::Device::TAPE}) {
        int count = -1;
        EXPECT_NO_THROW(count = OZScsi::refreshDeviceList(type, false));
        EXPECT_GE(count, 0);
        EXPECT_EQ(count, oz::countDevices(oz::deviceClassFolder(type == OZScsi::Device::DISK
                                                                    ? oz::DeviceClass::kDisk
                                                                    : oz::DeviceClass::kTape),
                                          type == OZScsi::Device::DISK ? oz::DeviceClass::kDisk
                                                                       : oz::DeviceClass::kTape));
    }
    EXPECT_NO_THROW(OZScsi::refreshDeviceList(static_cast<OZScsi::Device::DEVICE_TYPE>(7), false));
    // A rescan asks the host adapters to scan their buses; only where there are none here.
    if (::access("/sys/class/scsi_host", F_OK) != 0) {
        EXPECT_EQ(OZScsi::refreshDeviceList(OZScsi::Device::TAPE, true), 0);
    }
}

}  // namespace
