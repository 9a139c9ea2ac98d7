// Wire format of PERSISTENT RESERVE IN and OUT: building the CDBs and the OUT parameter list,
// and reading the IN reply. Pure functions on byte buffers, kept apart from the sending so
// that every byte can be checked on its own. Internal to the library.
#ifndef QXSCSI_RESERVATION_PERSISTENTRESERVEWIRE_H
#define QXSCSI_RESERVATION_PERSISTENTRESERVEWIRE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qxscsi/QXScsiTapeDrive.h"

namespace qx {
namespace pr {

constexpr unsigned char kInOperationCode = 0x5E;
constexpr unsigned char kOutOperationCode = 0x5F;
constexpr int kCdbLength = 10;
constexpr int kParameterListLength = 24;
constexpr std::size_t kHeaderLength = 8;  // PRGENERATION and ADDITIONAL LENGTH
constexpr std::size_t kKeyLength = 8;
constexpr std::size_t kDescriptorLength = 16;

// The first PERSISTENT RESERVE IN asks for this much: the header and up to 31 keys.
constexpr std::uint32_t kFirstAllocationLength = 256;
// ALLOCATION LENGTH is a 16-bit field.
constexpr std::uint32_t kMaxAllocationLength = 0xFFFF;

// PERSISTENT RESERVE IN service actions.
constexpr unsigned char kReadKeys = 0x00;
constexpr unsigned char kReadReservation = 0x01;

// PERSISTENT RESERVE OUT service actions and the one scope-and-type byte the system uses.
constexpr unsigned char kRegister = 0x00;
constexpr unsigned char kReserve = 0x01;
constexpr unsigned char kRegisterAndIgnoreExistingKey = 0x06;
constexpr unsigned char kLogicalUnitExclusiveAccess = 0x03;

// 10-byte PERSISTENT RESERVE IN CDB; allocationLength is cut to its low 16 bits.
void buildInCdb(unsigned char* cdb, unsigned char serviceAction, std::uint32_t allocationLength);

// 10-byte PERSISTENT RESERVE OUT CDB with a 24-byte parameter list.
void buildOutCdb(unsigned char* cdb, unsigned char serviceAction, unsigned char scopeType);

// 24-byte PERSISTENT RESERVE OUT parameter list: each key's first up to 8 characters,
// zero-filled; everything else zero (APTPL clear).
void buildOutParameters(unsigned char* list, const std::string& key,
                        const std::string& serviceActionKey);

// Allocation length of the second PERSISTENT RESERVE IN for a list of additionalLength bytes,
// or 0 when the first reply held header and list. Never more than the 16-bit field allows.
std::uint32_t rereadLength(std::uint32_t additionalLength);

// A key field as text: its 8 bytes without the zero bytes at the end, so that an all-zero field
// is the empty key, a text key reads as its characters, and a numeric key keeps its leading and
// inner zero bytes (written back through buildOutParameters, it fills the same 8 bytes).
std::string keyText(const char* field);

// Append the entries of a PERSISTENT RESERVE IN reply held in data[0, size). An entry is taken
// when it starts inside the list the header announces (8 + additionalLength bytes) and lies
// wholly inside the buffer; bytes of it beyond the announced list read as zero. Entries that
// are all zero at the end of the list are bytes the device never sent (no registration has
// key 0) and are left out.
void parseKeys(const unsigned char* data, std::size_t size, std::uint32_t additionalLength,
               std::vector<std::string>& keys);
void parseReservations(const unsigned char* data, std::size_t size, std::uint32_t additionalLength,
                       std::vector<QXScsiTapeDrive::reserveDesc>& reservations);

}  // namespace pr
}  // namespace qx

#endif
