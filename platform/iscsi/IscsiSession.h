// One logged-in iSCSI session: one I_T nexus to one target, carrying commands to any of its
// LUNs, one at a time. It belongs to the process that logged it in: in a forked child every
// call fails at once, without sending anything or taking the session's lock.
#ifndef QX_PLATFORM_ISCSI_ISCSISESSION_H
#define QX_PLATFORM_ISCSI_ISCSISESSION_H

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "platform/Transport.h"
#include "platform/iscsi/Liveness.h"

struct iscsi_context;

namespace oz {
namespace iscsi {

// What a session logs in with. Sessions of one host, portal and target are shared only under
// the same credentials, so a good session never answers for a login that would fail.
struct LoginParams {
    std::string initiator;
    std::string portal;  // host:port
    std::string target;  // decoded target name
    // CHAP: the name and secret with which this host answers the target's challenge; empty
    // for a login without CHAP.
    std::string user;
    std::string password;
    // Mutual CHAP: the name and secret with which the target must answer this host's
    // challenge; empty when the target is not asked to.
    std::string targetUser;
    std::string targetPassword;

    bool operator<(const LoginParams& other) const {
        return std::tie(initiator, portal, target, user, password, targetUser, targetPassword) <
               std::tie(other.initiator, other.portal, other.target, other.user, other.password,
                        other.targetUser, other.targetPassword);
    }
};

// Why a login or a LUN check failed.
struct OpenError {
    int errnum = 0;
    std::string reason;
};

class Session {
  public:
    // Connects, logs in and checks lun, within limitSeconds. Null (with error filled) when it
    // could not.
    static std::shared_ptr<Session> login(const LoginParams& params, int lun, int limitSeconds,
                                          OpenError& error);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Readies lun for use; on the first use of a LUN in this session its unit attention for
    // the login is taken here, not by the caller's first command. Returns false (with error)
    // when the target has no such LUN or does not answer.
    bool attachLun(int lun, int limitSeconds, OpenError& error);

    // Performs one command on lun, bounded by its time limit and by the target's answers to
    // pings while it waits (see Liveness.h). A command without an answer fails the session:
    // later commands fail at once and the pool logs in afresh. A failed command is never sent
    // again: it may have reached the device.
    Outcome run(int lun, const Command& command);

    // True when the session still works as far as can be told without sending a command: it
    // has not failed and the target has not closed its connection (a target that died or
    // restarted since the last command). Fails the session when it finds it dead.
    bool usable();
    // Logs out, waiting for the target's answer until deadlineMs (steady clock) at most, and
    // drops the connection; later commands fail. Nothing is sent on a failed session. A
    // session busy with another thread's command until deadlineMs is left as it is.
    void logout(long long deadlineMs);

    bool failed() const;
    // Why the session failed, empty while it works.
    std::string failure() const;
    // The session's socket when it logged in.
    int descriptor() const { return m_descriptor; }

    // State of one asynchronous call; lives as long as the context, since the library may call
    // a connect callback again when the connection drops.
    struct Pending {
        bool done = false;
        int status = 0;
    };

  private:
    Session();
    // True in a process forked from the one that logged in.
    bool foreign() const;
    std::string foreignText() const;
    Outcome runLocked(int lun, const Command& command);
    // Services the connection until pending is done or the deadline (steady clock, in ms)
    // passes; false when the deadline passed or the connection failed. With watch, a target
    // that stops answering pings fails the session before the deadline.
    bool serviceUntil(const Pending& pending, long long deadlineMs, bool watch);
    // Sends a NOP-Out ping while a command waits, or gives the target up when the one out has
    // gone unanswered; false when the session failed.
    bool watchTarget(long long now);
    // Marks the session failed and drops its connection.
    void fail(const std::string& why);

    mutable std::mutex m_mutex;
    const pid_t m_owner;
    iscsi_context* m_context = nullptr;
    int m_socket = -1;  // as recorded among the process's session sockets
    std::string m_failure;
    std::set<int> m_luns;
    int m_descriptor = -1;
    Pending m_connect;
    Pending m_ping;  // the NOP-Out that is out, if any
    Liveness m_liveness;
    bool m_silent = false;  // the session failed because the target stopped answering
    std::string m_portal;
};

}  // namespace iscsi
}  // namespace oz

#endif
