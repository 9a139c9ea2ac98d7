// tapealert: the flags the drive has set, read once from the TapeAlert log page.
#include <vector>

#include "Commands.h"
#include "ExitStatus.h"
#include "Report.h"
#include "TapeAlertTable.h"
#include "TapeCommands.h"

namespace qxtool {

namespace {

constexpr int kFlags = 64;
// The page: a 4-byte header and 64 parameters of 5 bytes, with room to spare.
constexpr int kPageLength = 4 + kFlags * 5 + 28;
constexpr std::size_t kParameterHeader = 4;

}  // namespace

// The flags set in a TapeAlert log page, by parameter code: each parameter is walked by its
// own length, so a drive that omits or reorders parameters is read right, and one that claims
// more bytes than it sent is read no further than the reply.
std::vector<int> setTapeAlertFlags(const std::vector<unsigned char>& page) {
    std::vector<bool> set(kFlags + 1, false);
    std::size_t at = 4;
    while (at + kParameterHeader <= page.size()) {
        const unsigned code = (static_cast<unsigned>(page[at]) << 8) | page[at + 1];
        const std::size_t length = page[at + 3];
        const std::size_t value = at + kParameterHeader;
        if (length >= 1 && value < page.size() && page[value] != 0 && code >= 1 && code <= kFlags) {
            set[code] = true;
        }
        at = value + length;
    }
    std::vector<int> flags;
    for (int flag = 1; flag <= kFlags; ++flag) {
        if (set[static_cast<std::size_t>(flag)]) {
            flags.push_back(flag);
        }
    }
    return flags;
}

void runTapeAlert(const Invocation& /*invocation*/, Exchange& exchange) {
    Report& report = exchange.report();
    const Answer pages = readSupportedLogPages(exchange);
    if (pages.status == kExitIllegalRequest || pages.status == kExitInvalidOpcode) {
        report.fail(kExitIllegalRequest, "the drive has no TapeAlert log page: " + pages.reason);
        return;
    }
    if (!pages.good()) {
        report.fail(pages.status, pages.reason);
        return;
    }
    if (!tapeAlertListed(pages)) {
        report.fail(kExitIllegalRequest,
                    "the drive has no TapeAlert log page: its log pages do not include 2Eh");
        return;
    }
    const Answer page = exchange.send(
        "LOG SENSE (TapeAlert)",
        {0x4D, 0, 0x40 | 0x2E, 0, 0, 0, 0, static_cast<unsigned char>(kPageLength >> 8),
         static_cast<unsigned char>(kPageLength & 0xFF), 0},
        kPageLength);
    if (!page.good()) {
        report.fail(page.status, page.reason);
        return;
    }
    std::vector<JsonValue> list;
    for (int flag : setTapeAlertFlags(page.data)) {
        const char* severity = tapeAlertSeverity(flag);
        std::string text = "flag " + std::to_string(flag);
        if (tapeAlertName(flag) != nullptr) {
            text += ": " + std::string(tapeAlertName(flag)) + " (" + severity + ")";
        }
        report.line(text);
        JsonObject entry;
        entry.set("flag", JsonValue::number(flag));
        entry.set("name", tapeAlertName(flag) != nullptr ? JsonValue::string(tapeAlertName(flag))
                                                         : JsonValue::null());
        entry.set("severity",
                  severity != nullptr ? JsonValue::string(severity) : JsonValue::null());
        list.push_back(JsonValue::object(entry));
    }
    if (list.empty()) {
        report.line("no flag set");
    }
    report.set("flags", JsonValue::array(list));
}

}  // namespace qxtool
