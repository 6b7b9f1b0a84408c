// CAdmItemBase: the object face of one dialog item. The object is the item's user data; the
// item's procedures find it there and call its virtual operations.
#pragma once

#include "host/adm.h"

class CAdmDialogBase;

class CAdmItemBase {
  public:
    // Wraps an item that exists (an item of the dialog template). With a null item the object
    // stays detached.
    CAdmItemBase(ItemRef item, CAdmDialogBase* owner);
    CAdmItemBase(const CAdmItemBase&) = delete;
    CAdmItemBase& operator=(const CAdmItemBase&) = delete;

    virtual ASErr Init();
    virtual void Draw(DrawerRef drawer);
    virtual ASBoolean Track(TrackerRef tracker);
    virtual void Notify(NotifierRef notifier);
    virtual ASBoolean TextToFloat(const char* text, float* value);
    virtual ASBoolean FloatToText(float value, char* text, ASInt32 length);
    virtual void OnDraw(DrawerRef drawer);
    // Detaches from the item and asks the host to destroy it (skipped once the suites are gone).
    virtual ~CAdmItemBase();
    // Creates a new item in DIALOG with this object as its user data.
    virtual ItemRef Create(DialogRef dialog, const ADMRect& bounds, const char* itemType,
                           ASInt32 itemID);

    ItemRef GetItemRef() const { return item_; }
    CAdmDialogBase* GetOwner() const { return owner_; }

  private:
    friend ASErr KZN_API ItemInitProcedure(ItemRef item);

    void InstallProcedures();

    ItemRef item_;
    CAdmDialogBase* owner_;
};
