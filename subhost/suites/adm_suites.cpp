// The dialog manager's suites: each entry point serves one call of the module through the
// current host's dialog manager.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "subhost/suites/serve.h"
#include "subhost/suites/tables.h"

namespace subhost {
namespace {

DialogManager& Dialogs(Host& host) {
    return host.dialogs();
}

// Copies TEXT into a buffer of MAXLENGTH bytes, cut and zero-terminated.
void CopyText(const std::string& text, char* out, ASInt32 maxLength) {
    if (out == nullptr || maxLength <= 0) {
        throw HostError(kBadArgumentErr, "no room for the text");
    }
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(maxLength - 1));
    std::memcpy(out, text.data(), n);
    out[n] = 0;
}

std::string TextOf(const char* text) {
    if (text == nullptr) {
        throw HostError(kBadArgumentErr, "the text is null");
    }
    return text;
}

const ADMRect& RectOf(const ADMRect* rect) {
    if (rect == nullptr) {
        throw HostError(kBadArgumentErr, "the rectangle is null");
    }
    return *rect;
}

void Record(Host& host, DrawerRef ref, DrawOp op) {
    Drawer& drawer = Dialogs(host).Get(ref);
    op.color = op.kind == DrawOp::Kind::Color ? op.color : drawer.color;
    drawer.record->push_back(std::move(op));
}

// ADM Basic Suite.
constexpr const char kBasicName[] = "ADM Basic Suite";

ASErr KZN_API GetIndexString(PluginRef plugin, ASInt32 stringID, ASInt32 index, char* buffer,
                             ASInt32 maxLength) {
    return Serve(kBasicName, "GetIndexString", [&](Host& host) {
        if (plugin != host.self()) {
            throw HostError(kBadHandleErr, "not the plug-in reference of this module");
        }
        const auto& strings = host.module().strings();
        const auto it = strings.find(stringID);
        if (index != 0 || it == strings.end()) {
            CopyText("", buffer, maxLength);
            throw HostError(kNoResourceErr, "the module has no string " + std::to_string(stringID) +
                                                " at index " + std::to_string(index));
        }
        CopyText(it->second, buffer, maxLength);
    });
}

// ADM Dialog Suite.
constexpr const char kDialog[] = "ADM Dialog Suite";

ASErr KZN_API DialogCreate(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style,
                           DialogInitProc initProc, UserData data, DialogRef* dialog) {
    return Serve(kDialog, "Create", [&](Host& host) {
        DialogRef& out = Out(dialog);
        out = nullptr;
        out = Dialogs(host).Create(plugin, name, dialogID, style, initProc, data);
    });
}

ASErr KZN_API DialogModal(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style,
                          DialogInitProc initProc, UserData data, ASInt32* itemHit) {
    return Serve(kDialog, "Modal", [&](Host& host) {
        ASInt32& out = Out(itemHit);
        out = -1;
        out = Dialogs(host).Modal(plugin, name, dialogID, style, initProc, data);
    });
}

ASErr KZN_API DialogDestroy(DialogRef dialog) {
    return Serve(kDialog, "Destroy", [&](Host& host) { Dialogs(host).Destroy(dialog); });
}

ASErr KZN_API DialogGetUserData(DialogRef dialog, UserData* data) {
    return Serve(kDialog, "GetUserData", [&](Host& host) {
        UserData& out = Out(data);
        out = nullptr;
        out = Dialogs(host).Get(dialog).userData;
    });
}

ASErr KZN_API DialogSetUserData(DialogRef dialog, UserData data) {
    return Serve(kDialog, "SetUserData",
                 [&](Host& host) { Dialogs(host).Get(dialog).userData = data; });
}

ASErr KZN_API DialogSetDrawProc(DialogRef dialog, DialogDrawProc proc) {
    return Serve(kDialog, "SetDrawProc",
                 [&](Host& host) { Dialogs(host).Get(dialog).draw = proc; });
}

ASErr KZN_API DialogSetTrackProc(DialogRef dialog, DialogTrackProc proc) {
    return Serve(kDialog, "SetTrackProc",
                 [&](Host& host) { Dialogs(host).Get(dialog).track = proc; });
}

ASErr KZN_API DialogSetNotifyProc(DialogRef dialog, DialogNotifyProc proc) {
    return Serve(kDialog, "SetNotifyProc",
                 [&](Host& host) { Dialogs(host).Get(dialog).notify = proc; });
}

ASErr KZN_API DialogSetDestroyProc(DialogRef dialog, DialogDestroyProc proc) {
    return Serve(kDialog, "SetDestroyProc",
                 [&](Host& host) { Dialogs(host).Get(dialog).destroy = proc; });
}

ASErr KZN_API DialogDefaultDraw(DialogRef dialog, DrawerRef drawer) {
    return Serve(kDialog, "DefaultDraw", [&](Host& host) {
        Dialogs(host).Get(dialog);
        Dialogs(host).Get(drawer);
    });
}

ASErr KZN_API DialogDefaultTrack(DialogRef dialog, TrackerRef tracker, ASBoolean* handled) {
    return Serve(kDialog, "DefaultTrack", [&](Host& host) {
        Out(handled) = false;
        Dialogs(host).Get(dialog);
        Dialogs(host).Get(tracker);
    });
}

ASErr KZN_API DialogDefaultNotify(DialogRef dialog, NotifierRef notifier) {
    return Serve(kDialog, "DefaultNotify", [&](Host& host) {
        Dialogs(host).DefaultNotify(Dialogs(host).Get(dialog), Dialogs(host).Get(notifier));
    });
}

ASErr KZN_API DialogGetItem(DialogRef dialog, ASInt32 itemID, ItemRef* item) {
    return Serve(kDialog, "GetItem", [&](Host& host) {
        ItemRef& out = Out(item);
        out = nullptr;
        Item* found = Dialogs(host).Get(dialog).FindItem(itemID);
        if (found == nullptr) {
            throw HostError(kBadArgumentErr, "the dialog has no item " + std::to_string(itemID));
        }
        out = found->ref;
    });
}

ASErr KZN_API DialogGetWindowRef(DialogRef dialog, WindowRef* window) {
    return Serve(kDialog, "GetWindowRef", [&](Host& host) {
        Dialogs(host).Get(dialog);
        Out(window) = reinterpret_cast<WindowRef>(dialog);
    });
}

// ADM Item Suite.
constexpr const char kItem[] = "ADM Item Suite";

ASErr KZN_API ItemCreate(DialogRef dialog, ASInt32 itemID, const char* itemType,
                         const ADMRect* bounds, ItemInitProc initProc, UserData data,
                         ItemRef* item) {
    return Serve(kItem, "Create", [&](Host& host) {
        ItemRef& out = Out(item);
        out = nullptr;
        out = Dialogs(host).CreateItem(Dialogs(host).Get(dialog), itemID, TextOf(itemType),
                                       RectOf(bounds), initProc, data);
    });
}

ASErr KZN_API ItemDestroy(ItemRef item) {
    return Serve(kItem, "Destroy",
                 [&](Host& host) { Dialogs(host).DestroyItem(Dialogs(host).Get(item)); });
}

ASErr KZN_API ItemGetUserData(ItemRef item, UserData* data) {
    return Serve(kItem, "GetUserData", [&](Host& host) {
        UserData& out = Out(data);
        out = nullptr;
        out = Dialogs(host).Get(item).userData;
    });
}

ASErr KZN_API ItemSetUserData(ItemRef item, UserData data) {
    return Serve(kItem, "SetUserData",
                 [&](Host& host) { Dialogs(host).Get(item).userData = data; });
}

ASErr KZN_API ItemSetDrawProc(ItemRef item, ItemDrawProc proc) {
    return Serve(kItem, "SetDrawProc", [&](Host& host) { Dialogs(host).Get(item).draw = proc; });
}

ASErr KZN_API ItemSetTrackProc(ItemRef item, ItemTrackProc proc) {
    return Serve(kItem, "SetTrackProc", [&](Host& host) { Dialogs(host).Get(item).track = proc; });
}

ASErr KZN_API ItemSetNotifyProc(ItemRef item, ItemNotifyProc proc) {
    return Serve(kItem, "SetNotifyProc",
                 [&](Host& host) { Dialogs(host).Get(item).notify = proc; });
}

ASErr KZN_API ItemSetDestroyProc(ItemRef item, ItemDestroyProc proc) {
    return Serve(kItem, "SetDestroyProc",
                 [&](Host& host) { Dialogs(host).Get(item).destroy = proc; });
}

ASErr KZN_API ItemSetTextToFloatProc(ItemRef item, ItemTextToFloatProc proc) {
    return Serve(kItem, "SetTextToFloatProc",
                 [&](Host& host) { Dialogs(host).Get(item).textToFloat = proc; });
}

ASErr KZN_API ItemSetFloatToTextProc(ItemRef item, ItemFloatToTextProc proc) {
    return Serve(kItem, "SetFloatToTextProc",
                 [&](Host& host) { Dialogs(host).Get(item).floatToText = proc; });
}

ASErr KZN_API ItemDefaultDraw(ItemRef item, DrawerRef drawer) {
    return Serve(kItem, "DefaultDraw", [&](Host& host) {
        Dialogs(host).Get(item);
        Dialogs(host).Get(drawer);
    });
}

ASErr KZN_API ItemDefaultTrack(ItemRef item, TrackerRef tracker, ASBoolean* handled) {
    return Serve(kItem, "DefaultTrack", [&](Host& host) {
        ASBoolean& out = Out(handled);
        out = false;
        out = Dialogs(host).DefaultTrack(Dialogs(host).Get(item), Dialogs(host).Get(tracker));
    });
}

ASErr KZN_API ItemDefaultNotify(ItemRef item, NotifierRef notifier) {
    return Serve(kItem, "DefaultNotify", [&](Host& host) {
        Dialogs(host).Get(notifier);
        Dialogs(host).DefaultNotify(Dialogs(host).Get(item), notifier);
    });
}

ASErr KZN_API ItemDefaultTextToFloat(ItemRef item, const char* text, float* value,
                                     ASBoolean* converted) {
    return Serve(kItem, "DefaultTextToFloat", [&](Host& host) {
        Dialogs(host).Get(item);
        ASBoolean& ok = Out(converted);
        const std::string s = TextOf(text);
        char* end = nullptr;
        const float v = std::strtof(s.c_str(), &end);
        ok = end != s.c_str() && *end == 0;
        if (ok) {
            Out(value) = v;
        }
    });
}

ASErr KZN_API ItemDefaultFloatToText(ItemRef item, float value, char* text, ASInt32 length,
                                     ASBoolean* converted) {
    return Serve(kItem, "DefaultFloatToText", [&](Host& host) {
        Dialogs(host).Get(item);
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
        CopyText(buffer, text, length);
        Out(converted) = true;
    });
}

ASErr KZN_API ItemGetID(ItemRef item, ASInt32* itemID) {
    return Serve(kItem, "GetID", [&](Host& host) { Out(itemID) = Dialogs(host).Get(item).id(); });
}

ASErr KZN_API ItemGetDialog(ItemRef item, DialogRef* dialog) {
    return Serve(kItem, "GetDialog",
                 [&](Host& host) { Out(dialog) = Dialogs(host).Get(item).dialog->ref; });
}

ASErr KZN_API ItemGetList(ItemRef item, ListRef* list) {
    return Serve(kItem, "GetList", [&](Host& host) {
        ListRef& out = Out(list);
        out = nullptr;
        const Item& i = Dialogs(host).Get(item);
        if (i.list == nullptr) {
            throw HostError(kBadArgumentErr, "item " + std::to_string(i.id()) + " is a " +
                                                 KindName(i.kind) + " and has no list");
        }
        out = i.list->ref;
    });
}

ASErr KZN_API ItemGetText(ItemRef item, char* text, ASInt32 maxLength) {
    return Serve(kItem, "GetText",
                 [&](Host& host) { CopyText(Dialogs(host).Get(item).text, text, maxLength); });
}

ASErr KZN_API ItemSetText(ItemRef item, const char* text) {
    return Serve(kItem, "SetText",
                 [&](Host& host) { Dialogs(host).Get(item).text = TextOf(text); });
}

ASErr KZN_API ItemSetTipString(ItemRef item, const char* tip) {
    return Serve(kItem, "SetTipString",
                 [&](Host& host) { Dialogs(host).Get(item).tip = TextOf(tip); });
}

ASErr KZN_API ItemSetPictureID(ItemRef item, ASInt32 pictureID) {
    return Serve(kItem, "SetPictureID",
                 [&](Host& host) { Dialogs(host).Get(item).pictureID = pictureID; });
}

ASErr KZN_API ItemGetItemStyle(ItemRef item, ASInt32* style) {
    return Serve(kItem, "GetItemStyle",
                 [&](Host& host) { Out(style) = Dialogs(host).Get(item).itemStyle; });
}

ASErr KZN_API ItemSetItemStyle(ItemRef item, ASInt32 style) {
    return Serve(kItem, "SetItemStyle",
                 [&](Host& host) { Dialogs(host).Get(item).itemStyle = style; });
}

ASErr KZN_API ItemEnable(ItemRef item, ASBoolean enable) {
    return Serve(kItem, "Enable",
                 [&](Host& host) { Dialogs(host).Get(item).enabled = enable != 0; });
}

ASErr KZN_API ItemIsEnabled(ItemRef item, ASBoolean* enabled) {
    return Serve(kItem, "IsEnabled",
                 [&](Host& host) { Out(enabled) = Dialogs(host).Get(item).enabled; });
}

ASErr KZN_API ItemActivate(ItemRef item, ASBoolean activate) {
    return Serve(kItem, "Activate", [&](Host& host) {
        Item& i = Dialogs(host).Get(item);
        if (activate) {
            i.dialog->focus = &i;
        } else if (i.dialog->focus == &i) {
            i.dialog->focus = nullptr;
        }
    });
}

ASErr KZN_API ItemIsActive(ItemRef item, ASBoolean* active) {
    return Serve(kItem, "IsActive", [&](Host& host) {
        const Item& i = Dialogs(host).Get(item);
        Out(active) = i.dialog->focus == &i;
    });
}

ASErr KZN_API ItemGetBooleanValue(ItemRef item, ASBoolean* value) {
    return Serve(kItem, "GetBooleanValue",
                 [&](Host& host) { Out(value) = Dialogs(host).Get(item).booleanValue; });
}

ASErr KZN_API ItemSetBooleanValue(ItemRef item, ASBoolean value) {
    return Serve(kItem, "SetBooleanValue", [&](Host& host) {
        Dialogs(host).SetBooleanValue(Dialogs(host).Get(item), value != 0);
    });
}

ASErr KZN_API ItemInvalidate(ItemRef item) {
    return Serve(kItem, "Invalidate", [&](Host& host) { Dialogs(host).Get(item); });
}

// ADM List Suite.
constexpr const char kList[] = "ADM List Suite";

ASErr KZN_API ListGetUserData(ListRef list, UserData* data) {
    return Serve(kList, "GetUserData", [&](Host& host) {
        UserData& out = Out(data);
        out = nullptr;
        out = Dialogs(host).Get(list).userData;
    });
}

ASErr KZN_API ListSetUserData(ListRef list, UserData data) {
    return Serve(kList, "SetUserData",
                 [&](Host& host) { Dialogs(host).Get(list).userData = data; });
}

ASErr KZN_API ListGetItem(ListRef list, ItemRef* item) {
    return Serve(kList, "GetItem",
                 [&](Host& host) { Out(item) = Dialogs(host).Get(list).item->ref; });
}

ASErr KZN_API ListSetDrawProc(ListRef list, EntryDrawProc proc) {
    return Serve(kList, "SetDrawProc", [&](Host& host) { Dialogs(host).Get(list).draw = proc; });
}

ASErr KZN_API ListSetTrackProc(ListRef list, EntryTrackProc proc) {
    return Serve(kList, "SetTrackProc", [&](Host& host) { Dialogs(host).Get(list).track = proc; });
}

ASErr KZN_API ListSetNotifyProc(ListRef list, EntryNotifyProc proc) {
    return Serve(kList, "SetNotifyProc",
                 [&](Host& host) { Dialogs(host).Get(list).notify = proc; });
}

ASErr KZN_API ListSetDestroyProc(ListRef list, EntryDestroyProc proc) {
    return Serve(kList, "SetDestroyProc",
                 [&](Host& host) { Dialogs(host).Get(list).destroy = proc; });
}

ASErr KZN_API ListInsertEntry(ListRef list, ASInt32 index, EntryRef* entry) {
    return Serve(kList, "InsertEntry", [&](Host& host) {
        EntryRef& out = Out(entry);
        out = nullptr;
        out = Dialogs(host).InsertEntry(Dialogs(host).Get(list), index).ref;
    });
}

Entry& EntryAt(Host& host, ListRef list, ASInt32 index) {
    const List& l = Dialogs(host).Get(list);
    if (index < 0 || index >= static_cast<ASInt32>(l.entries.size())) {
        throw HostError(kBadArgumentErr, "the list has no entry " + std::to_string(index));
    }
    return *l.entries[static_cast<std::size_t>(index)];
}

ASErr KZN_API ListRemoveEntry(ListRef list, ASInt32 index) {
    return Serve(kList, "RemoveEntry",
                 [&](Host& host) { Dialogs(host).DestroyEntry(EntryAt(host, list, index)); });
}

ASErr KZN_API ListIndexEntry(ListRef list, ASInt32 index, EntryRef* entry) {
    return Serve(kList, "IndexEntry", [&](Host& host) {
        EntryRef& out = Out(entry);
        out = nullptr;
        out = EntryAt(host, list, index).ref;
    });
}

ASErr KZN_API ListFindEntry(ListRef list, const char* text, EntryRef* entry) {
    return Serve(kList, "FindEntry", [&](Host& host) {
        EntryRef& out = Out(entry);
        out = nullptr;
        const std::string wanted = TextOf(text);
        for (const Entry* e : Dialogs(host).Get(list).entries) {
            if (e->text == wanted) {
                out = e->ref;
                return;
            }
        }
    });
}

ASErr KZN_API ListNumberOfEntries(ListRef list, ASInt32* count) {
    return Serve(kList, "NumberOfEntries", [&](Host& host) {
        Out(count) = static_cast<ASInt32>(Dialogs(host).Get(list).entries.size());
    });
}

ASErr KZN_API ListGetActiveEntry(ListRef list, EntryRef* entry) {
    return Serve(kList, "GetActiveEntry", [&](Host& host) {
        const Entry* active = Dialogs(host).Get(list).active;
        Out(entry) = active ? active->ref : nullptr;
    });
}

ASErr KZN_API ListNumberOfSelectedEntries(ListRef list, ASInt32* count) {
    return Serve(kList, "NumberOfSelectedEntries", [&](Host& host) {
        ASInt32 n = 0;
        for (const Entry* e : Dialogs(host).Get(list).entries) {
            n += e->selected;
        }
        Out(count) = n;
    });
}

ASErr KZN_API ListIndexSelectedEntry(ListRef list, ASInt32 n, EntryRef* entry) {
    return Serve(kList, "IndexSelectedEntry", [&](Host& host) {
        EntryRef& out = Out(entry);
        out = nullptr;
        ASInt32 seen = 0;
        for (const Entry* e : Dialogs(host).Get(list).entries) {
            if (e->selected && seen++ == n) {
                out = e->ref;
                return;
            }
        }
        throw HostError(kBadArgumentErr, "the list has no selected entry " + std::to_string(n));
    });
}

// ADM Entry Suite.
constexpr const char kEntry[] = "ADM Entry Suite";

ASErr KZN_API EntryCreate(ListRef list, EntryRef* entry) {
    return Serve(kEntry, "Create", [&](Host& host) {
        EntryRef& out = Out(entry);
        out = nullptr;
        List& l = Dialogs(host).Get(list);
        out = Dialogs(host).InsertEntry(l, static_cast<int>(l.entries.size())).ref;
    });
}

// An entry that the host is destroying already (its destroy procedure is running) is left to
// that destruction.
ASErr KZN_API EntryDestroy(EntryRef entry) {
    return Serve(kEntry, "Destroy",
                 [&](Host& host) { Dialogs(host).DestroyEntry(Dialogs(host).Get(entry)); });
}

ASErr KZN_API EntryGetList(EntryRef entry, ListRef* list) {
    return Serve(kEntry, "GetList", [&](Host& host) {
        ListRef& out = Out(list);
        out = nullptr;
        out = Dialogs(host).Get(entry).list->ref;
    });
}

ASErr KZN_API EntryGetIndex(EntryRef entry, ASInt32* index) {
    return Serve(kEntry, "GetIndex", [&](Host& host) {
        const Entry& e = Dialogs(host).Get(entry);
        Out(index) = e.list->IndexOf(&e);
    });
}

ASErr KZN_API EntryGetUserData(EntryRef entry, UserData* data) {
    return Serve(kEntry, "GetUserData", [&](Host& host) {
        UserData& out = Out(data);
        out = nullptr;
        out = Dialogs(host).Get(entry).userData;
    });
}

ASErr KZN_API EntrySetUserData(EntryRef entry, UserData data) {
    return Serve(kEntry, "SetUserData",
                 [&](Host& host) { Dialogs(host).Get(entry).userData = data; });
}

ASErr KZN_API EntryGetText(EntryRef entry, char* text, ASInt32 maxLength) {
    return Serve(kEntry, "GetText",
                 [&](Host& host) { CopyText(Dialogs(host).Get(entry).text, text, maxLength); });
}

ASErr KZN_API EntrySetText(EntryRef entry, const char* text) {
    return Serve(kEntry, "SetText",
                 [&](Host& host) { Dialogs(host).Get(entry).text = TextOf(text); });
}

ASErr KZN_API EntryGetID(EntryRef entry, ASInt32* entryID) {
    return Serve(kEntry, "GetID", [&](Host& host) { Out(entryID) = Dialogs(host).Get(entry).id; });
}

ASErr KZN_API EntrySetID(EntryRef entry, ASInt32 entryID) {
    return Serve(kEntry, "SetID", [&](Host& host) { Dialogs(host).Get(entry).id = entryID; });
}

ASErr KZN_API EntrySelect(EntryRef entry, ASBoolean select) {
    return Serve(kEntry, "Select",
                 [&](Host& host) { Dialogs(host).Select(Dialogs(host).Get(entry), select != 0); });
}

ASErr KZN_API EntryIsSelected(EntryRef entry, ASBoolean* selected) {
    return Serve(kEntry, "IsSelected",
                 [&](Host& host) { Out(selected) = Dialogs(host).Get(entry).selected; });
}

ASErr KZN_API EntryActivate(EntryRef entry, ASBoolean activate) {
    return Serve(kEntry, "Activate", [&](Host& host) {
        Dialogs(host).Activate(Dialogs(host).Get(entry), activate != 0);
    });
}

ASErr KZN_API EntryIsActive(EntryRef entry, ASBoolean* active) {
    return Serve(kEntry, "IsActive", [&](Host& host) {
        const Entry& e = Dialogs(host).Get(entry);
        Out(active) = e.list->active == &e;
    });
}

ASErr KZN_API EntryInvalidate(EntryRef entry) {
    return Serve(kEntry, "Invalidate",
                 [&](Host& host) { ++Dialogs(host).Get(entry).invalidations; });
}

ASErr KZN_API EntryMakeInBounds(EntryRef entry) {
    return Serve(kEntry, "MakeInBounds",
                 [&](Host& host) { Dialogs(host).MakeInBounds(Dialogs(host).Get(entry)); });
}

// A row is painted in its own coordinates, and its bounds are given in them: what the entry's
// drawer paints at its bounds lands in the row. Where the row is shows only on the screen.
ASErr KZN_API EntryGetBoundsRect(EntryRef entry, ADMRect* bounds) {
    return Serve(kEntry, "GetBoundsRect",
                 [&](Host& host) { Out(bounds) = Dialogs(host).RowOf(Dialogs(host).Get(entry)); });
}

ASErr KZN_API EntryGetLocalRect(EntryRef entry, ADMRect* local) {
    return Serve(kEntry, "GetLocalRect",
                 [&](Host& host) { Out(local) = Dialogs(host).RowOf(Dialogs(host).Get(entry)); });
}

ASErr KZN_API EntryLocalToScreenRect(EntryRef entry, ADMRect* rect) {
    return Serve(kEntry, "LocalToScreenRect", [&](Host& host) {
        ADMRect& r = Out(rect);
        r = Dialogs(host).ScreenOf(Dialogs(host).Get(entry), r);
    });
}

ASErr KZN_API EntryDefaultDraw(EntryRef entry, DrawerRef drawer) {
    return Serve(kEntry, "DefaultDraw",
                 [&](Host& host) { Dialogs(host).DefaultDraw(Dialogs(host).Get(entry), drawer); });
}

ASErr KZN_API EntryDefaultTrack(EntryRef entry, TrackerRef tracker, ASBoolean* handled) {
    return Serve(kEntry, "DefaultTrack", [&](Host& host) {
        Out(handled) = false;
        Dialogs(host).Get(entry);
        Dialogs(host).Get(tracker);
    });
}

ASErr KZN_API EntryDefaultNotify(EntryRef entry, NotifierRef notifier) {
    return Serve(kEntry, "DefaultNotify", [&](Host& host) {
        Dialogs(host).Get(notifier);
        Dialogs(host).DefaultNotify(Dialogs(host).Get(entry), notifier);
    });
}

// ADM Drawer Suite.
constexpr const char kDrawer[] = "ADM Drawer Suite";
using Op = DrawOp::Kind;

ASErr KZN_API DrawerGetBoundsRect(DrawerRef drawer, ADMRect* bounds) {
    return Serve(kDrawer, "GetBoundsRect",
                 [&](Host& host) { Out(bounds) = Dialogs(host).Get(drawer).bounds; });
}

ASErr KZN_API DrawerGetOrigin(DrawerRef drawer, ADMPoint* origin) {
    return Serve(kDrawer, "GetOrigin",
                 [&](Host& host) { Out(origin) = Dialogs(host).Get(drawer).origin; });
}

ASErr KZN_API DrawerGetPortRef(DrawerRef drawer, PortRef* port) {
    return Serve(kDrawer, "GetPortRef",
                 [&](Host& host) { Out(port) = Dialogs(host).Get(drawer).port; });
}

ASErr KZN_API DrawerSetADMColor(DrawerRef drawer, ASInt32 color) {
    return Serve(kDrawer, "SetADMColor", [&](Host& host) {
        Dialogs(host).Get(drawer).color = color;
        Record(host, drawer, {Op::Color, color, {}, {}, {}, {}, nullptr, {}, {}});
    });
}

ASErr KZN_API DrawerFillRect(DrawerRef drawer, const ADMRect* rect) {
    return Serve(kDrawer, "FillRect", [&](Host& host) {
        Record(host, drawer, {Op::Fill, 0, RectOf(rect), {}, {}, {}, nullptr, {}, {}});
    });
}

ASErr KZN_API DrawerFrameRect(DrawerRef drawer, const ADMRect* rect) {
    return Serve(kDrawer, "FrameRect", [&](Host& host) {
        Record(host, drawer, {Op::Frame, 0, RectOf(rect), {}, {}, {}, nullptr, {}, {}});
    });
}

ASErr KZN_API DrawerDrawLine(DrawerRef drawer, const ADMPoint* from, const ADMPoint* to) {
    return Serve(kDrawer, "DrawLine", [&](Host& host) {
        if (from == nullptr || to == nullptr) {
            throw HostError(kBadArgumentErr, "a line needs two points");
        }
        Record(host, drawer, {Op::Line, 0, {}, *from, *to, {}, nullptr, {}, {}});
    });
}

ASErr KZN_API DrawerDrawTextLeft(DrawerRef drawer, const char* text, const ADMRect* rect) {
    return Serve(kDrawer, "DrawTextLeft", [&](Host& host) {
        Record(host, drawer, {Op::Text, 0, RectOf(rect), {}, {}, TextOf(text), nullptr, {}, {}});
    });
}

// Text is measured at 6 pixels a byte: a double-byte character is twice as wide.
ASErr KZN_API DrawerGetTextWidth(DrawerRef drawer, const char* text, ASInt32* width) {
    return Serve(kDrawer, "GetTextWidth", [&](Host& host) {
        Dialogs(host).Get(drawer);
        Out(width) = static_cast<ASInt32>(TextOf(text).size() * 6);
    });
}

ASErr KZN_API DrawerDrawADMImage(DrawerRef drawer, ImageRef image, const ADMPoint* topLeft) {
    return Serve(kDrawer, "DrawADMImage", [&](Host& host) {
        const Image& source = Dialogs(host).Get(image);
        if (topLeft == nullptr) {
            throw HostError(kBadArgumentErr, "no point to draw the image at");
        }
        auto copy =
            std::make_shared<ImageCopy>(ImageCopy{source.width, source.height, source.painted});
        Record(host, drawer, {Op::Image, 0, {}, *topLeft, {}, {}, image, {}, std::move(copy)});
    });
}

ASErr KZN_API DrawerDrawSunkenRect(DrawerRef drawer, const ADMRect* rect) {
    return Serve(kDrawer, "DrawSunkenRect", [&](Host& host) {
        Record(host, drawer, {Op::Sunken, 0, RectOf(rect), {}, {}, {}, nullptr, {}, {}});
    });
}

// ADM Image Suite.
constexpr const char kImage[] = "ADM Image Suite";

ASErr KZN_API ImageCreate(ASInt32 width, ASInt32 height, ImageRef* image) {
    return Serve(kImage, "Create", [&](Host& host) {
        ImageRef& out = Out(image);
        out = nullptr;
        out = Dialogs(host).CreateImage(width, height);
    });
}

ASErr KZN_API ImageDestroy(ImageRef image) {
    return Serve(kImage, "Destroy", [&](Host& host) { Dialogs(host).DestroyImage(image); });
}

ASErr KZN_API ImageBeginADMDrawer(ImageRef image, DrawerRef* drawer) {
    return Serve(kImage, "BeginADMDrawer", [&](Host& host) {
        DrawerRef& out = Out(drawer);
        out = nullptr;
        out = Dialogs(host).BeginDrawing(Dialogs(host).Get(image));
    });
}

ASErr KZN_API ImageEndADMDrawer(ImageRef image) {
    return Serve(kImage, "EndADMDrawer",
                 [&](Host& host) { Dialogs(host).EndDrawing(Dialogs(host).Get(image)); });
}

// ADM Tracker Suite.
ASErr KZN_API TrackerGetAction(TrackerRef tracker, ASInt32* action) {
    return Serve("ADM Tracker Suite", "GetAction",
                 [&](Host& host) { Out(action) = Dialogs(host).Get(tracker).action; });
}

// ADM Notifier Suite.
constexpr const char kNotifier[] = "ADM Notifier Suite";

ASErr KZN_API NotifierGetItem(NotifierRef notifier, ItemRef* item) {
    return Serve(kNotifier, "GetItem", [&](Host& host) {
        ItemRef& out = Out(item);
        out = nullptr;
        out = Dialogs(host).Get(notifier).item;
    });
}

ASErr KZN_API NotifierGetDialog(NotifierRef notifier, DialogRef* dialog) {
    return Serve(kNotifier, "GetDialog", [&](Host& host) {
        DialogRef& out = Out(dialog);
        out = nullptr;
        out = Dialogs(host).Get(notifier).dialog;
    });
}

ASErr KZN_API NotifierGetType(NotifierRef notifier, char* type, ASInt32 maxLength) {
    return Serve(kNotifier, "GetNotifierType", [&](Host& host) {
        CopyText("", type, maxLength);
        CopyText(Dialogs(host).Get(notifier).type, type, maxLength);
    });
}

}  // namespace

const ADMBasicSuite kADMBasicTable = {GetIndexString};

const ADMDialogSuite kADMDialogTable = {
    DialogCreate,         DialogModal,        DialogDestroy,      DialogGetUserData,
    DialogSetUserData,    DialogSetDrawProc,  DialogSetTrackProc, DialogSetNotifyProc,
    DialogSetDestroyProc, DialogDefaultDraw,  DialogDefaultTrack, DialogDefaultNotify,
    DialogGetItem,        DialogGetWindowRef,
};

const ADMItemSuite kADMItemTable = {
    ItemCreate,
    ItemDestroy,
    ItemGetUserData,
    ItemSetUserData,
    ItemSetDrawProc,
    ItemSetTrackProc,
    ItemSetNotifyProc,
    ItemSetDestroyProc,
    ItemSetTextToFloatProc,
    ItemSetFloatToTextProc,
    ItemDefaultDraw,
    ItemDefaultTrack,
    ItemDefaultNotify,
    ItemDefaultTextToFloat,
    ItemDefaultFloatToText,
    ItemGetID,
    ItemGetDialog,
    ItemGetList,
    ItemGetText,
    ItemSetText,
    ItemSetTipString,
    ItemSetPictureID,
    ItemGetItemStyle,
    ItemSetItemStyle,
    ItemEnable,
    ItemIsEnabled,
    ItemActivate,
    ItemIsActive,
    ItemGetBooleanValue,
    ItemSetBooleanValue,
    ItemInvalidate,
};

const ADMListSuite kADMListTable = {
    ListGetUserData,
    ListSetUserData,
    ListGetItem,
    ListSetDrawProc,
    ListSetTrackProc,
    ListSetNotifyProc,
    ListSetDestroyProc,
    ListInsertEntry,
    ListRemoveEntry,
    ListIndexEntry,
    ListFindEntry,
    ListNumberOfEntries,
    ListGetActiveEntry,
    ListNumberOfSelectedEntries,
    ListIndexSelectedEntry,
};

const ADMEntrySuite kADMEntryTable = {
    EntryCreate,
    EntryDestroy,
    EntryGetList,
    EntryGetIndex,
    EntryGetUserData,
    EntrySetUserData,
    EntryGetText,
    EntrySetText,
    EntryGetID,
    EntrySetID,
    EntrySelect,
    EntryIsSelected,
    EntryActivate,
    EntryIsActive,
    EntryInvalidate,
    EntryMakeInBounds,
    EntryGetBoundsRect,
    EntryGetLocalRect,
    EntryLocalToScreenRect,
    EntryDefaultDraw,
    EntryDefaultTrack,
    EntryDefaultNotify,
};

const ADMDrawerSuite kADMDrawerTable = {
    DrawerGetBoundsRect, DrawerGetOrigin,    DrawerGetPortRef,     DrawerSetADMColor,
    DrawerFillRect,      DrawerFrameRect,    DrawerDrawLine,       DrawerDrawTextLeft,
    DrawerGetTextWidth,  DrawerDrawADMImage, DrawerDrawSunkenRect,
};

const ADMImageSuite kADMImageTable = {ImageCreate, ImageDestroy, ImageBeginADMDrawer,
                                      ImageEndADMDrawer};

const ADMTrackerSuite kADMTrackerTable = {TrackerGetAction};

const ADMNotifierSuite kADMNotifierTable = {NotifierGetItem, NotifierGetDialog, NotifierGetType};

}  // namespace subhost
