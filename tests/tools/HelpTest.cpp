// The help texts: every command is listed, every command the tool runs explains itself with an
// example, and nothing is wider than a terminal.
#include <sstream>
#include <string>

#include "gtest/gtest.h"
#include "tools/qxscsi/CommandTable.h"
#include "tools/qxscsi/Help.h"

namespace qxtool {
namespace {

void expectNarrow(const std::string& text, const std::string& what) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 79U) << what << ": " << line;
    }
}

TEST(Help, ListsEveryCommandAndTheExitStatuses) {
    const std::string help = generalHelp();
    for (const CommandInfo* c = allCommands(); c->name != nullptr; ++c) {
        EXPECT_NE(help.find(std::string("\n  ") + c->name + " "), std::string::npos) << c->name;
    }
    for (const char* status :
         {"\n   0  ", "\n   1  ", "\n  15  ", "\n  24  ", "\n  36  ", "\n  99  "}) {
        EXPECT_NE(help.find(status), std::string::npos) << status;
    }
    EXPECT_NE(help.find("I_T nexus"), std::string::npos);
    expectNarrow(help, "qxscsi --help");
}

TEST(Help, EachCommandExplainsItselfWithAnExample) {
    for (const CommandInfo* c = allCommands(); c->name != nullptr; ++c) {
        const std::string help = commandHelp(*c);
        EXPECT_EQ(help.find(std::string("usage: qxscsi ") + c->name), 0U) << c->name;
        EXPECT_NE(help.find(std::string("Example:\n  qxscsi ") + c->name + " "), std::string::npos)
            << c->name;
        expectNarrow(help, c->name);
    }
}

}  // namespace
}  // namespace qxtool
