// The suite tables: each entry point serves one call of the module through the current host.
#include "suites.h"

#include <cstring>
#include <string_view>

#include "host/adm.h"
#include "host/ai.h"
#include "host/sp.h"
#include "host/suitenames.h"
#include "serve.h"

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

// ADM Dialog Suite.
constexpr const char kDialog[] = "ADM Dialog Suite";

ASErr KZN_API DialogCreate(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style,
                           DialogInitProc initProc, UserData data, DialogRef* dialog) {
    return Serve(kDialog, "Create", [&](Host& host) {
        DialogRef& out = Out(dialog);
        out = nullptr;
        out = host.dialogs().Create(plugin, name, dialogID, style, initProc, data);
    });
}

ASErr KZN_API DialogModal(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style,
                          DialogInitProc initProc, UserData data, ASInt32* itemHit) {
    return Serve(kDialog, "Modal", [&](Host& host) {
        ASInt32& out = Out(itemHit);
        out = -1;
        out = host.dialogs().Modal(plugin, name, dialogID, style, initProc, data);
    });
}

ASErr KZN_API DialogDestroy(DialogRef dialog) {
    return Serve(kDialog, "Destroy", [&](Host& host) { host.dialogs().Destroy(dialog); });
}

ASErr KZN_API DialogGetUserData(DialogRef dialog, UserData* data) {
    return Serve(kDialog, "GetUserData", [&](Host& host) {
        UserData& out = Out(data);
        out = nullptr;
        out = host.dialogs().Get(dialog).userData;
    });
}

ASErr KZN_API DialogSetUserData(DialogRef dialog, UserData data) {
    return Serve(kDialog, "SetUserData",
                 [&](Host& host) { host.dialogs().Get(dialog).userData = data; });
}

ASErr KZN_API DialogSetDrawProc(DialogRef dialog, DialogDrawProc proc) {
    return Serve(kDialog, "SetDrawProc",
                 [&](Host& host) { host.dialogs().Get(dialog).draw = proc; });
}

ASErr KZN_API DialogSetTrackProc(DialogRef dialog, DialogTrackProc proc) {
    return Serve(kDialog, "SetTrackProc",
                 [&](Host& host) { host.dialogs().Get(dialog).track = proc; });
}

ASErr KZN_API DialogSetNotifyProc(DialogRef dialog, DialogNotifyProc proc) {
    return Serve(kDialog, "SetNotifyProc",
                 [&](Host& host) { host.dialogs().Get(dialog).notify = proc; });
}

ASErr KZN_API DialogSetDestroyProc(DialogRef dialog, DialogDestroyProc proc) {
    return Serve(kDialog, "SetDestroyProc",
                 [&](Host& host) { host.dialogs().Get(dialog).destroy = proc; });
}

ASErr KZN_API DialogDefaultDraw(DialogRef dialog, DrawerRef) {
    return Serve(kDialog, "DefaultDraw", [&](Host& host) { host.dialogs().Get(dialog); });
}

ASErr KZN_API DialogDefaultTrack(DialogRef dialog, TrackerRef tracker, ASBoolean* handled) {
    return Serve(kDialog, "DefaultTrack", [&](Host& host) {
        ASBoolean& out = Out(handled);
        out = false;
        out = host.dialogs().DefaultTrack(host.dialogs().Get(dialog), Tracker{dialog, nullptr});
        (void)tracker;
    });
}

ASErr KZN_API DialogDefaultNotify(DialogRef dialog, NotifierRef notifier) {
    return Serve(kDialog, "DefaultNotify", [&](Host& host) {
        DialogManager& dialogs = host.dialogs();
        dialogs.DefaultNotify(dialogs.Get(dialog), dialogs.GetNotifier(notifier));
    });
}

ASErr KZN_API DialogGetItem(DialogRef dialog, ASInt32 itemID, ItemRef* item) {
    return Serve(kDialog, "GetItem", [&](Host& host) {
        ItemRef& out = Out(item);
        out = nullptr;
        Item* found = host.dialogs().Get(dialog).FindItem(itemID);
        if (found == nullptr) {
            throw HostError(kBadArgumentErr, "the dialog has no item " + std::to_string(itemID));
        }
        out = found->ref;
    });
}

ASErr KZN_API DialogGetWindowRef(DialogRef dialog, WindowRef* window) {
    return Serve(kDialog, "GetWindowRef", [&](Host& host) {
        host.dialogs().Get(dialog);
        Out(window) = reinterpret_cast<WindowRef>(dialog);
    });
}

const ADMDialogSuite kADMDialog = {
    DialogCreate,         DialogModal,        DialogDestroy,      DialogGetUserData,
    DialogSetUserData,    DialogSetDrawProc,  DialogSetTrackProc, DialogSetNotifyProc,
    DialogSetDestroyProc, DialogDefaultDraw,  DialogDefaultTrack, DialogDefaultNotify,
    DialogGetItem,        DialogGetWindowRef,
};

// ADM Notifier Suite.
constexpr const char kNotifier[] = "ADM Notifier Suite";

ASErr KZN_API NotifierGetItem(NotifierRef notifier, ItemRef* item) {
    return Serve(kNotifier, "GetItem", [&](Host& host) {
        ItemRef& out = Out(item);
        out = nullptr;
        out = host.dialogs().GetNotifier(notifier).item;
    });
}

ASErr KZN_API NotifierGetDialog(NotifierRef notifier, DialogRef* dialog) {
    return Serve(kNotifier, "GetDialog", [&](Host& host) {
        DialogRef& out = Out(dialog);
        out = nullptr;
        out = host.dialogs().GetNotifier(notifier).dialog;
    });
}

ASErr KZN_API NotifierGetType(NotifierRef notifier, char* type, ASInt32 maxLength) {
    return Serve(kNotifier, "GetNotifierType", [&](Host& host) {
        if (type == nullptr || maxLength <= 0) {
            throw HostError(kBadArgumentErr, "no room for the notifier type");
        }
        type[0] = 0;
        const std::string& name = host.dialogs().GetNotifier(notifier).type;
        const std::size_t n = std::min(name.size(), static_cast<std::size_t>(maxLength - 1));
        std::memcpy(type, name.data(), n);
        type[n] = 0;
    });
}

const ADMNotifierSuite kADMNotifier = {NotifierGetItem, NotifierGetDialog, NotifierGetType};

// Suites the module acquires but does not call yet.
const ArtSuite kArt = {};
const LayerSuite kLayer = {};
const PatternSuite kPattern = {};
const PathSuite kPath = {};
const PathStyleSuite kPathStyle = {};
const TagSuite kTag = {};
const TextSuite kText = {};
const TextRunSuite kTextRun = {};
const TextLineSuite kTextLine = {};
const TextPathSuite kTextPath = {};
const TextStreamSuite kTextStream = {};
const TextFaceStyleSuite kTextFaceStyle = {};
const SwatchListSuite kSwatchList = {};
const PlacedSuite kPlaced = {};
const DrawArtSuite kDrawArt = {};
const RealMathSuite kRealMath = {};
const TransformArtSuite kTransformArt = {};
const DocumentSuite kDocument = {};
const UndoSuite kUndo = {};
const ADMBasicSuite kADMBasic = {};
const ADMDialogGroupSuite kADMDialogGroup = {};
const ADMItemSuite kADMItem = {};
const ADMListSuite kADMList = {};
const ADMEntrySuite kADMEntry = {};
const ADMDrawerSuite kADMDrawer = {};
const ADMImageSuite kADMImage = {};
const ADMTrackerSuite kADMTracker = {};

struct SuiteEntry {
    const char* name;
    ASInt32 version;
    const void* table;
};

const SuiteEntry kSuites[] = {
    {kBasic, 2, &kBasicSuite},
    {kBlocksSuite, kBlocksSuiteVersion, &kBlocks},
    {kFilterSuite, kFilterSuiteVersion, &kFilter},
    {kArtSuite, kArtSuiteVersion, &kArt},
    {kLayerSuite, kLayerSuiteVersion, &kLayer},
    {kMenuSuite, kMenuSuiteVersion, &kMenu},
    {kPatternSuite, kPatternSuiteVersion, &kPattern},
    {kPathSuite, kPathSuiteVersion, &kPath},
    {kPathStyleSuite, kPathStyleSuiteVersion, &kPathStyle},
    {kTagSuite, kTagSuiteVersion, &kTag},
    {kTextSuite, kTextSuiteVersion, &kText},
    {kTextRunSuite, kTextRunSuiteVersion, &kTextRun},
    {kTextLineSuite, kTextLineSuiteVersion, &kTextLine},
    {kTextPathSuite, kTextPathSuiteVersion, &kTextPath},
    {kTextStreamSuite, kTextStreamSuiteVersion, &kTextStream},
    {kTextFaceStyleSuite, kTextFaceStyleSuiteVersion, &kTextFaceStyle},
    {kSwatchListSuite, kSwatchListSuiteVersion, &kSwatchList},
    {kPlacedSuite, kPlacedSuiteVersion, &kPlaced},
    {kDrawArtSuite, kDrawArtSuiteVersion, &kDrawArt},
    {kRealMathSuite, kRealMathSuiteVersion, &kRealMath},
    {kTransformArtSuite, kTransformArtSuiteVersion, &kTransformArt},
    {kDocumentSuite, kDocumentSuiteVersion, &kDocument},
    {kUndoSuite, kUndoSuiteVersion, &kUndo},
    {kADMBasicSuite, kADMBasicSuiteVersion, &kADMBasic},
    {kADMDialogSuite, kADMDialogSuiteVersion, &kADMDialog},
    {kADMDialogGroupSuite, kADMDialogGroupSuiteVersion, &kADMDialogGroup},
    {kADMItemSuite, kADMItemSuiteVersion, &kADMItem},
    {kADMListSuite, kADMListSuiteVersion, &kADMList},
    {kADMEntrySuite, kADMEntrySuiteVersion, &kADMEntry},
    {kADMDrawerSuite, kADMDrawerSuiteVersion, &kADMDrawer},
    {kADMImageSuite, kADMImageSuiteVersion, &kADMImage},
    {kADMTrackerSuite, kADMTrackerSuiteVersion, &kADMTracker},
    {kADMNotifierSuite, kADMNotifierSuiteVersion, &kADMNotifier},
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
