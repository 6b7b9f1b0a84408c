// A plug-in module as the host loads it: its resources, its property list and its entry point.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "host/sp.h"
#include "resources.h"

namespace subhost {

class PluginModule {
  public:
    // Loads the module file at PATH: reads its resources from the file, checks its property list
    // (kind 'SPEA', interface version 2, an entry point name) and finds the entry point among
    // the file's exports. Throws ModuleError naming what is wrong.
    static std::unique_ptr<PluginModule> Load(const std::string& path);

    // A module whose code is linked into this process (tests that drive its classes directly);
    // its resources still come from the module file at PATH.
    static std::unique_ptr<PluginModule> Linked(const std::string& path, PluginMainProc entry);

    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::string& path() const { return path_; }
    const ResourceSet& resources() const { return resources_; }
    const Pipl& pipl() const { return pipl_; }
    const std::string& entryName() const { return entryName_; }
    PluginMainProc entry() const { return entry_; }

    // The dialog template with resource id ID; nullptr when the module has none.
    const DialogTemplate* Dialog(int id) const;
    const std::map<int, std::string>& strings() const { return strings_; }

  private:
    PluginModule() = default;
    void ReadResources(const std::string& path);

    std::string path_;
    ResourceSet resources_;
    Pipl pipl_;
    std::string entryName_;
    std::map<int, DialogTemplate> dialogs_;
    std::map<int, std::string> strings_;
    void* library_ = nullptr;
    PluginMainProc entry_ = nullptr;
};

}  // namespace subhost
