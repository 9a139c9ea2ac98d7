// A tgtd of a test's own, for the tests that kill or stop their target. Stopped by its process
// id at the end, whether the test passed or not; its folder lies in the shared target's, whose
// stop also stops a target that a crashed test left behind.
#ifndef QX_TESTS_ISCSI_PRIVATETARGET_H
#define QX_TESTS_ISCSI_PRIVATETARGET_H

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "Scsi.h"

namespace tgt {

class PrivateTarget {
  public:
    PrivateTarget() {
        const char* shared = std::getenv("QXSCSI_TGT_ENV");
        std::string base = shared != nullptr ? shared : "/tmp/";
        base.erase(base.rfind('/') + 1);
        std::string dir = base + "private-XXXXXX";
        if (::mkdtemp(&dir[0]) != nullptr) {
            m_dir = dir;
            m_started = run("start", "");
        }
    }
    ~PrivateTarget() {
        if (!m_dir.empty()) {
            run("stop", "");
            (void)!std::system(("rm -rf " + m_dir).c_str());
        }
    }
    PrivateTarget(const PrivateTarget&) = delete;
    PrivateTarget& operator=(const PrivateTarget&) = delete;

    bool started() const { return m_started; }
    std::string value(const std::string& name) const {
        return settingIn(m_dir + "/target.env", name);
    }
    int pid() const {
        const std::string p = value("TGT_PID");
        return p.empty() ? -1 : std::stoi(p);
    }
    std::string path(int lun, const std::string& host = "private") const {
        return pathWith([this](const char* name) { return value(name); }, lun, host);
    }
    // Kills the target outright and waits until its process is gone.
    bool kill() const {
        const int p = pid();
        if (p <= 0 || ::kill(p, SIGKILL) != 0) {
            return false;
        }
        for (int i = 0; i < 100 && ::kill(p, 0) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return ::kill(p, 0) != 0;
    }
    // Starts a fresh target (no reservations) on the same port, where its clients look for it.
    bool restart() {
        const std::string port = value("TGT_PORT");
        m_started = !port.empty() && run("start", "QXSCSI_TGT_PORT=" + port + " ");
        return m_started && value("TGT_PORT") == port;
    }

  private:
    bool run(const std::string& what, const std::string& environment) const {
        const std::string command = environment + "timeout 60 " + QXSCSI_TGT_SCRIPT + " " + what +
                                    " " + m_dir + " >/dev/null";
        return std::system(command.c_str()) == 0;
    }
    std::string m_dir;
    bool m_started = false;
};

// Stops a target process (SIGSTOP) for its lifetime and always lets it go on.
class Stopped {
  public:
    explicit Stopped(int pid) : m_pid(pid) { m_ok = pid > 0 && ::kill(pid, SIGSTOP) == 0; }
    ~Stopped() { resume(); }
    Stopped(const Stopped&) = delete;
    Stopped& operator=(const Stopped&) = delete;
    bool ok() const { return m_ok; }
    void resume() {
        if (m_ok) {
            ::kill(m_pid, SIGCONT);
            m_ok = false;
        }
    }

  private:
    int m_pid;
    bool m_ok;
};

}  // namespace tgt

#endif
