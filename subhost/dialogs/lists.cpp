// The lists of list items and their entries: the entries' order, the rows they take as the
// list scrolls, selection, and painting the rows that show.
#include <algorithm>

#include "subhost/dialogs/dialogs.h"

namespace subhost {

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

// An entry passes what it does not handle on to its item.
void DialogManager::DefaultNotify(Entry& entry, NotifierRef notifier) {
    NotifyItem(*entry.list->item, notifier);
}

}  // namespace subhost
