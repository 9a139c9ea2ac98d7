// Building PERSISTENT RESERVE CDBs and parameter lists, and reading the IN reply.
#include "reservation/PersistentReserveWire.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "transport/ScsiBytes.h"

namespace qx {
namespace pr {

namespace {

void putKeyField(unsigned char* field, const std::string& key) {
    std::memset(field, 0, kKeyLength);
    // The key field is eight bytes of the key, zero-padded, with no terminator of its own.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    std::memcpy(field, key.data(), std::min(key.size(), kKeyLength));
}

template <std::size_t N>
bool allZero(const std::array<unsigned char, N>& entry) {
    return std::all_of(entry.begin(), entry.end(), [](unsigned char b) { return b == 0; });
}

// The entries of N bytes each that the reply holds, as described at parseKeys: the entry at
// offset, cut at the list's end and zero-filled; and how many there are, trailing all-zero
// entries left out. Read where they stand, so that no copy of the list is made.
template <std::size_t N>
std::array<unsigned char, N> entryAt(const unsigned char* data, std::uint64_t listEnd,
                                     std::uint64_t offset) {
    std::array<unsigned char, N> entry{};
    const std::uint64_t inList = std::min<std::uint64_t>(N, listEnd - offset);
    std::memcpy(entry.data(), data + offset, static_cast<std::size_t>(inList));
    return entry;
}

template <std::size_t N>
std::size_t entryCount(const unsigned char* data, std::size_t size, std::uint64_t listEnd) {
    std::size_t count = 0;
    for (std::uint64_t offset = kHeaderLength; offset < listEnd && offset + N <= size;
         offset += N) {
        ++count;
    }
    while (count > 0 && allZero(entryAt<N>(data, listEnd, kHeaderLength + (count - 1) * N))) {
        --count;
    }
    return count;
}

// Appends make(entry) to out for each entry of the reply, with room made once.
template <std::size_t N, typename T, typename Make>
void appendEntries(const unsigned char* data, std::size_t size, std::uint32_t additionalLength,
                   std::vector<T>& out, Make make) {
    const std::uint64_t listEnd = kHeaderLength + static_cast<std::uint64_t>(additionalLength);
    const std::size_t count = entryCount<N>(data, size, listEnd);
    out.reserve(out.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(make(entryAt<N>(data, listEnd, kHeaderLength + i * N)));
    }
}

}  // namespace

void buildInCdb(unsigned char* cdb, unsigned char serviceAction, std::uint32_t allocationLength) {
    std::memset(cdb, 0, kCdbLength);
    cdb[0] = kInOperationCode;
    cdb[1] = serviceAction;
    putBe16(cdb + 7, allocationLength & kMaxAllocationLength);
}

void buildOutCdb(unsigned char* cdb, unsigned char serviceAction, unsigned char scopeType) {
    std::memset(cdb, 0, kCdbLength);
    cdb[0] = kOutOperationCode;
    cdb[1] = serviceAction;
    cdb[2] = scopeType;
    putBe32(cdb + 5, kParameterListLength);
}

void buildOutParameters(unsigned char* list, const std::string& key,
                        const std::string& serviceActionKey) {
    std::memset(list, 0, kParameterListLength);
    putKeyField(list, key);
    putKeyField(list + kKeyLength, serviceActionKey);
}

std::uint32_t rereadLength(std::uint32_t additionalLength) {
    if (additionalLength <= kFirstAllocationLength - kHeaderLength) {
        return 0;
    }
    if (additionalLength >= kMaxAllocationLength - kHeaderLength) {
        return kMaxAllocationLength;
    }
    return additionalLength + kHeaderLength;
}

std::string keyText(const char* field) {
    // Keys of other initiators are often numbers whose leading or inner bytes are zero; they are
    // kept, so that the string writes back as the same field. Only the zero fill at the end goes.
    std::size_t length = kKeyLength;
    while (length > 0 && field[length - 1] == '\0') {
        --length;
    }
    return std::string(field, length);
}

void parseKeys(const unsigned char* data, std::size_t size, std::uint32_t additionalLength,
               std::vector<std::string>& keys) {
    appendEntries<kKeyLength>(data, size, additionalLength, keys,
                              [](const std::array<unsigned char, kKeyLength>& entry) {
                                  char field[kKeyLength];
                                  std::memcpy(field, entry.data(), kKeyLength);
                                  return keyText(field);
                              });
}

void parseReservations(const unsigned char* data, std::size_t size, std::uint32_t additionalLength,
                       std::vector<QXScsiTapeDrive::reserveDesc>& reservations) {
    appendEntries<kDescriptorLength>(data, size, additionalLength, reservations,
                                     [](const std::array<unsigned char, kDescriptorLength>& entry) {
                                         QXScsiTapeDrive::reserveDesc desc;
                                         std::memcpy(desc.key, entry.data(), 8);
                                         std::memcpy(desc.scopeAddress, entry.data() + 8, 4);
                                         desc.reserved = entry[12];
                                         desc.scopeType = entry[13];
                                         std::memcpy(desc.extentLength, entry.data() + 14, 2);
                                         return desc;
                                     });
}

}  // namespace pr
}  // namespace qx
