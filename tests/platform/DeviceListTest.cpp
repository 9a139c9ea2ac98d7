// Counting SCSI devices in sysfs class folders, and the refresh on a host without SCSI.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "gtest/gtest.h"
#include "platform/DeviceList.h"
#include "platform/OZScsi.h"

namespace {

TEST(DeviceList, CountsOneEntryPerDeviceAndNeverFails) {
    char name[] = "/tmp/qxscsi-class-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    // Two tape drives with eight nodes each, names that are no drive, two sg nodes, a disk.
    const char* entries[] = {"st0",  "st0l",  "st0m", "st0a", "nst0", "nst0l", "nst0m", "nst0a",
                             "st12", "nst12", "st",   "stx",  "st1x", "sg0",   "sg7",   "0:0:0:0"};
    for (const char* e : entries) {
        ::mkdir((std::string(name) + "/" + e).c_str(), 0700);
    }
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kTape), 2);
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kGeneric), 2);
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kDisk), 16);
    for (const char* e : entries) {
        ::rmdir((std::string(name) + "/" + e).c_str());
    }
    ::rmdir(name);
    EXPECT_EQ(oz::countDevices(name, oz::DeviceClass::kDisk), 0);

    // This host may have no SCSI support at all: the refresh counts what there is, or 0.
    EXPECT_EQ(OZScsi::refreshDeviceList(OZScsi::Device::TAPE, false),
              oz::countDevices("/sys/class/scsi_tape", oz::DeviceClass::kTape));
    EXPECT_GE(OZScsi::refreshDeviceList(static_cast<OZScsi::Device::DEVICE_TYPE>(7), false), 0);
    if (::access("/sys/class/scsi_host", F_OK) != 0) {  // no adapters to ask for a bus scan
        EXPECT_EQ(OZScsi::refreshDeviceList(OZScsi::Device::DISK, true), 0);
    }
}

}  // namespace
