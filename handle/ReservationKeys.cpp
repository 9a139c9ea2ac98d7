// The host reservation key "QX" + three two-digit fields and the snapshot key "SM" + two
// three-digit fields. Only the last digits of each integer survive; a negative integer keeps
// its sign and makes the key longer than the 8 characters the device stores.
#include <cstdio>
#include <string>

#include "qxscsi/QXScsiHardDisk.h"

namespace {
// Large enough for the longest key, "QX-99-99-99" or "SM-999-999", and its terminator.
constexpr std::size_t kKeyBufferSize = 20;
}  // namespace

unsigned long QXScsiHardDisk::makeReservationKey(int first, int second, int third,
                                                 std::string& key) {
    char buffer[kKeyBufferSize] = {};
    key.clear();
    // % truncates toward zero, so the remainder carries the sign; INT_MIN % 100 is -48.
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest key, signs included
    std::snprintf(buffer, sizeof buffer, "QX%.2d%.2d%.2d", first % 100, second % 100, third % 100);
    key = buffer;
    return 0;
}

unsigned long QXScsiHardDisk::makeSnapReservationKey(int first, int second, std::string& key) {
    char buffer[kKeyBufferSize] = {};
    key.clear();
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest key, signs included
    std::snprintf(buffer, sizeof buffer, "SM%.3d%.3d", first % 1000, second % 1000);
    key = buffer;
    return 0;
}
