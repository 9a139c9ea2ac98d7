#include "platform/iscsi/TargetUrl.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

namespace oz {
namespace iscsi {
namespace {

constexpr const char kScheme[] = "iscsi://";

TargetUrl failure(const std::string& what) {
    TargetUrl u;
    u.error = what;
    return u;
}

bool allDigits(const std::string& s) {
    if (s.empty()) {
        return false;
    }
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// Reads a decimal number of at most a few digits; -1 when it is none or above limit.
long boundedNumber(const std::string& s, long limit) {
    if (!allDigits(s) || s.size() > 6) {
        return -1;
    }
    const long v = std::strtol(s.c_str(), nullptr, 10);
    return v > limit ? -1 : v;
}

// The host[:port] part after any user information; empty when it is sound, else what is wrong.
std::string checkPortal(const std::string& portal) {
    std::string host = portal;
    std::string port;
    if (!portal.empty() && portal[0] == '[') {
        const std::size_t close = portal.find(']');
        if (close == std::string::npos) {
            return "unclosed '[' in the host address";
        }
        host = portal.substr(1, close - 1);
        const std::string rest = portal.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') {
                return "unexpected text after the host address";
            }
            port = rest.substr(1);
            if (port.empty()) {
                return "empty port number";
            }
        }
    } else {
        const std::size_t colon = portal.find(':');
        if (colon != std::string::npos) {
            host = portal.substr(0, colon);
            port = portal.substr(colon + 1);
            if (port.empty()) {
                return "empty port number";
            }
        }
    }
    if (host.empty()) {
        return "no host";
    }
    if (!port.empty() && boundedNumber(port, 65535) < 1) {
        return "port must be a number from 1 to 65535";
    }
    return std::string();
}

}  // namespace

TargetUrl parseTargetUrl(const std::string& path) {
    const std::size_t schemeLength = std::strlen(kScheme);
    if (path.size() < schemeLength || strncasecmp(path.c_str(), kScheme, schemeLength) != 0) {
        return failure("not an iscsi:// path");
    }
    for (const char c : path) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7f) {
            return failure("the path holds a space or a control or non-ASCII character");
        }
    }

    TargetUrl u;
    std::string body = path;
    const std::size_t question = path.find('?');
    if (question != std::string::npos) {
        body = path.substr(0, question);
        const std::string query = path.substr(question + 1);
        if (query.empty()) {
            return failure("empty parameter list after '?'");
        }
        std::size_t start = 0;
        while (start <= query.size()) {
            std::size_t end = query.find('&', start);
            if (end == std::string::npos) {
                end = query.size();
            }
            const std::string item = query.substr(start, end - start);
            const std::size_t equals = item.find('=');
            const std::string name = item.substr(0, equals);
            if (name != "initiator") {
                return failure(name.empty() ? "empty parameter"
                                            : "unknown parameter '" + name + "'");
            }
            if (equals == std::string::npos || equals + 1 == item.size()) {
                return failure("parameter 'initiator' has no value");
            }
            if (!u.initiator.empty()) {
                return failure("parameter 'initiator' given twice");
            }
            u.initiator = item.substr(equals + 1);
            start = end + 1;
        }
    }

    const std::string rest = body.substr(schemeLength);
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        return failure("no target name and LUN after the host");
    }
    const std::string authority = rest.substr(0, slash);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos && at == 0) {
        return failure("empty user name before '@'");
    }
    const std::string portalError =
        checkPortal(at == std::string::npos ? authority : authority.substr(at + 1));
    if (!portalError.empty()) {
        return failure(portalError);
    }

    const std::string targetAndLun = rest.substr(slash + 1);
    const std::size_t lunSlash = targetAndLun.find('/');
    const std::string target = targetAndLun.substr(0, lunSlash);
    if (target.empty()) {
        return failure("empty target name");
    }
    if (lunSlash == std::string::npos) {
        return failure("no LUN after the target name");
    }
    const std::string lun = targetAndLun.substr(lunSlash + 1);
    const long value = boundedNumber(lun, kMaxLun);
    if (value < 0) {
        return failure("LUN '" + lun + "' is not a number from 0 to " + std::to_string(kMaxLun));
    }

    u.ok = true;
    // The library reads the scheme in lower case only.
    u.libraryUrl = kScheme + body.substr(schemeLength);
    u.lun = static_cast<int>(value);
    return u;
}

}  // namespace iscsi
}  // namespace oz
