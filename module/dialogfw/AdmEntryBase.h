// CAdmEntryBase: the object face of one entry of a list. The object is the entry's user data;
// the entry procedures, installed on the list for all its entries, find it there.
#pragma once

#include <utility>

#include "host/adm.h"

class CAdmEntryBase {
  public:
    // Wraps an entry that exists.
    CAdmEntryBase(EntryRef entry, UserData data);
    // Creates a new entry at the end of LIST. With a null list the object stays detached.
    CAdmEntryBase(ListRef list, UserData data);
    CAdmEntryBase(const CAdmEntryBase&) = delete;
    CAdmEntryBase& operator=(const CAdmEntryBase&) = delete;

    virtual ASErr Init();
    virtual void Draw(DrawerRef drawer);
    virtual ASBoolean Track(TrackerRef tracker);
    virtual void Notify(NotifierRef notifier);
    virtual void OnDraw(DrawerRef drawer);
    // Detaches from the entry and asks the host to destroy it (skipped once the suites are gone).
    virtual ~CAdmEntryBase();
    virtual EntryRef Create(ListRef list, UserData data);

    EntryRef GetEntryRef() const { return entry_; }
    ListRef GetListRef() const { return list_; }
    UserData GetUserData() const { return userData_; }
    // True once the entry exists and the list will delete this object when it destroys the
    // entry. A row object for which the host refused any of that is owned by nobody: whoever
    // made it deletes it (which also removes a half-made entry).
    bool IsOwnedByList() const { return ownedByList_; }

    // The live object attached to ENTRY, found without asking the host (which may be unable to
    // give an entry's user data back while it destroys the entry).
    static CAdmEntryBase* Attached(EntryRef entry);

  private:
    void Attach();
    void Detach();

    EntryRef entry_ = nullptr;
    ListRef list_ = nullptr;
    UserData userData_ = nullptr;
    bool ownedByList_ = false;
    // Every attached object, most recent first, linked through the objects themselves.
    static CAdmEntryBase* attached_;
    CAdmEntryBase* previous_ = nullptr;
    CAdmEntryBase* next_ = nullptr;
};

// Makes a row object whose entry is added to a list, and hands it to the list. Null when the host
// refused the entry or the hand-over: the object and any half-made entry are gone again.
template <class Row, class... Args>
Row* NewListRow(Args&&... args) {
    Row* row = new Row(std::forward<Args>(args)...);
    if (!row->IsOwnedByList()) {
        delete row;
        return nullptr;
    }
    return row;
}
