// Takes a lock unless another thread holds it past a deadline. Polled with try_lock rather than
// a timed mutex: the waits it serves are rare and short (the logouts at exit), and a timed
// lock on the steady clock is one that ThreadSanitizer cannot follow.
#ifndef QX_PLATFORM_ISCSI_LOCKUNTIL_H
#define QX_PLATFORM_ISCSI_LOCKUNTIL_H

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/iscsi/Liveness.h"

namespace oz {
namespace iscsi {

// True with lock owning its mutex; false when the deadline (steady clock, in ms) passed first.
inline bool lockUntil(std::unique_lock<std::mutex>& lock, long long deadlineMs) {
    while (!lock.try_lock()) {
        if (steadyNowMs() >= deadlineMs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace iscsi
}  // namespace oz

#endif
