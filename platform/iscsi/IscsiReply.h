// The reading of an iSCSI command's reply, kept apart from the session so that it can be
// checked without a target.
#ifndef QX_PLATFORM_ISCSI_ISCSIREPLY_H
#define QX_PLATFORM_ISCSI_ISCSIREPLY_H

#include <cstddef>
#include <string>

#include "platform/Transport.h"

namespace oz {
namespace iscsi {

// Statuses the iSCSI library reports for a command that got no SCSI status (its values; the
// session checks them against the library's header).
constexpr int kStatusCancelled = 0x0f000000;
constexpr int kStatusError = 0x0f000001;
constexpr int kStatusTimeout = 0x0f000002;
constexpr int kStatusRedirect = 0x101;
constexpr int kStatusCheckCondition = 0x02;

// What became of command, from the status the library reported and the bytes it kept for the
// reply (size of them at datain). With CHECK CONDITION those bytes are the sense data behind a
// two-byte length, never data; otherwise they are the data-in, copied to the command's buffer
// up to its length. libraryError is the library's text for a failed command.
Outcome readReply(const Command& command, int status, const unsigned char* datain, std::size_t size,
                  const std::string& libraryError);

}  // namespace iscsi
}  // namespace oz

#endif
