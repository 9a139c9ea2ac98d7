// Descriptor-format sense becomes the fixed format callers read; other sense passes through; no
// sense bytes, however hostile, make the conversion touch bytes outside its buffers (the fuzz
// target feeds it arbitrary ones).
#include <algorithm>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "platform/SenseFormat.h"

namespace {

using Bytes = std::vector<unsigned char>;

// An 18-byte fixed record (longer when a (position, value) pair lies beyond).
Bytes fixed(int code, int key, int asc, int ascq, std::vector<std::pair<int, int>> more = {}) {
    Bytes b(18, 0);
    more.insert(more.end(), {{0, code}, {2, key}, {7, 10}, {12, asc}, {13, ascq}});
    for (const auto& m : more) {
        b.resize(std::max<std::size_t>(b.size(), m.first + 1));
        b[m.first] = static_cast<unsigned char>(m.second);
    }
    return b;
}

// Descriptor-format sense: the 8-byte header (additional length = descriptor bytes), then these.
Bytes desc(unsigned char code, unsigned char key, unsigned char asc, unsigned char ascq,
           const Bytes& descriptors = {}) {
    Bytes b{code, key, asc, ascq, 0, 0, 0, static_cast<unsigned char>(descriptors.size())};
    for (unsigned char d : descriptors) {
        b.push_back(d);
    }
    return b;
}

Bytes head(Bytes b, std::size_t n) {
    b.resize(n);
    return b;
}

// Exactly sized heap buffers, so that the address sanitizer sees any stray access; bytes past
// the returned length must be untouched.
Bytes convert(Bytes in, int room = 64) {
    Bytes out(room, 0xEE);
    const int n = oz::toFixedSense(in.data(), static_cast<int>(in.size()), out.data(), room);
    EXPECT_LE(n, room);
    EXPECT_EQ(Bytes(out.begin() + n, out.end()), Bytes(room - n, 0xEE));
    return head(out, n);
}

const Bytes kInfo = {0x00, 0x0A, 0x80, 0, 0, 0, 0, 0, 0x00, 0x01, 0x23, 0x45};

TEST(SenseFormat, ConversionTable) {
    const Bytes fixedIn = fixed(0xF1, 0x86, 0x28, 0x00, {{3, 0x11}, {20, 0x5A}});
    const struct {
        const char* name;
        Bytes in, expected;
    } cases[] = {
        {"fixed passes through", fixedIn, fixedIn},
        {"current", desc(0x72, 0xF6, 0x2A, 0x03), fixed(0x70, 0x06, 0x2A, 0x03)},
        {"deferred", desc(0x73, 0x04, 0x44, 0x00), fixed(0x71, 0x04, 0x44, 0x00)},
        {"information", desc(0x72, 3, 0x11, 0, kInfo),
         fixed(0xF0, 3, 0x11, 0, {{4, 0x01}, {5, 0x23}, {6, 0x45}})},
        {"information wider than 32 bits",
         desc(0x72, 3, 0x11, 0, {0x00, 0x0A, 0x80, 0, 0, 0, 0, 1, 0, 0, 0, 5}),
         fixed(0x70, 3, 0x11, 0)},
        {"command-specific",
         desc(0x72, 0x0B, 0x0D, 0, {0x01, 0x0A, 0, 0, 0, 0, 0, 0, 0xDE, 0xAD, 0xBE, 0xEF}),
         fixed(0x70, 0x0B, 0x0D, 0, {{8, 0xDE}, {9, 0xAD}, {10, 0xBE}, {11, 0xEF}})},
        {"sense-key-specific", desc(0x72, 5, 0x24, 0, {0x02, 0x06, 0, 0, 0xC0, 0x00, 0x07, 0}),
         fixed(0x70, 5, 0x24, 0, {{15, 0xC0}, {17, 0x07}})},
        {"stream: FILEMARK and EOM", desc(0x72, 0, 0, 0x02, {0x04, 0x02, 0, 0xC0}),
         fixed(0x70, 0xC0, 0, 0x02)},
        {"block: ILI only", desc(0x72, 3, 0x11, 0, {0x05, 0x02, 0, 0xE0}),
         fixed(0x70, 0x23, 0x11, 0)},
        {"vendor skipped, FRU", desc(0x72, 1, 0x5D, 0, {0x80, 0x02, 0xAA, 0xBB, 3, 2, 0, 7}),
         fixed(0x70, 1, 0x5D, 0, {{14, 7}})},
        {"descriptor too short for its type", desc(0x72, 3, 0x11, 0, {0x00, 0x02, 0x80, 0}),
         fixed(0x70, 3, 0x11, 0)},
        {"descriptor claims 255 bytes", desc(0x72, 3, 0x11, 0, {3, 2, 0, 7, 0x00, 0xFF, 0x80, 0}),
         fixed(0x70, 3, 0x11, 0, {{14, 7}})},
        {"received bytes end inside a descriptor", head(desc(0x72, 3, 0x11, 0, kInfo), 17),
         fixed(0x70, 3, 0x11, 0)},
        {"additional length ends inside a descriptor",
         {0x72, 3, 0x11, 0, 0, 0, 0, 6, 3, 2, 0, 7, 0x00, 0x0A, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 9},
         fixed(0x70, 3, 0x11, 0, {{14, 7}})},
        {"additional length beyond the bytes",
         {0x72, 3, 0x11, 0, 0, 0, 0, 0xFF, 3, 2, 0, 7},
         fixed(0x70, 3, 0x11, 0, {{14, 7}})},
        {"header cut after the key", {0x72, 0x06}, fixed(0x70, 0x06, 0, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convert(c.in), c.expected) << c.name;
    }
}

TEST(SenseFormat, WritesOnlyTheRoomGivenAndConvertsInPlace) {
    EXPECT_EQ(convert(desc(0x72, 6, 0x28, 0), 13), head(fixed(0x70, 6, 0x28, 0), 13));
    EXPECT_EQ(convert({}, 18), Bytes());
    Bytes buffer = head(desc(0x72, 6, 0x29, 0, {0x03, 0x02, 0, 0x77}), 18);
    EXPECT_EQ(oz::toFixedSense(buffer.data(), 12, buffer.data(), 18), 18);
    EXPECT_EQ(buffer, fixed(0x70, 6, 0x29, 0, {{14, 0x77}}));
}

}  // namespace
