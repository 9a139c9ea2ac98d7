#include "TapeAlertTable.h"

namespace qxtool {

namespace {

enum Severity { kNone, kInformation, kWarning, kCritical };

struct FlagInfo {
    const char* name;
    Severity severity;
};

// Index n holds flag n; index 0 is unused. Flags 40 to 46 (loader flags, now obsolete), 47,
// 48 and 61 to 64 have no name.
const FlagInfo kFlags[65] = {
    {nullptr, kNone},
    {"Read warning", kWarning},
    {"Write warning", kWarning},
    {"Hard error", kWarning},
    {"Media", kCritical},
    {"Read failure", kCritical},
    {"Write failure", kCritical},
    {"Media life", kWarning},
    {"Not data grade", kWarning},
    {"Write protect", kCritical},
    {"No removal", kInformation},
    {"Cleaning media", kInformation},
    {"Unsupported format", kInformation},
    {"Recoverable mechanical cartridge failure", kCritical},
    {"Unrecoverable mechanical cartridge failure", kCritical},
    {"Memory chip in cartridge failure", kWarning},
    {"Forced eject", kCritical},
    {"Read only format", kWarning},
    {"Tape directory corrupted on load", kWarning},
    {"Nearing media life", kInformation},
    {"Clean now", kCritical},
    {"Clean periodic", kWarning},
    {"Expired cleaning media", kCritical},
    {"Invalid cleaning tape", kCritical},
    {"Retension requested", kWarning},
    {"Dual-port interface error", kWarning},
    {"Cooling fan failure", kWarning},
    {"Power supply failure", kWarning},
    {"Power consumption", kWarning},
    {"Drive maintenance", kWarning},
    {"Hardware A", kCritical},
    {"Hardware B", kCritical},
    {"Interface", kWarning},
    {"Eject media", kCritical},
    {"Microcode update fail", kWarning},
    {"Drive humidity", kWarning},
    {"Drive temperature", kWarning},
    {"Drive voltage", kWarning},
    {"Predictive failure", kCritical},
    {"Diagnostics required", kWarning},
    {nullptr, kNone},  // 40 to 46: obsolete
    {nullptr, kNone},
    {nullptr, kNone},
    {nullptr, kNone},
    {nullptr, kNone},
    {nullptr, kNone},
    {nullptr, kNone},
    {nullptr, kNone},  // 47, 48: reserved
    {nullptr, kNone},
    {"Diminished native capacity", kInformation},
    {"Lost statistics", kWarning},
    {"Tape directory invalid at unload", kWarning},
    {"Tape system area write failure", kCritical},
    {"Tape system area read failure", kCritical},
    {"No start of data", kCritical},
    {"Loading or threading failure", kCritical},
    {"Unrecoverable unload failure", kCritical},
    {"Automation interface failure", kCritical},
    {"Microcode failure", kWarning},
    {"WORM medium, integrity check failed", kWarning},
    {"WORM medium, overwrite attempted", kWarning},
    {nullptr, kNone},  // 61 to 64: reserved
    {nullptr, kNone},
    {nullptr, kNone},
    {nullptr, kNone},
};

const FlagInfo* info(int flag) {
    return flag >= 1 && flag <= 64 ? &kFlags[flag] : &kFlags[0];
}

}  // namespace

const char* tapeAlertName(int flag) {
    return info(flag)->name;
}

const char* tapeAlertSeverity(int flag) {
    switch (info(flag)->severity) {
        case kInformation:
            return "information";
        case kWarning:
            return "warning";
        case kCritical:
            return "critical";
        case kNone:
            break;
    }
    return nullptr;
}

std::string tapeAlertLabel(int flag) {
    const char* name = tapeAlertName(flag);
    return name != nullptr ? std::string(name) : "flag " + std::to_string(flag);
}

}  // namespace qxtool
