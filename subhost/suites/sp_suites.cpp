// The suite tables: each entry point serves one call of the module through the current host.
#include "subhost/suites/tables.h"

#include <cstring>
#include <string_view>

#include "host/adm.h"
#include "host/ai.h"
#include "host/sp.h"
#include "host/suitenames.h"
#include "subhost/suites/serve.h"

namespace subhost {
namespace {

// SP Basic Suite.
constexpr const char kBasic[] = "SP Basic Suite";

ASErr KZN_API AcquireSuite(const char* name, ASInt32 version, const void** suite) {
    return Serve(kBasic, "AcquireSuite", [&](Host& host) {
        if (name == nullptr) {
            throw HostError(kBadArgumentErr, "no suite name");
        }
        return host.Acquire(name, version, &Out(suite));
    });
}

ASErr KZN_API ReleaseSuite(const char* name, ASInt32 version) {
    return Serve(kBasic, "ReleaseSuite", [&](Host& host) {
        if (name == nullptr) {
            throw HostError(kBadArgumentErr, "no suite name");
        }
        return host.Release(name, version);
    });
}

ASBoolean KZN_API IsEqual(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

const BasicSuite kBasicSuite = {AcquireSuite, ReleaseSuite, IsEqual};

// SP Blocks Suite.
ASErr KZN_API AllocateBlock(std::int32_t size, const char* name, void** block) {
    return Serve(kBlocksSuite, "AllocateBlock",
                 [&](Host& host) { Out(block) = host.AllocateBlock(size, name); });
}

ASErr KZN_API FreeBlock(void* block) {
    return Serve(kBlocksSuite, "FreeBlock", [&](Host& host) { host.FreeBlock(block); });
}

const BlocksSuite kBlocks = {AllocateBlock, FreeBlock};

// AI Filter Suite.
ASErr KZN_API AddFilter(PluginRef self, const char* name, FilterRegistration* data, ASInt32 options,
                        FilterHandle* filter) {
    return Serve(kFilterSuite, "AddFilter", [&](Host& host) {
        FilterHandle& out = Out(filter);
        out = host.AddFilter(self, name, Out(data), options);
    });
}

ASErr KZN_API GetFilterMenuItem(FilterHandle filter, MenuItemHandle* menuItem) {
    return Serve(kFilterSuite, "GetFilterMenuItem",
                 [&](Host& host) { Out(menuItem) = host.GetFilter(filter).menuItem; });
}

const FilterSuite kFilter = {AddFilter, GetFilterMenuItem};

// AI Menu Suite.
ASErr KZN_API UpdateMenuItemAutomatically(MenuItemHandle menuItem, ASInt32 action,
                                          ASInt32 ifMenuArt, ASInt32 ifNotMenuArt,
                                          ASInt32 ifSelectedArt, ASInt32 ifNotSelectedArt,
                                          ASInt32 ifTrue, ASInt32 ifFalse) {
    return Serve(kMenuSuite, "UpdateMenuItemAutomatically", [&](Host& host) {
        host.GetFilterByMenuItem(menuItem).menu = MenuAutoUpdate{
            action, ifMenuArt, ifNotMenuArt, ifSelectedArt, ifNotSelectedArt, ifTrue, ifFalse};
    });
}

const MenuSuite kMenu = {UpdateMenuItemAutomatically};

// Suites the module acquires but does not call yet.
const TextRunSuite kTextRun = {};
const TextFaceStyleSuite kTextFaceStyle = {};
const PlacedSuite kPlaced = {};
const DocumentSuite kDocument = {};
const UndoSuite kUndo = {};
const ADMDialogGroupSuite kADMDialogGroup = {};

struct SuiteEntry {
    const char* name;
    ASInt32 version;
    const void* table;
};

// The suites this host serves, by the names and versions a host of this generation publishes. They
// are the host's own: a module that asks for another version of a suite is refused, as a real host
// would refuse it.
const SuiteEntry kSuites[] = {
    {kBasic, 2, &kBasicSuite},
    {"SP Blocks Suite", 2, &kBlocks},
    {"AI Filter Suite", 2, &kFilter},
    {"AI Art Suite", 4, &kArtTable},
    {"AI Layer Suite", 7, &kLayerTable},
    {"AI Menu Suite", 5, &kMenu},
    {"AI Pattern Suite", 5, &kPatternTable},
    {"AI Path Suite", 4, &kPathTable},
    {"AI Path Style Suite", 4, &kPathStyleTable},
    {"AI Tag Suite", 2, &kTagTable},
    {"AI Text Suite", 3, &kTextTable},
    {"AI Text Run Suite", 5, &kTextRun},
    {"AI Text Line Suite", 5, &kTextLineTable},
    {"AI Text Path Suite", 4, &kTextPathTable},
    {"AI Text Stream Suite", 4, &kTextStreamTable},
    {"AI Text Face Style Suite", 5, &kTextFaceStyle},
    {"AI Swatch List Suite", 2, &kSwatchListTable},
    {"AI Placed Suite", 4, &kPlaced},
    {"AI Draw Art Suite", 4, &kDrawArtTable},
    {"AI Real Math Suite", 1, &kRealMathTable},
    {"AI Transform Art Suite", 1, &kTransformArtTable},
    {"AI Document Suite", 5, &kDocument},
    {"AI Undo Suite", 3, &kUndo},
    {"ADM Basic Suite", 2, &kADMBasicTable},
    {"ADM Dialog Suite", 3, &kADMDialogTable},
    {"ADM Dialog Group Suite", 1, &kADMDialogGroup},
    {"ADM Item Suite", 4, &kADMItemTable},
    {"ADM List Suite", 1, &kADMListTable},
    {"ADM Entry Suite", 2, &kADMEntryTable},
    {"ADM Drawer Suite", 3, &kADMDrawerTable},
    {"ADM Image Suite", 1, &kADMImageTable},
    {"ADM Tracker Suite", 1, &kADMTrackerTable},
    {"ADM Notifier Suite", 1, &kADMNotifierTable},
};

}  // namespace

const void* FindSuite(const char* name, ASInt32 version, bool* nameKnown) {
    *nameKnown = false;
    for (const SuiteEntry& entry : kSuites) {
        if (std::string_view(entry.name) == name) {
            *nameKnown = true;
            if (entry.version == version) {
                return entry.table;
            }
        }
    }
    return nullptr;
}

const void* BasicSuiteTable() {
    return &kBasicSuite;
}

}  // namespace subhost
