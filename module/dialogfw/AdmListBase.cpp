#include "AdmListBase.h"

#include "host/suites.h"

CAdmListBase::CAdmListBase(ListRef list) : list_(list) {
    if (list_ != nullptr) {
        sADMList->SetUserData(list_, this);
    }
}

void CAdmListBase::RemoveAllEntries() const {
    ASInt32 count = 0;
    sADMList->NumberOfEntries(list_, &count);
    for (ASInt32 i = 0; i < count; ++i) {
        sADMList->RemoveEntry(list_, 0);
    }
}
