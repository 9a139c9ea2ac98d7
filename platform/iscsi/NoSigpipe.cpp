#include "platform/iscsi/NoSigpipe.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>

namespace oz {
namespace iscsi {
namespace {

bool sigpipePending() {
    sigset_t pending;
    return ::sigpending(&pending) == 0 && ::sigismember(&pending, SIGPIPE) == 1;
}

}  // namespace

NoSigpipe::NoSigpipe() {
    sigset_t pipe;
    ::sigemptyset(&pipe);
    ::sigaddset(&pipe, SIGPIPE);
    m_blocked = ::pthread_sigmask(SIG_BLOCK, &pipe, &m_saved) == 0;
    // Only a thread that blocks SIGPIPE itself can have one pending: the usual thread, which
    // does not, spends no call on asking.
    m_wasPending = m_blocked && ::sigismember(&m_saved, SIGPIPE) == 1 && sigpipePending();
}

NoSigpipe::~NoSigpipe() {
    if (!m_blocked) {
        return;
    }
    const int savedErrno = errno;
    if (!m_wasPending && sigpipePending()) {
        sigset_t pipe;
        ::sigemptyset(&pipe);
        ::sigaddset(&pipe, SIGPIPE);
        const timespec now = {0, 0};
        while (::sigtimedwait(&pipe, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
    errno = savedErrno;
}

}  // namespace iscsi
}  // namespace oz
