// CAdmEntryBase: the object face of one entry of a list. The object is the entry's user data;
// the entry procedures, installed on the list for all its entries, find it there.
#pragma once

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

  private:
    void Attach();

    EntryRef entry_ = nullptr;
    ListRef list_ = nullptr;
    UserData userData_ = nullptr;
};
