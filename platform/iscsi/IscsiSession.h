// One logged-in iSCSI session: one I_T nexus to one target, carrying commands to any of its
// LUNs, many at once, each under its own task tag.
//
// libiscsi's context is not safe under threads, so one thread at a time drives it, and the
// session starts no thread of its own: the callers drive it in turn. A caller submits its
// command under the session's lock, held only while the context is touched; if no thread is
// polling the connection it polls until its own command completes, serving every other
// command's replies, deadlines and the target's pings as it goes, then leaves the polling to
// a caller still waiting. A caller that finds another thread polling waits for its own
// completion; a wake-up descriptor in the poll set brings a new submission to the polling
// thread at once. Commands beyond the target's command window wait in libiscsi's queue.
//
// It belongs to the process that logged it in: in a forked child every call fails at once,
// without sending anything or taking the session's lock.
#ifndef QX_PLATFORM_ISCSI_ISCSISESSION_H
#define QX_PLATFORM_ISCSI_ISCSISESSION_H

#include <sys/types.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

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
    // pings while it waits (see Liveness.h), whatever other threads send meanwhile. A command
    // without an answer, a broken connection or a silent target fails the session and every
    // command on it at once, with the session's reason: later commands fail at once and the
    // pool logs in afresh. A failed command is never sent again: it may have reached the
    // device.
    Outcome run(int lun, const Command& command);

    // True when the session still works as far as can be told without sending a command: it
    // has not failed and the target has not closed its connection (a target that died or
    // restarted since the last command). Fails the session when it finds it dead. A session
    // with commands in flight is watched by the thread that polls it, and is not probed.
    bool usable();
    // Logs out, waiting for the target's answer until deadlineMs (steady clock) at most, and
    // drops the connection; later commands fail. Nothing is sent on a failed session. A
    // session busy with other threads' commands until deadlineMs is left as it is.
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
    // A command in flight: its completion and its limit.
    struct Waiter {
        Pending pending;
        long long deadlineMs = 0;
        int lun = 0;
        unsigned int seconds = 0;
        bool dataOut = false;
        bool expired = false;  // it passed its limit, and failed the session
    };
    using Lock = std::unique_lock<std::mutex>;

    Session();
    // True in a process forked from the one that logged in.
    bool foreign() const;
    std::string foreignText() const;
    Outcome runLocked(Lock& lock, int lun, const Command& command);
    // Waits until the waiter's command completes or the session is closed, polling the
    // connection itself whenever no other thread does.
    void await(Lock& lock, const Waiter& waiter);
    // Polls the connection until pending is done, the session fails or deadlineMs (steady
    // clock) passes; false unless pending is done. Serves every command in flight meanwhile:
    // their completions, their limits and the target's pings. Closes a session that failed.
    bool poll(Lock& lock, const Pending& pending, long long deadlineMs);
    // iscsi_service, keeping SIGPIPE from this thread while a command's data may be written.
    int service(short revents, bool dataOut);
    // Sends a NOP-Out ping while commands wait, or gives the target up when the one out has
    // gone unanswered; false when the session failed.
    bool watchTarget(long long now);
    // Marks the session failed, with why as its reason and inFlight as what its commands in
    // flight are told, and closes it, or has the polling thread close it.
    void fail(const std::string& why, const std::string& inFlight);
    void fail(const std::string& why) { fail(why, "iSCSI failure: " + why); }
    // Drops the connection: the library cancels what is still queued, calling the callbacks of
    // the waiters, which still exist. Only while no other thread polls.
    void close();
    void wake();

    mutable std::mutex m_mutex;
    // A command completed, the session closed, or the polling thread left.
    std::condition_variable m_changed;
    const pid_t m_owner;
    const unsigned m_forks;  // the process's forks at the login, SessionSockets::forks()
    iscsi_context* m_context = nullptr;
    int m_socket = -1;  // as recorded among the process's session sockets
    int m_wake = -1;    // the wake-up descriptor, likewise
    std::string m_failure;
    std::string m_inFlightFailure;
    std::set<int> m_luns;
    int m_descriptor = -1;
    bool m_polling = false;
    std::vector<Waiter*> m_waiters;
    // libiscsi's own limit, a backstop behind the session's: above every limit in flight.
    int m_libraryLimit = 0;
    Pending m_connect;
    Pending m_ping;  // the NOP-Out that is out, if any
    Liveness m_liveness;
    std::string m_portal;
};

}  // namespace iscsi
}  // namespace oz

#endif
