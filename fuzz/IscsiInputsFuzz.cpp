// Feeds arbitrary paths to the iscsi:// path checks and arbitrary replies to the reading of an
// iSCSI command's reply: nothing may crash or write past the caller's buffers, a path that
// passes names a LUN of 0 to 255, and our parameter never reaches the library.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/iscsi/IscsiReply.h"
#include "platform/iscsi/TargetUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    const oz::iscsi::TargetUrl url = oz::iscsi::parseTargetUrl("iscsi://" + text);
    if (url.ok && (url.lun < 0 || url.lun > oz::iscsi::kMaxLun ||
                   url.libraryUrl.find('?') != std::string::npos)) {
        __builtin_trap();
    }

    // Exact-size buffers, so that the sanitizer sees any write past them.
    const int dataLength = data[0];
    const int senseRoom = data[1];
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[dataLength + 1]);
    std::unique_ptr<unsigned char[]> sense(new unsigned char[senseRoom + 1]);
    const unsigned char cdb[6] = {0x12};
    oz::Command c;
    c.cdb = cdb;
    c.cdbLength = 6;
    c.data = buffer.get();
    c.dataLength = dataLength;
    c.dataOut = (data[2] & 0x80) != 0;
    c.sense = sense.get();
    c.senseCapacity = senseRoom;
    c.timeoutSeconds = 1;
    const int status = (data[2] & 0x40) != 0 ? oz::iscsi::kStatusCheckCondition : data[3];
    const oz::Outcome o = oz::iscsi::readReply(c, status, data + 4, size - 4, "fuzz");
    if (o.transferred < 0 || o.transferred > dataLength || o.senseLength < 0 ||
        o.senseLength > senseRoom) {
        __builtin_trap();
    }
    return 0;
}
