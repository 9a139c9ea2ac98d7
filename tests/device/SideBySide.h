// The library and sg3_utils side by side on one device: each reports what the other reads.
#ifndef QXSCSI_TESTS_DEVICE_SIDEBYSIDE_H
#define QXSCSI_TESTS_DEVICE_SIDEBYSIDE_H

#include <string>

namespace device {

// The forced-reserve story between two hosts on the disk seen through paths a and b, with
// sg_persist reading each state from the other host's path; then registrations, a reservation
// and a pre-emption made by sg_persist, under text and under numeric keys, read by the library
// and taken over by its forced reserve.
void reservationsSideBySide(const std::string& a, const std::string& b);

}  // namespace device

#endif
