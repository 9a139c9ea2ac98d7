// The iSCSI sessions of this process, one per initiator, portal and target (and credentials).
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
// Credentials are part of what names a session: an open with other (or wrong) credentials
// logs in with them and meets the target's verdict, rather than borrowing a session that
// logged in with good ones.
#ifndef QX_PLATFORM_ISCSI_SESSIONPOOL_H
#define QX_PLATFORM_ISCSI_SESSIONPOOL_H

#include <map>
#include <memory>
#include <mutex>

#include "platform/iscsi/IscsiSession.h"

namespace oz {
namespace iscsi {

class SessionPool {
  public:
    static SessionPool& instance();
    ~SessionPool();

    // The session for the params' initiator, portal, target and credentials, logged in when
    // the pool has none that works, with lun readied; null (with error) when that fails.
    // limitSeconds bounds the login and the LUN check.
    std::shared_ptr<Session> acquire(const LoginParams& params, int lun, int limitSeconds,
                                     OpenError& error);

  private:
    // One host and target under one set of credentials: its session, and the lock that lets one
    // open at a time log in or ready a LUN, while opens of other hosts and targets go on.
    struct Slot {
        std::mutex login;
        std::shared_ptr<Session> session;
    };
    mutable std::mutex m_mutex;  // guards the map only, never held through a login
    std::map<LoginParams, std::shared_ptr<Slot>> m_slots;
};

}  // namespace iscsi
}  // namespace oz

#endif
