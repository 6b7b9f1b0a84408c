// The dialog manager's dialogs: built from the module's templates, run modally under a script
// of user actions or left open, notified, and destroyed with everything in them.
#include "subhost/dialogs/dialogs.h"

#include "subhost/error.h"
#include "subhost/host.h"

namespace subhost {

Item* Dialog::FindItem(int id) const {
    for (Item* item : items) {
        if (item->id() == id) {
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

}  // namespace subhost
