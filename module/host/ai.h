// The drawing application's own suites. Calls are declared as the plug-in comes to use them;
// a suite that the plug-in acquires but never calls has an empty table here.
#pragma once

#include "types.h"

// Registration record of a filter: the two texts are length-prefixed host strings.
struct FilterRegistration {
    unsigned char* category;
    unsigned char* title;
};

struct FilterSuite {
    ASErr(KZN_API* AddFilter)(PluginRef self, const char* name, FilterRegistration* data,
                              ASInt32 options, FilterHandle* filter);
    ASErr(KZN_API* GetFilterMenuItem)(FilterHandle filter, MenuItemHandle* menuItem);
};

// Menu item enabling: the action and the conditions under which the host enables the item.
constexpr ASInt32 kAutoEnableMenuItemAction = 1;
constexpr ASInt32 kIfOpenDocument = 0x40;

struct MenuSuite {
    ASErr(KZN_API* UpdateMenuItemAutomatically)(MenuItemHandle menuItem, ASInt32 action,
                                                ASInt32 ifMenuArt, ASInt32 ifNotMenuArt,
                                                ASInt32 ifSelectedArt, ASInt32 ifNotSelectedArt,
                                                ASInt32 ifTrue, ASInt32 ifFalse);
};

struct ArtSuite {};
struct LayerSuite {};
struct PatternSuite {};
struct PathSuite {};
struct PathStyleSuite {};
struct TagSuite {};
struct TextSuite {};
struct TextRunSuite {};
struct TextLineSuite {};
struct TextPathSuite {};
struct TextStreamSuite {};
struct TextFaceStyleSuite {};
struct SwatchListSuite {};
struct PlacedSuite {};
struct DrawArtSuite {};
struct RealMathSuite {};
struct TransformArtSuite {};
struct DocumentSuite {};
struct UndoSuite {};
