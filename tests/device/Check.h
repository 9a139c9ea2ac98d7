// What every device check shares: one CHECK-OK or CHECK-FAIL line per check, the failure count,
// and the texts that explain a reading.
#ifndef QXSCSI_TESTS_DEVICE_CHECK_H
#define QXSCSI_TESTS_DEVICE_CHECK_H

#include <string>

class QXNTSpti;

namespace device {

// The condition is evaluated before the detail text is composed, so the detail shows the state
// after the command.
#define CHECK(cond, what, detail)              \
    do {                                       \
        const bool ok_ = (cond);               \
        ::device::report(ok_, (what), detail); \
    } while (0)

void report(bool ok, const std::string& what, const std::string& detail);
// How many checks failed so far.
int failures();

// The pass-through object's last status, code and message.
std::string describe(const QXNTSpti& s);

// The first command after a device appears reports its power-on unit attention: answer it with
// TEST UNIT READY until the device is ready (at most three times).
void settle(QXNTSpti& s);

}  // namespace device

#endif
