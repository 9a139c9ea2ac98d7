#include "platform/iscsi/SessionPool.h"

#include <pthread.h>

#include <cerrno>

#include "platform/iscsi/InitiatorPorts.h"
#include "platform/iscsi/LockUntil.h"
#include "platform/iscsi/SessionSockets.h"

namespace oz {
namespace iscsi {
namespace {

// How long the logouts at process exit may take together.
constexpr long long kExitLogoutMs = 2000;
// Paths whose parse is kept; a host that names more starts over.
constexpr std::size_t kMaxKnownPaths = 256;

SessionPool* g_pool = nullptr;

// Logs out the pool's sessions when the process exits.
struct ExitLogouts {
    ~ExitLogouts() { g_pool->closeAtExit(); }
};

}  // namespace

SessionPool& SessionPool::instance() {
    static SessionPool* pool = new SessionPool();
    static ExitLogouts atExit;
    return *pool;
}

SessionPool::SessionPool() {
    g_pool = this;
    InitiatorPorts::instance();  // made now, not in a fork handler
    // The handlers live in this library; the C library drops them when it is unloaded.
    ::pthread_atfork(&SessionPool::prepareFork, &SessionPool::afterForkInParent,
                     &SessionPool::afterForkInChild);
}

void SessionPool::prepareFork() {
    g_pool->m_mutex.lock();
    SessionSockets::instance().lockForFork();
    InitiatorPorts::instance().lockForFork();
}

void SessionPool::afterForkInParent() {
    InitiatorPorts::instance().unlockInParent();
    SessionSockets::instance().unlockInParent();
    g_pool->m_mutex.unlock();
}

void SessionPool::afterForkInChild() {
    SessionSockets::instance().closeInChild();
    InitiatorPorts::instance().closeInChild();
    SessionPool& pool = *g_pool;
    if (!pool.m_slots.empty()) {
        pool.m_abandoned.push_back(std::move(pool.m_slots));
        pool.m_slots.clear();
    }
    pool.m_mutex.unlock();
}

void SessionPool::closeAtExit() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    const long long deadline = steadyNowMs() + kExitLogoutMs;
    for (auto& entry : m_slots) {
        // A slot whose open is still logging in, like a session whose command is still under
        // way, belongs to another thread: it is waited for until the deadline at most, then
        // left to that thread.
        std::unique_lock<std::mutex> login(entry.second->login, std::defer_lock);
        if (lockUntil(login, deadline) && entry.second->session != nullptr) {
            entry.second->session->logout(deadline);
        }
    }
}

std::shared_ptr<const SessionPool::KnownPath> SessionPool::knownPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_paths.find(path);
    return it != m_paths.end() && it->second->environment.current() ? it->second : nullptr;
}

void SessionPool::rememberPath(const std::string& path, std::shared_ptr<const KnownPath> known) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_paths.size() >= kMaxKnownPaths) {
        m_paths.clear();
    }
    m_paths[path] = std::move(known);
}

std::shared_ptr<Session> SessionPool::acquire(const LoginParams& params, int lun, int limitSeconds,
                                              OpenError& error) {
    std::shared_ptr<Slot> slot;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) {
            error = {ESHUTDOWN, "the process is exiting"};
            return nullptr;
        }
        std::shared_ptr<Slot>& entry = m_slots[params];
        if (entry == nullptr) {
            entry = std::make_shared<Slot>();
        }
        slot = entry;
    }
    std::shared_ptr<Session> session;
    {
        // Two opens of one host never log in twice.
        std::lock_guard<std::mutex> lock(slot->login);
        // A session found dead before any command of this open was sent on it is replaced;
        // nothing is lost, since nothing went out.
        if (slot->session != nullptr && !slot->session->usable()) {
            slot->session.reset();
        }
        if (slot->session == nullptr) {
            slot->session = Session::login(params, lun, limitSeconds, error);
            return slot->session;
        }
        session = slot->session;
    }
    // Readied beside the commands in flight, and beside other opens.
    if (session->attachLun(lun, limitSeconds, error)) {
        return session;
    }
    if (session->failed()) {
        std::lock_guard<std::mutex> lock(slot->login);
        if (slot->session == session) {
            slot->session.reset();
        }
    }
    return nullptr;
}

}  // namespace iscsi
}  // namespace oz
