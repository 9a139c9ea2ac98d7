// Which transport serves which device path.
#include <strings.h>

#include <cstring>

#include "platform/Transport.h"
#include "platform/iscsi/IscsiTransport.h"
#include "platform/sg/SgTransport.h"

namespace oz {
namespace {

struct Scheme {
    const char* prefix;  // matched against the start of the path, ignoring case
    TransportFactory create;
};

// Local SCSI nodes are absolute paths; network transports add their "scheme://" here.
const Scheme kSchemes[] = {
    {"/", &sg::createTransport},
    {"iscsi://", &iscsi::createTransport},
};

}  // namespace

TransportFactory findTransport(const std::string& path) {
    for (const Scheme& s : kSchemes) {
        if (strncasecmp(path.c_str(), s.prefix, std::strlen(s.prefix)) == 0) {
            return s.create;
        }
    }
    return nullptr;
}

}  // namespace oz
