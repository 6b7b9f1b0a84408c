// The process-wide suite pointers: null while the suite is not held. Every host call of the
// plug-in goes through one of these.
#pragma once

#include "adm.h"
#include "ai.h"
#include "sp.h"

extern BasicSuite* sBasic;

extern const BlocksSuite* sBlocks;
extern const FilterSuite* sFilter;
extern const ArtSuite* sArt;
extern const LayerSuite* sLayer;
extern const MenuSuite* sMenu;
extern const PatternSuite* sPattern;
extern const PathSuite* sPath;
extern const PathStyleSuite* sPathStyle;
extern const TagSuite* sTag;
extern const TextSuite* sText;
extern const TextRunSuite* sTextRun;
extern const TextLineSuite* sTextLine;
extern const TextPathSuite* sTextPath;
extern const TextStreamSuite* sTextStream;
extern const TextFaceStyleSuite* sTextFaceStyle;
extern const SwatchListSuite* sSwatchList;
extern const PlacedSuite* sPlaced;
extern const DrawArtSuite* sDrawArt;
extern const RealMathSuite* sRealMath;
extern const TransformArtSuite* sTransformArt;
extern const DocumentSuite* sDocument;
extern const UndoSuite* sUndo;
extern const ADMBasicSuite* sADMBasic;
extern const ADMDialogSuite* sADMDialog;
extern const ADMDialogGroupSuite* sADMDialogGroup;
extern const ADMItemSuite* sADMItem;
extern const ADMListSuite* sADMList;
extern const ADMEntrySuite* sADMEntry;
extern const ADMDrawerSuite* sADMDrawer;
extern const ADMImageSuite* sADMImage;
extern const ADMTrackerSuite* sADMTracker;
extern const ADMNotifierSuite* sADMNotifier;
