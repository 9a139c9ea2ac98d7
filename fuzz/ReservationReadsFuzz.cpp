// Feeds arbitrary device replies to the persistent reservation reads: whatever the device says
// about its lengths, nothing may crash, overrun or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/CannedPlatform.h"
#include "qxscsi/QXNTSpti.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    canned::canned() = canned::CannedReply{0, std::vector<unsigned char>(data, data + size)};
    QXNTSpti spti(0, "/dev/fuzz");
    std::vector<std::string> keys;
    spti.QueryReg(keys);
    // A list of L bytes holds at most L / 8 keys, and the reply can carry at most 65535 bytes.
    if (keys.size() > 65535 / 8) {
        __builtin_trap();
    }
    std::string holder;
    unsigned long type = 0;
    spti.QueryReserve(holder, type);
    if (holder.size() > 8) {
        __builtin_trap();
    }
    return 0;
}
