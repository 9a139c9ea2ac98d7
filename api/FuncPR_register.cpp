// Registering a reservation key with a device.
#include <string>

#include "api/FlatText.h"
#include "platform/ShownPath.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {

const long long kFlatId = -1;

unsigned long reportFailure(const QXScsiHardDisk& disk, const char* devicePath, char* error,
                            int errorSize) {
    std::string message;
    const unsigned long code = disk.getLastError(message);
    message += "Failed to register Disk: ";
    message += oz::shownPath(devicePath);  // a password in an iscsi:// path is masked
    qx::api::copyText(error, errorSize, message);
    return code;
}

}  // namespace

unsigned long FuncPR_register(const char* devicePath, char* key, char* error, int errorSize) {
    if (devicePath == nullptr || key == nullptr || error == nullptr) {
        return qx::api::kNullArgument;
    }
    QXScsiHardDisk disk(devicePath, kFlatId);
    if (!disk.Open()) {
        return reportFailure(disk, devicePath, error, errorSize);
    }
    if (disk.PR_register(key, true) != 0) {
        return reportFailure(disk, devicePath, error, errorSize);
    }
    return 0;
}
