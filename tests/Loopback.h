// A loopback TCP port for tests of what a host meets on the network: a peer that accepts and
// never answers (listening), or a port that refuses (closed). And the descriptors a process has
// open, to show that nothing is left behind.
#ifndef QXSCSI_TESTS_LOOPBACK_H
#define QXSCSI_TESTS_LOOPBACK_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>

namespace qxtest {

class Loopback {
  public:
    explicit Loopback(bool listening) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &length);
        m_port = ntohs(a.sin_port);
        if (listening) {
            ::listen(m_fd, 8);
        } else {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~Loopback() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Loopback(const Loopback&) = delete;
    Loopback& operator=(const Loopback&) = delete;
    std::string portal() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string path() const { return "iscsi://" + portal() + "/iqn.2026-12.test:none/0"; }

  private:
    int m_fd = -1;
    int m_port = 0;
};

// How many descriptors the process has open (one of them the count's own, while it counts).
inline long openDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

}  // namespace qxtest

#endif
