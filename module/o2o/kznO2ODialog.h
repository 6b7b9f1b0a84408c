// The object-to-object dialog: symbols are replaced by other symbols.
#pragma once

#include "dialogfw/AdmDialogBase.h"

// Run modally by the filter run under the dialog name "KZN_O2O". The dialog's items, its list
// and its replacement run are built on this class.
class CkznO2ODialog : public CAdmDialogBase {
  public:
    CkznO2ODialog() = default;
    ~CkznO2ODialog() override = default;
};
