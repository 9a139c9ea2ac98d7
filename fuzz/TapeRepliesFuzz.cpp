// Feeds arbitrary device replies to the tape drive operations that read returned data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/CannedPlatform.h"
#include "qxscsi/QXNTSpti.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    canned::canned() = canned::CannedReply{0, std::vector<unsigned char>(data, data + size)};
    QXNTSpti spti(0, "/dev/fuzz");
    std::string serial;
    spti.GetSerialNumber(serial);
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
    int position = 0;
    spti.readPosition(position);
    unsigned long first = 0, last = 0;
    spti.SetPositionEOD(first, last);
    unsigned char mode[256] = {};
    spti.doModeSense(mode, 255, 0);
    spti.doModeSelect(mode);
    return 0;
}
