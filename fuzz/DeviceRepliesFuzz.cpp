// Feeds arbitrary device replies to the operations that read returned data: the tape drive's and
// the persistent reservation reads. Whatever the device says about its lengths, nothing may
// crash, overrun or allocate without bound.
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
    std::string text;
    unsigned long type = 0;
    spti.QueryReserve(text, type);
    if (keys.size() > 65535 / 8 || text.size() > 8) {
        __builtin_trap();
    }
    spti.GetSerialNumber(text);
    spti.Inquiry();
    spti.TapeAlertSupported();
    std::vector<bool> flags(64);
    spti.GetTapeAlertFlag(flags);
    int code = 0;
    spti.getMediaType(code);
    spti.isAITWormCartridge(code);
    spti.isLTOWormCartridge(code);
    spti.is3592WormCartridge(code);
    spti.isSTKVolSafeWormCartridge(code);
    spti.isDLTWormCartridge(code);
    spti.readPosition(code);
    unsigned long first = 0, last = 0;
    spti.SetPositionEOD(first, last);
    unsigned char mode[256] = {};
    spti.doModeSense(mode, 255, 0);
    spti.doModeSelect(mode);
    return 0;
}
