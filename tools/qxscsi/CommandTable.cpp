#include "tools/qxscsi/CommandTable.h"

namespace qxtool {

namespace {

const CommandInfo kCommands[] = {
    {"pr-keys", Group::Reservation, "DEVICE", "list the registered reservation keys",
     "Reads the registered reservation keys (PERSISTENT RESERVE IN, READ KEYS)\n"
     "and prints them one a line; nothing when no key is registered. A key\n"
     "that is not printable ASCII (a numeric key written by another tool) is\n"
     "shown as 0x and the 16 hex digits of its 8 bytes.\n"
     "JSON: {\"keys\": [...]}.\n",
     "qxscsi pr-keys /dev/sg3", 0, true, true},
    {"pr-reservation", Group::Reservation, "DEVICE", "holder and type of the reservation",
     "Reads the reservation (PERSISTENT RESERVE IN, READ RESERVATION) and\n"
     "prints the holder's key and the reservation type, or \"none\". Type 3\n"
     "is Exclusive Access, the type the forced reserve takes.\n"
     "JSON: {\"holder\": KEY or null, \"type\": N or null}.\n",
     "qxscsi pr-reservation --json iscsi://192.0.2.10/iqn.2003-01.org.example:d/1", 0, true, true},
    {"pr-register", Group::Reservation, "--key KEY DEVICE",
     "register a key (ignoring an existing one)",
     "Registers KEY for this host (PERSISTENT RESERVE OUT, REGISTER AND\n"
     "IGNORE EXISTING KEY).\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi pr-register --key QX010203 /dev/sdb", kOptKey, true, true},
    {"pr-reserve", Group::Reservation, "--host A,B,C [--snapshot] DEVICE",
     "take the reservation, pre-empting another",
     "The forced reserve. Builds the host key QXaabbcc of the three integers\n"
     "(each modulo 100; with --snapshot the key SMaaabbb of the first two,\n"
     "modulo 1000), registers it when the device does not know it, then\n"
     "reserves (Exclusive Access) a device nobody holds, pre-empts a\n"
     "reservation held under another key, or leaves this key's alone.\n"
     "Prints the key and the outcome: reserved, pre-empted or already held.\n"
     "JSON: {\"key\": KEY, \"outcome\": \"reserved\" | \"pre-empted\" |\n"
     "\"already held\"}.\n",
     "qxscsi pr-reserve --host 1,2,3 /dev/sdb", kOptHost | kOptSnapshot, true, true},
    {"pr-clear", Group::Reservation, "--host A,B,C DEVICE",
     "remove the reservation and registrations",
     "The forced clear. Registers this host's key QXaabbcc, then clears\n"
     "(PERSISTENT RESERVE OUT, CLEAR) the reservation and the registrations\n"
     "of every host.\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi pr-clear --host 1,2,3 /dev/sdb", kOptHost, true, true},
    {"pr-release", Group::Reservation, "--key KEY DEVICE", "release the reservation held under KEY",
     "Releases the reservation held under KEY (PERSISTENT RESERVE OUT,\n"
     "RELEASE). The registrations stay.\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi pr-release --key QX010203 /dev/sdb", kOptKey, true, true},
    {"read", Group::Io, "[--lba N] DEVICE", "read one block: does this host's I/O pass?",
     "Reads the block length (READ CAPACITY(10)), then one block at LBA N\n"
     "(default 0) with READ(10), and says whether the read passes. A fenced\n"
     "host's read is refused with RESERVATION CONFLICT: exit status 24.\n"
     "JSON: {\"lba\": N, \"passes\": true | false}.\n",
     "qxscsi read --lba 2048 /dev/sdb", kOptLba, true, true},
    {"makekey", Group::Key, "--host A,B,C | --snapshot A,B",
     "print a host's reservation key (no device)",
     "Prints the host key QXaabbcc of three integers, or with --snapshot the\n"
     "snapshot key SMaaabbb of two, as pr-reserve and pr-clear build them.\n"
     "Sends nothing.\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi makekey --host 1,2,3", kOptHost | kOptSnapshotPair, false, true},
    {"identify", Group::Tape, "DEVICE", "vendor, product, serial, TapeAlert support", "", "", 0,
     true, false},
    {"tur", Group::Tape, "DEVICE", "is the unit ready? (TEST UNIT READY)", "", "", 0, true, false},
    {"lock", Group::Tape, "DEVICE", "prevent medium removal", "", "", 0, true, false},
    {"unlock", Group::Tape, "DEVICE", "allow medium removal", "", "", 0, true, false},
    {"position", Group::Tape, "[--eod] DEVICE", "partition and block of the position", "", "", 0,
     true, false},
    {"tapealert", Group::Tape, "DEVICE", "the TapeAlert flags that are set", "", "", 0, true,
     false},
    {"worm", Group::Tape, "[--family FAMILY] DEVICE", "is the cartridge write-once (WORM)?", "", "",
     0, true, false},
    {"mediatype", Group::Tape, "DEVICE", "media type classification", "", "", 0, true, false},
    {nullptr, Group::Key, nullptr, nullptr, nullptr, nullptr, 0, false, false},
};

}  // namespace

const CommandInfo* allCommands() {
    return kCommands;
}

const CommandInfo* findCommand(const std::string& name) {
    for (const CommandInfo* c = kCommands; c->name != nullptr; ++c) {
        if (name == c->name) {
            return c;
        }
    }
    return nullptr;
}

}  // namespace qxtool
