// Building a host reservation key into a caller's buffer.
#include <string>

#include "api/FlatText.h"
#include "qxscsi/QXScsiFlat.h"
#include "qxscsi/QXScsiHardDisk.h"

unsigned long FuncMakeReservationKey(int first, int second, int third, char* key, int keySize) {
    if (key == nullptr) {
        return qx::api::kNullArgument;
    }
    QXScsiHardDisk disk(-1LL);
    std::string text;
    disk.makeReservationKey(first, second, third, text);
    qx::api::copyText(key, keySize, text);
    return 0;
}
