// A plug-in module as the host loads it: its resources, its property list and its entry point.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/sp.h"
#include "subhost/loader/pefile.h"
#include "subhost/loader/resources.h"

namespace subhost {

class PluginModule {
  public:
    // Loads the module file at PATH: reads its resources (on Windows with the system's resource
    // functions), checks its property list (kind 'SPEA', interface version 2, an entry point
    // name) and finds the entry point among the file's exports. Throws ModuleError naming what
    // is wrong, also when the file is a module of another machine.
    static std::unique_ptr<PluginModule> Load(const std::string& path);

    // Reads the module file at PATH without loading it, whichever machine it was built for (on
    // Linux an ELF module or a Windows DLL, on Windows a DLL): its form, exports, imports,
    // resources and property list, checked as Load checks them. entry() is null. Throws
    // ModuleError naming what is wrong.
    static std::unique_ptr<PluginModule> Inspect(const std::string& path);

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
    // "ELF 64-bit shared object", "PE32 DLL for Intel 386", ...
    const std::string& format() const { return format_; }
    const std::vector<std::string>& exports() const { return exports_; }
    // What a Windows module imports (empty for an ELF module).
    const std::vector<PeImport>& imports() const { return imports_; }
    // Whether this host can load the module: it is of this host's own machine and form.
    bool LoadableHere() const { return loadable_; }
    PluginMainProc entry() const { return entry_; }

    // The dialog template with resource id ID; nullptr when the module has none.
    const DialogTemplate* Dialog(int id) const;
    const std::map<int, std::string>& strings() const { return strings_; }

  private:
    PluginModule() = default;
    // Reads the file's form, exports, imports and resources.
    void ReadFile(const std::string& path);
    // Reads the property list, dialogs and strings from resources_ and checks them.
    void ReadResources();

    std::string path_;
    ResourceSet resources_;
    Pipl pipl_;
    std::string entryName_;
    std::string format_;
    std::vector<std::string> exports_;
    std::vector<PeImport> imports_;
    bool loadable_ = false;
    std::map<int, DialogTemplate> dialogs_;
    std::map<int, std::string> strings_;
    void* library_ = nullptr;
    PluginMainProc entry_ = nullptr;
};

}  // namespace subhost
