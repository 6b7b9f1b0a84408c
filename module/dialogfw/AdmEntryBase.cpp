#include "AdmEntryBase.h"

#include "host/suites.h"

namespace {

CAdmEntryBase* ObjectOf(EntryRef entry) {
    UserData data = nullptr;
    sADMEntry->GetUserData(entry, &data);
    return static_cast<CAdmEntryBase*>(data);
}

void KZN_API EntryDrawProcedure(EntryRef entry, DrawerRef drawer) {
    if (CAdmEntryBase* object = ObjectOf(entry)) {
        object->OnDraw(drawer);
    }
}

ASBoolean KZN_API EntryTrackProcedure(EntryRef entry, TrackerRef tracker) {
    if (CAdmEntryBase* object = ObjectOf(entry)) {
        return object->Track(tracker);
    }
    return false;
}

void KZN_API EntryNotifyProcedure(EntryRef entry, NotifierRef notifier) {
    if (CAdmEntryBase* object = ObjectOf(entry)) {
        object->Notify(notifier);
    }
}

void KZN_API EntryDestroyProcedure(EntryRef entry) {
    delete ObjectOf(entry);
}

}  // namespace

CAdmEntryBase::CAdmEntryBase(EntryRef entry, UserData data) : entry_(entry), userData_(data) {
    if (entry_ != nullptr) {
        sADMEntry->GetList(entry_, &list_);
    }
    if (entry_ != nullptr && list_ != nullptr) {
        Attach();
    }
}

CAdmEntryBase::CAdmEntryBase(ListRef list, UserData data) {
    Create(list, data);
}

// Makes this object the entry's user data and installs the entry procedures on the list. The
// procedures are the same for every entry of the list, so a second entry installing them again
// changes nothing for the first.
void CAdmEntryBase::Attach() {
    const ASErr found = sADMEntry->SetUserData(entry_, this);
    sADMList->SetDrawProc(list_, EntryDrawProcedure);
    sADMList->SetTrackProc(list_, EntryTrackProcedure);
    sADMList->SetNotifyProc(list_, EntryNotifyProcedure);
    const ASErr deleted = sADMList->SetDestroyProc(list_, EntryDestroyProcedure);
    ownedByList_ = found == kNoErr && deleted == kNoErr;
}

ASErr CAdmEntryBase::Init() {
    return kNoErr;
}

void CAdmEntryBase::Draw(DrawerRef drawer) {
    sADMEntry->DefaultDraw(entry_, drawer);
}

ASBoolean CAdmEntryBase::Track(TrackerRef tracker) {
    ASBoolean handled = false;
    sADMEntry->DefaultTrack(entry_, tracker, &handled);
    return handled;
}

void CAdmEntryBase::Notify(NotifierRef notifier) {
    sADMEntry->DefaultNotify(entry_, notifier);
}

void CAdmEntryBase::OnDraw(DrawerRef drawer) {
    Draw(drawer);
}

CAdmEntryBase::~CAdmEntryBase() {
    if (sADMEntry == nullptr) {
        return;
    }
    userData_ = nullptr;
    ownedByList_ = false;
    if (entry_ != nullptr) {
        // Detach first: when the host is already destroying this entry (its destroy procedure
        // deleted this object), a destroy procedure run again by the request below finds no
        // object to delete a second time.
        sADMEntry->SetUserData(entry_, nullptr);
        sADMEntry->Destroy(entry_);
        entry_ = nullptr;
    }
}

EntryRef CAdmEntryBase::Create(ListRef list, UserData data) {
    list_ = list;
    userData_ = data;
    if (list_ != nullptr) {
        EntryRef entry = nullptr;
        sADMEntry->Create(list_, &entry);
        entry_ = entry;
        if (entry_ != nullptr) {
            Attach();
        }
    }
    return entry_;
}
