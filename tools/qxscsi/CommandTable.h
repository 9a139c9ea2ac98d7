// The tool's commands: their names, synopses, help texts, the options each accepts and the
// handler that runs it. runCommand (Commands.h) is the one place that dispatches.
#ifndef QXSCSI_TOOLS_COMMANDTABLE_H
#define QXSCSI_TOOLS_COMMANDTABLE_H

#include <string>

class QXScsiHardDisk;

namespace qxtool {

class Exchange;
class Report;
struct Invocation;

// Options a command may take besides --json, -v and --help.
enum Option : unsigned {
    kOptKey = 1U << 0,           // --key KEY
    kOptHost = 1U << 1,          // --host A,B,C
    kOptSnapshot = 1U << 2,      // --snapshot (the snapshot key form)
    kOptSnapshotPair = 1U << 3,  // --snapshot A,B (makekey)
    kOptLba = 1U << 4,           // --lba N
    kOptEod = 1U << 5,           // --eod (position)
    kOptFamily = 1U << 6,        // --family FAMILY (worm)
};

enum class Group { Reservation, Io, Key, Tape };

// What a command runs on, by the one handler that is set.
struct Handler {
    void (*alone)(const Invocation&, Report&);    // no device
    void (*drive)(const Invocation&, Exchange&);  // the greeted device's pass-through object
    void (*disk)(const Invocation&, QXScsiHardDisk&, Report&);  // a reservation handle on it
};

struct CommandInfo {
    const char* name;
    Group group;
    const char* arguments;  // what follows the name in the usage line
    const char* summary;    // one line for the command list
    const char* details;    // the command's own help: what it does and prints
    const char* example;
    unsigned options;  // Option bits it accepts
    Handler run;

    bool takesDevice() const { return run.alone == nullptr; }
};

// The command named name, or null.
const CommandInfo* findCommand(const std::string& name);

// Every command, ended by an entry whose name is null.
const CommandInfo* allCommands();

}  // namespace qxtool

#endif
