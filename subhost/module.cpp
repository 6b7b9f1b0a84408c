#include "module.h"

#include <dlfcn.h>

#include <algorithm>

#include "elffile.h"
#include "error.h"

namespace subhost {

void PluginModule::ReadResources(const std::string& path) {
    path_ = path;
    const ElfFile file(ReadFileBytes(path));
    const std::optional<Bytes> stream = file.Section(kResourceSection);
    if (!stream) {
        throw ModuleError(path + ": the file carries no resources (no " +
                          std::string(kResourceSection) + " section)");
    }
    try {
        resources_ = ResourceSet::Parse(*stream);
        const Resource* pipl = resources_.Find(ResourceId::Name("PIPL"), ResourceId::Number(16000));
        if (pipl == nullptr) {
            throw ModuleError("no property list (resource PIPL 16000)");
        }
        pipl_ = Pipl::Parse(pipl->data);
        if (pipl_.Kind() != Code("SPEA")) {
            throw ModuleError("the property list does not give the kind 'SPEA'");
        }
        if (pipl_.InterfaceVersion() != 2U) {
            throw ModuleError("the property list does not give interface version 2");
        }
        const std::optional<std::string> entry = pipl_.EntryPoint();
        if (!entry) {
            throw ModuleError("the property list names no entry point");
        }
        entryName_ = *entry;
        for (const Resource& r : resources_.all()) {
            if (r.type == ResourceId::Number(kDialogType) && r.name.number) {
                dialogs_[*r.name.number] = DialogTemplate::Parse(r.data);
            }
        }
        strings_ = StringTable(resources_);
    } catch (const ModuleError& e) {
        throw ModuleError(path + ": " + e.what());
    }
    const std::vector<std::string> exports = file.ExportedSymbols();
    if (std::find(exports.begin(), exports.end(), entryName_) == exports.end()) {
        throw ModuleError(path + ": the entry point " + entryName_ + " is not exported");
    }
}

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path) {
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->ReadResources(path);
    module->library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module->library_ == nullptr) {
        const char* why = dlerror();
        throw ModuleError(path + ": cannot load: " + (why ? why : "unknown reason"));
    }
    module->entry_ =
        reinterpret_cast<PluginMainProc>(dlsym(module->library_, module->entryName_.c_str()));
    if (module->entry_ == nullptr) {
        throw ModuleError(path + ": the entry point " + module->entryName_ + " is not exported");
    }
    return module;
}

std::unique_ptr<PluginModule> PluginModule::Linked(const std::string& path, PluginMainProc entry) {
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->ReadResources(path);
    module->entry_ = entry;
    return module;
}

PluginModule::~PluginModule() {
    if (library_ != nullptr) {
        dlclose(library_);
    }
}

const DialogTemplate* PluginModule::Dialog(int id) const {
    const auto it = dialogs_.find(id);
    return it == dialogs_.end() ? nullptr : &it->second;
}

}  // namespace subhost
