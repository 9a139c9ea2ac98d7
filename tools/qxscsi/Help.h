// The tool's help: the general text and each command's own.
#ifndef QXSCSI_TOOLS_HELP_H
#define QXSCSI_TOOLS_HELP_H

#include <string>

#include "CommandTable.h"

namespace qxtool {

std::string generalHelp();
std::string commandHelp(const CommandInfo& command);
std::string versionText();

}  // namespace qxtool

#endif
