// Finding the key of this scheme ("QX" + digits) registered on a device.
#include <string>
#include <vector>

#include "api/FlatText.h"
#include "platform/ShownPath.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {
const long long kFlatId = -1;
const char kHostKeyPrefix[] = "QX";
}  // namespace

unsigned long FuncPR_queryQXRegKey(const char* devicePath, char* key, int keySize, char* error,
                                   int errorSize, int* found) {
    if (devicePath == nullptr) {
        return qx::api::kNullArgument;
    }
    QXScsiHardDisk disk(devicePath, kFlatId);
    std::string message;
    std::vector<std::string> keys;
    if (key == nullptr || error == nullptr || found == nullptr) {
        return qx::api::kNullArgument;
    }
    if (keySize >= 1) {
        key[0] = '\0';
    }
    *found = 0;

    if (!disk.Open()) {
        const unsigned long code = disk.getLastError(message);
        message += "Failed to open volume to get Disk Registration Id for disk";
        message += oz::shownPath(devicePath);  // a password in an iscsi:// path is masked
        qx::api::copyText(error, errorSize, message);
        return code;
    }
    if (disk.PR_queryRegKey(keys) != 0) {
        const unsigned long code = disk.getLastError(message);
        message += "Failed in query to get Disk Registration Id for disk ";
        message += oz::shownPath(devicePath);  // a password in an iscsi:// path is masked
        qx::api::copyText(error, errorSize, message);
        return code;
    }
    for (const std::string& registered : keys) {
        if (registered.compare(0, 2, kHostKeyPrefix) == 0) {
            qx::api::copyText(key, keySize, registered);
            *found = 1;
            break;
        }
    }
    return 0;
}
