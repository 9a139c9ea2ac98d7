// Feeds arbitrary sense data to the descriptor-to-fixed conversion, into an output buffer of
// every size from 0 to 64 bytes: nothing may be read or written outside the buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/SenseFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int outLength = data[0] % 65;
    const std::vector<unsigned char> in(data + 1, data + size);
    std::vector<unsigned char> out(static_cast<std::size_t>(outLength));
    const int written =
        oz::toFixedSense(in.data(), static_cast<int>(in.size()), out.data(), outLength);
    if (written < 0 || written > outLength) {
        __builtin_trap();
    }
    return 0;
}
