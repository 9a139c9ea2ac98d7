// The command line: what each good line asks for, and why each bad line is refused before
// any device is touched.
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "tools/qxscsi/Arguments.h"

namespace qxtool {
namespace {

struct GoodLine {
    std::vector<std::string> args;
    const char* command;
    const char* device;
};

TEST(Arguments, OptionsMayComeInAnyOrder) {
    const GoodLine lines[] = {
        {{"pr-keys", "/dev/sg1"}, "pr-keys", "/dev/sg1"},
        {{"pr-reserve", "/dev/sdb", "--host", "1,2,3"}, "pr-reserve", "/dev/sdb"},
        {{"--host=1,2,3", "-vv", "pr-reserve", "--snapshot", "/dev/sdb"}, "pr-reserve", "/dev/sdb"},
        {{"read", "--lba", "0x10", "iscsi://h/iqn.x:y/1"}, "read", "iscsi://h/iqn.x:y/1"},
    };
    for (const GoodLine& line : lines) {
        const ParsedArguments parsed = parseArguments(line.args);
        ASSERT_EQ(parsed.error, "") << line.args[0];
        ASSERT_NE(parsed.invocation.command, nullptr);
        EXPECT_STREQ(parsed.invocation.command->name, line.command);
        EXPECT_EQ(parsed.invocation.device, line.device);
    }
}

TEST(Arguments, ValuesReachTheInvocation) {
    const Invocation r = parseArguments({"pr-reserve", "-v", "--verbose", "--host", "1,22,333",
                                         "--snapshot", "--json", "/dev/sdb"})
                             .invocation;
    EXPECT_EQ(std::make_tuple(r.host[0], r.host[1], r.host[2], r.snapshot, r.json, r.verbosity),
              std::make_tuple(1, 22, 333, true, true, 2));

    EXPECT_EQ(parseArguments({"read", "--lba", "4294967295", "/dev/sdb"}).invocation.lba,
              4294967295UL);
}

// A refused line: a part of its one-line reason. The usage that goes with it is that of the
// line's first word, when that names a command.
struct BadLine {
    std::vector<std::string> args;
    const char* reason;
};

TEST(Arguments, BadInputIsRefusedWithItsReason) {
    const BadLine lines[] = {
        {{}, "no COMMAND given"},
        {{"frobnicate", "/dev/sg1"}, "unknown command 'frobnicate'"},
        {{"pr-keys", "--force", "/dev/sg1"}, "unknown option '--force'"},
        {{"pr-keys"}, "pr-keys needs a DEVICE"},
        {{"pr-keys", "/dev/sg1", "/dev/sg2"}, "unexpected argument '/dev/sg2'"},
        {{"pr-register", "/dev/sg1"}, "needs --key KEY"},
        {{"pr-register", "--key", "QX0102030", "/dev/sg1"}, "longer than 8 characters"},
        {{"pr-register", "--key", "QX\t1", "/dev/sg1"}, "not printable ASCII"},
        {{"pr-register", "--key", "0x00000000000000zz", "/dev/sg1"}, "not 0x and 16 hex digits"},
        {{"pr-register", "--key"}, "--key needs a value"},
        {{"pr-reserve", "/dev/sg1"}, "needs --host A,B,C"},
        {{"pr-reserve", "--host", "1,2", "/dev/sg1"}, "three non-negative integers"},
        {{"pr-reserve", "--host", "1,2,2147483648", "/dev/sg1"}, "three non-negative integers"},
        {{"pr-reserve", "--snapshot", "1,2", "--host", "1,2,3", "/dev/sg1"},
         "--snapshot takes no value"},
        {{"read", "--lba", "4294967296", "/dev/sg1"}, "--lba needs a block address"},
        {{"makekey"}, "needs either --host A,B,C or --snapshot A,B"},
        {{"makekey", "--host", "1,2,3", "/dev/sg1"}, "takes no DEVICE"},
        {{"identify", "--eod", "/dev/nst0"}, "--eod does not apply to identify"},
        {{"worm", "--family", "LTO", "/dev/nst0"}, "--family needs one of"},
    };
    for (const BadLine& line : lines) {
        const ParsedArguments parsed = parseArguments(line.args);
        const std::string shown = line.args.empty() ? "(nothing)" : line.args[0];
        EXPECT_NE(parsed.error.find(line.reason), std::string::npos)
            << shown << ": " << parsed.error;
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << shown;
        const CommandInfo* usage = parsed.invocation.command;
        EXPECT_EQ(usage != nullptr ? usage->name : "(none)",
                  line.args.empty() || shown == "frobnicate" ? "(none)" : shown);
    }
}

TEST(Arguments, NumericKeysRoundTripTheFormPrKeysShows) {
    std::string key;
    std::string reason;
    ASSERT_TRUE(parseKey("0x0000000000001234", key, reason));
    EXPECT_EQ(key, std::string("\0\0\0\0\0\0\x12\x34", 8));
    // Trailing zero bytes are dropped, as the device reports the key.
    ASSERT_TRUE(parseKey("0X5158303130323033", key, reason));
    EXPECT_EQ(key, "QX010203");
    ASSERT_TRUE(parseKey("0xAB00000000000000", key, reason));
    EXPECT_EQ(key, "\xAB");
    // Short text starting with 0x is a text key.
    ASSERT_TRUE(parseKey("0x12", key, reason));
    EXPECT_EQ(key, "0x12");
}

}  // namespace
}  // namespace qxtool
