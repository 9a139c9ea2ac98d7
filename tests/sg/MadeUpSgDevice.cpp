// The made-up SCSI generic device: open, ioctl and close of this executable take the place of
// the C library's for the shared libraries it loads, and hand on whatever is not theirs.
#include "tests/sg/MadeUpSgDevice.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace madeup {
namespace {

constexpr int kSgVersion = 30536;
constexpr int kDriverSense = 0x08;

struct State {
    std::mutex lock;
    std::map<int, std::string> paths;  // made-up descriptor: the path it was opened on
    Responder responder;
    OpenGate gate;
};

// Never destroyed: descriptors are still closed while the process exits.
State& state() {
    static State* const s = new State;
    return *s;
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int answer(const std::string& path, sg_io_hdr_t& h) {
    if (h.interface_id != 'S' || h.cmdp == nullptr || h.cmd_len == 0) {
        errno = EINVAL;
        return -1;
    }
    fake::Command c;
    c.path = path;
    c.cdb.assign(h.cmdp, h.cmdp + h.cmd_len);
    c.toDevice = h.dxfer_direction == SG_DXFER_TO_DEV;
    c.dataLength = static_cast<int>(h.dxfer_len);
    c.senseLength = h.mx_sb_len;
    c.timeout = static_cast<int>(h.timeout / 1000);
    c.dataNull = h.dxferp == nullptr;
    auto* data = static_cast<unsigned char*>(h.dxferp);
    if (c.toDevice && data != nullptr) {
        c.dataOut.assign(data, data + h.dxfer_len);
    }
    Responder responder;
    {
        std::lock_guard<std::mutex> guard(state().lock);
        responder = state().responder;
    }
    const Answer a = responder ? responder(c) : Answer{};
    if (a.ioctlErrno != 0) {
        errno = a.ioctlErrno;
        return -1;
    }
    const fake::Reply& r = a.reply;
    h.status = static_cast<unsigned char>(r.scsiStatus);
    h.masked_status = static_cast<unsigned char>((r.scsiStatus >> 1) & 0x7F);
    h.host_status = static_cast<unsigned short>(a.hostStatus);
    h.driver_status = static_cast<unsigned short>(a.driverStatus);
    h.sb_len_wr = 0;
    if (h.sbp != nullptr && !r.sense.empty()) {
        const std::size_t n = std::min<std::size_t>(r.sense.size(), h.mx_sb_len);
        std::memcpy(h.sbp, r.sense.data(), n);
        h.sb_len_wr = static_cast<unsigned char>(n);
        h.driver_status = static_cast<unsigned short>(h.driver_status | kDriverSense);
    }
    std::size_t moved = 0;
    if (h.dxfer_direction == SG_DXFER_FROM_DEV && data != nullptr) {
        moved = std::min<std::size_t>(r.dataIn.size(), h.dxfer_len);
        if (a.cutTo >= 0) {
            moved = std::min<std::size_t>(moved, static_cast<std::size_t>(a.cutTo));
        }
        if (moved > 0) {
            std::memcpy(data, r.dataIn.data(), moved);
        }
    } else if (h.dxfer_direction == SG_DXFER_TO_DEV) {
        moved = h.dxfer_len;
    }
    h.resid = static_cast<int>(h.dxfer_len - moved);
    h.info = (h.status | h.host_status | h.driver_status) != 0 ? SG_INFO_CHECK : SG_INFO_OK;
    return 0;
}

}  // namespace

void setResponder(Responder responder) {
    std::lock_guard<std::mutex> guard(state().lock);
    state().responder = std::move(responder);
}

void setOpenGate(OpenGate gate) {
    std::lock_guard<std::mutex> guard(state().lock);
    state().gate = std::move(gate);
}

int openDescriptors() {
    std::lock_guard<std::mutex> guard(state().lock);
    return static_cast<int>(state().paths.size());
}

}  // namespace madeup

// The build hides symbols by default; these must be seen by the libraries to stand in.
#define MADE_UP_VISIBLE __attribute__((visibility("default")))

extern "C" {

MADE_UP_VISIBLE int open(const char* path, int flags, ...) {
    using Open = int (*)(const char*, int, ...);
    static const Open real = madeup::next<Open>("open");
    mode_t mode = 0;
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    const std::size_t prefix = std::strlen(madeup::kMadeUpPrefix);
    if (std::strncmp(path, madeup::kMadeUpPrefix, prefix) != 0) {
        return real(path, flags, mode);
    }
    madeup::OpenGate gate;
    {
        std::lock_guard<std::mutex> guard(madeup::state().lock);
        gate = madeup::state().gate;
    }
    if (const int error = gate ? gate(path) : 0) {
        errno = error;
        return -1;
    }
    const int fd = real("/dev/null", O_RDWR | O_CLOEXEC, 0);
    if (fd >= 0) {
        std::lock_guard<std::mutex> guard(madeup::state().lock);
        madeup::state().paths[fd] = path;
    }
    return fd;
}

MADE_UP_VISIBLE int ioctl(int fd, unsigned long request, ...) noexcept {
    using Ioctl = int (*)(int, unsigned long, ...);
    static const Ioctl real = madeup::next<Ioctl>("ioctl");
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    std::string path;
    {
        std::lock_guard<std::mutex> guard(madeup::state().lock);
        const auto it = madeup::state().paths.find(fd);
        if (it != madeup::state().paths.end()) {
            path = it->second;
        }
    }
    if (path.empty()) {
        return real(fd, request, argument);
    }
    if (request == SG_GET_VERSION_NUM) {
        *static_cast<int*>(argument) = madeup::kSgVersion;
        return 0;
    }
    if (request == SG_IO) {
        return madeup::answer(path, *static_cast<sg_io_hdr_t*>(argument));
    }
    errno = ENOTTY;
    return -1;
}

MADE_UP_VISIBLE int close(int fd) {
    using Close = int (*)(int);
    static const Close real = madeup::next<Close>("close");
    {
        std::lock_guard<std::mutex> guard(madeup::state().lock);
        madeup::state().paths.erase(fd);
    }
    return real(fd);
}

}  // extern "C"
