// What a person can do in an open modal dialog.
#include <algorithm>

#include "subhost/dialogs/dialogs.h"
#include "subhost/error.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

constexpr std::uint32_t kGroupStyle = 0x00020000;

std::string Name(int id) {
    return "item " + std::to_string(id);
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

// The items of ITEM's group, as Windows forms groups: from the nearest item at or before it
// that starts a group up to the next one that starts a group.
std::vector<Item*> GroupOf(const Dialog& d, const Item& item) {
    const auto at = std::find(d.items.begin(), d.items.end(), &item);
    auto first = at;
    while (first != d.items.begin() && ((*first)->source.style & kGroupStyle) == 0) {
        --first;
    }
    auto last = at + 1;
    while (last != d.items.end() && ((*last)->source.style & kGroupStyle) == 0) {
        ++last;
    }
    return {first, last};
}

}  // namespace

const Item& DialogSession::item(int id) const {
    const Item* found = dialog_.FindItem(id);
    if (found == nullptr) {
        throw ActionError("the dialog has no " + Name(id));
    }
    return *found;
}

std::vector<std::string> DialogSession::Rows(int id) const {
    const Item& list = item(id);
    if (list.list == nullptr) {
        throw ActionError(Name(id) + " is a " + KindName(list.kind) + ", not a list");
    }
    std::vector<std::string> rows;
    for (const Entry* entry : list.list->entries) {
        rows.push_back(entry->text);
    }
    return rows;
}

Item& DialogSession::Usable(int id) {
    if (!dialog_.open) {
        throw ActionError("no dialog is open");
    }
    Item* found = dialog_.FindItem(id);
    if (found == nullptr) {
        throw ActionError("the dialog has no " + Name(id));
    }
    if (!found->enabled) {
        throw ActionError(Name(id) + " is disabled");
    }
    return *found;
}

List& DialogSession::UsableList(int id, bool popup) {
    Item& item = Usable(id);
    const bool isPopup = item.kind == ItemKind::PopupList;
    if (item.list == nullptr || isPopup != popup) {
        throw ActionError(Name(id) + " is a " + KindName(item.kind) + ", not a " +
                          (popup ? "popup list" : "list"));
    }
    return *item.list;
}

void DialogSession::Click(int id) {
    Item& item = Usable(id);
    if (!IsButton(item.kind)) {
        throw ActionError(Name(id) + " is a " + KindName(item.kind) + ", not a button");
    }
    if (item.kind == ItemKind::CheckBox) {
        manager_.SetBooleanValue(item, !item.booleanValue);
    } else if (item.kind == ItemKind::RadioButton) {
        Check(id, true);
        return;
    }
    manager_.Notify(dialog_, &item, kUserChangedNotifier);
}

void DialogSession::ChooseRow(Item& item, int index) {
    List& list = *item.list;
    if (index < 0 || index >= static_cast<int>(list.entries.size())) {
        throw ActionError(Name(item.id()) + " has no row " + std::to_string(index) + " (it has " +
                          std::to_string(list.entries.size()) + ")");
    }
    Entry& entry = *list.entries[static_cast<std::size_t>(index)];
    manager_.Select(entry, true);
    manager_.MakeInBounds(entry);
    manager_.Notify(dialog_, &item, kUserChangedNotifier, &entry);
}

void DialogSession::Pick(int id, int index) {
    UsableList(id, true);
    ChooseRow(*dialog_.FindItem(id), index);
}

void DialogSession::Pick(int id, const std::string& text) {
    List& list = UsableList(id, true);
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i]->text == text) {
            ChooseRow(*list.item, static_cast<int>(i));
            return;
        }
    }
    throw ActionError(Name(id) + " has no entry \"" + ShowSjis(text) + "\"");
}

void DialogSession::ClickRow(int id, int index) {
    UsableList(id, false);
    ChooseRow(*dialog_.FindItem(id), index);
}

void DialogSession::ClickRow(int id, const std::string& text) {
    List& list = UsableList(id, false);
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        if (list.entries[i]->text == text) {
            ChooseRow(*list.item, static_cast<int>(i));
            return;
        }
    }
    throw ActionError(Name(id) + " has no row \"" + ShowSjis(text) + "\"");
}

void DialogSession::Check(int id, bool on) {
    Item& item = Usable(id);
    if (item.kind == ItemKind::CheckBox) {
        if (item.booleanValue == on) {
            return;  // already as asked: no click is needed
        }
        manager_.SetBooleanValue(item, on);
    } else if (item.kind == ItemKind::RadioButton) {
        if (!on) {
            throw ActionError(Name(id) +
                              " is a radio button: it is switched off by choosing another of "
                              "its group");
        }
        for (Item* other : GroupOf(dialog_, item)) {
            if (other->kind == ItemKind::RadioButton) {
                manager_.SetBooleanValue(*other, other == &item);
            }
        }
    } else {
        throw ActionError(Name(id) + " is a " + KindName(item.kind) +
                          ", not a check box or radio button");
    }
    manager_.Notify(dialog_, &item, kUserChangedNotifier);
}

void DialogSession::Type(int id, const std::string& text) {
    Item& item = Usable(id);
    if (item.kind != ItemKind::Edit) {
        throw ActionError(Name(id) + " is a " + KindName(item.kind) + ", not an edit text");
    }
    dialog_.focus = &item;
    const TrackerRef ref = manager_.trackers_.Add(
        std::make_unique<Tracker>(Tracker{item.ref, kADMKeyStrokeAction, text}));
    if (item.track != nullptr) {
        item.track(item.ref, ref);
    } else {
        manager_.DefaultTrack(item, manager_.Get(ref));
    }
    manager_.trackers_.Remove(ref);
}

void DialogSession::Paint() {
    if (!dialog_.open) {
        throw ActionError("no dialog is open");
    }
    const std::vector<Item*> items = dialog_.items;
    for (Item* item : items) {
        if (item->list != nullptr) {
            manager_.Paint(*item->list);
        }
    }
}

void DialogSession::Paint(int id) {
    const Item& found = item(id);
    if (found.list == nullptr) {
        throw ActionError(Name(id) + " is a " + KindName(found.kind) + ", not a list");
    }
    manager_.Paint(*found.list);
}

}  // namespace subhost
