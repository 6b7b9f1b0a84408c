// Operations on the document's art shared by the dialogs and the replacement runs: tags on art
// trees, rotations, transformations and placement, the text objects of a layer, patterns by
// name, previews of art painted into list rows and the ground of those rows, text access, the
// anchor of a text, the layer a layer popup names and the arc that joins symbols.
#pragma once

#include <string>
#include <vector>

#include "host/adm.h"
#include "host/ai.h"
#include "host/lengthstring.h"
#include "host/suites.h"
#include "host/types.h"

// The tags the plug-in reads and writes (string tags).
// The name of the symbol (document pattern) an object is a copy of.
constexpr const char kObjectNameTag[] = "kznObjectName";
// The accumulated rotation of an object, as text written and read with "%f".
constexpr const char kAccumRotationTag[] = "BBAccumRotation";

// Transform options of the placement: objects, fill patterns and line widths.
constexpr ASInt32 kPlaceArtTransformOptions =
    kTransformObjects | kTransformFillPatterns | kScaleLines;  // 21

// Flags of PlaceArt.
constexpr ASInt32 kPlaceMove = 1;    // move to the point
constexpr ASInt32 kPlaceScale = 2;   // scale to the target height
constexpr ASInt32 kPlaceRotate = 4;  // rotate by the angle

// Writes the string tag NAME = VALUE on every leaf under ART (on ART itself when it is a leaf);
// groups and compound paths never get it. A null ART is left alone (0).
ASErr SetTagDeep(ArtHandle art, const char* name, const char* value);

// The rotation stored in "BBAccumRotation": a leaf's own, a container's when all its children
// agree exactly. 0 when nothing is known.
AIReal GetAccumRotation(ArtHandle art);

// Applies MATRIX to every leaf under ART and deselects every art it visits. The first error
// stops the walk and is returned.
ASErr TransformArtDeep(ArtHandle art, AIRealMatrix* matrix, AIReal lineScale, ASInt32 options);

// Moves ART by the transformation the flags compose (its lower-left corner to the origin, or
// flipped about its top-left corner, then scaled, rotated and moved to POINT) and returns the
// bounds it has after that.
AIRealRect PlaceArt(ArtHandle art, ASInt32 flags, const AIRealPoint& point, AIReal height,
                    AIReal angle, bool flip);

// Calls VISIT(pattern) for the pattern of every pattern swatch of the current document's swatch
// list, in list order, until VISIT returns false. The host's answers are not checked: a swatch
// whose colour cannot be had is passed over, and a failing or repeating walk ends.
template <typename Visit>
void ForEachPatternSwatch(Visit&& visit) {
    SwatchHandle swatch = nullptr;
    sSwatchList->GetFirstSwatch(nullptr, &swatch);
    while (swatch != nullptr) {
        AIColor color{};
        color.kind = -1;
        if (sSwatchList->GetAIColor(swatch, &color) == kNoErr && color.kind == kPatternColor &&
            !visit(color.c.p.pattern)) {
            return;
        }
        SwatchHandle next = nullptr;
        if (sSwatchList->GetNextSwatch(swatch, &next) != kNoErr || next == swatch) {
            next = nullptr;
        }
        swatch = next;
    }
}

// Calls VISIT(art) for every text object directly in GROUP (a layer's first art: its children
// are the layer's top-level objects), first to last; text inside groups is not visited. The
// host's answers are not checked: a failing walk ends, and so does one that gives an art back as
// its own sibling.
template <typename Visit>
void ForEachTextArt(ArtHandle group, Visit&& visit) {
    ArtHandle child = nullptr;
    if (sArt->GetArtFirstChild(group, &child) != kNoErr) {
        child = nullptr;
    }
    while (child != nullptr) {
        ASInt32 type = 0;
        sArt->GetArtType(child, &type);
        if (type == kTextArt) {
            visit(child);
        }
        ArtHandle next = nullptr;
        if (sArt->GetArtSibling(child, &next) != kNoErr || next == child) {
            next = nullptr;
        }
        child = next;
    }
}

// The part of NAME before its first line feed: names are compared and written so.
std::string TextBeforeLineFeed(const std::string& name);

// The first pattern of the document's swatch list whose name, cut at its first line feed,
// equals NAME cut the same way. kPatternNameErr ('NAM?') when there is none; *PATTERN is then
// left alone.
ASErr FindPatternByName(const CLengthString& name, PatternHandle* pattern);

// The scale that fits an art of WIDTH by HEIGHT into a box of BOXWIDTH by BOXHEIGHT (the
// smaller of the two ratios). An art extent of zero does not limit the scale; with both zero
// the scale is 1.
AIReal FitArtScale(AIReal boxWidth, AIReal boxHeight, AIReal width, AIReal height);

// A draw request for ART into PORT with everything set but origin, matrix, clip and port
// bounds.
AIDrawArtData NewDrawArtRequest(ArtHandle art, PortRef port);

// Paints ART, turned back by ANGLE, fitted into ROW of the drawer's list row. Returns the art's
// bounds under the drawing matrix.
AIRealRect DrawArtRotatedInRect(DrawerRef drawer, ArtHandle art, const ADMRect& row, AIReal angle);

// Paints ART (pattern art) fitted into ROW, turned by ANGLE and, with FLIP, upside down as
// port coordinates need it. Returns the art's bounds under the drawing matrix.
AIRealRect DrawArtInRect(DrawerRef drawer, ArtHandle art, const ADMRect& row, AIReal angle,
                         bool flip);

// The ground of a list row shown in two halves, as PaintTwoColumnRow leaves it.
struct TwoColumnRow {
    ADMRect bounds;     // the drawer's bounds
    ASInt32 middle;     // where the halves meet: half the row's width
    ASInt32 textColor;  // disabled text in a disabled list, highlight text when selected, text
};

// Paints the ground of ENTRY, a row of LIST, in two halves: the drawer's bounds filled with the
// row's background (the highlight when the row is selected in an enabled list, white otherwise)
// and a black line down the middle.
TwoColumnRow PaintTwoColumnRow(DrawerRef drawer, EntryRef entry, ListRef list);

// Reads the text of text object ART into BUFFER: at most *COUNT bytes; *COUNT receives the
// number read. BUFFER must hold *COUNT + 1 bytes; the text is zero-terminated, and one trailing
// CR is dropped (the count keeps it). Always returns 0.
ASErr GetArtText(ArtHandle art, char* buffer, ASInt32* count);

// Replaces the text of text object ART by TEXT. Always returns 0.
ASErr SetArtText(ArtHandle art, const char* text);

// The point a text sits at: the first anchor of its path for text on a path, the start of its
// first line otherwise.
AIRealPoint GetTextAnchor(ArtHandle art);

// The layer that the active entry of POPUP (a list of layers whose ids are layer indices) names,
// and that layer's first art, the group of its top-level objects. Both null when the popup has
// no active entry or either cannot be had.
void GetChosenLayer(ListRef popup, LayerHandle* layer, ArtHandle* group);

// Selects the first entry of POPUP whose text is the title of LAYER; false when there is none.
bool SelectLayerEntry(ListRef popup, LayerHandle layer);

// A new path above the first of ARTS: one upward arc from a fifth of REF's height above the top
// centre of the first art to the same height above the top centre of the last. Null for an
// empty list.
ArtHandle MakeArcPath(const std::vector<ArtHandle>& arts, const AIRealRect& ref);
