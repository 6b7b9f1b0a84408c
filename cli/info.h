// kznhost info: what the module carries and what it registers.
#pragma once

#include <ostream>
#include <string>

namespace kznhost {

// Prints the module's property list, its Filter menu commands and its dialogs; returns the exit
// status.
int PrintInfo(const std::string& pluginPath, std::ostream& out, std::ostream& err);

}  // namespace kznhost
