// A command's device: opened through a pass-through object before anything is sent, and
// greeted with TEST UNIT READY, which takes the unit attention a target gives the first
// command of a new I_T nexus (power on or reset, ASC 29h), as the kernel's initiator does
// when it attaches a device. Any other unit attention is the command's answer.
#ifndef QXSCSI_TOOLS_DEVICEACCESS_H
#define QXSCSI_TOOLS_DEVICEACCESS_H

#include <memory>
#include <string>

class QXNTSpti;

namespace qxtool {

class DeviceAccess {
  public:
    explicit DeviceAccess(const std::string& path);
    ~DeviceAccess();
    DeviceAccess(const DeviceAccess&) = delete;
    DeviceAccess& operator=(const DeviceAccess&) = delete;

    // 0 when the device is open and no unit attention but a new nexus's is pending; else the
    // exit status, with the reason.
    int open(std::string& reason);

    QXNTSpti& spti() { return *m_spti; }

  private:
    std::unique_ptr<QXNTSpti> m_spti;
};

}  // namespace qxtool

#endif
