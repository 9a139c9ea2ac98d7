#include "platform/iscsi/SessionPool.h"

namespace oz {
namespace iscsi {
namespace {

// How long the logouts at process exit may take together.
constexpr long long kExitLogoutMs = 2000;

}  // namespace

SessionPool& SessionPool::instance() {
    // Destroyed at exit, which logs out every session no open object still holds.
    static SessionPool pool;
    return pool;
}

SessionPool::~SessionPool() {
    const long long deadline = steadyNowMs() + kExitLogoutMs;
    for (auto& entry : m_slots) {
        if (entry.second->session != nullptr) {
            entry.second->session->logout(deadline);
        }
    }
}

std::shared_ptr<Session> SessionPool::acquire(const LoginParams& params, int lun, int limitSeconds,
                                              OpenError& error) {
    std::shared_ptr<Slot> slot;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Slot>& entry = m_slots[params];
        if (entry == nullptr) {
            entry = std::make_shared<Slot>();
        }
        slot = entry;
    }
    // Two opens of one host never log in twice.
    std::lock_guard<std::mutex> lock(slot->login);
    // A session found dead before any command of this open was sent on it is replaced; nothing
    // is lost, since nothing went out.
    if (slot->session != nullptr && !slot->session->usable()) {
        slot->session.reset();
    }
    if (slot->session != nullptr) {
        if (!slot->session->attachLun(lun, limitSeconds, error)) {
            if (slot->session->failed()) {
                slot->session.reset();
            }
            return nullptr;
        }
        return slot->session;
    }
    slot->session = Session::login(params, lun, limitSeconds, error);
    return slot->session;
}

}  // namespace iscsi
}  // namespace oz
