#include "AdmEntryBase.h"

#include "host/suites.h"

namespace {

CAdmEntryBase* ObjectOf(EntryRef entry) {
    UserData data = nullptr;
    if (sADMEntry->GetUserData(entry, &data) != kNoErr) {
        data = nullptr;
    }
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
    // The object must go with its entry even when the host cannot give its user data back. An
    // object being deleted has already let go of its entry and is not deleted again.
    CAdmEntryBase* object = ObjectOf(entry);
    if (object == nullptr || object->GetEntryRef() != entry) {
        object = CAdmEntryBase::Attached(entry);
    }
    delete object;
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

CAdmEntryBase* CAdmEntryBase::attached_ = nullptr;

CAdmEntryBase* CAdmEntryBase::Attached(EntryRef entry) {
    for (CAdmEntryBase* object = attached_; object != nullptr; object = object->next_) {
        if (object->entry_ == entry) {
            return object;
        }
    }
    return nullptr;
}

void CAdmEntryBase::Detach() {
    if (previous_ != nullptr) {
        previous_->next_ = next_;
    } else if (attached_ == this) {
        attached_ = next_;
    }
    if (next_ != nullptr) {
        next_->previous_ = previous_;
    }
    previous_ = next_ = nullptr;
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
    Detach();  // (when attached before, to another entry)
    next_ = attached_;
    if (next_ != nullptr) {
        next_->previous_ = this;
    }
    attached_ = this;
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
    Detach();
    if (sADMEntry == nullptr) {
        return;
    }
    userData_ = nullptr;
    ownedByList_ = false;
    if (entry_ != nullptr) {
        // Let go first: when the host is already destroying this entry (its destroy procedure
        // deleted this object), a destroy procedure run again by the request below finds no
        // object to delete a second time.
        const EntryRef entry = entry_;
        entry_ = nullptr;
        sADMEntry->SetUserData(entry, nullptr);
        sADMEntry->Destroy(entry);
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
