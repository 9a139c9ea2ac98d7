#include "platform/iscsi/SessionPool.h"

namespace oz {
namespace iscsi {

SessionPool& SessionPool::instance() {
    // Destroyed at exit, which logs out every session no open object still holds.
    static SessionPool pool;
    return pool;
}

std::shared_ptr<Session> SessionPool::acquire(const LoginParams& params, int lun, int limitSeconds,
                                              OpenError& error) {
    const Key key(params.initiator, params.portal, params.target);
    // Held through the login, so that two opens of one host never log in twice.
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sessions.find(key);
    if (it != m_sessions.end() && it->second->failed()) {
        m_sessions.erase(it);
        it = m_sessions.end();
    }
    if (it != m_sessions.end()) {
        if (!it->second->attachLun(lun, limitSeconds, error)) {
            if (it->second->failed()) {
                m_sessions.erase(it);
            }
            return nullptr;
        }
        return it->second;
    }
    std::shared_ptr<Session> session = Session::login(params, lun, limitSeconds, error);
    if (session != nullptr) {
        m_sessions[key] = session;
    }
    return session;
}

std::size_t SessionPool::size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sessions.size();
}

}  // namespace iscsi
}  // namespace oz
