// kznhost trace: one start-up, a run of each Filter command and a shut-down, with the module's
// trace lines.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kznhost {

// Sends start-up, runs each command of COMMANDS (every registered one when empty; each dialog
// is cancelled as it opens) on the map at DOC_PATH (none when empty), sends shut-down, and prints
// the module's trace lines as UTF-8. Returns the exit status.
int PrintTrace(const std::string& pluginPath, const std::string& docPath,
               const std::vector<std::string>& commands, std::ostream& out, std::ostream& err);

}  // namespace kznhost
