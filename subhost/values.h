// The values this host publishes: the numbers and names a module passes in its calls and gets
// back from them. They are the host's own, as an application's are. The module's headers
// (module/host/*.h) keep copies of them under the same names; inside namespace subhost these hide
// those copies, so that a copy that went wrong is served as this host reads the value, and is
// seen, instead of changing both sides at once. Suite names and versions are in the host's table
// of suites (suites/sp_suites.cpp).
#pragma once

#include "host/types.h"

namespace subhost {

// Art types.
constexpr ASInt32 kGroupArt = 1;
constexpr ASInt32 kPathArt = 2;
constexpr ASInt32 kCompoundPathArt = 3;
constexpr ASInt32 kTextArt = 4;

// User attributes of art.
constexpr ASInt32 kArtSelected = 1;
constexpr ASInt32 kArtLocked = 2;
constexpr ASInt32 kArtHidden = 4;

// Paint orders.
constexpr ASInt32 kPlaceAbove = 1;
constexpr ASInt32 kPlaceBelow = 2;
constexpr ASInt32 kPlaceInsideOnTop = 3;
constexpr ASInt32 kPlaceInsideOnBottom = 4;

// Colour kinds.
constexpr ASInt32 kGrayColor = 0;
constexpr ASInt32 kFourColor = 1;
constexpr ASInt32 kPatternColor = 2;

// The type of the tags the host keeps.
constexpr const char kTagStringType[] = "string";

// Kinds of text: at a point, inside a path (area text), along a path.
constexpr ASInt32 kPointText = 0;
constexpr ASInt32 kInPathText = 1;
constexpr ASInt32 kOnPathText = 2;

// Text stream modes.
constexpr ASInt32 kTextStreamRead = 1;
constexpr ASInt32 kTextStreamWrite = 2;

// Draw-art output kinds.
constexpr ASInt32 kAIDrawArtPortOutput = 2;

// Transform option bits.
constexpr ASInt32 kTransformObjects = 1;
constexpr ASInt32 kTransformFillPatterns = 4;
constexpr ASInt32 kScaleLines = 16;

// The dialog manager's colour list.
constexpr ASInt32 kADMBlackColor = 0;
constexpr ASInt32 kADMWhiteColor = 1;
constexpr ASInt32 kADMHiliteColor = 2;
constexpr ASInt32 kADMHiliteTextColor = 3;
constexpr ASInt32 kADMDisabledColor = 7;
constexpr ASInt32 kADMTextColor = 15;

// Item types.
constexpr const char kADMListBoxType[] = "ADM List Box Type";
constexpr const char kADMPopupListType[] = "ADM Popup List Type";
constexpr const char kADMPictureButtonType[] = "ADM Picture Push Button Type";
constexpr const char kADMTextEditType[] = "ADM Text Edit Type";
constexpr const char kADMTextStaticType[] = "ADM Text Static Type";
constexpr const char kADMTextPushButtonType[] = "ADM Text Push Button Type";

// Tracker actions.
constexpr ASInt32 kADMMouseDownAction = 1;
constexpr ASInt32 kADMKeyStrokeAction = 10;

// Notifier types.
constexpr const char kShowWindowNotifier[] = "ADM Show Window Notifier";
constexpr const char kUserChangedNotifier[] = "ADM User Changed Notifier";

// The items that close a dialog.
constexpr ASInt32 kOKItemID = 1;
constexpr ASInt32 kCancelItemID = 2;

// Messages: callers and selectors.
constexpr const char kSPInterfaceCaller[] = "SP Interface";
constexpr const char kStartupSelector[] = "Startup";
constexpr const char kShutdownSelector[] = "Shutdown";
constexpr const char kFilterCaller[] = "AI Filter";
constexpr const char kGoSelector[] = "AI Go";

// What the Windows calls the host stands in for are given (Windows' own numbers; on Windows these
// names are macros, so the host's copies have names of their own).
constexpr std::uint32_t kFileMustExistFlag = 0x00001000;        // OFN_FILEMUSTEXIST
constexpr std::uint32_t kMoveReplaceExistingFlag = 0x00000001;  // MOVEFILE_REPLACE_EXISTING
constexpr int kDebugReportWarn = 0;                             // _CRT_WARN

}  // namespace subhost
