// Keys and device paths as the library's messages show them.
#include "platform/ShownPath.h"
#include "qxscsi/QXScsiText.h"
#include "reservation/KeyDisplay.h"

std::string displayReservationKey(const std::string& key) {
    return qx::pr::displayKey(key);
}

std::string maskedDevicePath(const std::string& path) {
    return oz::shownPath(path);
}
