#include "platform/iscsi/IscsiTransport.h"

#include <iscsi/iscsi.h>

#include <cerrno>

#include "platform/QxException.h"
#include "platform/ShownPath.h"
#include "platform/iscsi/Initiator.h"
#include "platform/iscsi/SessionPool.h"
#include "platform/iscsi/TargetUrl.h"

namespace oz {
namespace iscsi {
namespace {

class IscsiTransport : public Transport {
  public:
    explicit IscsiTransport(const std::string& path) : m_path(path) {}
    IscsiTransport(const IscsiTransport&) = delete;
    IscsiTransport& operator=(const IscsiTransport&) = delete;

    int open(int connectTimeoutSeconds) override;
    std::string openFailure() const override { return m_openFailure; }
    int handle() const override { return m_handle; }
    void populate() override;
    Outcome send(const Command& command) override;
    void close() override {
        m_session.reset();
        m_handle = -1;
    }

  private:
    int failOpen(int errnum, const std::string& reason) {
        m_openFailure = reason;
        return errnum;
    }
    // Reads the portal, target name and credentials with the library's own parser.
    bool readLoginParams(const TargetUrl& url, LoginParams& params);

    std::string m_path;
    std::string m_openFailure;
    std::shared_ptr<Session> m_session;
    int m_lun = -1;
    int m_handle = -1;
};

bool IscsiTransport::readLoginParams(const TargetUrl& url, LoginParams& params) {
    params.initiator = url.initiator.empty() ? defaultInitiatorName() : url.initiator;
    iscsi_context* context = iscsi_create_context(params.initiator.c_str());
    if (context == nullptr) {
        m_openFailure = "cannot create an iSCSI context";
        return false;
    }
    iscsi_url* parsed = iscsi_parse_full_url(context, url.libraryUrl.c_str());
    if (parsed == nullptr) {
        const char* e = iscsi_get_error(context);
        m_openFailure = std::string("malformed iSCSI URL: ") + (e != nullptr ? e : "");
        iscsi_destroy_context(context);
        return false;
    }
    params.portal = parsed->portal;
    params.target = parsed->target;
    params.user = parsed->user;
    params.password = parsed->passwd;
    params.targetUser = parsed->target_user;
    params.targetPassword = parsed->target_passwd;
    iscsi_destroy_url(parsed);
    iscsi_destroy_context(context);
    if (params.target.empty()) {
        m_openFailure = "empty target name";
        return false;
    }
    return true;
}

int IscsiTransport::open(int connectTimeoutSeconds) {
    if (m_session != nullptr) {
        return 0;
    }
    m_openFailure.clear();
    SessionPool& pool = SessionPool::instance();
    std::shared_ptr<const SessionPool::KnownPath> known = pool.knownPath(m_path);
    if (known == nullptr) {
        const TargetUrl url = parseTargetUrl(m_path);
        if (!url.ok) {
            return failOpen(EINVAL, url.error);
        }
        auto parsed = std::make_shared<SessionPool::KnownPath>();
        parsed->environment.read();
        if (!readLoginParams(url, parsed->params)) {
            return EINVAL;
        }
        parsed->lun = url.lun;
        known = parsed;
        pool.rememberPath(m_path, known);
    }
    const int limit = connectTimeoutSeconds > 0 && connectTimeoutSeconds < kLoginLimitSeconds
                          ? connectTimeoutSeconds
                          : kLoginLimitSeconds;
    OpenError error;
    std::shared_ptr<Session> session = pool.acquire(known->params, known->lun, limit, error);
    if (session == nullptr) {
        return failOpen(error.errnum > 0 ? error.errnum : EIO,
                        error.reason.empty() ? "the login failed" : error.reason);
    }
    m_session = session;
    m_lun = known->lun;
    m_handle = session->descriptor() >= 0 ? session->descriptor() : 0;
    return 0;
}

void IscsiTransport::populate() {
    if (m_session == nullptr) {
        throw QxException((shownPath(m_path) + " is not open").c_str(), EBADF);
    }
    if (m_session->failed()) {
        const std::string message =
            shownPath(m_path) + ": the iSCSI session failed: " + m_session->failure();
        throw QxException(message.c_str(), EIO);
    }
}

Outcome IscsiTransport::send(const Command& command) {
    if (m_session == nullptr) {
        Outcome o;
        o.kind = Outcome::kOsError;
        o.osErrno = EBADF;
        o.detail = "device is not open";
        return o;
    }
    return m_session->run(m_lun, command);
}

}  // namespace

std::unique_ptr<Transport> createTransport(const std::string& path, bool /*shared*/) {
    // An iSCSI session has no exclusive open; reservations are what keeps hosts apart.
    return std::unique_ptr<Transport>(new IscsiTransport(path));
}

}  // namespace iscsi
}  // namespace oz
