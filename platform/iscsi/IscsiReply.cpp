#include "platform/iscsi/IscsiReply.h"

#include <cstring>

namespace oz {
namespace iscsi {

Outcome readReply(const Command& command, int status, const unsigned char* datain, std::size_t size,
                  const std::string& libraryError) {
    Outcome o;
    if (datain == nullptr) {
        size = 0;
    }
    if (status < 0 || status > 0xff) {
        o.kind = Outcome::kTransportFailure;
        switch (status) {
            case kStatusTimeout:
                o.detail = "no answer within " + std::to_string(command.timeoutSeconds) +
                           " s (command timed out)";
                break;
            case kStatusCancelled:
                o.detail = "the command was cancelled";
                break;
            case kStatusRedirect:
                o.detail = "the target redirected the session elsewhere";
                break;
            default:
                o.detail = "iSCSI failure: " +
                           (libraryError.empty() ? std::string("no reason given") : libraryError);
                break;
        }
        return o;
    }
    o.status = status;
    if (status == kStatusCheckCondition) {
        if (size >= 2 && command.sense != nullptr) {
            std::size_t length = (static_cast<std::size_t>(datain[0]) << 8) | datain[1];
            if (length > size - 2) {
                length = size - 2;
            }
            if (length > static_cast<std::size_t>(command.senseCapacity)) {
                length = static_cast<std::size_t>(command.senseCapacity);
            }
            std::memcpy(command.sense, datain + 2, length);
            o.senseLength = static_cast<int>(length);
        }
        return o;
    }
    if (command.dataOut) {
        o.transferred = command.data != nullptr && status == 0 ? command.dataLength : 0;
    } else if (command.data != nullptr && command.dataLength > 0 && size > 0) {
        const std::size_t n = size < static_cast<std::size_t>(command.dataLength)
                                  ? size
                                  : static_cast<std::size_t>(command.dataLength);
        std::memcpy(command.data, datain, n);
        o.transferred = static_cast<int>(n);
    }
    return o;
}

}  // namespace iscsi
}  // namespace oz
