// The drawing application's own suites. Calls are declared as the plug-in comes to use them;
// a suite that the plug-in acquires but never calls has an empty table here.
#pragma once

#include "types.h"

// Document geometry: single-precision reals, y growing upwards.
using AIReal = float;

struct AIRealPoint {
    AIReal h;
    AIReal v;
};

// A rectangle in document coordinates: top is above bottom.
struct AIRealRect {
    AIReal left;
    AIReal top;
    AIReal right;
    AIReal bottom;
};

// Takes (x, y) to (a x + c y + tx, b x + d y + ty).
struct AIRealMatrix {
    AIReal a, b, c, d, tx, ty;
};

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

// Paint orders: where new or moved art goes, relative to a given art.
constexpr ASInt32 kPlaceAbove = 1;           // directly in front of it, in the same container
constexpr ASInt32 kPlaceBelow = 2;           // directly behind it
constexpr ASInt32 kPlaceInsideOnTop = 3;     // first child of the given group
constexpr ASInt32 kPlaceInsideOnBottom = 4;  // last child of the given group

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

    // A new, empty art of TYPE placed by PAINTORDER relative to PREP.
    ASErr(KZN_API* NewArt)(ASInt32 type, ASInt32 paintOrder, ArtHandle prep, ArtHandle* newArt);
    // A deep copy of ART placed by PAINTORDER relative to PREP (ART may be a pattern's art).
    ASErr(KZN_API* DuplicateArt)(ArtHandle art, ASInt32 paintOrder, ArtHandle prep,
                                 ArtHandle* newArt);
    // Moves ART to the place PAINTORDER gives relative to PREP.
    ASErr(KZN_API* ReorderArt)(ArtHandle art, ASInt32 paintOrder, ArtHandle prep);

    // The bounds of the art's geometry (a path's curve, without its stroke).
    ASErr(KZN_API* GetArtBounds)(ArtHandle art, AIRealRect* bounds);
    // The bounds of the art turned by ANGLE about the origin.
    ASErr(KZN_API* GetArtRotatedBounds)(ArtHandle art, AIReal angle, ASInt32 flags,
                                        AIRealRect* bounds);
    // The bounds the art would have under TRANSFORM; the art is not changed.
    ASErr(KZN_API* GetArtTransformBounds)(ArtHandle art, AIRealMatrix* transform, ASInt32 flags,
                                          AIRealRect* bounds);
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
    // A new layer placed relative to LAYER (kPlaceAbove: just above it), with the host's default
    // title.
    ASErr(KZN_API* InsertLayer)(LayerHandle layer, ASInt32 paintOrder, LayerHandle* newLayer);
};

// Colours.
constexpr ASInt32 kGrayColor = 0;
constexpr ASInt32 kFourColor = 1;
constexpr ASInt32 kPatternColor = 2;

struct AIGrayColorStyle {
    AIReal gray;  // a tint: 0 white, 1 black
};

struct AIFourColorStyle {
    AIReal cyan, magenta, yellow, black;
};

struct AIPatternStyle {
    PatternHandle pattern;
};

struct AIColor {
    ASInt32 kind;
    union {
        AIGrayColorStyle g;
        AIFourColorStyle f;
        AIPatternStyle p;
    } c;
};

// The name as a length-prefixed string of at most 255 bytes (NAME holds 256).
struct PatternSuite {
    ASErr(KZN_API* GetPatternName)(PatternHandle pattern, unsigned char* name);
    // The art the pattern is made of (a group), owned by the pattern.
    ASErr(KZN_API* GetPatternArt)(PatternHandle pattern, ArtHandle* art);
};

struct AIPathSegment {
    AIRealPoint p;    // the anchor point
    AIRealPoint in;   // the handle of the curve that comes in
    AIRealPoint out;  // the handle of the curve that goes out
    ASBoolean corner;
};

struct PathSuite {
    ASErr(KZN_API* GetPathSegmentCount)(ArtHandle path, ASInt32* count);
    // Sets the number of segments: new ones are copies of the last (or at the origin).
    ASErr(KZN_API* SetPathSegmentCount)(ArtHandle path, ASInt32 count);
    // COUNT segments from index SEGNUMBER on.
    ASErr(KZN_API* GetPathSegments)(ArtHandle path, ASInt32 segNumber, ASInt32 count,
                                    AIPathSegment* segments);
    // Writes COUNT segments from index SEGNUMBER on; the path grows when they run past its end.
    ASErr(KZN_API* SetPathSegments)(ArtHandle path, ASInt32 segNumber, ASInt32 count,
                                    const AIPathSegment* segments);
    ASErr(KZN_API* GetPathClosed)(ArtHandle path, ASBoolean* closed);
    ASErr(KZN_API* SetPathClosed)(ArtHandle path, ASBoolean closed);
};

struct AIFillStyle {
    AIColor color;
    ASBoolean overprint;
};

struct AIStrokeStyle {
    AIColor color;
    ASBoolean overprint;
    AIReal width;
    AIReal miterLimit;
    ASInt32 cap;   // 0 butt, 1 round, 2 projecting
    ASInt32 join;  // 0 miter, 1 round, 2 bevel
};

struct AIPathStyle {
    ASBoolean fillPaint;
    AIFillStyle fill;
    ASBoolean strokePaint;
    AIStrokeStyle stroke;
    ASBoolean clip;
    ASBoolean lockClip;
    ASBoolean evenodd;
    AIReal resolution;
};

struct PathStyleSuite {
    ASErr(KZN_API* GetPathStyle)(ArtHandle path, AIPathStyle* style);
    ASErr(KZN_API* SetPathStyle)(ArtHandle path, const AIPathStyle* style);
};

// The one tag type the plug-in uses.
constexpr const char kTagStringType[] = "string";

struct TagSuite {
    // Sets tag NAME of TYPE ("string") on the art to the zero-terminated VALUE.
    ASErr(KZN_API* SetTag)(ArtHandle art, const char* name, const char* type, const char* value);
    // *VALUE receives the tag's text, owned by the host until the tag changes; an error when the
    // art has no such tag.
    ASErr(KZN_API* GetTag)(ArtHandle art, const char* name, const char* type, const char** value);
};

// Kinds of text.
constexpr ASInt32 kPointText = 0;
constexpr ASInt32 kInPathText = 1;
constexpr ASInt32 kOnPathText = 2;

struct TextSuite {
    ASErr(KZN_API* GetTextType)(ArtHandle text, ASInt32* type);
};

struct TextRunSuite {};

using TextPathRef = struct KznOpaqueTextPath*;
using TextLineRef = struct KznOpaqueTextLine*;

// A line of text as the host lays it out.
struct AITextLineRecord {
    ASInt32 index;   // of the line in its text, from 0
    ASInt32 start;   // byte offset of its first character in the text
    ASInt32 length;  // its number of bytes
    AIReal x;        // where the line starts: for point text, the text's anchor
    AIReal y;
    AIReal width;
};

struct TextLineSuite {
    ASErr(KZN_API* GetFirstTextLine)(TextPathRef textPath, TextLineRef* line);
    ASErr(KZN_API* GetTextLineRecord)(TextLineRef line, AITextLineRecord* record);
};

struct TextPathSuite {
    // The object that lays out the text of text object ART (every text has one).
    ASErr(KZN_API* GetTextPath)(ArtHandle art, TextPathRef* textPath);
    // The path a text on a path runs along; null for other texts.
    ASErr(KZN_API* GetTextPathArt)(TextPathRef textPath, ArtHandle* path);
};
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

using SwatchListRef = struct KznOpaqueSwatchList*;

struct SwatchListSuite {
    // The first swatch of LIST (null: the current document's list); null when it is empty.
    ASErr(KZN_API* GetFirstSwatch)(SwatchListRef list, SwatchHandle* swatch);
    // The swatch after SWATCH in its list; null after the last.
    ASErr(KZN_API* GetNextSwatch)(SwatchHandle swatch, SwatchHandle* next);
    ASErr(KZN_API* GetAIColor)(SwatchHandle swatch, AIColor* color);
};

struct PlacedSuite {};

// Output kinds of a draw request.
constexpr ASInt32 kAIDrawArtPortOutput = 2;

struct AIDrawArtColor {
    unsigned short red, green, blue, alpha;
};

// Integer port coordinates, y growing downwards.
struct AIPortRect {
    ASInt32 left, top, right, bottom;
};

// A request to draw an art into a drawing port: the art is taken through MATRIX about ORIGIN
// (document coordinates), clipped to DESTCLIPRECT, and put into the port at PORTBOUNDS.
struct AIDrawArtData {
    ASInt32 version;
    ASInt32 flags;
    ASInt32 type;
    AIRealPoint origin;
    AIRealMatrix matrix;
    ArtHandle art;
    AIRealRect destClipRect;
    ASBoolean eraseDestClipRect;
    AIReal greekThreshold;
    AIDrawArtColor selectionColor;
    PortRef port;
    AIPortRect portBounds;
};

struct DrawArtSuite {
    ASErr(KZN_API* DrawArt)(AIDrawArtData* data);
};

// Every matrix operation of the host. "Concatenate N" onto M gives the matrix that applies M
// first, then N.
struct RealMathSuite {
    ASErr(KZN_API* AIRealMatrixSetScale)(AIRealMatrix* m, AIReal h, AIReal v);
    ASErr(KZN_API* AIRealMatrixSetRotate)(AIRealMatrix* m, AIReal angle);
    ASErr(KZN_API* AIRealMatrixSetTranslate)(AIRealMatrix* m, AIReal tx, AIReal ty);
    ASErr(KZN_API* AIRealMatrixConcatScale)(AIRealMatrix* m, AIReal h, AIReal v);
    ASErr(KZN_API* AIRealMatrixConcatRotate)(AIRealMatrix* m, AIReal angle);
    ASErr(KZN_API* AIRealMatrixConcatTranslate)(AIRealMatrix* m, AIReal tx, AIReal ty);
    ASErr(KZN_API* AIRealMatrixXformPoint)(const AIRealMatrix* m, const AIRealPoint* a,
                                           AIRealPoint* b);
    // The distance between A and B.
    ASErr(KZN_API* AIRealPointLength)(const AIRealPoint* a, const AIRealPoint* b, AIReal* length);
    // The point at T of the way from A to B (0: A, 1: B).
    ASErr(KZN_API* AIRealPointInterpolate)(const AIRealPoint* a, const AIRealPoint* b, AIReal t,
                                           AIRealPoint* result);
};

// Transform options.
constexpr ASInt32 kTransformObjects = 1;
constexpr ASInt32 kTransformFillPatterns = 4;
constexpr ASInt32 kScaleLines = 16;  // stroke widths are multiplied by the line scale

struct TransformArtSuite {
    ASErr(KZN_API* TransformArt)(ArtHandle art, AIRealMatrix* matrix, AIReal lineScale,
                                 ASInt32 flags);
};
struct DocumentSuite {};
struct UndoSuite {};
