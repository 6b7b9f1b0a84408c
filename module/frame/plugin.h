// The plug-in's entry point, its message handlers and the globals block the host keeps for it.
#pragma once

#include <cstddef>

#include "host/sp.h"

// The block the host hands back with every message after start-up.
struct KznGlobals {
    FilterHandle t2t;  // "&1) text to text"
    FilterHandle t2o;  // "&2) text to object"
    FilterHandle o2o;  // "&3) object to object"
    PluginRef self;    // plug-in reference of the last filter message
};

#if defined(_WIN32) && !defined(_WIN64)
// In the 32-bit Windows build, the product, the host allocates exactly four 32-bit words.
static_assert(sizeof(KznGlobals) == 16 && offsetof(KznGlobals, t2t) == 0 &&
                  offsetof(KznGlobals, t2o) == 4 && offsetof(KznGlobals, o2o) == 8 &&
                  offsetof(KznGlobals, self) == 12,
              "the host allocates four 32-bit words");
#endif

// The globals block of the message being handled (refreshed before every handler).
extern KznGlobals* gGlobals;

ASErr StartupPlugin(const char* caller, const char* selector, void* message);
ASErr ShutdownPlugin(const char* caller, const char* selector, void* message);
ASErr GoFilter(const char* caller, const char* selector, void* message);

#ifdef _WIN32
#define KZN_EXPORT __declspec(dllexport)
#else
#define KZN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" KZN_EXPORT ASErr PluginMain(const char* caller, const char* selector, void* message);
