// Basic types shared by the plug-in and the host it runs in: error codes, opaque handles and the
// calling convention of every host call.
#pragma once

#include <cstdint>

using ASErr = std::int32_t;
using ASBoolean = std::int32_t;
using ASInt32 = std::int32_t;

// Four-character codes, packed most significant character first ('PARM' is 0x5041524D).
constexpr ASErr FourCharCode(char a, char b, char c, char d) {
    return static_cast<ASErr>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                              (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                              static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr ASErr kNoErr = 0;
// A host object whose user data holds no plug-in object.
constexpr ASErr kBadParameterErr = FourCharCode('P', 'A', 'R', 'M');
// A pattern that the document does not have.
constexpr ASErr kPatternNameErr = FourCharCode('N', 'A', 'M', '?');

// Opaque handles. The plug-in only stores them and compares them for identity.
using PluginRef = struct KznOpaquePlugin*;
using FilterHandle = struct KznOpaqueFilter*;
using MenuItemHandle = struct KznOpaqueMenuItem*;
using ArtHandle = struct KznOpaqueArt*;
using LayerHandle = struct KznOpaqueLayer*;
using PatternHandle = struct KznOpaquePattern*;
using SwatchHandle = struct KznOpaqueSwatch*;
using DialogRef = struct KznOpaqueDialog*;
using ItemRef = struct KznOpaqueItem*;
using ListRef = struct KznOpaqueList*;
using EntryRef = struct KznOpaqueEntry*;
using DrawerRef = struct KznOpaqueDrawer*;
using NotifierRef = struct KznOpaqueNotifier*;
using TrackerRef = struct KznOpaqueTracker*;
using ImageRef = struct KznOpaqueImage*;
using PortRef = struct KznOpaquePort*;  // a drawer's drawing port
using WindowRef = void*;
using UserData = void*;

// Every host call and every procedure the host calls back uses the C calling convention.
#define KZN_API
