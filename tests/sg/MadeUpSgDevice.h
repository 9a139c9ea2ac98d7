// A SCSI generic device that exists only in this process. Opening a path that begins with
// kMadeUpPrefix gives a real descriptor on which SG_IO is answered by the test's responder in
// place of the kernel, so the library drives it through its own SG_IO transport exactly as it
// drives /dev/sg*. Every other path and descriptor goes to the C library unchanged.
#ifndef QXSCSI_TESTS_SG_MADEUPSGDEVICE_H
#define QXSCSI_TESTS_SG_MADEUPSGDEVICE_H

#include <functional>
#include <string>

#include "tests/double/FakePlatform.h"

namespace madeup {

constexpr const char* kMadeUpPrefix = "/dev/qxscsi-made-up/";

// How the made-up device, or the kernel below it, answers one SG_IO.
struct Answer {
    int ioctlErrno = 0;  // SG_IO itself fails with this error number
    int hostStatus = 0, driverStatus = 0;
    // The SCSI status, the sense bytes and the data read; with cutTo the device writes only
    // that many data bytes and reports the rest as residue.
    fake::Reply reply = fake::Reply::good();
    int cutTo = -1;
};

// The command as the SG_IO request carried it (path: the path the descriptor was opened on).
using Responder = std::function<Answer(const fake::Command&)>;

void setResponder(Responder responder);
// Decides whether an open of a made-up path fails: the error number, or 0 to let it open.
using OpenGate = std::function<int(const std::string& path)>;
void setOpenGate(OpenGate gate);
// Made-up descriptors open now.
int openDescriptors();

}  // namespace madeup

#endif
