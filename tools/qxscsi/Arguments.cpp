#include "Arguments.h"

#include <climits>

namespace qxtool {

namespace {

constexpr std::size_t kKeyLength = 8;
constexpr unsigned long kLastLba = 0xFFFFFFFFUL;  // READ(10) carries a 32-bit LBA

struct OptionName {
    Option bit;
    const char* name;
};

const OptionName kOptionNames[] = {
    {kOptKey, "--key"},           {kOptHost, "--host"},
    {kOptSnapshot, "--snapshot"}, {kOptSnapshotPair, "--snapshot"},
    {kOptLba, "--lba"},           {kOptEod, "--eod"},
    {kOptFamily, "--family"},
};

// The WORM test families of --family.
const char* const kFamilies[] = {"ait", "lto", "3592", "volsafe", "dlt"};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool parseUnsigned(const std::string& text, unsigned long limit, unsigned long& value) {
    std::size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i >= text.size()) {
        return false;
    }
    value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) {
            return false;
        }
        if (value > (limit - static_cast<unsigned long>(digit)) / base) {
            return false;
        }
        value = value * base + static_cast<unsigned long>(digit);
    }
    return true;
}

// Splits "--name=value" into name and value; name may be arg itself.
bool splitInline(const std::string& arg, std::string& name, std::string& value) {
    const std::size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") != 0 || eq == std::string::npos) {
        return false;
    }
    value = arg.substr(eq + 1);
    name = arg.substr(0, eq);
    return true;
}

// The checks that depend on the command, once the whole line is read.
std::string checkAgainstCommand(Invocation& inv, bool snapshotHadValue,
                                const std::string& snapshotValue) {
    const CommandInfo& c = *inv.command;
    if (inv.given & kOptSnapshot) {
        // --snapshot is a flag, except for makekey, where it takes the pair.
        inv.given &= ~static_cast<unsigned>(kOptSnapshot);
        inv.given |= (c.options & kOptSnapshotPair) ? kOptSnapshotPair : kOptSnapshot;
        inv.snapshot = true;
        if ((c.options & kOptSnapshotPair) && !snapshotHadValue) {
            return "--snapshot needs two integers A,B";
        }
        if ((c.options & kOptSnapshot) && snapshotHadValue) {
            return "--snapshot takes no value for " + std::string(c.name);
        }
        if (snapshotHadValue && !parseIntegers(snapshotValue, inv.snapshotPair, 2)) {
            return "--snapshot needs two non-negative integers A,B, not '" + snapshotValue + "'";
        }
    }
    for (const OptionName& o : kOptionNames) {
        if ((inv.given & o.bit) && !(c.options & o.bit)) {
            return std::string(o.name) + " does not apply to " + c.name;
        }
    }
    if (inv.hex && !c.takesDevice()) {
        return std::string("--hex does not apply to ") + c.name;
    }
    if (inv.help) {
        return std::string();
    }
    if ((c.options & kOptKey) && !(inv.given & kOptKey)) {
        return std::string(c.name) + " needs --key KEY";
    }
    if (c.options & kOptSnapshotPair) {
        const bool host = (inv.given & kOptHost) != 0;
        const bool pair = (inv.given & kOptSnapshotPair) != 0;
        if (host == pair) {
            return std::string(c.name) + " needs either --host A,B,C or --snapshot A,B";
        }
    } else if ((c.options & kOptHost) && !(inv.given & kOptHost)) {
        return std::string(c.name) + " needs --host A,B,C";
    }
    if (c.takesDevice() && inv.device.empty()) {
        return std::string(c.name) + " needs a DEVICE";
    }
    if (!c.takesDevice() && !inv.device.empty()) {
        return std::string(c.name) + " takes no DEVICE, but '" + inv.device + "' was given";
    }
    return std::string();
}

}  // namespace

bool parseKey(const std::string& text, std::string& key, std::string& reason) {
    if (text.size() == 2 + 2 * kKeyLength && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string bytes;
        for (std::size_t i = 2; i < text.size(); i += 2) {
            const int high = hexDigit(text[i]);
            const int low = hexDigit(text[i + 1]);
            if (high < 0 || low < 0) {
                reason = "the key '" + text + "' is not 0x and 16 hex digits";
                return false;
            }
            bytes += static_cast<char>(high * 16 + low);
        }
        // The device reports a key without its trailing zero bytes; give it the same way.
        while (!bytes.empty() && bytes.back() == '\0') {
            bytes.pop_back();
        }
        if (bytes.empty()) {
            reason = "the key 0x0000000000000000 is no key: it would remove the registration";
            return false;
        }
        key = bytes;
        return true;
    }
    if (text.empty()) {
        reason = "the key is empty";
        return false;
    }
    if (text.size() > kKeyLength) {
        reason = "the key '" + text + "' is longer than 8 characters";
        return false;
    }
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E) {
            reason = "the key holds a character that is not printable ASCII";
            return false;
        }
    }
    key = text;
    return true;
}

bool parseIntegers(const std::string& text, int* values, int count) {
    std::size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t end = i + 1 < count ? text.find(',', start) : text.size();
        if (end == std::string::npos) {
            return false;
        }
        const std::string field = text.substr(start, end - start);
        unsigned long value = 0;
        // Decimal only: a host's integers are not written in hex.
        if (field.empty() || field.find_first_not_of("0123456789") != std::string::npos ||
            !parseUnsigned(field, INT_MAX, value)) {
            return false;
        }
        values[i] = static_cast<int>(value);
        start = end + 1;
    }
    return true;
}

std::string usageLine(const CommandInfo* command) {
    if (command == nullptr) {
        return "usage: qxscsi COMMAND [OPTIONS] DEVICE   (qxscsi --help lists the commands)";
    }
    std::string line = std::string("usage: qxscsi ") + command->name + " " + command->arguments;
    line += command->takesDevice() ? " [--json] [--hex] [-v]" : " [--json]";
    return line;
}

ParsedArguments parseArguments(const std::vector<std::string>& args) {
    ParsedArguments out;
    Invocation& inv = out.invocation;
    std::vector<std::string> positional;
    bool snapshotHadValue = false;
    std::string snapshotValue;
    auto fail = [&out, &args](const std::string& reason) {
        out.error = reason;
        // The usage line shown with the reason is the command's, when one is named; a script
        // that asked for JSON gets the reason as JSON, wherever --json stood.
        for (const std::string& arg : args) {
            if (out.invocation.command == nullptr && findCommand(arg) != nullptr) {
                out.invocation.command = findCommand(arg);
            }
            out.invocation.json = out.invocation.json || arg == "--json";
        }
        return out;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string inlineValue;
        const bool hasInline = splitInline(arg, arg, inlineValue);
        // The value of an option: inline after '=', else the next argument.
        auto value = [&](std::string& v) {
            if (hasInline) {
                v = inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        if (arg == "--json" && !hasInline) {
            inv.json = true;
        } else if (arg == "--verbose" && !hasInline) {
            ++inv.verbosity;
        } else if (arg.size() >= 2 && arg[0] == '-' && arg[1] == 'v' &&
                   arg.find_first_not_of('v', 1) == std::string::npos) {
            inv.verbosity += static_cast<int>(arg.size() - 1);
        } else if (arg == "--hex" && !hasInline) {
            inv.hex = true;
        } else if (arg == "--eod" && !hasInline) {
            inv.eod = true;
            inv.given |= kOptEod;
        } else if (arg == "--family") {
            bool known = value(v);
            if (known) {
                known = false;
                for (const char* family : kFamilies) {
                    known = known || v == family;
                }
            }
            if (!known) {
                return fail("--family needs one of ait, lto, 3592, volsafe, dlt" +
                            (v.empty() ? std::string() : ", not '" + v + "'"));
            }
            inv.family = v;
            inv.given |= kOptFamily;
        } else if ((arg == "--help" || arg == "-h") && !hasInline) {
            inv.help = true;
        } else if ((arg == "--version" || arg == "-V") && !hasInline) {
            inv.version = true;
        } else if (arg == "--key") {
            std::string reason;
            if (!value(v)) {
                return fail("--key needs a value");
            }
            if (!parseKey(v, inv.key, reason)) {
                return fail(reason);
            }
            inv.given |= kOptKey;
        } else if (arg == "--host") {
            if (!value(v) || !parseIntegers(v, inv.host, 3)) {
                return fail("--host needs three non-negative integers A,B,C" +
                            (v.empty() ? std::string() : ", not '" + v + "'"));
            }
            inv.given |= kOptHost;
        } else if (arg == "--snapshot") {
            // A value follows when given inline, or when the next argument is a list (a
            // device path never holds a comma where a pair does).
            const bool listNext = i + 1 < args.size() && !args[i + 1].empty() &&
                                  args[i + 1][0] != '-' &&
                                  args[i + 1].find(',') != std::string::npos &&
                                  args[i + 1].find('/') == std::string::npos;
            if (hasInline || listNext) {
                value(snapshotValue);
                snapshotHadValue = true;
            }
            inv.given |= kOptSnapshot;
        } else if (arg == "--lba") {
            if (!value(v) || !parseUnsigned(v, kLastLba, inv.lba)) {
                return fail("--lba needs a block address 0..4294967295" +
                            (v.empty() ? std::string() : ", not '" + v + "'"));
            }
            inv.given |= kOptLba;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return fail("unknown option '" + args[i] + "'");
        } else {
            positional.push_back(args[i]);
        }
    }

    if (positional.empty()) {
        if (inv.help || inv.version) {
            if (inv.given != 0) {
                return fail("options need a COMMAND");
            }
            return out;
        }
        return fail("no COMMAND given");
    }
    if (positional.size() >= 2) {
        inv.device = positional[1];
    }
    inv.command = findCommand(positional[0]);
    if (inv.command == nullptr) {
        return fail("unknown command '" + positional[0] + "'");
    }
    if (positional.size() > 2) {
        return fail("unexpected argument '" + positional[2] + "'");
    }
    out.error = checkAgainstCommand(inv, snapshotHadValue, snapshotValue);
    return out;
}

}  // namespace qxtool
