#include "platform/sg/SgTransport.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ErrnoText.h"
#include "platform/QxException.h"
#include "platform/sg/SgIo.h"

namespace oz {
namespace sg {
namespace {

// SG_IO with the request header of version 3 of the SCSI generic interface.
constexpr int kFirstSgIoVersion = 30000;

class SgTransport : public Transport {
  public:
    SgTransport(const std::string& path, bool shared) : m_path(path), m_shared(shared) {}
    // Closing our own descriptor is meant: no derived class exists to dispatch to.
    // NOLINTNEXTLINE(clang-analyzer-optin.cplusplus.VirtualCall)
    ~SgTransport() override { close(); }
    SgTransport(const SgTransport&) = delete;
    SgTransport& operator=(const SgTransport&) = delete;

    int open(int connectTimeoutSeconds) override;
    int handle() const override { return m_fd; }
    void populate() override;
    Outcome send(const Command& command) override;
    void close() override;

  private:
    int openWith(int accessMode) const;

    std::string m_path;
    bool m_shared;
    int m_fd = -1;
};

// O_NONBLOCK lets a tape drive without a cartridge (or a removable disk without its medium)
// open; it does not make SG_IO asynchronous. A tape node allows one opener: a second open
// fails with EBUSY.
int SgTransport::openWith(int accessMode) const {
    int flags = accessMode | O_NONBLOCK | O_CLOEXEC;
    if (!m_shared) {
        flags |= O_EXCL;
    }
    int fd;
    do {
        fd = ::open(m_path.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int SgTransport::open(int /*connectTimeoutSeconds*/) {
    if (m_fd >= 0) {
        return 0;
    }
    int fd = openWith(O_RDWR);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) {
        // Read-only access still carries the commands the kernel deems harmless.
        fd = openWith(O_RDONLY);
    }
    if (fd < 0) {
        return errno;
    }
    m_fd = fd;
    return 0;
}

void SgTransport::populate() {
    if (m_fd < 0) {
        throw QxException((m_path + " is not open").c_str(), EBADF);
    }
    int version = 0;
    if (::ioctl(m_fd, SG_GET_VERSION_NUM, &version) < 0) {
        const int e = errno;
        const std::string message =
            m_path + " does not answer SCSI pass-through (SG_IO): " + errnoText(e);
        throw QxException(message.c_str(), e);
    }
    if (version < kFirstSgIoVersion) {
        const std::string message = m_path +
                                    " does not answer SCSI pass-through (SG_IO): driver version " +
                                    std::to_string(version) + " is too old";
        throw QxException(message.c_str(), ENOTSUP);
    }
}

Outcome SgTransport::send(const Command& command) {
    Outcome o;
    if (m_fd < 0) {
        o.kind = Outcome::kOsError;
        o.osErrno = EBADF;
        o.detail = "device is not open";
        return o;
    }
    sg_io_hdr_t h;
    buildHeader(command, h);
    // Not repeated on EINTR: the command may already have reached the device.
    if (::ioctl(m_fd, SG_IO, &h) < 0) {
        o.kind = Outcome::kOsError;
        o.osErrno = errno;
        o.detail = "SG_IO failed: " + errnoText(o.osErrno);
        return o;
    }
    return readReply(h);
}

void SgTransport::close() {
    if (m_fd >= 0) {
        // The descriptor is gone whatever close() reports; it is not closed again.
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace

std::unique_ptr<Transport> createTransport(const std::string& path, bool shared) {
    return std::unique_ptr<Transport>(new SgTransport(path, shared));
}

}  // namespace sg
}  // namespace oz
