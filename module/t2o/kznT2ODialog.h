// The text-to-object dialog: text labels are replaced by rows of symbols.
#pragma once

#include "dialogfw/AdmDialogBase.h"

// Run modally by the filter run under the dialog name "KZN_T2O". The dialog's items, its list
// and its replacement run are built on this class.
class CkznT2ODialog : public CAdmDialogBase {
  public:
    CkznT2ODialog() = default;
    ~CkznT2ODialog() override = default;
};
