#include "platform/iscsi/SessionSockets.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace oz {
namespace iscsi {

unsigned SessionSockets::s_forks = 0;

SessionSockets& SessionSockets::instance() {
    static SessionSockets* sockets = new SessionSockets();
    return *sockets;
}

void SessionSockets::adopt(int fd) {
    if (fd < 0) {
        return;
    }
    // libiscsi makes it without close-on-exec; a program the host executes must not keep the
    // connection, and with it the host's nexus, open.
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sockets.push_back(fd);
}

void SessionSockets::release(int fd, const std::function<void()>& close) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), fd), m_sockets.end());
    close();
}

void SessionSockets::lockForFork() {
    m_mutex.lock();
}

void SessionSockets::unlockInParent() {
    m_mutex.unlock();
}

void SessionSockets::closeInChild() {
    ++s_forks;
    for (const int fd : m_sockets) {
        ::close(fd);
    }
    m_sockets.clear();
    m_mutex.unlock();
}

}  // namespace iscsi
}  // namespace oz
