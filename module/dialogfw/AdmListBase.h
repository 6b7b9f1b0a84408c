// CAdmListBase: one list of a dialog item; it attaches itself as the list's user data.
#pragma once

#include "host/adm.h"

class CAdmListBase {
  public:
    explicit CAdmListBase(ListRef list);
    CAdmListBase(const CAdmListBase&) = delete;
    CAdmListBase& operator=(const CAdmListBase&) = delete;
    // Does not call the host: the list goes with its dialog.
    virtual ~CAdmListBase() = default;

    ListRef GetListRef() const { return list_; }
    // Removes every entry, first to last; the host's destroy procedure deletes each entry's
    // object with it.
    void RemoveAllEntries() const;

  private:
    ListRef list_;
};
