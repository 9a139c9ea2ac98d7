// Counting the SCSI devices the host knows of, from sysfs.
#ifndef QX_PLATFORM_DEVICELIST_H
#define QX_PLATFORM_DEVICELIST_H

namespace oz {

// What a device class folder names, and so what counts as one device in it.
enum class DeviceClass {
    kDisk,     // /sys/class/scsi_disk: one entry per disk ("0:0:0:0")
    kTape,     // /sys/class/scsi_tape: eight nodes per drive; "st<n>" counts the drive
    kGeneric,  // /sys/class/scsi_generic: "sg<n>", one per SCSI device of any type
};

// The sysfs class folder for the kind of device.
const char* deviceClassFolder(DeviceClass kind);

// Number of devices named in folder; 0 when the folder cannot be read (a host without SCSI
// support has none of these folders). Never throws.
int countDevices(const char* folder, DeviceClass kind);

// Asks every SCSI host adapter to scan its buses again. Failures are ignored: the caller only
// wants the device list as fresh as the host can make it.
void rescanScsiHosts();

}  // namespace oz

#endif
