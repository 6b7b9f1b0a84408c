#include "dialogs.h"

#include <strings.h>

#include "error.h"
#include "host.h"

namespace subhost {
namespace {

constexpr std::uint32_t kDisabledStyle = 0x08000000;

bool SameClass(const std::string& a, const char* b) {
    // Window class names are compared without regard to case, as Windows does.
    return strcasecmp(a.c_str(), b) == 0;
}

bool IsButton(ItemKind kind) {
    switch (kind) {
        case ItemKind::PushButton:
        case ItemKind::DefaultButton:
        case ItemKind::CheckBox:
        case ItemKind::RadioButton:
        case ItemKind::PictureButton:
            return true;
        default:
            return false;
    }
}

}  // namespace

ItemKind KindOf(const ItemTemplate& item) {
    if (SameClass(item.className, "ADM Popup List Type")) {
        return ItemKind::PopupList;
    }
    if (SameClass(item.className, "ADM List Box Type")) {
        return ItemKind::AdmListBox;
    }
    if (SameClass(item.className, "ADM Picture Push Button Type")) {
        return ItemKind::PictureButton;
    }
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
            return "list box (dialog manager)";
        case ItemKind::PictureButton:
            return "picture push button";
        case ItemKind::Other:
            break;
    }
    return "other";
}

Item* Dialog::FindItem(int id) const {
    for (const auto& item : items) {
        if (item->source.id == id) {
            return item;
        }
    }
    return nullptr;
}

DialogManager::~DialogManager() = default;

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
        auto item = std::make_unique<Item>();
        item->dialog = &d;
        item->source = t;
        item->kind = KindOf(t);
        item->text = t.text;
        item->enabled = (t.style & kDisabledStyle) == 0;
        Item* added = item.get();
        added->ref = items_.Add(std::move(item));
        d.items.push_back(added);
    }
    d.run = runs_.size();
    runs_.push_back({d.name, id, style, modal, plugin, kNoErr, 0, false});
    return d;
}

ASInt32 DialogManager::Modal(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                             DialogInitProc init, UserData data) {
    Dialog& d = Build(plugin, name, id, style, true, data);
    const std::size_t run = d.run;
    const ASErr initResult = init ? init(d.ref) : kNoErr;
    runs_[run].initResult = initResult;
    if (initResult != kNoErr) {
        Finish(d);
        throw HostError(initResult, "the dialog's init procedure failed; the dialog was not shown");
    }

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
    const ASErr initResult = init ? init(d.ref) : kNoErr;
    runs_[d.run].initResult = initResult;
    if (initResult != kNoErr) {
        Finish(d);
        throw HostError(initResult, "the dialog's init procedure failed; the dialog was not made");
    }
    d.open = true;
    Notify(d, nullptr, kShowWindowNotifier);
    return d.ref;
}

void DialogManager::Destroy(DialogRef ref) {
    Dialog& d = Get(ref);
    if (d.modal) {
        throw HostError(kBadArgumentErr, "a modal dialog ends with its modal run");
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

void DialogManager::Finish(Dialog& d) {
    if (d.finishing) {
        return;
    }
    d.finishing = true;
    d.open = false;
    if (d.destroy != nullptr) {
        d.destroy(d.ref);
    }
    for (Item* item : d.items) {
        items_.Remove(item->ref);
    }
    runs_[d.run].destroyed = true;
    dialogs_.Remove(d.ref);
}

void DialogManager::Notify(Dialog& d, Item* item, const char* type) {
    const DialogRef dialogRef = d.ref;
    const NotifierRef ref = notifiers_.Add(
        std::make_unique<Notifier>(Notifier{dialogRef, item ? item->ref : nullptr, type}));
    if (d.notify != nullptr) {
        d.notify(dialogRef, ref);
    } else {
        DefaultNotify(d, *notifiers_.Find(ref));
    }
    notifiers_.Remove(ref);
    // A non-modal dialog that its OK or cancel closed goes once the notification is over (the
    // module may also have destroyed it meanwhile).
    Dialog* still = dialogs_.Find(dialogRef);
    if (still != nullptr && !still->modal && !still->open && !still->finishing) {
        Finish(*still);
    }
}

void DialogManager::DefaultNotify(Dialog& d, const Notifier& notifier) {
    if (notifier.type != kUserChangedNotifier || notifier.item == nullptr) {
        return;
    }
    const int id = GetItem(notifier.item).source.id;
    if (id == kOKItemID || id == kCancelItemID) {
        d.itemHit = id;
        d.open = false;
    }
}

ASBoolean DialogManager::DefaultTrack(Dialog&, const Tracker&) {
    return false;
}

Item& DialogSession::Usable(int id) {
    if (!dialog_.open) {
        throw ActionError("no dialog is open");
    }
    Item* item = dialog_.FindItem(id);
    if (item == nullptr) {
        throw ActionError("the dialog has no item " + std::to_string(id));
    }
    if (!item->enabled) {
        throw ActionError("item " + std::to_string(id) + " is disabled");
    }
    return *item;
}

void DialogSession::Click(int id) {
    Item& item = Usable(id);
    if (!IsButton(item.kind)) {
        throw ActionError("item " + std::to_string(id) + " is a " + KindName(item.kind) +
                          ", not a button");
    }
    manager_.Notify(dialog_, &item, kUserChangedNotifier);
}

}  // namespace subhost
