// The sg3_utils programs as a second opinion: runs one, captures what it prints, and reads the
// persistent reservation state out of sg_persist's text.
#ifndef QXSCSI_TESTS_DEVICE_SGUTILS_H
#define QXSCSI_TESTS_DEVICE_SGUTILS_H

#include <cstdint>
#include <string>
#include <vector>

namespace device {

struct ToolRun {
    int exitStatus = -1;   // the program's exit status; -1 when it did not exit normally
    std::string output;    // standard output and standard error together
    bool retried = false;  // it reported a unit attention (exit status 6) and ran again
};

// Runs the command line through the shell. With retryOnUnitAttention, a run that ends in
// exit status 6 (the sg3_utils status for UNIT ATTENTION) is made once more: the programs do not
// resend a command after a unit attention themselves.
ToolRun runTool(const std::string& commandLine, bool retryOnUnitAttention = false);

// A reservation state as the checks compare it: "keys [0x1 0x2], holder 0x1 LU_SCOPE/Exclusive
// Access", or "keys [...], no reservation" when holder is empty; keys sorted, each as sg_persist
// writes it (0x and lower-case hex, no leading zeros), the type in sg_persist's words.
std::string stateText(std::vector<uint64_t> keys, const std::string& holder);

// sg_persist --in --read-keys and --read-reservation on dev (each retried once after a unit
// attention) in that form, or "unreadable: " and why.
std::string sgPersistState(const std::string& dev);

// A key string's bytes as a big-endian number; the number as sg_persist writes it.
uint64_t keyNumber(const std::string& key);
std::string showKey(uint64_t key);
// The scope-and-type byte in sg_persist's words.
std::string scopeAndType(unsigned long scopeType);

}  // namespace device

#endif
