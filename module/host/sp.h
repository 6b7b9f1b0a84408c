// The host's plug-in interface: the message records it sends and the suites that every plug-in
// gets (the basic suite that hands out all others, and the blocks suite).
#pragma once

#include <cstddef>

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

#if defined(_WIN32) && !defined(_WIN64)
// In the 32-bit Windows build, the product, the records are the host's own: 32-bit words.
static_assert(sizeof(MessageData) == 16 && offsetof(MessageData, check) == 0 &&
                  offsetof(MessageData, self) == 4 && offsetof(MessageData, globals) == 8 &&
                  offsetof(MessageData, basic) == 12,
              "the host's message header is four 32-bit words");
static_assert(sizeof(FilterMessage) == 20 && offsetof(FilterMessage, d) == 0 &&
                  offsetof(FilterMessage, filter) == 16,
              "the host's filter message is the header and one 32-bit word");
#endif

using MessageHandler = ASErr(KZN_API*)(const char* caller, const char* selector, void* message);

// The module's single export.
using PluginMainProc = ASErr(KZN_API*)(const char* caller, const char* selector, void* message);

constexpr const char kSPInterfaceCaller[] = "SP Interface";
constexpr const char kStartupSelector[] = "Startup";
constexpr const char kShutdownSelector[] = "Shutdown";
constexpr const char kFilterCaller[] = "AI Filter";
constexpr const char kGoSelector[] = "AI Go";
