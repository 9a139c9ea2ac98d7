#include "CommandTable.h"

#include "Commands.h"

namespace qxtool {

namespace {

constexpr Handler alone(void (*run)(const Invocation&, Report&)) {
    return {run, nullptr, nullptr};
}
constexpr Handler onDrive(void (*run)(const Invocation&, Exchange&)) {
    return {nullptr, run, nullptr};
}
constexpr Handler onDisk(void (*run)(const Invocation&, QXScsiHardDisk&, Report&)) {
    return {nullptr, nullptr, run};
}

const CommandInfo kCommands[] = {
    {"pr-keys", Group::Reservation, "DEVICE", "list the registered reservation keys",
     "Reads the registered reservation keys (PERSISTENT RESERVE IN, READ KEYS)\n"
     "and prints them one a line; nothing when no key is registered. A key\n"
     "that is not printable ASCII (a numeric key written by another tool) is\n"
     "shown as 0x and the 16 hex digits of its 8 bytes.\n"
     "JSON: {\"keys\": [...]}.\n",
     "qxscsi pr-keys /dev/sg3", 0, onDisk(runPrKeys)},
    {"pr-reservation", Group::Reservation, "DEVICE", "holder and type of the reservation",
     "Reads the reservation (PERSISTENT RESERVE IN, READ RESERVATION) and\n"
     "prints the holder's key and the reservation type, or \"none\". Type 3\n"
     "is Exclusive Access, the type the forced reserve takes.\n"
     "JSON: {\"holder\": KEY or null, \"type\": N or null}.\n",
     "qxscsi pr-reservation --json iscsi://192.0.2.10/iqn.2003-01.org.example:d/1", 0,
     onDisk(runPrReservation)},
    {"pr-register", Group::Reservation, "--key KEY DEVICE",
     "register a key (ignoring an existing one)",
     "Registers KEY for this host (PERSISTENT RESERVE OUT, REGISTER AND\n"
     "IGNORE EXISTING KEY).\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi pr-register --key QX010203 /dev/sdb", kOptKey, onDisk(runPrRegister)},
    {"pr-reserve", Group::Reservation, "--host A,B,C [--snapshot] DEVICE",
     "take the reservation, pre-empting another",
     "The forced reserve. Builds the host key QXaabbcc of the three integers\n"
     "(each modulo 100; with --snapshot the key SMaaabbb of the first two,\n"
     "modulo 1000), registers it when the device does not know it, then\n"
     "reserves (Exclusive Access) a device nobody holds, pre-empts a\n"
     "reservation held under another key, or leaves this key's alone when\n"
     "this invocation's nexus holds it. Held under this key through another\n"
     "nexus (an earlier invocation: on tgt every invocation is one), which\n"
     "a READ of nothing shows by RESERVATION CONFLICT, it registers and\n"
     "pre-empts its own key, taking the reservation over; so each later\n"
     "invocation of the same host takes it over again.\n"
     "Prints the key and the outcome: reserved, pre-empted, already held or\n"
     "taken over from this host's earlier connection.\n"
     "JSON: {\"key\": KEY, \"outcome\": \"reserved\" | \"pre-empted\" |\n"
     "\"already held\" | \"taken over from this host's earlier connection\"}.\n",
     "qxscsi pr-reserve --host 1,2,3 /dev/sdb", kOptHost | kOptSnapshot, onDisk(runPrReserve)},
    {"pr-clear", Group::Reservation, "--host A,B,C DEVICE",
     "remove the reservation and registrations",
     "The forced clear. Registers this host's key QXaabbcc, then clears\n"
     "(PERSISTENT RESERVE OUT, CLEAR) the reservation and the registrations\n"
     "of every host.\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi pr-clear --host 1,2,3 /dev/sdb", kOptHost, onDisk(runPrClear)},
    {"pr-release", Group::Reservation, "--key KEY DEVICE", "release the reservation held under KEY",
     "Releases the reservation held under KEY (PERSISTENT RESERVE OUT,\n"
     "RELEASE). The registrations stay.\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi pr-release --key QX010203 /dev/sdb", kOptKey, onDisk(runPrRelease)},
    {"read", Group::Io, "[--lba N] DEVICE", "read one block: does this host's I/O pass?",
     "Reads the block length (READ CAPACITY(10)), then one block at LBA N\n"
     "(default 0) with READ(10), and says whether the read passes. A fenced\n"
     "host's read is refused with RESERVATION CONFLICT: exit status 24.\n"
     "JSON: {\"lba\": N, \"passes\": true | false}.\n",
     "qxscsi read --lba 2048 /dev/sdb", kOptLba, onDrive(runRead)},
    {"makekey", Group::Key, "--host A,B,C | --snapshot A,B",
     "print a host's reservation key (no device)",
     "Prints the host key QXaabbcc of three integers, or with --snapshot the\n"
     "snapshot key SMaaabbb of two, as pr-reserve and pr-clear build them.\n"
     "Sends nothing.\n"
     "JSON: {\"key\": KEY}.\n",
     "qxscsi makekey --host 1,2,3", kOptHost | kOptSnapshotPair, alone(runMakeKey)},
    {"identify", Group::Tape, "DEVICE", "vendor, product, serial, TapeAlert support",
     "Reads the standard INQUIRY data (vendor, product, revision), the unit\n"
     "serial number (INQUIRY, VPD page 80h; \"none\" when the device has no\n"
     "such page) and the drive's list of log pages (LOG SENSE, page 00h):\n"
     "TapeAlert yes when it lists the TapeAlert page 2Eh.\n"
     "JSON: {\"vendor\", \"product\", \"revision\", \"serial\": S or null,\n"
     "\"tapealert\": true | false}.\n",
     "qxscsi identify /dev/nst0", 0, onDrive(runIdentify)},
    {"tur", Group::Tape, "DEVICE", "is the unit ready? (TEST UNIT READY)",
     "Sends TEST UNIT READY and prints \"ready\", or \"not ready\" with the\n"
     "sense key, ASC and ASCQ and their names on stderr; the exit status is\n"
     "that of the sense key (2 for NOT READY, as without a cartridge).\n"
     "JSON: {\"ready\": true | false, and when not ready \"sense_key\",\n"
     "\"asc\", \"ascq\", \"asc_name\"}.\n",
     "qxscsi tur /dev/nst0", 0, onDrive(runTestUnitReady)},
    {"lock", Group::Tape, "DEVICE", "prevent medium removal",
     "Prevents the removal of the medium (PREVENT ALLOW MEDIUM REMOVAL,\n"
     "PREVENT 1) until unlock, or until the drive is reset.\n"
     "JSON: {\"prevent\": true}.\n",
     "qxscsi lock /dev/nst0", 0, onDrive(runLock)},
    {"unlock", Group::Tape, "DEVICE", "allow medium removal",
     "Allows the removal of the medium again (PREVENT ALLOW MEDIUM REMOVAL,\n"
     "PREVENT 0).\n"
     "JSON: {\"prevent\": false}.\n",
     "qxscsi unlock /dev/nst0", 0, onDrive(runUnlock)},
    {"position", Group::Tape, "[--eod] DEVICE", "partition and block of the position",
     "Reads the position (READ POSITION, short form) and prints the partition\n"
     "and the block number, and whether the tape is at the beginning or end of\n"
     "the partition. With --eod it first spaces to the end of recorded data\n"
     "(SPACE, end of data), which can take minutes: the elapsed time shows on\n"
     "stderr when that is a terminal, and Ctrl-C ends the wait.\n"
     "JSON: {\"partition\": N, \"block\": N or null when the drive does not\n"
     "know it, \"beginning_of_partition\", \"end_of_partition\"}.\n",
     "qxscsi position --eod /dev/nst0", kOptEod, onDrive(runPosition)},
    {"tapealert", Group::Tape, "DEVICE", "the TapeAlert flags that are set",
     "Reads the TapeAlert log page (LOG SENSE, page 2Eh) once, after checking\n"
     "that the drive lists it, and prints each set flag by number, name and\n"
     "severity (information, warning, critical); \"no flag set\" when none\n"
     "is. Reading the page may clear the flags in the drive. A drive without\n"
     "the page: exit status 5.\n"
     "JSON: {\"flags\": [{\"flag\": N, \"name\": S or null,\n"
     "\"severity\": S or null}, ...]}.\n",
     "qxscsi tapealert /dev/nst0", 0, onDrive(runTapeAlert)},
    {"worm", Group::Tape, "[--family FAMILY] DEVICE", "is the cartridge write-once (WORM)?",
     "Runs the WORM test of the drive's family: ait (mode page 31h), lto\n"
     "(medium type), 3592 (mode page 23h), volsafe (sense data) or dlt\n"
     "(medium auxiliary memory). Without --family the family comes from the\n"
     "drive's identity: IBM products starting ULT3580-TD or ULTRIUM-TD (LTO),\n"
     "a product naming DLT, a product starting SDX (AIT) or 03592, or the\n"
     "vendor STK (VolSafe).\n"
     "Exit status 0 for a WORM cartridge, 36 for one that is not.\n"
     "JSON: {\"family\": F, \"worm\": true | false, \"code\": N or null}.\n",
     "qxscsi worm --family lto /dev/nst0", kOptFamily, onDrive(runWorm)},
    {"mediatype", Group::Tape, "DEVICE", "media type classification",
     "Classifies the loaded cartridge for the LTO and DLT drives the library\n"
     "knows, and prints the media type code (\"none\" for another drive or\n"
     "medium), the drive's vendor and product, and the medium type byte of\n"
     "the mode parameter header (MODE SENSE(6), page 00h).\n"
     "JSON: {\"code\": N or null, \"vendor\", \"product\", \"medium_type\": N}.\n",
     "qxscsi mediatype /dev/nst0", 0, onDrive(runMediaType)},
    {nullptr, Group::Key, nullptr, nullptr, nullptr, nullptr, 0, {}},
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
