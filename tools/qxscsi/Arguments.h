// The command line: qxscsi COMMAND [OPTIONS] DEVICE, options in any order. Everything is
// checked here, before any device is touched.
#ifndef QXSCSI_TOOLS_ARGUMENTS_H
#define QXSCSI_TOOLS_ARGUMENTS_H

#include <string>
#include <vector>

#include "CommandTable.h"

namespace qxtool {

struct Invocation {
    const CommandInfo* command = nullptr;  // null with --help or --version alone
    std::string device;
    bool json = false;
    int verbosity = 0;  // -v: the handle's outcome lines; -vv: its trace lines too
    bool hex = false;   // --hex: the raw reply bytes too
    bool help = false;
    bool version = false;
    unsigned given = 0;       // the Option bits given
    std::string key;          // --key as the bytes of the 8-byte key field
    int host[3] = {0, 0, 0};  // --host
    bool snapshot = false;    // --snapshot, as a flag or with a pair
    int snapshotPair[2] = {0, 0};
    unsigned long lba = 0;
    bool eod = false;    // --eod
    std::string family;  // --family: ait, lto, 3592, volsafe or dlt
};

struct ParsedArguments {
    Invocation invocation;
    std::string error;  // empty when the command line is good
};

// args are the arguments after the program name.
ParsedArguments parseArguments(const std::vector<std::string>& args);

// A --key argument: up to 8 printable ASCII characters, or "0x" and 16 hex digits for a key
// of any 8 bytes (the form pr-keys prints numeric keys in). False, with a reason, otherwise.
bool parseKey(const std::string& text, std::string& key, std::string& reason);

// "A,B,C" with count non-negative decimal integers (each at most INT_MAX).
bool parseIntegers(const std::string& text, int* values, int count);

// "usage: qxscsi ..." for the command, or the tool's general one when command is null.
std::string usageLine(const CommandInfo* command);

}  // namespace qxtool

#endif
