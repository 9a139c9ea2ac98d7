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

// A persistent reservation reading, from sg_persist or from the library.
struct PrReading {
    bool valid = false;          // read and understood
    std::string failure;         // why not, when not valid
    std::vector<uint64_t> keys;  // registered keys, sorted
    bool reserved = false;
    uint64_t holder = 0;  // key of the reservation holder, when reserved
    std::string type;     // "<scope>/<type name>" of the reservation, when reserved

    // "keys [0x... 0x...], holder 0x... LU_SCOPE/Exclusive Access" or "..., no reservation".
    std::string text() const;
    bool operator==(const PrReading& other) const;
};

// sg_persist --in --read-keys and --read-reservation on dev, each retried once after a unit
// attention.
PrReading sgPersistReading(const std::string& dev);

// Parse sg_persist's output (run with --no-inquiry) into reading. False with reading.failure set
// when the text is not what sg_persist prints.
bool parseReadKeys(const std::string& output, PrReading& reading);
bool parseReadReservation(const std::string& output, PrReading& reading);

// The library's view: a key string's bytes as a big-endian number, and the scope-and-type byte
// in sg_persist's words.
uint64_t keyNumber(const std::string& key);
std::string scopeAndType(unsigned long scopeType);
// A key as sg_persist writes it: 0x and lower-case hex, no leading zeros.
std::string showKey(uint64_t key);

}  // namespace device

#endif
