#include "platform/iscsi/IscsiSession.h"

#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/SenseFormat.h"
#include "platform/iscsi/Initiator.h"
#include "platform/iscsi/InitiatorPorts.h"
#include "platform/iscsi/IscsiReply.h"
#include "platform/iscsi/LockUntil.h"
#include "platform/iscsi/NoSigpipe.h"
#include "platform/iscsi/SessionSockets.h"

namespace oz {
namespace iscsi {
namespace {

static_assert(kStatusCancelled == SCSI_STATUS_CANCELLED, "library status values");
static_assert(kStatusError == SCSI_STATUS_ERROR, "library status values");
static_assert(kStatusTimeout == SCSI_STATUS_TIMEOUT, "library status values");
static_assert(kStatusRedirect == SCSI_STATUS_REDIRECT, "library status values");
static_assert(kStatusCheckCondition == SCSI_STATUS_CHECK_CONDITION, "library status values");

// The ISID qualifier of every session; the random bits tell initiator names and the live
// processes of one name apart.
constexpr std::uint32_t kIsidQualifier = 0;
// The poll loop enforces every time limit itself, to the millisecond; the library's own limit
// (whole seconds, counted from a clock that may start up to a second late) is set this much
// longer, as a backstop only.
constexpr int kLibraryLimitExtraSeconds = 2;
// How long a logout at the end of a session may take.
constexpr long long kLogoutMs = 2000;
// How many times a check for a closed connection reads what the target sent meanwhile.
constexpr int kProbeReads = 4;
// Login unit attentions a LUN may report before the first command is its own.
constexpr int kAttentionRetries = 3;

constexpr unsigned char kSenseUnitAttention = 0x06;
constexpr unsigned char kSenseIllegalRequest = 0x05;
constexpr unsigned char kAscResetOccurred = 0x29;
constexpr unsigned char kAscLunNotSupported = 0x25;

void onDone(iscsi_context* /*context*/, int status, void* /*data*/, void* pending) {
    Session::Pending* p = static_cast<Session::Pending*>(pending);
    p->done = true;
    p->status = status;
}

// The library's error messages on this thread while a login or a command is under way: its
// last error text is often a later, vaguer one ("can not reconnect"), or one left over from
// before, rather than the one that tells what happened.
thread_local std::string* t_libraryLog = nullptr;
constexpr std::size_t kLibraryLogLimit = 512;

void keepLibraryLog(int /*level*/, const char* message) {
    if (t_libraryLog != nullptr && message != nullptr && t_libraryLog->size() < kLibraryLogLimit) {
        *t_libraryLog += message;
        *t_libraryLog += "\n";
    }
}

// Collects the library's messages on this thread while it lives, and hands them on to the
// collection it interrupted, if any.
class LibraryLog {
  public:
    LibraryLog() : m_outer(t_libraryLog) { t_libraryLog = &m_text; }
    ~LibraryLog() {
        if (m_outer != nullptr && m_outer->size() < kLibraryLogLimit) {
            *m_outer += m_text;
        }
        t_libraryLog = m_outer;
    }
    LibraryLog(const LibraryLog&) = delete;
    LibraryLog& operator=(const LibraryLog&) = delete;
    // The first message, without the target name the library appends in brackets.
    std::string first() const {
        std::string line = m_text.substr(0, m_text.find('\n'));
        const std::size_t bracket = line.rfind(" [");
        if (bracket != std::string::npos && !line.empty() && line.back() == ']') {
            line.erase(bracket);
        }
        return line;
    }

  private:
    std::string* m_outer;
    std::string m_text;
};

std::string libraryError(iscsi_context* context) {
    const char* e = context != nullptr ? iscsi_get_error(context) : nullptr;
    return e != nullptr && e[0] != '\0' ? std::string(e) : std::string("no reason given");
}

}  // namespace

std::shared_ptr<Session> Session::login(const LoginParams& params, int lun, int limitSeconds,
                                        OpenError& error) {
    unsigned port = 0;
    std::string busy;
    if (!InitiatorPorts::instance().slotFor(params.initiator, params.target, port, busy)) {
        error = {EUSERS, busy};
        return nullptr;
    }
    std::shared_ptr<Session> s(new Session());
    s->m_portal = params.portal;
    s->m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (s->m_wake < 0) {
        error = {errno, "cannot make the session's wake-up descriptor"};
        return nullptr;
    }
    SessionSockets::instance().adopt(s->m_wake);
    s->m_context = iscsi_create_context(params.initiator.c_str());
    if (s->m_context == nullptr) {
        error = {ENOMEM, "cannot create an iSCSI context for initiator " + params.initiator};
        s->close();
        return nullptr;
    }
    iscsi_context* c = s->m_context;
    iscsi_set_noautoreconnect(c, 1);
    const LibraryLog log;
    iscsi_set_log_level(c, 1);
    iscsi_set_log_fn(c, &keepLibraryLog);
    iscsi_set_timeout(c, limitSeconds + kLibraryLimitExtraSeconds);
    if (iscsi_set_targetname(c, params.target.c_str()) != 0 ||
        iscsi_set_session_type(c, ISCSI_SESSION_NORMAL) != 0 ||
        iscsi_set_isid_random(c, isidBits(params.initiator, port), kIsidQualifier) != 0 ||
        (!params.user.empty() &&
         iscsi_set_initiator_username_pwd(c, params.user.c_str(), params.password.c_str()) != 0) ||
        (!params.targetUser.empty() &&
         iscsi_set_target_username_pwd(c, params.targetUser.c_str(),
                                       params.targetPassword.c_str()) != 0)) {
        error = {EINVAL, "cannot set up the login: " + libraryError(c)};
        s->fail(error.reason);
        return nullptr;
    }
    const long long deadline = steadyNowMs() + 1000LL * limitSeconds;
    if (iscsi_full_connect_async(c, params.portal.c_str(), lun, &onDone, &s->m_connect) != 0) {
        error = {ECONNREFUSED, "cannot connect to " + params.portal + ": " +
                                   (log.first().empty() ? libraryError(c) : log.first())};
        s->fail(error.reason);
        return nullptr;
    }
    // The socket exists from here on.
    s->m_socket = iscsi_get_fd(c);
    SessionSockets::instance().adopt(s->m_socket);
    Lock lock(s->m_mutex);
    const NoSigpipe quiet;
    const bool answered = s->poll(lock, s->m_connect, deadline);
    if (!answered || s->m_connect.status == SCSI_STATUS_TIMEOUT) {
        const bool late = s->m_failure.empty();
        error = {
            late ? ETIMEDOUT : EIO,
            late ? "no login to " + params.portal + " within " + std::to_string(limitSeconds) + " s"
                 : "login to " + params.portal +
                       " failed: " + (log.first().empty() ? s->m_failure : log.first())};
        s->fail(error.reason);
        return nullptr;
    }
    if (s->m_connect.status != SCSI_STATUS_GOOD) {
        error = {EIO, "login to " + params.target + " at " + params.portal + " with LUN " +
                          std::to_string(lun) +
                          " failed: " + (log.first().empty() ? libraryError(c) : log.first())};
        s->fail(error.reason);
        return nullptr;
    }
    // The connect callback may be called again when the connection drops: it must find a
    // finished state, not the login's.
    s->m_connect = Pending();
    s->m_connect.done = true;
    s->m_descriptor = iscsi_get_fd(c);
    // The login's own TEST UNIT READY took this LUN's unit attention.
    s->m_luns.insert(lun);
    return s;
}

Session::Session() : m_owner(::getpid()), m_forks(SessionSockets::forks()) {}

Session::~Session() {
    // In a forked child the context, and the descriptors it names, are the parent's: nothing
    // of them is freed or closed here.
    if (!foreign()) {
        logout(steadyNowMs() + kLogoutMs);
    }
}

bool Session::foreign() const {
    return SessionSockets::forks() != m_forks;
}

std::string Session::foreignText() const {
    return "the iSCSI session to " + m_portal + " belongs to process " + std::to_string(m_owner) +
           ", from which this one was forked; open the device again";
}

void Session::logout(long long deadlineMs) {
    if (foreign()) {
        return;
    }
    Lock lock(m_mutex, std::defer_lock);
    if (!lockUntil(lock, deadlineMs)) {
        return;
    }
    // Commands of other threads may finish until the deadline; then they are left as they are.
    while (m_polling || !m_waiters.empty()) {
        const long long left = deadlineMs - steadyNowMs();
        if (left <= 0) {
            return;
        }
        m_changed.wait_for(lock, std::chrono::milliseconds(left < 100 ? left : 100));
    }
    if (m_context == nullptr) {
        return;
    }
    // Outlives the context: a logout left unanswered is cancelled, and its callback called,
    // when the context is destroyed below.
    Pending done;
    if (m_failure.empty()) {
        // Asynchronous, so that a target that has stopped answering cannot hold it up.
        if (iscsi_logout_async(m_context, &onDone, &done) == 0) {
            poll(lock, done, deadlineMs);
        }
    }
    // Cancels whatever is still queued, calling its callbacks while their states exist.
    fail("logged out");
}

bool Session::usable() {
    if (foreign()) {
        return false;
    }
    Lock lock(m_mutex);
    if (m_context == nullptr || !m_failure.empty()) {
        return false;
    }
    if (m_polling || !m_waiters.empty()) {
        return true;
    }
    // A target that closed the connection (it died, or restarted) left an end of file or an
    // error to read. The library would only note that for a reconnection it is told not to
    // make, so the socket is asked first; a late answer to a ping is read, harmlessly. SIGPIPE
    // is kept away only once there is something to read: an idle session costs one poll.
    std::optional<NoSigpipe> quiet;
    for (int reads = 0; reads < kProbeReads && m_failure.empty(); ++reads) {
        const int fd = iscsi_get_fd(m_context);
        pollfd p = {fd, POLLIN, 0};
        if (fd < 0 || ::poll(&p, 1, 0) <= 0) {
            break;
        }
        if (!quiet) {
            quiet.emplace();
        }
        char byte = 0;
        const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        const bool closed = (p.revents & (POLLHUP | POLLERR)) != 0 || n == 0 ||
                            (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
        if (closed || iscsi_service(m_context, p.revents) < 0) {
            fail("the target at " + m_portal + " closed the connection");
        }
    }
    return m_failure.empty();
}

bool Session::failed() const {
    if (foreign()) {
        return true;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_failure.empty();
}

std::string Session::failure() const {
    if (foreign()) {
        return foreignText();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failure;
}

void Session::fail(const std::string& why, const std::string& inFlight) {
    if (m_failure.empty()) {
        m_failure = why;
        m_inFlightFailure = inFlight;
    }
    if (m_polling) {
        // The polling thread closes it as soon as it looks.
        wake();
    } else {
        close();
    }
}

void Session::close() {
    if (m_context != nullptr) {
        // Closes the socket: a fork sees it either recorded and open, or neither.
        SessionSockets::instance().release(m_socket, [this] { iscsi_destroy_context(m_context); });
        m_context = nullptr;
        m_socket = -1;
    }
    if (m_wake >= 0) {
        SessionSockets::instance().release(m_wake, [this] { ::close(m_wake); });
        m_wake = -1;
    }
    m_changed.notify_all();
}

void Session::wake() {
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        const ssize_t written = ::write(m_wake, &one, sizeof one);
        static_cast<void>(written);  // a full counter wakes the poller all the same
    }
}

bool Session::watchTarget(long long now) {
    if (m_liveness.pingOut() && m_ping.done) {
        m_liveness.answered(now);
    }
    if (m_liveness.silent(now)) {
        fail("the target at " + m_portal + " stopped answering: no reply to a NOP-Out within " +
             std::to_string(m_liveness.answerMs() / 1000) + " s");
        return false;
    }
    if (m_liveness.pingDue(now)) {
        m_ping = Pending();
        if (iscsi_nop_out_async(m_context, &onDone, nullptr, 0, &m_ping) != 0) {
            fail("cannot send a NOP-Out to " + m_portal + ": " + libraryError(m_context));
            return false;
        }
        m_liveness.pinged(now);
    }
    return true;
}

bool Session::poll(Lock& lock, const Pending& pending, long long deadlineMs) {
    m_polling = true;
    while (!pending.done && m_failure.empty() && m_context != nullptr) {
        const long long now = steadyNowMs();
        long long left = deadlineMs - now;
        if (left <= 0) {
            break;
        }
        bool dataOut = false;
        for (Waiter* w : m_waiters) {
            if (w->pending.done) {
                continue;
            }
            dataOut = dataOut || w->dataOut;
            if (now >= w->deadlineMs) {
                w->expired = true;
                fail("a command on LUN " + std::to_string(w->lun) + " got no answer within " +
                     std::to_string(w->seconds) + " s");
                break;
            }
            left = std::min(left, w->deadlineMs - now);
        }
        if (!m_failure.empty() || (!m_waiters.empty() && !watchTarget(now))) {
            break;
        }
        if (!m_waiters.empty()) {
            const long long check = m_liveness.untilNextCheck(now);
            left = check > 0 && check < left ? check : left;
        }
        int slice = left < 1000 ? static_cast<int>(left) : 1000;
        pollfd p[2] = {
            {iscsi_get_fd(m_context), static_cast<short>(iscsi_which_events(m_context)), 0},
            {m_wake, POLLIN, 0}};
        // With no events the library waits for something of its own and asks to be called
        // back later.
        const bool libraryWaits = p[0].events == 0;
        if (libraryWaits) {
            slice = std::min(slice, 100);
        }
        lock.unlock();
        const int n = ::poll(libraryWaits ? p + 1 : p, libraryWaits ? 1 : 2, slice);
        const int pollErrno = errno;
        lock.lock();
        if (n < 0 && pollErrno != EINTR) {
            fail(std::string("poll failed: ") + std::strerror(pollErrno));
            break;
        }
        if (n > 0 && (p[1].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            const ssize_t got = ::read(m_wake, &count, sizeof count);
            static_cast<void>(got);
        }
        if (!m_failure.empty() || m_context == nullptr) {
            break;
        }
        short revents = 0;
        if (n > 0 && !libraryWaits) {
            revents = p[0].revents;
        }
        if ((revents & POLLIN) != 0) {
            m_liveness.heard(steadyNowMs());
        }
        const LibraryLog log;
        // With no event the call still lets the library expire commands past their limit.
        if (service(revents, dataOut) < 0) {
            fail(log.first().empty() ? libraryError(m_context) : log.first());
            break;
        }
        bool completed = false;
        for (const Waiter* w : m_waiters) {
            completed = completed || w->pending.done;
            if (w->pending.done &&
                (w->pending.status == kStatusCancelled || w->pending.status == kStatusError)) {
                // The library cancels or fails what is in flight when the connection breaks.
                const std::string why = "the connection to " + m_portal + " broke" +
                                        (log.first().empty() ? std::string() : ": " + log.first());
                fail(why, why);
            }
        }
        if (completed) {
            m_changed.notify_all();
        }
    }
    m_polling = false;
    if (!m_failure.empty()) {
        close();
    }
    m_changed.notify_all();
    return pending.done;
}

int Session::service(short revents, bool dataOut) {
    // libiscsi writes a command's data with writev, which raises SIGPIPE on a connection the
    // target has reset; it writes only when told the socket is writable, so a call that reads
    // the answer needs no guard.
    if (!dataOut || (revents & POLLOUT) == 0) {
        return iscsi_service(m_context, revents);
    }
    const NoSigpipe quiet;
    return iscsi_service(m_context, revents);
}

void Session::await(Lock& lock, const Waiter& waiter) {
    while (!waiter.pending.done && m_context != nullptr) {
        if (!m_polling) {
            poll(lock, waiter.pending, LLONG_MAX);
        } else {
            // Bounded, though the polling thread wakes it: it looks again at least this often.
            m_changed.wait_for(lock, std::chrono::milliseconds(1000));
        }
    }
}

bool Session::attachLun(int lun, int limitSeconds, OpenError& error) {
    if (foreign()) {
        error = {EIO, foreignText()};
        return false;
    }
    Lock lock(m_mutex);
    if (m_luns.count(lun) != 0) {
        return true;
    }
    const unsigned char tur[6] = {};
    for (int attempt = 0; attempt <= kAttentionRetries; ++attempt) {
        unsigned char sense[255] = {};
        Command c;
        c.cdb = tur;
        c.cdbLength = 6;
        c.sense = sense;
        c.senseCapacity = static_cast<int>(sizeof sense);
        c.timeoutSeconds = static_cast<unsigned>(limitSeconds);
        const Outcome o = runLocked(lock, lun, c);
        if (o.kind != Outcome::kCompleted) {
            error = {EIO, "LUN " + std::to_string(lun) + " does not answer: " + o.detail};
            return false;
        }
        unsigned char fixed[kFixedSenseLength] = {};
        const int n = toFixedSense(sense, o.senseLength, fixed, kFixedSenseLength);
        const unsigned char key = n > 2 ? (fixed[2] & 0x0F) : 0;
        const unsigned char asc = n > 12 ? fixed[12] : 0;
        if (o.status == kStatusCheckCondition && key == kSenseUnitAttention &&
            asc == kAscResetOccurred) {
            continue;
        }
        if (o.status == kStatusCheckCondition && key == kSenseIllegalRequest &&
            asc == kAscLunNotSupported) {
            error = {ENXIO, "the target has no LUN " + std::to_string(lun)};
            return false;
        }
        // Any other answer (a drive without a cartridge, say) belongs to the caller's commands.
        break;
    }
    m_luns.insert(lun);
    return true;
}

Outcome Session::run(int lun, const Command& command) {
    if (foreign()) {
        Outcome o;
        o.kind = Outcome::kTransportFailure;
        o.detail = foreignText();
        return o;
    }
    Lock lock(m_mutex);
    return runLocked(lock, lun, command);
}

Outcome Session::runLocked(Lock& lock, int lun, const Command& command) {
    Outcome o;
    if (m_context == nullptr || !m_failure.empty()) {
        o.kind = Outcome::kTransportFailure;
        o.detail = "the iSCSI session to " + m_portal + " failed earlier (" + m_failure +
                   "); open the device again";
        return o;
    }
    const bool hasData = command.data != nullptr && command.dataLength > 0;
    const int direction = !hasData          ? SCSI_XFER_NONE
                          : command.dataOut ? SCSI_XFER_WRITE
                                            : SCSI_XFER_READ;
    unsigned char cdb[16] = {};
    for (int i = 0; i < command.cdbLength && i < 16; ++i) {
        cdb[i] = command.cdb[i];
    }
    scsi_task* task =
        scsi_create_task(command.cdbLength, cdb, direction, hasData ? command.dataLength : 0);
    if (task == nullptr) {
        o.kind = Outcome::kOsError;
        o.osErrno = ENOMEM;
        o.detail = "cannot allocate an iSCSI task";
        return o;
    }
    iscsi_data out = {0, nullptr};
    if (hasData && command.dataOut) {
        out.size = static_cast<std::size_t>(command.dataLength);
        out.data = static_cast<unsigned char*>(command.data);
    }
    Waiter waiter;
    waiter.lun = lun;
    waiter.seconds = command.timeoutSeconds;
    waiter.dataOut = out.data != nullptr;
    // Set as the command is queued, and kept above every limit still in flight.
    const int libraryLimit = static_cast<int>(waiter.seconds) + kLibraryLimitExtraSeconds;
    if (m_waiters.empty() || libraryLimit > m_libraryLimit) {
        m_libraryLimit = libraryLimit;
        iscsi_set_timeout(m_context, libraryLimit);
    }
    if (iscsi_scsi_command_async(m_context, lun, task, &onDone,
                                 out.data != nullptr ? &out : nullptr, &waiter.pending) != 0) {
        o.kind = Outcome::kTransportFailure;
        o.detail = "cannot queue the command: " + libraryError(m_context);
        fail(o.detail);
        scsi_free_scsi_task(task);
        return o;
    }
    const long long now = steadyNowMs();
    waiter.deadlineMs = now + 1000LL * waiter.seconds;
    if (m_waiters.empty()) {
        m_liveness.begin(now);
    }
    m_waiters.push_back(&waiter);
    if (m_polling) {
        wake();
    }
    await(lock, waiter);
    m_waiters.erase(std::find(m_waiters.begin(), m_waiters.end(), &waiter));
    if (waiter.expired) {
        o.kind = Outcome::kTransportFailure;
        o.detail = "no answer within " + std::to_string(waiter.seconds) + " s";
    } else if (!waiter.pending.done || waiter.pending.status == kStatusCancelled ||
               waiter.pending.status == kStatusError) {
        // Failed with its session, whose reason it gives.
        o.kind = Outcome::kTransportFailure;
        o.detail = m_inFlightFailure.empty() ? "the command was cancelled" : m_inFlightFailure;
        fail(o.detail);
    } else {
        o = readReply(command, waiter.pending.status, task->datain.data,
                      task->datain.data != nullptr && task->datain.size > 0
                          ? static_cast<std::size_t>(task->datain.size)
                          : 0,
                      m_context != nullptr ? libraryError(m_context) : m_failure);
        if (o.kind == Outcome::kTransportFailure) {
            // Whatever the target does with the command now, the session cannot tell.
            fail(o.detail);
        }
    }
    scsi_free_scsi_task(task);
    return o;
}

}  // namespace iscsi
}  // namespace oz
