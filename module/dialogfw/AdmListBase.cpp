#include "AdmListBase.h"

#include "host/suites.h"

CAdmListBase::CAdmListBase(ListRef list) : list_(list) {
    if (list_ != nullptr) {
        sADMList->SetUserData(list_, this);
    }
}
