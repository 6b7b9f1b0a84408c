// The function tables of the suites the host serves, by name and version.
#pragma once

#include "host/adm.h"
#include "host/ai.h"

namespace subhost {

// The table of suite NAME at VERSION; nullptr when the host has no such suite (*nameKnown tells
// whether the name alone is known).
const void* FindSuite(const char* name, ASInt32 version, bool* nameKnown);

const void* BasicSuiteTable();

// The document suites.
extern const ArtSuite kArtTable;
extern const LayerSuite kLayerTable;
extern const TextStreamSuite kTextStreamTable;
extern const TagSuite kTagTable;
extern const PathSuite kPathTable;
extern const PathStyleSuite kPathStyleTable;
extern const TextSuite kTextTable;
extern const TextPathSuite kTextPathTable;
extern const TextLineSuite kTextLineTable;
extern const SwatchListSuite kSwatchListTable;
extern const PatternSuite kPatternTable;
extern const RealMathSuite kRealMathTable;
extern const TransformArtSuite kTransformArtTable;
extern const DrawArtSuite kDrawArtTable;

// The art suite's bounds queries (served with the rest of the geometry).
ASErr KZN_API GetArtBounds(ArtHandle art, AIRealRect* bounds);
ASErr KZN_API GetArtRotatedBounds(ArtHandle art, AIReal angle, ASInt32 flags, AIRealRect* bounds);
ASErr KZN_API GetArtTransformBounds(ArtHandle art, AIRealMatrix* transform, ASInt32 flags,
                                    AIRealRect* bounds);

// The dialog manager's suites.
extern const ADMBasicSuite kADMBasicTable;
extern const ADMDialogSuite kADMDialogTable;
extern const ADMItemSuite kADMItemTable;
extern const ADMListSuite kADMListTable;
extern const ADMEntrySuite kADMEntryTable;
extern const ADMDrawerSuite kADMDrawerTable;
extern const ADMImageSuite kADMImageTable;
extern const ADMTrackerSuite kADMTrackerTable;
extern const ADMNotifierSuite kADMNotifierTable;

}  // namespace subhost
