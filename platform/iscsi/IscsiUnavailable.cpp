// The iSCSI transport of a build without the iSCSI library: every open fails and says why.
#include <cerrno>

#include "platform/iscsi/IscsiTransport.h"
#include "platform/iscsi/TargetUrl.h"

namespace oz {
namespace iscsi {
namespace {

class UnavailableTransport : public Transport {
  public:
    explicit UnavailableTransport(const std::string& path) : m_path(path) {}
    int open(int /*connectTimeoutSeconds*/) override {
        const TargetUrl url = parseTargetUrl(m_path);
        m_reason = url.ok ? "the iSCSI transport was not built into this library" : url.error;
        return url.ok ? ENOTSUP : EINVAL;
    }
    std::string openFailure() const override { return m_reason; }
    int handle() const override { return -1; }
    void populate() override {}
    Outcome send(const Command& /*command*/) override {
        Outcome o;
        o.kind = Outcome::kOsError;
        o.osErrno = ENOTSUP;
        o.detail = "the iSCSI transport was not built into this library";
        return o;
    }
    void close() override {}

  private:
    std::string m_path;
    std::string m_reason;
};

}  // namespace

std::unique_ptr<Transport> createTransport(const std::string& path, bool /*shared*/) {
    return std::unique_ptr<Transport>(new UnavailableTransport(path));
}

}  // namespace iscsi
}  // namespace oz
