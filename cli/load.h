// Loading the module for a kznhost command.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "subhost/error.h"
#include "subhost/loader/module.h"

namespace kznhost {

// The module at PATH, or null after one line on ERR saying why it cannot be used.
inline std::unique_ptr<subhost::PluginModule> LoadPlugin(const std::string& path,
                                                         std::ostream& err) {
    try {
        return subhost::PluginModule::Load(path);
    } catch (const subhost::ModuleError& e) {
        err << "kznhost: " << e.what() << "\n";
        return nullptr;
    }
}

}  // namespace kznhost
