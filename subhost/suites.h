// The function tables of the suites the host serves, by name and version.
#pragma once

#include "host/types.h"

namespace subhost {

// The table of suite NAME at VERSION; nullptr when the host has no such suite (*nameKnown tells
// whether the name alone is known).
const void* FindSuite(const char* name, ASInt32 version, bool* nameKnown);

const void* BasicSuiteTable();

}  // namespace subhost
