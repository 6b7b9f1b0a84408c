#include "suitetable.h"

#include "host/suitenames.h"
#include "host/suites.h"

namespace {

struct SuiteRow {
    const char* name;
    ASInt32 version;
    const void** pointer;
};

template <typename Suite>
const void** Slot(const Suite*& pointer) {
    return reinterpret_cast<const void**>(&pointer);
}

const SuiteRow kSuites[] = {
    {kBlocksSuite, kBlocksSuiteVersion, Slot(sBlocks)},
    {kFilterSuite, kFilterSuiteVersion, Slot(sFilter)},
    {kArtSuite, kArtSuiteVersion, Slot(sArt)},
    {kLayerSuite, kLayerSuiteVersion, Slot(sLayer)},
    {kMenuSuite, kMenuSuiteVersion, Slot(sMenu)},
    {kPatternSuite, kPatternSuiteVersion, Slot(sPattern)},
    {kPathSuite, kPathSuiteVersion, Slot(sPath)},
    {kPathStyleSuite, kPathStyleSuiteVersion, Slot(sPathStyle)},
    {kTagSuite, kTagSuiteVersion, Slot(sTag)},
    {kTextSuite, kTextSuiteVersion, Slot(sText)},
    {kTextRunSuite, kTextRunSuiteVersion, Slot(sTextRun)},
    {kTextLineSuite, kTextLineSuiteVersion, Slot(sTextLine)},
    {kTextPathSuite, kTextPathSuiteVersion, Slot(sTextPath)},
    {kTextStreamSuite, kTextStreamSuiteVersion, Slot(sTextStream)},
    {kTextFaceStyleSuite, kTextFaceStyleSuiteVersion, Slot(sTextFaceStyle)},
    {kSwatchListSuite, kSwatchListSuiteVersion, Slot(sSwatchList)},
    {kPlacedSuite, kPlacedSuiteVersion, Slot(sPlaced)},
    {kDrawArtSuite, kDrawArtSuiteVersion, Slot(sDrawArt)},
    {kRealMathSuite, kRealMathSuiteVersion, Slot(sRealMath)},
    {kTransformArtSuite, kTransformArtSuiteVersion, Slot(sTransformArt)},
    {kDocumentSuite, kDocumentSuiteVersion, Slot(sDocument)},
    {kUndoSuite, kUndoSuiteVersion, Slot(sUndo)},
    {kADMBasicSuite, kADMBasicSuiteVersion, Slot(sADMBasic)},
    {kADMDialogSuite, kADMDialogSuiteVersion, Slot(sADMDialog)},
    {kADMDialogGroupSuite, kADMDialogGroupSuiteVersion, Slot(sADMDialogGroup)},
    {kADMItemSuite, kADMItemSuiteVersion, Slot(sADMItem)},
    {kADMListSuite, kADMListSuiteVersion, Slot(sADMList)},
    {kADMEntrySuite, kADMEntrySuiteVersion, Slot(sADMEntry)},
    {kADMDrawerSuite, kADMDrawerSuiteVersion, Slot(sADMDrawer)},
    {kADMImageSuite, kADMImageSuiteVersion, Slot(sADMImage)},
    {kADMTrackerSuite, kADMTrackerSuiteVersion, Slot(sADMTracker)},
    {kADMNotifierSuite, kADMNotifierSuiteVersion, Slot(sADMNotifier)},
};

static_assert(sizeof kSuites / sizeof kSuites[0] == 32);

}  // namespace

ASErr AcquireSuites(BasicSuite* basic) {
    for (const SuiteRow& row : kSuites) {
        // Acquiring a held suite again would overwrite its pointer and leave the earlier
        // acquisition with the host for good; one pointer stands for one acquisition.
        if (row.pointer == nullptr || *row.pointer != nullptr) {
            continue;
        }
        const ASErr err = basic->AcquireSuite(row.name, row.version, row.pointer);
        if (err != kNoErr) {
            return err;
        }
        // A suite given without its functions cannot be used: it goes back at once, and the
        // acquisition failed.
        if (*row.pointer == nullptr) {
            basic->ReleaseSuite(row.name, row.version);
            return kBadParameterErr;
        }
    }
    return kNoErr;
}

ASErr ReleaseSuites(BasicSuite* basic) {
    for (const SuiteRow& row : kSuites) {
        if (row.pointer == nullptr || *row.pointer == nullptr) {
            continue;
        }
        const ASErr err = basic->ReleaseSuite(row.name, row.version);
        if (err != kNoErr) {
            return err;
        }
        *row.pointer = nullptr;
    }
    return kNoErr;
}
