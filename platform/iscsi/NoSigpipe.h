// Keeps SIGPIPE away from the calling thread while libiscsi works on a connection.
//
// libiscsi writes a PDU's header with send(MSG_NOSIGNAL) but its data with writev, which
// raises SIGPIPE when the target has reset the connection; at the signal's default action that
// would end the host. The library installs no handler of its own (the disposition is the
// host's): instead SIGPIPE is blocked in this thread for the call, one that the call raised is
// taken off the thread's pending signals, and the thread's mask is put back as it was. A
// SIGPIPE pending before the call stays pending.
#ifndef QX_PLATFORM_ISCSI_NOSIGPIPE_H
#define QX_PLATFORM_ISCSI_NOSIGPIPE_H

#include <signal.h>

namespace oz {
namespace iscsi {

class NoSigpipe {
  public:
    NoSigpipe();
    ~NoSigpipe();
    NoSigpipe(const NoSigpipe&) = delete;
    NoSigpipe& operator=(const NoSigpipe&) = delete;

  private:
    sigset_t m_saved;
    bool m_blocked = false;
    bool m_wasPending = false;
};

}  // namespace iscsi
}  // namespace oz

#endif
