// A device named by its path: created closed, released by its destructor.
#include "platform/OZScsi.h"
#include "platform/Transport.h"

OZScsiTarget::OZScsiTarget(const char* path, bool shared)
    : m_strPath(path != nullptr ? path : ""),
      m_nHandle(-1),
      m_bShared(shared),
      m_pTransport(nullptr) {}

OZScsiTarget::~OZScsiTarget() {
    if (m_pTransport != nullptr) {
        m_pTransport->close();
        delete m_pTransport;
    }
}
