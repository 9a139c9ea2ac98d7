// The iSCSI sessions of this process, one per initiator, portal and target (and credentials).
//
// Why a pool: a target keeps persistent reservations per I_T nexus, and an iSCSI target makes
// every session a nexus of its own. The system opens a new pass-through object for every
// reservation operation; if each object logged in anew, each would be a stranger to the
// registrations the one before made, and a host could never release its own reservation. So
// every open object of one host and target shares one session, whatever LUN it names, and
// the session outlives its objects: the next open finds it. A session carries the commands of
// many threads at once (see IscsiSession.h); an open of a live session waits for none of them.
// A session that failed, or whose connection the target closed, is dropped and the
// next open logs in afresh; the sessions left log out when the process exits, all of them
// within one short limit, however many there are, whether or not their targets answer, and
// whatever another thread's command holds meanwhile (a busy session is left as it is).
//
// A forked child abandons its parent's sessions as it starts: it closes its copies of their
// sockets and never sends on them, logs them out or takes their locks (a thread of the parent
// may have held one at the fork), and gives up its copies of the parent's initiator ports
// (InitiatorPorts.h). Its own opens log in sessions of its own, under ports of its own, which
// it logs out when it exits; the parent's nexus is untouched.
// Credentials are part of what names a session: an open with other (or wrong) credentials
// logs in with them and meets the target's verdict, rather than borrowing a session that
// logged in with good ones.
#ifndef QX_PLATFORM_ISCSI_SESSIONPOOL_H
#define QX_PLATFORM_ISCSI_SESSIONPOOL_H

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/iscsi/ChapEnvironment.h"
#include "platform/iscsi/IscsiSession.h"

namespace oz {
namespace iscsi {

class SessionPool {
  public:
    // Never destroyed, so that a fork finds it at any time; its sessions log out at exit.
    static SessionPool& instance();

    // The session for the params' initiator, portal, target and credentials, logged in when
    // the pool has none that works, with lun readied; null (with error) when that fails.
    // limitSeconds bounds the login and the LUN check.
    std::shared_ptr<Session> acquire(const LoginParams& params, int lun, int limitSeconds,
                                     OpenError& error);

    // What an earlier open made of path: its login parameters and LUN; null when no open has
    // read it yet, or when the CHAP settings of the environment, which the iSCSI library reads
    // with the path, have changed since. So an open of a path the process has used needs no
    // parse, no iSCSI context and no read of the initiator name file. At most kMaxKnownPaths
    // are kept.
    struct KnownPath {
        LoginParams params;
        int lun = -1;
        ChapEnvironment environment;
    };
    std::shared_ptr<const KnownPath> knownPath(const std::string& path);
    void rememberPath(const std::string& path, std::shared_ptr<const KnownPath> known);

    // Logs out every pooled session of this process within one limit, under the pool's lock;
    // later acquires fail. Run once, at exit.
    void closeAtExit();

  private:
    SessionPool();
    static void prepareFork();
    static void afterForkInParent();
    static void afterForkInChild();

    // One host and target under one set of credentials: its session, and the lock that lets one
    // open at a time check it or log in, while opens of other hosts and targets go on.
    struct Slot {
        std::mutex login;
        std::shared_ptr<Session> session;
    };
    using Slots = std::map<LoginParams, std::shared_ptr<Slot>>;
    // Guards the map, never held through a login; held through the logouts at exit and across
    // a fork.
    std::mutex m_mutex;
    Slots m_slots;
    std::map<std::string, std::shared_ptr<const KnownPath>> m_paths;
    bool m_closed = false;
    // In a child, its parents' sessions: kept, never used, so that nothing of theirs is freed,
    // logged out or locked here.
    std::vector<Slots> m_abandoned;
};

}  // namespace iscsi
}  // namespace oz

#endif
