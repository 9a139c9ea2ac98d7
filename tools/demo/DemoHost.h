// A host of the story: a reservation handle on the shared disk, under an initiator name of its
// own, and the host's own I/O to the disk (READ(10) through a pass-through object on the same
// path, so through the same session, the same I_T nexus).
#ifndef QX_TOOLS_DEMO_DEMOHOST_H
#define QX_TOOLS_DEMO_DEMOHOST_H

#include <string>

#include "qxscsi/QXScsiHardDisk.h"

namespace qxdemo {

// What a read came to.
struct ReadAnswer {
    bool completed = false;  // the target answered; status and sense are valid
    int status = -1;         // SCSI status
    unsigned char senseKey = 0;
    unsigned char asc = 0;
    unsigned char ascq = 0;
    std::string error;  // the platform's text when the command did not complete

    bool good() const { return completed && status == 0x00; }
    bool conflict() const { return completed && status == 0x18; }
    bool unitAttention() const { return completed && status == 0x02 && senseKey == 0x06; }
};

// "GOOD", "RESERVATION CONFLICT", "CHECK CONDITION, sense 6/2A/03", or the failure.
std::string describe(const ReadAnswer& answer);

class DemoHost {
  public:
    DemoHost(char name, long long id, const std::string& path);

    char name() const { return m_name; }
    QXScsiHardDisk& handle() { return m_disk; }

    // READ(10) of one 512-byte block at LBA 0.
    ReadAnswer read() const;

  private:
    char m_name;
    std::string m_path;
    QXScsiHardDisk m_disk;
};

}  // namespace qxdemo

#endif
