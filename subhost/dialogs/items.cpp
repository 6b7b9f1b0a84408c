// Dialog items: their kinds and names, where a template puts them, and what the item suite
// does with them.
#include <strings.h>

#include <algorithm>
#include <iterator>

#include "subhost/dialogs/dialogs.h"
#include "subhost/error.h"

namespace subhost {
namespace {

// Window styles of an item: WS_DISABLED; WS_CHILD | WS_VISIBLE, the style of an item the module
// creates rather than a template gives.
constexpr std::uint32_t kDisabledStyle = 0x08000000;
constexpr std::uint32_t kVisibleChildStyle = 0x50000000;

bool SameClass(const std::string& a, const char* b) {
    // Window class names are compared without regard to case, as Windows does.
    return strcasecmp(a.c_str(), b) == 0;
}

struct NamedKind {
    const char* name;
    ItemKind kind;
};
// The kinds of the window classes other than buttons (whose style tells their kind), and of the
// item types the dialog manager creates.
constexpr NamedKind kWindowClasses[] = {
    {"STATIC", ItemKind::Static},
    {"EDIT", ItemKind::Edit},
    {"LISTBOX", ItemKind::ListBox},
};
constexpr NamedKind kItemTypes[] = {
    {kADMPopupListType, ItemKind::PopupList},
    {kADMListBoxType, ItemKind::AdmListBox},
    {kADMPictureButtonType, ItemKind::PictureButton},
    {kADMTextEditType, ItemKind::Edit},
    {kADMTextStaticType, ItemKind::Static},
    {kADMTextPushButtonType, ItemKind::PushButton},
};

// The kind NAME has in TABLE, null when it has none.
template <std::size_t N>
const ItemKind* Named(const NamedKind (&table)[N], const std::string& name) {
    for (const NamedKind& named : table) {
        if (SameClass(name, named.name)) {
            return &named.kind;
        }
    }
    return nullptr;
}

}  // namespace

BaseUnits BaseUnitsOf(const DialogTemplate* source) {
    if (source != nullptr && source->pointSize == 9) {
        return {6, 12};
    }
    return {6, 13};
}

ADMRect ToPixels(const DialogRect& r, BaseUnits units) {
    return {r.x * units.x / 4, r.y * units.y / 8, (r.x + r.width) * units.x / 4,
            (r.y + r.height) * units.y / 8};
}

ItemKind KindOf(const ItemTemplate& item) {
    if (SameClass(item.className, "BUTTON")) {
        switch (item.style & 0x0F) {
            case 0x0:
                return ItemKind::PushButton;
            case 0x1:
                return ItemKind::DefaultButton;
            case 0x2:
            case 0x3:
            case 0x5:
            case 0x6:
                return ItemKind::CheckBox;
            case 0x4:
            case 0x9:
                return ItemKind::RadioButton;
            case 0x7:
                return ItemKind::GroupBox;
            default:
                return ItemKind::Other;
        }
    }
    if (const ItemKind* kind = Named(kWindowClasses, item.className)) {
        return *kind;
    }
    return KindOfType(item.className);
}

ItemKind KindOfType(const std::string& type) {
    const ItemKind* kind = Named(kItemTypes, type);
    return kind != nullptr ? *kind : ItemKind::Other;
}

namespace {

// The names of each kind: for people (in messages), and the short one the page builds its
// control by.
struct KindNames {
    ItemKind kind;
    const char* name;
    const char* shortName;
};
constexpr KindNames kKindNames[] = {{ItemKind::PushButton, "push button", "button"},
                                    {ItemKind::DefaultButton, "default push button", "default"},
                                    {ItemKind::CheckBox, "check box", "check"},
                                    {ItemKind::RadioButton, "radio button", "radio"},
                                    {ItemKind::PictureButton, "picture push button", "picture"},
                                    {ItemKind::GroupBox, "group box", "group"},
                                    {ItemKind::Static, "static text", "static"},
                                    {ItemKind::Edit, "edit text", "edit"},
                                    {ItemKind::ListBox, "list box", "list"},
                                    {ItemKind::AdmListBox, "list box", "list"},
                                    {ItemKind::PopupList, "popup list", "popup"},
                                    {ItemKind::Other, "item of unknown kind", "other"}};

const KindNames& NamesOf(ItemKind kind) {
    for (const KindNames& names : kKindNames) {
        if (names.kind == kind) {
            return names;
        }
    }
    return kKindNames[std::size(kKindNames) - 1];
}

}  // namespace

const char* KindName(ItemKind kind) {
    return NamesOf(kind).name;
}

const char* ShortKindName(ItemKind kind) {
    return NamesOf(kind).shortName;
}

bool HasList(ItemKind kind) {
    return kind == ItemKind::ListBox || kind == ItemKind::AdmListBox || kind == ItemKind::PopupList;
}

Item& DialogManager::AddItem(Dialog& d, const ItemTemplate& source, ItemKind kind) {
    auto item = std::make_unique<Item>();
    item->dialog = &d;
    item->source = source;
    item->kind = kind;
    item->bounds = ToPixels(source.rect, BaseUnitsOf(d.source));
    item->text = source.text;
    item->enabled = (source.style & kDisabledStyle) == 0;
    Item& added = *item;
    added.ref = items_.Add(std::move(item));
    if (HasList(kind)) {
        auto list = std::make_unique<List>();
        list->item = &added;
        List& l = *list;
        l.ref = lists_.Add(std::move(list));
        added.list = &l;
    }
    d.items.push_back(&added);
    return added;
}

ItemRef DialogManager::CreateItem(Dialog& d, ASInt32 id, const std::string& type,
                                  const ADMRect& bounds, ItemInitProc init, UserData data) {
    ItemTemplate source;
    source.id = static_cast<std::uint16_t>(id);
    source.className = type;
    source.style = kVisibleChildStyle;
    Item& item = AddItem(d, source, KindOfType(type));
    item.bounds = bounds;
    item.userData = data;
    const ItemRef ref = item.ref;
    const ASErr result = init ? init(ref) : kNoErr;
    if (result != kNoErr) {
        if (Item* still = items_.Find(ref)) {
            DestroyItem(*still);
        }
        throw HostError(result, "the item's init procedure failed; the item was not made");
    }
    return ref;
}

void DialogManager::DestroyItem(Item& item) {
    if (item.destroying) {
        return;
    }
    item.destroying = true;
    if (List* list = item.list) {
        const std::vector<Entry*> entries(list->entries.begin(), list->entries.end());
        for (Entry* entry : entries) {
            DestroyEntry(*entry);
        }
        lists_.Remove(list->ref);
        item.list = nullptr;
    }
    if (item.destroy != nullptr) {
        item.destroy(item.ref);
    }
    Dialog& d = *item.dialog;
    d.items.erase(std::remove(d.items.begin(), d.items.end(), &item), d.items.end());
    if (d.focus == &item) {
        d.focus = nullptr;
    }
    items_.Remove(item.ref);
}

void DialogManager::NotifyItem(Item& item, NotifierRef notifier) {
    if (item.notify != nullptr) {
        item.notify(item.ref, notifier);
    } else {
        DefaultNotify(item, notifier);
    }
}

// An item passes what it does not handle on to its dialog.
void DialogManager::DefaultNotify(Item& item, NotifierRef notifier) {
    NotifyDialog(*item.dialog, notifier);
}

// The default tracking of an edit applies what the person typed.
bool DialogManager::DefaultTrack(Item& item, Tracker& tracker) {
    if (!tracker.typed) {
        return false;
    }
    item.text = *tracker.typed;
    tracker.typed.reset();
    return true;
}

void DialogManager::SetBooleanValue(Item& item, bool value) {
    item.booleanValue = value;
}

}  // namespace subhost
