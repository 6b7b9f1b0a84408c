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

// Art types.
constexpr ASInt32 kGroupArt = 1;
constexpr ASInt32 kPathArt = 2;
constexpr ASInt32 kCompoundPathArt = 3;
constexpr ASInt32 kTextArt = 4;

// User attributes of art.
constexpr ASInt32 kArtSelected = 1;
constexpr ASInt32 kArtLocked = 2;
constexpr ASInt32 kArtHidden = 4;

struct ArtSuite {
    ASErr(KZN_API* GetArtType)(ArtHandle art, ASInt32* type);
    // The attributes of WHICHATTR that are set on the art.
    ASErr(KZN_API* GetArtUserAttr)(ArtHandle art, ASInt32 whichAttr, ASInt32* attr);
    ASErr(KZN_API* SetArtUserAttr)(ArtHandle art, ASInt32 whichAttr, ASInt32 attr);
    // The first child of a group or compound path (the frontmost); null when there is none.
    ASErr(KZN_API* GetArtFirstChild)(ArtHandle art, ArtHandle* child);
    // The next art behind this one in its parent; null after the last.
    ASErr(KZN_API* GetArtSibling)(ArtHandle art, ArtHandle* sibling);
    ASErr(KZN_API* GetArtParent)(ArtHandle art, ArtHandle* parent);
    // The group that holds the layer's top-level art.
    ASErr(KZN_API* GetFirstArtOfLayer)(LayerHandle layer, ArtHandle* art);
    // Removes the art (and everything in it) from the document.
    ASErr(KZN_API* DisposeArt)(ArtHandle art);
};

struct LayerSuite {
    ASErr(KZN_API* CountLayers)(ASInt32* count);
    // Layer INDEX counted from the top.
    ASErr(KZN_API* GetNthLayer)(ASInt32 index, LayerHandle* layer);
    ASErr(KZN_API* GetCurrentLayer)(LayerHandle* layer);
    // The title as a length-prefixed string of at most 255 bytes (TITLE holds 256).
    ASErr(KZN_API* GetLayerTitle)(LayerHandle layer, unsigned char* title);
    ASErr(KZN_API* SetLayerTitle)(LayerHandle layer, const unsigned char* title);
    ASErr(KZN_API* GetLayerEditable)(LayerHandle layer, ASBoolean* editable);
    // A new layer placed relative to LAYER (kPlaceAbove: just above it).
    ASErr(KZN_API* InsertLayer)(LayerHandle layer, ASInt32 paintOrder, LayerHandle* newLayer);
};

constexpr ASInt32 kPlaceAbove = 1;
struct PatternSuite {};
struct PathSuite {};
struct PathStyleSuite {};
struct TagSuite {};
struct TextSuite {};
struct TextRunSuite {};
struct TextLineSuite {};
struct TextPathSuite {};
using TextStreamRef = struct KznOpaqueTextStream*;

// Text stream modes.
constexpr ASInt32 kTextStreamRead = 1;
constexpr ASInt32 kTextStreamWrite = 2;

struct TextStreamSuite {
    // A stream over the text of a text object. Writing replaces the whole text.
    ASErr(KZN_API* OpenTextStream)(ArtHandle art, ASInt32 mode, TextStreamRef* stream);
    // Reads at most *count bytes; *count receives the number read.
    ASErr(KZN_API* ReadTextStream)(TextStreamRef stream, char* buffer, ASInt32* count);
    ASErr(KZN_API* WriteTextStream)(TextStreamRef stream, const char* text, ASInt32 count);
    ASErr(KZN_API* DisposeTextStream)(TextStreamRef stream);
};
struct TextFaceStyleSuite {};
struct SwatchListSuite {};
struct PlacedSuite {};
struct DrawArtSuite {};
struct RealMathSuite {};
struct TransformArtSuite {};
struct DocumentSuite {};
struct UndoSuite {};
