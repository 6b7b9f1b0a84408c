#include "AdmDialogBase.h"

#include "host/suites.h"

namespace {

CAdmDialogBase* ObjectOf(DialogRef dialog) {
    UserData data = nullptr;
    sADMDialog->GetUserData(dialog, &data);
    return static_cast<CAdmDialogBase*>(data);
}

void KZN_API DialogDrawProcedure(DialogRef dialog, DrawerRef drawer) {
    if (CAdmDialogBase* object = ObjectOf(dialog)) {
        object->Draw(drawer);
    }
}

ASBoolean KZN_API DialogTrackProcedure(DialogRef dialog, TrackerRef tracker) {
    if (CAdmDialogBase* object = ObjectOf(dialog)) {
        return object->Track(tracker);
    }
    return false;
}

void KZN_API DialogNotifyProcedure(DialogRef dialog, NotifierRef notifier) {
    if (CAdmDialogBase* object = ObjectOf(dialog)) {
        object->Notify(notifier);
    }
}

}  // namespace

ASErr KZN_API DialogInitProcedure(DialogRef dialog) {
    CAdmDialogBase* object = ObjectOf(dialog);
    if (object == nullptr) {
        return kBadParameterErr;
    }
    object->dialog_ = dialog;
    return object->Init();
}

void KZN_API DialogDestroyProcedure(DialogRef dialog) {
    CAdmDialogBase* object = ObjectOf(dialog);
    if (object == nullptr) {
        return;
    }
    object->Destroy();
    // The host is destroying the dialog: the object lets go of it first, so that its
    // destructor does not ask for the dialog's destruction a second time.
    object->dialog_ = nullptr;
    if (object->modal_ == 0) {
        sADMDialog->SetUserData(dialog, nullptr);
        delete object;
    }
}

ASErr CAdmDialogBase::Init() {
    sADMDialog->SetDrawProc(dialog_, DialogDrawProcedure);
    sADMDialog->SetTrackProc(dialog_, DialogTrackProcedure);
    sADMDialog->SetNotifyProc(dialog_, DialogNotifyProcedure);
    sADMDialog->SetDestroyProc(dialog_, DialogDestroyProcedure);
    return kNoErr;
}

void CAdmDialogBase::Draw(DrawerRef drawer) {
    sADMDialog->DefaultDraw(dialog_, drawer);
}

ASBoolean CAdmDialogBase::Track(TrackerRef tracker) {
    ASBoolean handled = false;
    sADMDialog->DefaultTrack(dialog_, tracker, &handled);
    return handled;
}

void CAdmDialogBase::Notify(NotifierRef notifier) {
    sADMDialog->DefaultNotify(dialog_, notifier);
}

void CAdmDialogBase::Destroy() {}

CAdmDialogBase::~CAdmDialogBase() {
    if (dialog_ == nullptr || modal_ != 0) {
        return;
    }
    if (sADMDialog != nullptr) {
        sADMDialog->SetUserData(dialog_, nullptr);
        sADMDialog->SetDrawProc(dialog_, nullptr);
        sADMDialog->SetTrackProc(dialog_, nullptr);
        sADMDialog->SetNotifyProc(dialog_, nullptr);
        sADMDialog->SetDestroyProc(dialog_, nullptr);
        sADMDialog->Destroy(dialog_);
    }
    dialog_ = nullptr;
}

DialogRef CAdmDialogBase::Create(PluginRef plugin, const char* name, ASInt32 dialogID,
                                 ASInt32 style) {
    DialogRef dialog = nullptr;
    sADMDialog->Create(plugin, name, dialogID, style, DialogInitProcedure, this, &dialog);
    dialog_ = dialog;
    return dialog_;
}

int CAdmDialogBase::Modal(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style) {
    modal_ = 1;
    ASInt32 itemHit = 0;
    sADMDialog->Modal(plugin, name, dialogID, style, DialogInitProcedure, this, &itemHit);
    return itemHit;
}

ItemRef CAdmDialogBase::Item(ASInt32 id) const {
    ItemRef item = nullptr;
    sADMDialog->GetItem(dialog_, id, &item);
    return item;
}

void CAdmDialogBase::SetPictureButtons(PluginRef plugin,
                                       std::span<const PictureButton> buttons) const {
    for (const PictureButton& button : buttons) {
        char tip[255] = "";
        sADMBasic->GetIndexString(plugin, button.item, 0, tip, sizeof tip);
        sADMItem->SetTipString(Item(button.item), tip);
        sADMItem->SetPictureID(Item(button.item), button.picture);
    }
}
