#include "Help.h"

#include <cctype>

#include "Arguments.h"
#include "ExitStatus.h"
#include "qxscsi/version.h"

namespace qxtool {

namespace {

const char* const kDevices =
    "DEVICE is a Linux SCSI node (/dev/sgN, /dev/sdX, /dev/nstN, /dev/stN)\n"
    "or an iSCSI logical unit:\n"
    "  iscsi://[USER[%PASSWORD]@]HOST[:PORT]/TARGET-IQN/LUN[?initiator=IQN]\n"
    "The initiator name is this host's (/etc/iscsi/initiatorname.iscsi)\n"
    "unless the path names one. A password is never shown. CHAP credentials\n"
    "may instead come from LIBISCSI_CHAP_USERNAME and LIBISCSI_CHAP_PASSWORD\n"
    "(mutual CHAP: LIBISCSI_CHAP_TARGET_USERNAME, ..._TARGET_PASSWORD).\n";

const char* const kNexus =
    "What an invocation is to the target: a command acts for this host's\n"
    "I_T nexus, the path from its initiator port to the device.\n"
    "- On tgt each invocation is a new iSCSI session, so a new I_T nexus that\n"
    "  ends with the process: pr-register, pr-reserve and read act for a host\n"
    "  that is gone when the tool exits. Its registration stays, but no later\n"
    "  invocation holds it: a later read is fenced, a later pr-release is\n"
    "  refused with a reservation conflict, a later pr-reserve of the same\n"
    "  host takes the reservation over.\n"
    "- On iSCSI targets that key the nexus by initiator port (initiator name\n"
    "  and ISID: LIO, most arrays) an invocation logs in under the lowest port\n"
    "  of this host that no live process of this user holds. So invocations\n"
    "  one after another share one nexus, its registration and reservation,\n"
    "  with each other and with a restarted daemon of the host; an invocation\n"
    "  run while the host's daemon (or another invocation) lives is a nexus\n"
    "  of its own, fenced by the daemon's reservation, and leaves the daemon's\n"
    "  session alone.\n"
    "- On kernel /dev paths every process of the host is one nexus.\n"
    "Before its command the tool sends TEST UNIT READY, which takes the unit\n"
    "attention a target gives a new nexus (power on or reset, ASC 29h); any\n"
    "other unit attention is reported with exit status 6.\n";

const char* const kOptions =
    "Options, for every command:\n"
    "  --json         one JSON object for scripts: \"command\", \"device\",\n"
    "                 \"schema\": 1 and the command's members; on failure also\n"
    "                 \"error\" and \"exit_status\"\n"
    "  -v, -vv        the library's log lines on stderr with their level: -v\n"
    "                 level 1 (failures, outcomes, workflow steps), -vv also\n"
    "                 level 3 (each operation's entry)\n"
    "  --hex          also the raw bytes of each reply, sixteen a line as the\n"
    "                 sg3_utils programs show them (JSON: \"replies\")\n"
    "  -h, --help     this text; qxscsi COMMAND --help explains one command\n"
    "  -V, --version  the tool's version\n"
    "Command options:\n"
    "  --key KEY      a reservation key: up to 8 printable ASCII characters,\n"
    "                 or 0x and 16 hex digits for any 8 bytes (the form\n"
    "                 pr-keys shows a numeric key in)\n"
    "  --host A,B,C   the three non-negative integers of a host: key QXaabbcc\n"
    "  --snapshot     the snapshot key SMaaabbb of the first two integers\n"
    "  --lba N        a logical block address (decimal, or hex with 0x)\n"
    "  --eod          space to the end of recorded data first\n"
    "  --family F     the WORM test: ait, lto, 3592, volsafe or dlt\n";

std::string commandList(Group group) {
    std::string text;
    for (const CommandInfo* c = allCommands(); c->name != nullptr; ++c) {
        if (c->group != group) {
            continue;
        }
        std::string head = std::string("  ") + c->name + " " + c->arguments;
        if (head.size() < 36) {
            head.append(36 - head.size(), ' ');
        } else {
            head += "\n" + std::string(36, ' ');
        }
        text += head + c->summary + "\n";
    }
    return text;
}

}  // namespace

std::string versionText() {
    return std::string("qxscsi ") + QXSCSI_VERSION_STRING + "\n";
}

std::string generalHelp() {
    std::string text = "qxscsi: persistent reservations and pass-through of shared SCSI devices\n";
    text += usageLine(nullptr) + "\n\n";
    text += kDevices;
    text += "\nReservation commands:\n" + commandList(Group::Reservation);
    text += "\nI/O commands:\n" + commandList(Group::Io);
    text += "\nReservation keys:\n" + commandList(Group::Key);
    text += "\nTape commands:\n" + commandList(Group::Tape);
    text += "\n";
    text += kOptions;
    text += "\n";
    text += kNexus;
    text += "\nExit status:\n";
    text += exitStatusTable();
    return text;
}

std::string commandHelp(const CommandInfo& command) {
    std::string text = usageLine(&command) + "\n\n";
    std::string summary = command.summary;
    summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
    // A question keeps its question mark.
    text += summary + (summary.back() == '?' ? "\n" : ".\n");
    text += std::string("\n") + command.details;
    text += std::string("\nExample:\n  ") + command.example + "\n";
    if (command.takesDevice()) {
        text += std::string("\n") + kDevices + "\n" + kNexus;
    }
    text += "\nExit status:\n";
    text += exitStatusTable();
    return text;
}

}  // namespace qxtool
