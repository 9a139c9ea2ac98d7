// The command table and its texts: every command has one handler, is listed and explains itself
// with an example, the page names every command and exit status of the help and carries the tool's
// version, and no help line is wider than a terminal.
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "gtest/gtest.h"
#include "qxscsi/version.h"
#include "tools/qxscsi/CommandTable.h"
#include "tools/qxscsi/ExitStatus.h"
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

// The page's source with roff's escaped hyphens ("\-") as plain ones.
std::string manPage() {
    std::ifstream in(QXSCSI_MAN_PAGE);
    std::ostringstream text;
    text << in.rdbuf();
    std::string page = text.str();
    for (std::string::size_type at = 0; (at = page.find("\\-", at)) != std::string::npos;) {
        page.erase(at, 1);
    }
    return page;
}

TEST(Help, EveryCommandIsListedExplainedWithAnExampleAndInTheManualPage) {
    const std::string help = generalHelp();
    const std::string page = manPage();
    ASSERT_FALSE(page.empty()) << "cannot read " << QXSCSI_MAN_PAGE;
    expectNarrow(help, "qxscsi --help");
    // The exit statuses scripts act on.
    for (const char* status :
         {"\n   0  ", "\n   1  ", "\n  15  ", "\n  24  ", "\n  36  ", "\n  99  "}) {
        EXPECT_NE(help.find(status), std::string::npos) << status;
    }
    for (const CommandInfo* c = allCommands(); c->name != nullptr; ++c) {
        EXPECT_EQ(!!c->run.alone + !!c->run.drive + !!c->run.disk, 1) << c->name << ": handlers";
        EXPECT_NE(help.find(std::string("\n  ") + c->name + " "), std::string::npos) << c->name;
        const std::string own = commandHelp(*c);
        EXPECT_EQ(own.find(std::string("usage: qxscsi ") + c->name), 0U) << c->name;
        EXPECT_NE(own.find(std::string("Example:\n  qxscsi ") + c->name + " "), std::string::npos)
            << c->name;
        expectNarrow(own, c->name);
        // Each command is the heading of its own paragraph: .BI "name ..." or .BI "name " ARGS.
        EXPECT_NE(page.find(std::string("\n.BI \"") + c->name + " "), std::string::npos)
            << c->name << " has no paragraph in the manual page";
    }
}

TEST(Help, TheManualPageNamesEveryExitStatusAndTheVersion) {
    const std::string page = manPage();
    const std::string help = generalHelp();
    std::istringstream table(exitStatusTable());
    std::string line;
    const std::regex entry("^\\s*([0-9]+)  .*");
    std::smatch match;
    while (std::getline(table, line)) {
        if (std::regex_match(line, match, entry)) {
            EXPECT_NE(help.find("\n" + line + "\n"), std::string::npos) << line;
            EXPECT_NE(page.find("\n.B " + match[1].str() + "\n"), std::string::npos)
                << "exit status " << match[1] << " is not in the manual page";
        }
    }
    EXPECT_NE(page.find(std::string("\"qxscsi ") + QXSCSI_VERSION_STRING + "\""),
              std::string::npos);
}

}  // namespace
}  // namespace qxtool
