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
    std::shared_ptr<Slot> slot;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Slot>& entry = m_slots[Key(params.initiator, params.portal, params.target)];
        if (entry == nullptr) {
            entry = std::make_shared<Slot>();
        }
        slot = entry;
    }
    // Two opens of one host never log in twice.
    std::lock_guard<std::mutex> lock(slot->login);
    if (slot->session != nullptr && slot->session->failed()) {
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
