// The platform SCSI layer (libOZScsi.so): opens a SCSI device by its path and performs one
// command at a time on it.
//
// The path chooses the transport:
//   "/..."          a Linux SCSI node (/dev/sg*, /dev/nst*, /dev/st*, /dev/sd*), driven by SG_IO;
//   "iscsi://[user[%password]@]host[:port]/<target-iqn>/<lun>[?initiator=<iqn>]"
//                   a LUN (0 to 255) of an iSCSI target. Every target of one initiator name,
//                   portal and target name shares one session (one I_T nexus), which stays
//                   logged in for the next open until the process exits. Without initiator=
//                   the host's name is the InitiatorName= of /etc/iscsi/initiatorname.iscsi,
//                   else iqn.2026-12.local.qxscsi:<hostname>.
// further transports are selected by their scheme (see platform/Transport.h) and need no change
// here or in the callers.
//
// Failures are thrown: QxException for operating-system failures (with errno), QxScsiException
// for device or transport failures (with sense data, or status -1).
#ifndef QX_PLATFORM_OZSCSI_H
#define QX_PLATFORM_OZSCSI_H

#include <string>

#include "platform/QxException.h"
#include "platform/platform_export.h"

namespace oz {
class Transport;
}

// One device, named by its path. The integer handle is -1 until OZScsi::open succeeds; the
// destructor releases the device.
class OZ_API OZScsiTarget {
  public:
    // shared: true to open the device without exclusive access, so that other processes of
    // the host may open it too; false asks for exclusive access where the transport has it.
    OZScsiTarget(const char* path, bool shared);
    ~OZScsiTarget();
    OZScsiTarget(const OZScsiTarget&) = delete;
    OZScsiTarget& operator=(const OZScsiTarget&) = delete;

    bool isOpen() const { return m_nHandle != -1; }
    const std::string& path() const { return m_strPath; }
    int handle() const { return m_nHandle; }
    bool shared() const { return m_bShared; }

  private:
    friend class OZScsi;
    std::string m_strPath;
    int m_nHandle;
    bool m_bShared;
    oz::Transport* m_pTransport;
    int m_nOpenError = 0;          // OS error number of the last failed open, 0 when none failed
    std::string m_strOpenFailure;  // why the last open failed, when the number does not say
};

class OZ_API OZScsi {
  public:
    struct Device {
        enum DEVICE_TYPE { DISK = 0, TAPE = 1 };
    };

    // Default command time limits in seconds, used when send() is given a time limit of 0 or
    // less.
    static const int kDefaultTimeout = 1800;
    static const int kEraseTimeout = 7200;

    // Looks at the SCSI devices the host knows of the given type and returns how many there are:
    // DISK counts the SCSI disks, TAPE the tape drives (one per drive, not per node). Cheap:
    // with rescan false it reads one sysfs folder; a host without any SCSI device (or without
    // SCSI support) gives 0. rescan true first asks every SCSI host adapter to scan its buses.
    static int refreshDeviceList(Device::DEVICE_TYPE type, bool rescan);

    // Opens the target's device. connectTimeout bounds, in seconds, how long a network transport
    // may take to connect; local nodes open at once. Returns 0 on success (or when the target is
    // already open) and the OS error number otherwise: ENODEV for a path that no transport
    // serves, EINVAL for an empty one. The target then stays closed (isOpen() false). Never
    // throws for a device that cannot be opened.
    static int open(OZScsiTarget& target, int connectTimeout);

    // Checks that the opened device answers SCSI pass-through and returns 0. Throws QxException
    // (with the OS error number where there is one) when it does not, or when the target is not
    // open (the message names the path and why it did not open).
    static int populate(OZScsiTarget& target);

    // Performs one command and returns its SCSI status. When the status is not GOOD, sense holds
    // fixed-format sense data (descriptor-format sense is converted; at most senseLength bytes
    // are written). headOfQueue asks the device to run the command before those already queued.
    // timeoutSeconds of 0 or less means the default: 7200 s for ERASE, 1800 s for every other
    // command; a longer limit than 4294966 s is cut to that. A null data buffer or a dataLength
    // of 0 means no data phase. The CDB must be 1 to 16 bytes and the lengths not negative, else
    // QxException with EINVAL. A command the device did not answer (transport or host adapter
    // failure, time-out, abort) throws QxScsiException with status -1 and any sense; a request
    // the operating system refuses throws QxException with its error number.
    static int send(const OZScsiTarget& target, const void* cdb, int cdbLength, void* data,
                    int dataLength, bool dataOut, bool headOfQueue, void* sense, int senseLength,
                    int timeoutSeconds);
};

#endif
