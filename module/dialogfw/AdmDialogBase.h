// CAdmDialogBase: the object face of one dialog of the host's dialog manager. The object is the
// dialog's user data; the host's procedures for the dialog find it there and call its virtual
// operations, so a derived dialog overrides only what it needs.
#pragma once

#include <span>

#include "host/adm.h"

class CAdmDialogBase {
  public:
    CAdmDialogBase() = default;
    CAdmDialogBase(const CAdmDialogBase&) = delete;
    CAdmDialogBase& operator=(const CAdmDialogBase&) = delete;

    // Installs the draw, track, notify and destroy procedures on the dialog. An overriding Init
    // calls this first.
    virtual ASErr Init();
    virtual void Draw(DrawerRef drawer);
    virtual ASBoolean Track(TrackerRef tracker);
    virtual void Notify(NotifierRef notifier);
    // Called when the host destroys the dialog.
    virtual void Destroy();
    // A dialog that is not modal and still exists is detached from the host and destroyed.
    virtual ~CAdmDialogBase();

    // Creates the dialog without a modal run; the host's destroy procedure deletes the object.
    DialogRef Create(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style);
    // Runs the dialog until the user closes it and returns the host's result (the item that
    // closed it). The object outlives the dialog: its owner deletes it.
    int Modal(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style);

    DialogRef GetDialogRef() const { return dialog_; }
    // The dialog's item ID; null when it has none.
    ItemRef Item(ASInt32 id) const;

    // A push button that shows a picture; its tip is the string resource of the item's id.
    struct PictureButton {
        ASInt32 item;
        ASInt32 picture;
    };
    // Gives each of BUTTONS its tip, from PLUGIN's string table, and its picture.
    void SetPictureButtons(PluginRef plugin, std::span<const PictureButton> buttons) const;

  private:
    friend ASErr KZN_API DialogInitProcedure(DialogRef dialog);
    friend void KZN_API DialogDestroyProcedure(DialogRef dialog);

    DialogRef dialog_ = nullptr;
    ASInt32 modal_ = 0;
};
