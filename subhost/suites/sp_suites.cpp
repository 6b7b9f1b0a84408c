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

const SuiteEntry kSuites[] = {
    {kBasic, 2, &kBasicSuite},
    {kBlocksSuite, kBlocksSuiteVersion, &kBlocks},
    {kFilterSuite, kFilterSuiteVersion, &kFilter},
    {kArtSuite, kArtSuiteVersion, &kArtTable},
    {kLayerSuite, kLayerSuiteVersion, &kLayerTable},
    {kMenuSuite, kMenuSuiteVersion, &kMenu},
    {kPatternSuite, kPatternSuiteVersion, &kPatternTable},
    {kPathSuite, kPathSuiteVersion, &kPathTable},
    {kPathStyleSuite, kPathStyleSuiteVersion, &kPathStyleTable},
    {kTagSuite, kTagSuiteVersion, &kTagTable},
    {kTextSuite, kTextSuiteVersion, &kTextTable},
    {kTextRunSuite, kTextRunSuiteVersion, &kTextRun},
    {kTextLineSuite, kTextLineSuiteVersion, &kTextLineTable},
    {kTextPathSuite, kTextPathSuiteVersion, &kTextPathTable},
    {kTextStreamSuite, kTextStreamSuiteVersion, &kTextStreamTable},
    {kTextFaceStyleSuite, kTextFaceStyleSuiteVersion, &kTextFaceStyle},
    {kSwatchListSuite, kSwatchListSuiteVersion, &kSwatchListTable},
    {kPlacedSuite, kPlacedSuiteVersion, &kPlaced},
    {kDrawArtSuite, kDrawArtSuiteVersion, &kDrawArtTable},
    {kRealMathSuite, kRealMathSuiteVersion, &kRealMathTable},
    {kTransformArtSuite, kTransformArtSuiteVersion, &kTransformArtTable},
    {kDocumentSuite, kDocumentSuiteVersion, &kDocument},
    {kUndoSuite, kUndoSuiteVersion, &kUndo},
    {kADMBasicSuite, kADMBasicSuiteVersion, &kADMBasicTable},
    {kADMDialogSuite, kADMDialogSuiteVersion, &kADMDialogTable},
    {kADMDialogGroupSuite, kADMDialogGroupSuiteVersion, &kADMDialogGroup},
    {kADMItemSuite, kADMItemSuiteVersion, &kADMItemTable},
    {kADMListSuite, kADMListSuiteVersion, &kADMListTable},
    {kADMEntrySuite, kADMEntrySuiteVersion, &kADMEntryTable},
    {kADMDrawerSuite, kADMDrawerSuiteVersion, &kADMDrawerTable},
    {kADMImageSuite, kADMImageSuiteVersion, &kADMImageTable},
    {kADMTrackerSuite, kADMTrackerSuiteVersion, &kADMTrackerTable},
    {kADMNotifierSuite, kADMNotifierSuiteVersion, &kADMNotifierTable},
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
