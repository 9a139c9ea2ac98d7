// Descriptor-format sense becomes the fixed format callers read; anything else passes through;
// no sense bytes, however hostile, make the conversion read or write outside its buffers.
#include <cstring>
#include <random>
#include <vector>

#include "gtest/gtest.h"
#include "platform/SenseFormat.h"

namespace {

using Bytes = std::vector<unsigned char>;

// An 18-byte fixed record with the given fields set.
Bytes fixed(unsigned char code, unsigned char keyByte, unsigned char asc, unsigned char ascq,
            std::initializer_list<std::pair<int, unsigned char>> more = {}) {
    Bytes b(18, 0);
    b[0] = code;
    b[2] = keyByte;
    b[7] = 10;
    b[12] = asc;
    b[13] = ascq;
    for (const auto& m : more) {
        b[static_cast<std::size_t>(m.first)] = m.second;
    }
    return b;
}

// Descriptor-format sense: header with key, ASC, ASCQ and additional length, then descriptors.
Bytes descriptor(unsigned char code, unsigned char key, unsigned char asc, unsigned char ascq,
                 const Bytes& descriptors = {}) {
    Bytes b = {code, key, asc, ascq, 0, 0, 0, static_cast<unsigned char>(descriptors.size())};
    for (unsigned char d : descriptors) {
        b.push_back(d);
    }
    return b;
}

Bytes convert(const Bytes& in, int outLength = 256) {
    // Exactly sized heap buffers, so that the address sanitizer sees any stray access.
    std::vector<unsigned char> input(in);
    std::vector<unsigned char> out(static_cast<std::size_t>(outLength), 0xEE);
    const int n =
        oz::toFixedSense(input.data(), static_cast<int>(input.size()), out.data(), outLength);
    EXPECT_LE(n, outLength);
    for (std::size_t i = static_cast<std::size_t>(n); i < out.size(); ++i) {
        EXPECT_EQ(out[i], 0xEE) << "byte " << i << " written past the returned length";
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

const Bytes kInformation = {0x00, 0x0A, 0x80, 0, 0, 0, 0, 0, 0x00, 0x01, 0x23, 0x45};
const Bytes kCommandSpecific = {0x01, 0x0A, 0, 0, 0, 0, 0, 0, 0xDE, 0xAD, 0xBE, 0xEF};
const Bytes kSenseKeySpecific = {0x02, 0x06, 0, 0, 0xC0, 0x00, 0x07, 0};
const Bytes kFru = {0x03, 0x02, 0, 0x77};
const Bytes kStreamFilemarkEom = {0x04, 0x02, 0, 0xC0};
const Bytes kBlockIli = {0x05, 0x02, 0, 0x20};
const Bytes kVendor = {0x80, 0x02, 0xAA, 0xBB};

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts) {
        for (unsigned char c : p) {
            b.push_back(c);
        }
    }
    return b;
}

struct Case {
    const char* name;
    Bytes in;
    Bytes expected;
};

TEST(SenseFormat, ConvertsDescriptorFormatAndPassesOtherSenseThrough) {
    const Bytes fixedCurrent = fixed(0x70, 0x06, 0x28, 0x00);
    const Bytes fixedDeferredValid = fixed(0xF1, 0x03, 0x0C, 0x00, {{3, 0x11}});
    const Bytes longer = cat({fixed(0x70, 0x05, 0x24, 0x00), Bytes(6, 0x5A)});
    const Case cases[] = {
        {"fixed current", fixedCurrent, fixedCurrent},
        {"fixed deferred", fixedDeferredValid, fixedDeferredValid},
        {"fixed, longer than 18", longer, longer},
        {"vendor-specific code", {0x7F, 1, 2, 3}, {0x7F, 1, 2, 3}},
        {"descriptor current", descriptor(0x72, 0x06, 0x2A, 0x03), fixed(0x70, 0x06, 0x2A, 0x03)},
        {"descriptor deferred", descriptor(0x73, 0x04, 0x44, 0x00), fixed(0x71, 0x04, 0x44, 0x00)},
        {"key keeps its low bits only", descriptor(0x72, 0xF5, 0x20, 0), fixed(0x70, 5, 0x20, 0)},
        {"information", descriptor(0x72, 0x03, 0x11, 0x00, kInformation),
         fixed(0xF0, 0x03, 0x11, 0x00, {{4, 0x01}, {5, 0x23}, {6, 0x45}})},
        {"information too wide for fixed",
         descriptor(0x72, 3, 0x11, 0, {0x00, 0x0A, 0x80, 0, 0, 0, 0, 1, 0, 0, 0, 5}),
         fixed(0x70, 3, 0x11, 0)},
        {"information without VALID",
         descriptor(0x72, 3, 0x11, 0, {0x00, 0x0A, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 5}),
         fixed(0x70, 3, 0x11, 0, {{6, 5}})},
        {"command-specific", descriptor(0x72, 0x0B, 0x0D, 0x00, kCommandSpecific),
         fixed(0x70, 0x0B, 0x0D, 0x00, {{8, 0xDE}, {9, 0xAD}, {10, 0xBE}, {11, 0xEF}})},
        {"sense-key-specific", descriptor(0x72, 0x05, 0x24, 0x00, kSenseKeySpecific),
         fixed(0x70, 0x05, 0x24, 0x00, {{15, 0xC0}, {16, 0x00}, {17, 0x07}})},
        {"field replaceable unit", descriptor(0x72, 0x04, 0x40, 0x80, kFru),
         fixed(0x70, 0x04, 0x40, 0x80, {{14, 0x77}})},
        {"stream commands", descriptor(0x72, 0x00, 0x00, 0x02, kStreamFilemarkEom),
         fixed(0x70, 0xC0, 0x00, 0x02)},
        {"block commands", descriptor(0x72, 0x03, 0x11, 0x00, kBlockIli),
         fixed(0x70, 0x23, 0x11, 0x00)},
        {"vendor descriptor skipped, the next one read",
         descriptor(0x72, 0x01, 0x5D, 0x00, cat({kVendor, kFru})),
         fixed(0x70, 0x01, 0x5D, 0x00, {{14, 0x77}})},
        {"all together",
         descriptor(0x72, 0x03, 0x11, 0x00,
                    cat({kInformation, kSenseKeySpecific, kStreamFilemarkEom, kFru})),
         fixed(0xF0, 0xC3, 0x11, 0x00,
               {{4, 0x01}, {5, 0x23}, {6, 0x45}, {14, 0x77}, {15, 0xC0}, {17, 0x07}})},
        {"header cut after ASCQ", {0x72, 0x06, 0x29, 0x00}, fixed(0x70, 0x06, 0x29, 0x00)},
        {"header cut after the key", {0x72, 0x06}, fixed(0x70, 0x06, 0, 0)},
        {"response code alone", {0x72}, fixed(0x70, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convert(c.in), c.expected) << c.name;
    }
}

TEST(SenseFormat, DropsDescriptorsTheBytesDoNotCover) {
    // The additional length claims the information descriptor, the bytes received end in it.
    Bytes cut = descriptor(0x72, 0x03, 0x11, 0x00, kInformation);
    cut.resize(cut.size() - 3);
    // The additional length ends inside the second descriptor, though more bytes arrived.
    Bytes shortLength = descriptor(0x72, 0x03, 0x11, 0x00, cat({kFru, kInformation}));
    shortLength[7] = 6;
    // A descriptor that claims 255 more bytes.
    const Bytes hostile = descriptor(0x72, 0x03, 0x11, 0x00, cat({kFru, {0x00, 0xFF, 0x80, 0}}));
    // An additional length of 255 over a short buffer.
    Bytes claimsAll = descriptor(0x72, 0x03, 0x11, 0x00, kFru);
    claimsAll[7] = 0xFF;

    EXPECT_EQ(convert(cut), fixed(0x70, 0x03, 0x11, 0x00));
    EXPECT_EQ(convert(shortLength), fixed(0x70, 0x03, 0x11, 0x00, {{14, 0x77}}));
    EXPECT_EQ(convert(hostile), fixed(0x70, 0x03, 0x11, 0x00, {{14, 0x77}}));
    EXPECT_EQ(convert(claimsAll), fixed(0x70, 0x03, 0x11, 0x00, {{14, 0x77}}));
    // A descriptor too short for its type is ignored.
    EXPECT_EQ(convert(descriptor(0x72, 3, 0x11, 0, {0x00, 0x02, 0x80, 0})),
              fixed(0x70, 3, 0x11, 0));
}

TEST(SenseFormat, WritesOnlyTheRoomGivenAndConvertsInPlace) {
    const Bytes in = descriptor(0x72, 0x06, 0x28, 0x00, kSenseKeySpecific);
    Bytes first14 = fixed(0x70, 0x06, 0x28, 0x00);
    first14.resize(14);
    EXPECT_EQ(convert(in, 14), first14);
    EXPECT_EQ(convert(fixed(0x70, 6, 0x28, 0), 3), Bytes({0x70, 0, 6}));
    EXPECT_EQ(convert({}, 18), Bytes());
    EXPECT_EQ(oz::toFixedSense(nullptr, 18, nullptr, 18), 0);

    unsigned char buffer[32] = {};
    std::memcpy(buffer, in.data(), in.size());
    ASSERT_EQ(oz::toFixedSense(buffer, static_cast<int>(in.size()), buffer, sizeof buffer), 18);
    EXPECT_EQ(Bytes(buffer, buffer + 18),
              fixed(0x70, 0x06, 0x28, 0x00, {{15, 0xC0}, {16, 0x00}, {17, 0x07}}));
}

TEST(SenseFormat, ArbitraryBytesStayWithinTheBuffers) {
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = random() % 40 + 1;
        Bytes in(length);
        for (unsigned char& b : in) {
            b = static_cast<unsigned char>(random());
        }
        in[0] = static_cast<unsigned char>(0x72 | (random() & 0x81));
        if (length > 7 && random() % 2 == 0) {
            in[7] = static_cast<unsigned char>(length - 8 + random() % 3);
        }
        convert(in, static_cast<int>(random() % 20 + 1));
    }
}

}  // namespace
