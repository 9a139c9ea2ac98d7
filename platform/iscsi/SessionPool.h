// The iSCSI sessions of this process, one per (initiator, portal, target).
//
// Why a pool: a target keeps persistent reservations per I_T nexus, and an iSCSI target makes
// every session a nexus of its own. The system opens a new pass-through object for every
// reservation operation; if each object logged in anew, each would be a stranger to the
// registrations the one before made, and a host could never release its own reservation. So
// every open object of one host and target shares one session, whatever LUN it names, and
// the session outlives its objects: the next open finds it. Commands on a session are
// serialized. A session that failed, or whose connection the target closed, is dropped and the
// next open logs in afresh; the sessions left log out when the process exits, all of them
// within one short limit, however many there are and whether or not their targets answer.
#ifndef QX_PLATFORM_ISCSI_SESSIONPOOL_H
#define QX_PLATFORM_ISCSI_SESSIONPOOL_H

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "platform/iscsi/IscsiSession.h"

namespace oz {
namespace iscsi {

class SessionPool {
  public:
    static SessionPool& instance();
    ~SessionPool();

    // The session for the params' initiator, portal and target, logged in when the pool has
    // none that works, with lun readied; null (with error) when that fails. limitSeconds
    // bounds the login and the LUN check.
    std::shared_ptr<Session> acquire(const LoginParams& params, int lun, int limitSeconds,
                                     OpenError& error);

  private:
    using Key = std::tuple<std::string, std::string, std::string>;
    // One host and target: its session, and the lock that lets one open at a time log in or
    // ready a LUN, while opens of other hosts and targets go on.
    struct Slot {
        std::mutex login;
        std::shared_ptr<Session> session;
    };
    mutable std::mutex m_mutex;  // guards the map only, never held through a login
    std::map<Key, std::shared_ptr<Slot>> m_slots;
};

}  // namespace iscsi
}  // namespace oz

#endif
