// The text-to-text dialog: every visible, unlocked text label of a layer gets a destination text.
#pragma once

#include "dialogfw/AdmDialogBase.h"

// Run modally by the filter run under the dialog name "KZN_T2T". The dialog's items, its list
// and its replacement run are built on this class.
class CkznT2TDialog : public CAdmDialogBase {
  public:
    CkznT2TDialog() = default;
    ~CkznT2TDialog() override = default;
};
