// This process's initiator port on each target: which ISID its sessions log in with.
//
// A target that keys the I_T nexus by initiator port (initiator name and ISID) treats a login
// under the port of a live session as that session's reinstatement and drops the old one. So
// two live processes of one host (a daemon, and the tool run beside it with the same initiator
// name) must not log in under the same ISID, while a host process that restarts should get the
// ISID, and with it the nexus, its predecessor had. Each process therefore holds, per initiator
// name and target, a slot: the lowest that no live process of this user holds, taken with a
// lock on a file in a runtime folder and kept until the process ends, however it ends (the
// system releases the lock with the descriptor). Nothing is persisted: the lock files say who
// holds what while it holds it. The slot changes the ISID's random bits (isidBits), never its
// qualifier: some targets take ISIDs that differ only in the qualifier for one initiator.
//
// The lock descriptors are close-on-exec, and a forked child closes its copies as it starts
// (the lock belongs to the open file, which the parent keeps): its own logins take slots of
// their own. When the folder cannot be used, a process logs in under slot 0 uncoordinated, as
// every process did before slots existed.
#ifndef QX_PLATFORM_ISCSI_INITIATORPORTS_H
#define QX_PLATFORM_ISCSI_INITIATORPORTS_H

#include <sys/types.h>

#include <map>
#include <mutex>
#include <string>

namespace oz {
namespace iscsi {

// The folder for the lock files of user uid: /run/qxscsi for root, else runtimeDir/qxscsi
// when runtimeDir ($XDG_RUNTIME_DIR) is an absolute path, else /tmp/qxscsi-<uid>.
std::string portFolder(uid_t uid, const char* runtimeDir);

class InitiatorPorts {
  public:
    // How many processes of one user may hold ports on one target under one initiator name.
    static constexpr unsigned kMaxSlots = 256;

    // This process's ports, under portFolder(geteuid(), $XDG_RUNTIME_DIR). Never destroyed: a
    // fork may come at any time, exit included.
    static InitiatorPorts& instance();
    explicit InitiatorPorts(std::string folder);
    InitiatorPorts(const InitiatorPorts&) = delete;
    InitiatorPorts& operator=(const InitiatorPorts&) = delete;

    // The slot this process holds for initiator on target, taking the lowest free one at the
    // first call: true with slot set. false, with reason, when every slot is held by a live
    // process. A folder that cannot be made, is not this user's own or where files cannot be
    // made or locked gives slot 0.
    bool slotFor(const std::string& initiator, const std::string& target, unsigned& slot,
                 std::string& reason);

    // Around a fork: the lock is held across it. In the child, closeInChild closes its copies
    // of the lock descriptors and forgets the slots.
    void lockForFork();
    void unlockInParent();
    void closeInChild();

  private:
    struct Held {
        int fd = -1;  // -1: slot 0 without a lock, the folder being unusable
        unsigned slot = 0;
    };
    bool folderReady();

    std::string m_folder;
    int m_folderState = 0;  // 0 not tried yet, 1 ready, -1 unusable
    std::mutex m_mutex;
    std::map<std::string, Held> m_held;  // by initiator name, a newline, target name
};

}  // namespace iscsi
}  // namespace oz

#endif
