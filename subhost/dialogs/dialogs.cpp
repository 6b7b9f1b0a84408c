#include "subhost/dialogs/dialogs.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>

#include "subhost/error.h"
#include "subhost/host.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

constexpr std::uint32_t kDisabledStyle = 0x08000000;

bool SameClass(const std::string& a, const char* b) {
    // Window class names are compared without regard to case, as Windows does.
    return strcasecmp(a.c_str(), b) == 0;
}

std::string ShowRect(const ADMRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
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
    if (SameClass(item.className, "STATIC")) {
        return ItemKind::Static;
    }
    if (SameClass(item.className, "EDIT")) {
        return ItemKind::Edit;
    }
    if (SameClass(item.className, "LISTBOX")) {
        return ItemKind::ListBox;
    }
    return KindOfType(item.className);
}

ItemKind KindOfType(const std::string& type) {
    if (SameClass(type, kADMPopupListType)) {
        return ItemKind::PopupList;
    }
    if (SameClass(type, kADMListBoxType)) {
        return ItemKind::AdmListBox;
    }
    if (SameClass(type, kADMPictureButtonType)) {
        return ItemKind::PictureButton;
    }
    if (SameClass(type, kADMTextEditType)) {
        return ItemKind::Edit;
    }
    if (SameClass(type, kADMTextStaticType)) {
        return ItemKind::Static;
    }
    if (SameClass(type, kADMTextPushButtonType)) {
        return ItemKind::PushButton;
    }
    return ItemKind::Other;
}

const char* KindName(ItemKind kind) {
    switch (kind) {
        case ItemKind::PushButton:
            return "push button";
        case ItemKind::DefaultButton:
            return "default push button";
        case ItemKind::CheckBox:
            return "check box";
        case ItemKind::RadioButton:
            return "radio button";
        case ItemKind::GroupBox:
            return "group box";
        case ItemKind::Static:
            return "static text";
        case ItemKind::Edit:
            return "edit text";
        case ItemKind::ListBox:
            return "list box";
        case ItemKind::PopupList:
            return "popup list";
        case ItemKind::AdmListBox:
            return "list box";
        case ItemKind::PictureButton:
            return "picture push button";
        case ItemKind::Other:
            break;
    }
    return "item of unknown kind";
}

bool HasList(ItemKind kind) {
    return kind == ItemKind::ListBox || kind == ItemKind::AdmListBox || kind == ItemKind::PopupList;
}

namespace {

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::string ShowPixels(const PixelRect& r) {
    return "(" + Number(r.left) + "," + Number(r.top) + ")-(" + Number(r.right) + "," +
           Number(r.bottom) + ")";
}

std::string ShowArtDrawing(const ArtDrawing& d) {
    const AIDrawArtData& q = d.request;
    std::string text =
        "art origin (" + Number(q.origin.h) + "," + Number(q.origin.v) + ") matrix [" +
        Number(q.matrix.a) + " " + Number(q.matrix.b) + " " + Number(q.matrix.c) + " " +
        Number(q.matrix.d) + " " + Number(q.matrix.tx) + " " + Number(q.matrix.ty) + "] clip (" +
        Number(q.destClipRect.left) + "," + Number(q.destClipRect.top) + "," +
        Number(q.destClipRect.right) + "," + Number(q.destClipRect.bottom) + ") port (" +
        std::to_string(q.portBounds.left) + "," + std::to_string(q.portBounds.top) + ") -> ";
    text += d.anything ? "pixels " + ShowPixels(d.placed) : "nothing";
    return text + " clipped to " + ShowPixels(d.clip);
}

}  // namespace

std::string DrawOp::Show() const {
    switch (kind) {
        case Kind::Color:
            return "colour " + std::to_string(color);
        case Kind::Fill:
            return "fill " + ShowRect(rect) + " colour " + std::to_string(color);
        case Kind::Frame:
            return "frame " + ShowRect(rect) + " colour " + std::to_string(color);
        case Kind::Sunken:
            return "sunken frame " + ShowRect(rect);
        case Kind::Line:
            return "line (" + std::to_string(from.h) + "," + std::to_string(from.v) + ")-(" +
                   std::to_string(to.h) + "," + std::to_string(to.v) + ") colour " +
                   std::to_string(color);
        case Kind::Text:
            return "text \"" + ShowSjis(text) + "\" in " + ShowRect(rect) + " colour " +
                   std::to_string(color);
        case Kind::Image:
            return "image at (" + std::to_string(from.h) + "," + std::to_string(from.v) + ")";
        case Kind::Art:
            return art ? ShowArtDrawing(*art) : "art";
    }
    return "?";
}

void List::Renumber() const {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i]->position = i;
    }
    removedFromFront_ = 0;
    numbered_ = true;
}

int List::IndexOf(const Entry* entry) const {
    if (entry == nullptr || entry->list != this) {
        return -1;
    }
    if (!numbered_) {
        Renumber();
    }
    const std::size_t index = entry->position - removedFromFront_;
    if (entry->position < removedFromFront_ || index >= entries.size() || entries[index] != entry) {
        return -1;
    }
    return static_cast<int>(index);
}

void List::Append(Entry* entry) {
    entry->position = removedFromFront_ + entries.size();
    entries.push_back(entry);
}

void List::Insert(std::size_t index, Entry* entry) {
    if (index >= entries.size()) {
        Append(entry);
        return;
    }
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(index), entry);
    numbered_ = false;
}

void List::Remove(Entry* entry) {
    if (!entries.empty() && entries.front() == entry) {
        entries.pop_front();
        ++removedFromFront_;
    } else if (!entries.empty() && entries.back() == entry) {
        entries.pop_back();
    } else if (const int index = IndexOf(entry); index >= 0) {
        entries.erase(entries.begin() + index);
        numbered_ = false;
    }
}

Item* Dialog::FindItem(int id) const {
    for (Item* item : items) {
        if (item->id() == id) {
            return item;
        }
    }
    return nullptr;
}

DialogManager::~DialogManager() = default;

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

Dialog& DialogManager::Build(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                             bool modal, UserData data) {
    const DialogTemplate* source = host_.module().Dialog(id);
    if (source == nullptr) {
        throw HostError(kNoResourceErr, "the module has no dialog template " + std::to_string(id));
    }
    auto dialog = std::make_unique<Dialog>();
    dialog->plugin = plugin;
    dialog->name = name ? name : "";
    dialog->resourceId = id;
    dialog->style = style;
    dialog->modal = modal;
    dialog->source = source;
    dialog->userData = data;
    Dialog& d = *dialog;
    d.ref = dialogs_.Add(std::move(dialog));
    for (const ItemTemplate& t : source->items) {
        AddItem(d, t, KindOf(t));
    }
    d.run = runs_.size();
    runs_.push_back({d.name, id, style, modal, plugin, kNoErr, 0, false, 0});
    return d;
}

ASInt32 DialogManager::Modal(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                             DialogInitProc init, UserData data) {
    Dialog& d = Build(plugin, name, id, style, true, data);
    const std::size_t run = d.run;
    // The dialog opens whatever its init procedure reported; the result is only recorded.
    runs_[run].initResult = init ? init(d.ref) : kNoErr;

    d.open = true;
    Notify(d, nullptr, kShowWindowNotifier);

    std::optional<DialogScript> script;
    if (!scripts_.empty()) {
        script = std::move(scripts_.front());
        scripts_.pop_front();
    }
    scriptError_.clear();
    cancelledOpen_ = false;
    if (d.open && script) {
        DialogSession session(*this, d);
        try {
            (*script)(session);
        } catch (const ActionError& e) {
            scriptError_ = e.what();
        }
        cancelledOpen_ = d.open && scriptError_.empty();
    }
    // A dialog still open is cancelled as a person would: by its cancel button, and closed by
    // the host when the module does not let that close it.
    if (d.open) {
        if (Item* cancel = d.FindItem(kCancelItemID); cancel != nullptr && cancel->enabled) {
            Notify(d, cancel, kUserChangedNotifier);
        }
        if (d.open) {
            d.open = false;
            d.itemHit = kCancelItemID;
        }
    }
    const ASInt32 itemHit = d.itemHit;
    runs_[run].itemHit = itemHit;
    Finish(d);
    runs_[run].callsWhenClosed = host_.calls().size();
    return itemHit;
}

DialogRef DialogManager::Create(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                                DialogInitProc init, UserData data) {
    Dialog& d = Build(plugin, name, id, style, false, data);
    runs_[d.run].initResult = init ? init(d.ref) : kNoErr;
    d.open = true;
    Notify(d, nullptr, kShowWindowNotifier);
    return d.ref;
}

void DialogManager::Destroy(DialogRef ref) {
    Dialog& d = Get(ref);
    if (d.modal) {
        throw HostError(kBadArgumentErr, "a modal dialog ends with its modal run");
    }
    if (d.finishing) {
        throw HostError(kBadArgumentErr, "the dialog is being destroyed already");
    }
    Finish(d);
}

void DialogManager::Close(DialogRef ref) {
    Dialog& d = Get(ref);
    if (d.modal) {
        throw ActionError("a modal dialog is closed by its own buttons");
    }
    Finish(d);
}

// The dialog is told first, then its items, each after the entries of its list, as windows are
// destroyed parent first. Every destroy procedure runs once.
void DialogManager::Finish(Dialog& d) {
    if (d.finishing) {
        return;
    }
    d.finishing = true;
    d.open = false;
    if (d.destroy != nullptr) {
        d.destroy(d.ref);
    }
    const std::vector<Item*> items = d.items;
    for (Item* item : items) {
        DestroyItem(*item);
    }
    runs_[d.run].destroyed = true;
    dialogs_.Remove(d.ref);
}

ItemRef DialogManager::CreateItem(Dialog& d, ASInt32 id, const std::string& type,
                                  const ADMRect& bounds, ItemInitProc init, UserData data) {
    ItemTemplate source;
    source.id = static_cast<std::uint16_t>(id);
    source.className = type;
    source.style = 0x50000000;
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

Entry& DialogManager::InsertEntry(List& list, int index) {
    auto entry = std::make_unique<Entry>();
    entry->list = &list;
    Entry& e = *entry;
    e.ref = entries_.Add(std::move(entry));
    list.Insert(static_cast<std::size_t>(std::max(index, 0)), &e);
    return e;
}

void DialogManager::DestroyEntry(Entry& entry) {
    if (entry.destroying) {
        return;
    }
    entry.destroying = true;
    const EntryRef ref = entry.ref;
    List& list = *entry.list;
    if (list.destroy != nullptr) {
        list.destroy(ref);
    }
    list.Remove(&entry);
    if (list.active == &entry) {
        list.active = nullptr;
    }
    entries_.Remove(ref);
}

// Lists take one selected entry at a time, and the selected entry is the active one.
void DialogManager::Select(Entry& entry, bool select) {
    List& list = *entry.list;
    if (select) {
        // Only the active entry can be selected.
        if (list.active != nullptr) {
            list.active->selected = false;
        }
        entry.selected = true;
        list.active = &entry;
    } else {
        entry.selected = false;
        if (list.active == &entry) {
            list.active = nullptr;
        }
    }
}

void DialogManager::Activate(Entry& entry, bool activate) {
    Select(entry, activate);
}

ADMRect DialogManager::BoundsOf(const Entry& entry) const {
    const List& list = *entry.list;
    const Item& item = *list.item;
    const int top = list.IndexOf(&entry) * kRowHeight - list.scrollTop;
    return {0, top, item.bounds.right - item.bounds.left, top + kRowHeight};
}

ADMRect DialogManager::RowOf(const Entry& entry) const {
    const ADMRect r = BoundsOf(entry);
    return {0, 0, r.right - r.left, r.bottom - r.top};
}

bool DialogManager::Visible(const Entry& entry) const {
    const ADMRect r = BoundsOf(entry);
    const Item& item = *entry.list->item;
    return r.bottom > 0 && r.top < item.bounds.bottom - item.bounds.top;
}

void DialogManager::MakeInBounds(Entry& entry) {
    List& list = *entry.list;
    const int height = list.item->bounds.bottom - list.item->bounds.top;
    const int top = list.IndexOf(&entry) * kRowHeight;
    if (top < list.scrollTop) {
        list.scrollTop = top;
    } else if (top + kRowHeight > list.scrollTop + height) {
        list.scrollTop = top + kRowHeight - height;
    }
}

ADMRect DialogManager::ScreenOf(const Entry& entry, const ADMRect& local) const {
    const Item& item = *entry.list->item;
    const ADMRect row = BoundsOf(entry);
    const int h = kDialogOrigin.h + item.bounds.left + row.left;
    const int v = kDialogOrigin.v + item.bounds.top + row.top;
    return {local.left + h, local.top + v, local.right + h, local.bottom + v};
}

DrawerRef DialogManager::NewDrawer(const ADMRect& bounds, DisplayList* record) {
    auto drawer = std::make_unique<Drawer>();
    drawer->bounds = bounds;
    drawer->record = record;
    drawer->port = reinterpret_cast<PortRef>(detail::NextHandleValue());
    return drawers_.Add(std::move(drawer));
}

Drawer& DialogManager::DrawerOfPort(PortRef port) const {
    Drawer* drawer = port == nullptr
                         ? nullptr
                         : drawers_.FindIf([&](const Drawer& d) { return d.port == port; });
    if (drawer == nullptr) {
        throw HostError(kBadArgumentErr, "no drawer paints through this port");
    }
    return *drawer;
}

void DialogManager::DisposeDrawer(DrawerRef drawer) {
    drawers_.Remove(drawer);
}

ImageRef DialogManager::CreateImage(int width, int height) {
    if (width <= 0 || height <= 0) {
        throw HostError(kBadArgumentErr, "an image needs a width and a height");
    }
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    Image& i = *image;
    i.ref = images_.Add(std::move(image));
    return i.ref;
}

void DialogManager::DestroyImage(ImageRef ref) {
    Image& image = Get(ref);
    if (image.drawer != nullptr) {
        DisposeDrawer(image.drawer);
    }
    images_.Remove(ref);
}

DrawerRef DialogManager::BeginDrawing(Image& image) {
    if (image.drawer != nullptr) {
        throw HostError(kBadArgumentErr, "the image is being drawn into already");
    }
    image.drawer = NewDrawer({0, 0, image.width, image.height}, &image.painted);
    return image.drawer;
}

void DialogManager::EndDrawing(Image& image) {
    if (image.drawer == nullptr) {
        throw HostError(kBadArgumentErr, "the image is not being drawn into");
    }
    DisposeDrawer(image.drawer);
    image.drawer = nullptr;
}

void DialogManager::Paint(List& list) {
    const ListRef listRef = list.ref;
    std::vector<EntryRef> rows;
    // The rows from the first one that reaches below the top.
    const auto first = static_cast<std::size_t>(std::max(list.scrollTop, 0) / kRowHeight);
    for (std::size_t i = first; i < list.entries.size() && Visible(*list.entries[i]); ++i) {
        rows.push_back(list.entries[i]->ref);
    }
    for (EntryRef ref : rows) {
        Entry* entry = entries_.Find(ref);
        List* still = lists_.Find(listRef);
        if (entry == nullptr || still == nullptr) {
            continue;  // a draw procedure removed it
        }
        entry->painted.clear();
        const DrawerRef drawer = NewDrawer(RowOf(*entry), &entry->painted);
        if (still->draw != nullptr) {
            still->draw(ref, drawer);
        } else {
            DefaultDraw(*entry, drawer);
        }
        DisposeDrawer(drawer);
    }
}

void DialogManager::DefaultDraw(Entry& entry, DrawerRef ref) {
    Drawer& drawer = Get(ref);
    const bool enabled = entry.list->item->enabled;
    const ASInt32 background = entry.selected && enabled ? kADMHiliteColor : kADMWhiteColor;
    const ASInt32 foreground = !enabled         ? kADMDisabledColor
                               : entry.selected ? kADMHiliteTextColor
                                                : kADMTextColor;
    drawer.record->push_back(
        {DrawOp::Kind::Fill, background, drawer.bounds, {}, {}, {}, nullptr, {}, {}});
    drawer.record->push_back(
        {DrawOp::Kind::Text, foreground, drawer.bounds, {}, {}, entry.text, nullptr, {}, {}});
}

void DialogManager::Notify(Dialog& d, Item* item, const char* type, Entry* entry) {
    const DialogRef dialogRef = d.ref;
    const NotifierRef ref = notifiers_.Add(std::make_unique<Notifier>(
        Notifier{dialogRef, item ? item->ref : nullptr, entry ? entry->ref : nullptr, type}));
    if (entry != nullptr) {
        List& list = *entry->list;
        if (list.notify != nullptr) {
            list.notify(entry->ref, ref);
        } else {
            DefaultNotify(*entry, ref);
        }
    } else if (item != nullptr) {
        NotifyItem(*item, ref);
    } else {
        NotifyDialog(d, ref);
    }
    notifiers_.Remove(ref);
    // A non-modal dialog that its OK or cancel closed goes once the notification is over (the
    // module may also have destroyed it meanwhile).
    Dialog* still = dialogs_.Find(dialogRef);
    if (still != nullptr && !still->modal && !still->open && !still->finishing) {
        Finish(*still);
    }
}

void DialogManager::NotifyDialog(Dialog& d, NotifierRef notifier) {
    if (d.notify != nullptr) {
        d.notify(d.ref, notifier);
    } else {
        DefaultNotify(d, Get(notifier));
    }
}

void DialogManager::NotifyItem(Item& item, NotifierRef notifier) {
    if (item.notify != nullptr) {
        item.notify(item.ref, notifier);
    } else {
        DefaultNotify(item, notifier);
    }
}

void DialogManager::DefaultNotify(Dialog& d, const Notifier& notifier) {
    if (notifier.type != kUserChangedNotifier || notifier.item == nullptr) {
        return;
    }
    const Item* item = items_.Find(notifier.item);
    if (item == nullptr) {
        return;
    }
    if (item->id() == kOKItemID || item->id() == kCancelItemID) {
        d.itemHit = item->id();
        d.open = false;
    }
}

// An item passes what it does not handle on to its dialog; an entry to its item.
void DialogManager::DefaultNotify(Item& item, NotifierRef notifier) {
    NotifyDialog(*item.dialog, notifier);
}

void DialogManager::DefaultNotify(Entry& entry, NotifierRef notifier) {
    NotifyItem(*entry.list->item, notifier);
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
