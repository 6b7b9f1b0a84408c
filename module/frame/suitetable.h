// The table of every suite the plug-in holds, and the two walks that acquire and release them.
#pragma once

#include "host/sp.h"

// Acquires each suite of the table in order; stops at the first error and returns it, keeping
// what was acquired before. A suite already held is not acquired a second time.
ASErr AcquireSuites(BasicSuite* basic);

// Releases each held suite in order and clears its pointer; stops at the first error and returns
// it, leaving that suite and the later ones held.
ASErr ReleaseSuites(BasicSuite* basic);
