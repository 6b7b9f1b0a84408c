#include "AdmItemBase.h"

#include "host/suites.h"

namespace {

CAdmItemBase* ObjectOf(ItemRef item) {
    UserData data = nullptr;
    sADMItem->GetUserData(item, &data);
    return static_cast<CAdmItemBase*>(data);
}

void KZN_API ItemDrawProcedure(ItemRef item, DrawerRef drawer) {
    if (CAdmItemBase* object = ObjectOf(item)) {
        object->OnDraw(drawer);
    }
}

ASBoolean KZN_API ItemTrackProcedure(ItemRef item, TrackerRef tracker) {
    if (CAdmItemBase* object = ObjectOf(item)) {
        return object->Track(tracker);
    }
    return false;
}

void KZN_API ItemNotifyProcedure(ItemRef item, NotifierRef notifier) {
    if (CAdmItemBase* object = ObjectOf(item)) {
        object->Notify(notifier);
    }
}

void KZN_API ItemDestroyProcedure(ItemRef item) {
    delete ObjectOf(item);
}

ASBoolean KZN_API ItemTextToFloatProcedure(ItemRef item, const char* text, float* value) {
    if (CAdmItemBase* object = ObjectOf(item)) {
        return object->TextToFloat(text, value);
    }
    return false;
}

ASBoolean KZN_API ItemFloatToTextProcedure(ItemRef item, float value, char* text, ASInt32 length) {
    if (CAdmItemBase* object = ObjectOf(item)) {
        return object->FloatToText(value, text, length);
    }
    return false;
}

}  // namespace

ASErr KZN_API ItemInitProcedure(ItemRef item) {
    CAdmItemBase* object = ObjectOf(item);
    if (object == nullptr) {
        return kBadParameterErr;
    }
    object->item_ = item;
    return object->Init();
}

CAdmItemBase::CAdmItemBase(ItemRef item, CAdmDialogBase* owner) : item_(item), owner_(owner) {
    if (item_ != nullptr) {
        sADMItem->SetUserData(item_, this);
        InstallProcedures();
    }
}

void CAdmItemBase::InstallProcedures() {
    sADMItem->SetDrawProc(item_, ItemDrawProcedure);
    sADMItem->SetTrackProc(item_, ItemTrackProcedure);
    sADMItem->SetNotifyProc(item_, ItemNotifyProcedure);
    sADMItem->SetDestroyProc(item_, ItemDestroyProcedure);
    sADMItem->SetTextToFloatProc(item_, ItemTextToFloatProcedure);
    sADMItem->SetFloatToTextProc(item_, ItemFloatToTextProcedure);
}

ASErr CAdmItemBase::Init() {
    return kNoErr;
}

void CAdmItemBase::Draw(DrawerRef drawer) {
    sADMItem->DefaultDraw(item_, drawer);
}

ASBoolean CAdmItemBase::Track(TrackerRef tracker) {
    ASBoolean handled = false;
    sADMItem->DefaultTrack(item_, tracker, &handled);
    return handled;
}

void CAdmItemBase::Notify(NotifierRef notifier) {
    sADMItem->DefaultNotify(item_, notifier);
}

ASBoolean CAdmItemBase::TextToFloat(const char* text, float* value) {
    ASBoolean converted = false;
    sADMItem->DefaultTextToFloat(item_, text, value, &converted);
    return converted;
}

ASBoolean CAdmItemBase::FloatToText(float value, char* text, ASInt32 length) {
    ASBoolean converted = false;
    sADMItem->DefaultFloatToText(item_, value, text, length, &converted);
    return converted;
}

void CAdmItemBase::OnDraw(DrawerRef drawer) {
    Draw(drawer);
}

CAdmItemBase::~CAdmItemBase() {
    if (sADMItem == nullptr || item_ == nullptr) {
        return;
    }
    sADMItem->SetUserData(item_, nullptr);
    sADMItem->SetDrawProc(item_, nullptr);
    sADMItem->SetTrackProc(item_, nullptr);
    sADMItem->SetNotifyProc(item_, nullptr);
    sADMItem->SetDestroyProc(item_, nullptr);
    sADMItem->SetTextToFloatProc(item_, nullptr);
    sADMItem->SetFloatToTextProc(item_, nullptr);
    sADMItem->Destroy(item_);
    item_ = nullptr;
}

ItemRef CAdmItemBase::Create(DialogRef dialog, const ADMRect& bounds, const char* itemType,
                             ASInt32 itemID) {
    ItemRef item = nullptr;
    sADMItem->Create(dialog, itemID, itemType, &bounds, ItemInitProcedure, this, &item);
    item_ = item;
    if (item_ != nullptr) {
        InstallProcedures();
    }
    return item_;
}
