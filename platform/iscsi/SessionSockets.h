// The sockets of this process's iSCSI sessions.
//
// A forked child gets a copy of every one, and with it a share in its parent's I_T nexus: the
// connection stays open while the child lives, however the parent ends its session. So the
// sockets are recorded here, and a child closes its copies of them as it starts, without
// sending anything on them or touching the sessions they belong to. A socket is recorded as
// soon as libiscsi has made it and forgotten as it is closed, both under one lock that a fork
// also takes: a child never closes a descriptor that is no longer a session's. The sockets are
// made close-on-exec as they are recorded, so that no program the host executes inherits one;
// a thread that forks and executes in the instant between libiscsi's socket() and that still
// passes it on.
#ifndef QX_PLATFORM_ISCSI_SESSIONSOCKETS_H
#define QX_PLATFORM_ISCSI_SESSIONSOCKETS_H

#include <functional>
#include <mutex>
#include <vector>

namespace oz {
namespace iscsi {

class SessionSockets {
  public:
    // Never destroyed: a fork may come at any time, exit included.
    static SessionSockets& instance();

    // Makes fd, a session's new socket, close-on-exec and records it.
    void adopt(int fd);
    // Forgets fd (-1 for none) and calls close, which closes it, under the same lock.
    void release(int fd, const std::function<void()>& close);

    // Around a fork: the lock is held across it, so that the child's list is exact.
    void lockForFork();
    void unlockInParent();
    // In the child: closes its copies of every recorded socket and forgets them.
    void closeInChild();
    // How many forks lie between the first process and this one; a session logged in under
    // another count belongs to another process. Cheaper than asking for the process id.
    static unsigned forks() { return s_forks; }

  private:
    SessionSockets() = default;
    std::mutex m_mutex;
    std::vector<int> m_sockets;
    // Written only in a child as it starts, while it has one thread.
    static unsigned s_forks;
};

}  // namespace iscsi
}  // namespace oz

#endif
