// The host's plug-in interface: the message records it sends and the suites that every plug-in
// gets (the basic suite that hands out all others, and the blocks suite).
#pragma once

#include "types.h"

struct BasicSuite {
    // Acquires suite NAME at VERSION; the suite's function table is written to *suite.
    ASErr(KZN_API* AcquireSuite)(const char* name, ASInt32 version, const void** suite);
    ASErr(KZN_API* ReleaseSuite)(const char* name, ASInt32 version);
    // Non-zero when the two zero-terminated strings are equal.
    ASBoolean(KZN_API* IsEqual)(const char* a, const char* b);
};

struct BlocksSuite {
    ASErr(KZN_API* AllocateBlock)(std::int32_t size, const char* debugName, void** block);
    ASErr(KZN_API* FreeBlock)(void* block);
};

// Common header of every message. The plug-in reads it and may store a pointer into `globals`,
// which the host hands back with every later message.
struct MessageData {
    std::int32_t check;
    PluginRef self;
    void* globals;
    BasicSuite* basic;
};

// "AI Filter" messages continue with the filter that the user chose.
struct FilterMessage {
    MessageData d;
    FilterHandle filter;
};

#ifdef _WIN32
static_assert(sizeof(MessageData) == 16 && sizeof(FilterMessage) == 20,
              "the host's message records are 32-bit words");
#endif

using MessageHandler = ASErr(KZN_API*)(const char* caller, const char* selector, void* message);

// The module's single export.
using PluginMainProc = ASErr(KZN_API*)(const char* caller, const char* selector, void* message);

constexpr const char kSPInterfaceCaller[] = "SP Interface";
constexpr const char kStartupSelector[] = "Startup";
constexpr const char kShutdownSelector[] = "Shutdown";
constexpr const char kFilterCaller[] = "AI Filter";
constexpr const char kGoSelector[] = "AI Go";
