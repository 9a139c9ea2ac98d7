// The manual page keeps step with the help: every command, option and exit status that
// `qxscsi --help` names is in it, and it carries the tool's version.
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "gtest/gtest.h"
#include "qxscsi/version.h"
#include "tools/qxscsi/CommandTable.h"
#include "tools/qxscsi/ExitStatus.h"
#include "tools/qxscsi/Help.h"

namespace qxtool {
namespace {

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

TEST(ManPage, DescribesEveryCommandOfTheHelp) {
    const std::string page = manPage();
    ASSERT_FALSE(page.empty()) << "cannot read " << QXSCSI_MAN_PAGE;
    for (const CommandInfo* c = allCommands(); c->name != nullptr; ++c) {
        // Each command is the heading of its own paragraph: .BI "name ..." or .BI "name " ARGS.
        EXPECT_NE(page.find(std::string("\n.BI \"") + c->name + " "), std::string::npos)
            << c->name << " has no paragraph in the manual page";
    }
}

TEST(ManPage, NamesEveryOptionOfTheHelp) {
    const std::string page = manPage();
    const std::string help = generalHelp();
    const std::regex option("(^|[\\s\\[|])(--?[a-zA-Z][a-zA-Z]*)");
    std::set<std::string> options;
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it) {
        options.insert((*it)[2]);
    }
    EXPECT_GE(options.size(), 12U);  // --json -v -vv --hex -h --help -V --version --key ...
    for (const std::string& name : options) {
        EXPECT_NE(page.find(name), std::string::npos) << name << " is not in the manual page";
    }
}

TEST(ManPage, ListsTheExitStatusesOfTheHelp) {
    const std::string page = manPage();
    std::istringstream table(exitStatusTable());
    std::string line;
    int statuses = 0;
    const std::regex entry("^\\s*([0-9]+)  .*");
    std::smatch match;
    while (std::getline(table, line)) {
        if (std::regex_match(line, match, entry)) {
            ++statuses;
            EXPECT_NE(page.find("\n.B " + match[1].str() + "\n"), std::string::npos)
                << "exit status " << match[1] << " is not in the manual page";
        }
    }
    EXPECT_EQ(statuses, 14);
}

TEST(ManPage, CarriesTheToolsVersion) {
    EXPECT_NE(manPage().find(std::string("\"qxscsi ") + QXSCSI_VERSION_STRING + "\""),
              std::string::npos);
}

}  // namespace
}  // namespace qxtool
