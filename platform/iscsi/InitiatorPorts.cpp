#include "platform/iscsi/InitiatorPorts.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace oz {
namespace iscsi {
namespace {

// The lock files of one initiator name and target share a name: FNV-1a of both, in hex.
std::string lockStem(const std::string& key) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : key) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char stem[32];
    (void)std::snprintf(stem, sizeof stem, "port-%016llx-", static_cast<unsigned long long>(h));
    return stem;
}

}  // namespace

std::string portFolder(uid_t uid, const char* runtimeDir) {
    if (uid == 0) {
        return "/run/qxscsi";
    }
    if (runtimeDir != nullptr && runtimeDir[0] == '/') {
        return std::string(runtimeDir) + "/qxscsi";
    }
    return "/tmp/qxscsi-" + std::to_string(uid);
}

InitiatorPorts& InitiatorPorts::instance() {
    static InitiatorPorts* ports =
        new InitiatorPorts(portFolder(::geteuid(), std::getenv("XDG_RUNTIME_DIR")));
    return *ports;
}

InitiatorPorts::InitiatorPorts(std::string folder) : m_folder(std::move(folder)) {}

bool InitiatorPorts::folderReady() {
    if (m_folderState == 0) {
        // Only a folder of this user's that nobody else may write into: in a shared /tmp
        // another user could have made it first.
        struct stat st;
        const bool made = ::mkdir(m_folder.c_str(), 0700) == 0 || errno == EEXIST;
        m_folderState = made && ::lstat(m_folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
                                st.st_uid == ::geteuid() && (st.st_mode & 022) == 0
                            ? 1
                            : -1;
    }
    return m_folderState == 1;
}

bool InitiatorPorts::slotFor(const std::string& initiator, const std::string& target,
                             unsigned& slot, std::string& reason) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string key = initiator + "\n" + target;
    const auto held = m_held.find(key);
    if (held != m_held.end()) {
        slot = held->second.slot;
        return true;
    }
    if (!folderReady()) {
        m_held[key] = Held();  // slot 0
        slot = 0;
        return true;
    }
    const std::string stem = m_folder + "/" + lockStem(key);
    for (unsigned s = 0; s < kMaxSlots; ++s) {
        const std::string file = stem + std::to_string(s);
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Who holds it, for whoever looks.
            const std::string holder =
                std::to_string(::getpid()) + "\n" + initiator + "\n" + target + "\n";
            if (::ftruncate(fd, 0) == 0) {  // the lock is what counts; the text is a courtesy
                (void)!::pwrite(fd, holder.data(), holder.size(), 0);
            }
            m_held[key] = Held{fd, s};
            slot = s;
            return true;
        }
        const bool heldByAnother = fd >= 0 && errno == EWOULDBLOCK;
        if (fd >= 0) {
            ::close(fd);
        }
        if (!heldByAnother) {
            // Files cannot be made or locked here: there is nothing to coordinate through.
            m_folderState = -1;
            m_held[key] = Held();
            slot = 0;
            return true;
        }
    }
    reason = "all " + std::to_string(kMaxSlots) + " initiator ports of " + initiator + " on " +
             target + " are held by live processes (" + m_folder + ")";
    return false;
}

void InitiatorPorts::lockForFork() {
    m_mutex.lock();
}

void InitiatorPorts::unlockInParent() {
    m_mutex.unlock();
}

void InitiatorPorts::closeInChild() {
    for (const auto& entry : m_held) {
        if (entry.second.fd >= 0) {
            ::close(entry.second.fd);
        }
    }
    m_held.clear();
    m_mutex.unlock();
}

}  // namespace iscsi
}  // namespace oz
