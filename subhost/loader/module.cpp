#include "subhost/loader/module.h"

#include <algorithm>
#include <filesystem>

#include "subhost/error.h"

#ifdef _WIN32
#include "host/win32.h"
#include "subhost/windows/substitutes.h"
#else
#include <dlfcn.h>

#include "subhost/loader/elffile.h"
#endif

namespace subhost {

namespace {

// The file PATH names, as the system's loader must be given it: a name without a folder (or, on
// Windows, any relative one) is looked for along the library search path, not where it is.
std::string FileToLoad(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

}  // namespace

#ifdef _WIN32

namespace {

ResourceId IdOf(LPCSTR id) {
    if (IS_INTRESOURCE(id)) {
        return ResourceId::Number(static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(id)));
    }
    return ResourceId::Name(id);
}

BOOL CALLBACK AddLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param) {
    auto* set = reinterpret_cast<ResourceSet*>(param);
    HRSRC found = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (data == nullptr) {
        return TRUE;
    }
    set->Add({IdOf(type), IdOf(name), language, Bytes(data, data + SizeofResource(module, found))});
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    EnumResourceLanguagesA(module, type, name, AddLanguage, param);
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR param) {
    EnumResourceNamesA(module, type, AddName, param);
    return TRUE;
}

// Every resource of a loaded module, read with the system's resource functions.
ResourceSet ResourcesOf(HMODULE module) {
    ResourceSet set;
    EnumResourceTypesA(module, AddType, reinterpret_cast<LONG_PTR>(&set));
    return set;
}

// The machine this host's own code is built for: the modules it can load.
#ifdef _WIN64
constexpr std::uint16_t kThisMachine = kMachineAmd64;
#else
constexpr std::uint16_t kThisMachine = kMachineI386;
#endif

HMODULE LoadModule(const std::string& path, DWORD flags) {
    HMODULE module = LoadLibraryExA(FileToLoad(path).c_str(), nullptr, flags);
    if (module == nullptr) {
        throw ModuleError(path + ": cannot load (Windows error " + std::to_string(GetLastError()) +
                          ")");
    }
    return module;
}

}  // namespace

#endif

void PluginModule::ReadFile(const std::string& path) {
    path_ = path;
    Bytes bytes = ReadFileBytes(path);
    if (PeFile::Looks(bytes)) {
        const PeFile file(std::move(bytes));
        format_ = file.Describe();
        exports_ = file.ExportedSymbols();
        imports_ = file.Imports();
        resources_ = file.Resources();
#ifdef _WIN32
        loadable_ = file.dll() && file.machine() == kThisMachine;
#endif
        if (resources_.all().empty()) {
            throw ModuleError(path + ": the file carries no resources");
        }
        return;
    }
#ifdef _WIN32
    throw ModuleError(path + ": not a Windows module (no MZ header)");
#else
    std::optional<ElfFile> file;
    std::optional<Bytes> stream;
    try {
        file.emplace(std::move(bytes));
        exports_ = file->ExportedSymbols();
        stream = file->Section(kResourceSection);
    } catch (const ModuleError& e) {
        throw ModuleError(path + ": " + e.what());
    }
    format_ = "ELF 64-bit shared object";
    loadable_ = true;
    if (!stream) {
        throw ModuleError(path + ": the file carries no resources (no " +
                          std::string(kResourceSection) + " section)");
    }
    try {
        resources_ = ResourceSet::Parse(*stream);
    } catch (const ModuleError& e) {
        throw ModuleError(path + ": " + e.what());
    }
#endif
}

void PluginModule::ReadResources() {
    try {
        const Resource* pipl = resources_.Find(ResourceId::Name("PIPL"), ResourceId::Number(16000));
        if (pipl == nullptr) {
            throw ModuleError("the file carries no resources (no property list PIPL 16000)");
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
        dialogs_.clear();
        for (const Resource& r : resources_.all()) {
            if (r.type == ResourceId::Number(kDialogType) && r.name.number) {
                dialogs_[*r.name.number] = DialogTemplate::Parse(r.data);
            }
        }
        strings_ = StringTable(resources_);
    } catch (const ModuleError& e) {
        throw ModuleError(path_ + ": " + e.what());
    }
    if (std::find(exports_.begin(), exports_.end(), entryName_) == exports_.end()) {
        throw ModuleError(path_ + ": the entry point " + entryName_ + " is not exported");
    }
}

std::unique_ptr<PluginModule> PluginModule::Inspect(const std::string& path) {
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->ReadFile(path);
    module->ReadResources();
    return module;
}

namespace {

// The module as this host can load it: refuses a module of another machine by name.
std::unique_ptr<PluginModule> InspectLoadable(const std::string& path) {
    std::unique_ptr<PluginModule> module = PluginModule::Inspect(path);
    if (!module->LoadableHere()) {
        throw ModuleError(path + ": a " + module->format() +
                          " cannot be loaded by this host (kznhost info reads it all the same)");
    }
    return module;
}

}  // namespace

#ifdef _WIN32

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path) {
    std::unique_ptr<PluginModule> module = InspectLoadable(path);
    module->library_ = LoadModule(path, 0);
    // As the real host does: the resources through the system's resource functions.
    module->resources_ = ResourcesOf(static_cast<HMODULE>(module->library_));
    module->ReadResources();
    module->entry_ = reinterpret_cast<PluginMainProc>(reinterpret_cast<void (*)()>(
        GetProcAddress(static_cast<HMODULE>(module->library_), module->entryName_.c_str())));
    if (module->entry_ == nullptr) {
        throw ModuleError(path + ": the entry point " + module->entryName_ + " is not exported");
    }
    RedirectWindowsCalls(module->library_);
    return module;
}

std::unique_ptr<PluginModule> PluginModule::Linked(const std::string& path, PluginMainProc entry) {
    std::unique_ptr<PluginModule> module = InspectLoadable(path);
    module->library_ = LoadModule(path, LOAD_LIBRARY_AS_DATAFILE);
    module->resources_ = ResourcesOf(static_cast<HMODULE>(module->library_));
    module->ReadResources();
    module->entry_ = entry;
    // The module's code is this program's own: its Windows calls are this program's imports.
    RedirectWindowsCalls(GetModuleHandleA(nullptr));
    return module;
}

PluginModule::~PluginModule() {
    if (library_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library_));
    }
}

#else

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path) {
    std::unique_ptr<PluginModule> module = InspectLoadable(path);
    module->library_ = dlopen(FileToLoad(path).c_str(), RTLD_NOW | RTLD_LOCAL);
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
    std::unique_ptr<PluginModule> module = InspectLoadable(path);
    module->entry_ = entry;
    return module;
}

PluginModule::~PluginModule() {
    if (library_ != nullptr) {
        dlclose(library_);
    }
}

#endif

const DialogTemplate* PluginModule::Dialog(int id) const {
    const auto it = dialogs_.find(id);
    return it == dialogs_.end() ? nullptr : &it->second;
}

}  // namespace subhost
