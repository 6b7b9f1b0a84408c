#include "suites.h"

BasicSuite* sBasic = nullptr;

const BlocksSuite* sBlocks = nullptr;
const FilterSuite* sFilter = nullptr;
const ArtSuite* sArt = nullptr;
const LayerSuite* sLayer = nullptr;
const MenuSuite* sMenu = nullptr;
const PatternSuite* sPattern = nullptr;
const PathSuite* sPath = nullptr;
const PathStyleSuite* sPathStyle = nullptr;
const TagSuite* sTag = nullptr;
const TextSuite* sText = nullptr;
const TextRunSuite* sTextRun = nullptr;
const TextLineSuite* sTextLine = nullptr;
const TextPathSuite* sTextPath = nullptr;
const TextStreamSuite* sTextStream = nullptr;
const TextFaceStyleSuite* sTextFaceStyle = nullptr;
const SwatchListSuite* sSwatchList = nullptr;
const PlacedSuite* sPlaced = nullptr;
const DrawArtSuite* sDrawArt = nullptr;
const RealMathSuite* sRealMath = nullptr;
const TransformArtSuite* sTransformArt = nullptr;
const DocumentSuite* sDocument = nullptr;
const UndoSuite* sUndo = nullptr;
const ADMBasicSuite* sADMBasic = nullptr;
const ADMDialogSuite* sADMDialog = nullptr;
const ADMDialogGroupSuite* sADMDialogGroup = nullptr;
const ADMItemSuite* sADMItem = nullptr;
const ADMListSuite* sADMList = nullptr;
const ADMEntrySuite* sADMEntry = nullptr;
const ADMDrawerSuite* sADMDrawer = nullptr;
const ADMImageSuite* sADMImage = nullptr;
const ADMTrackerSuite* sADMTracker = nullptr;
const ADMNotifierSuite* sADMNotifier = nullptr;
