// The suite table walks, seen from the module's own suite pointers.
#include "fixture.h"

namespace {

const ASErr kFail = FourCharCode('F', 'A', 'I', 'L');

std::vector<const void*> Pointers() {
    return {sBlocks,         sFilter,       sArt,           sLayer,      sMenu,      sPattern,
            sPath,           sPathStyle,    sTag,           sText,       sTextRun,   sTextLine,
            sTextPath,       sTextStream,   sTextFaceStyle, sSwatchList, sPlaced,    sDrawArt,
            sRealMath,       sTransformArt, sDocument,      sUndo,       sADMBasic,  sADMDialog,
            sADMDialogGroup, sADMItem,      sADMList,       sADMEntry,   sADMDrawer, sADMImage,
            sADMTracker,     sADMNotifier};
}

std::size_t CountSet() {
    std::size_t n = 0;
    for (const void* p : Pointers()) {
        n += p != nullptr;
    }
    return n;
}

using SuiteTable = kzntest::LinkedModule;

TEST_F(SuiteTable, AcquireSetsEveryPointerAndReleaseClearsThem) {
    EXPECT_EQ(CountSet(), 0U);
    EXPECT_EQ(AcquireSuites(host().basicSuite()), 0);
    EXPECT_EQ(CountSet(), 32U);
    EXPECT_EQ(ReleaseSuites(host().basicSuite()), 0);
    EXPECT_EQ(CountSet(), 0U);
    EXPECT_EQ(host().TotalHeld(), 0);
}

TEST_F(SuiteTable, FailedAcquireKeepsTheEarlierRowsAndLeavesTheRestNull) {
    host().faults().Fail("SP Basic Suite", "AcquireSuite", kFail, 10);
    EXPECT_EQ(AcquireSuites(host().basicSuite()), kFail);
    const std::vector<const void*> pointers = Pointers();
    for (std::size_t row = 0; row < 32; ++row) {
        EXPECT_EQ(pointers[row] != nullptr, row < 9) << row;
    }
}

TEST_F(SuiteTable, FailedReleaseKeepsThatRowAndTheLaterOnesSet) {
    ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
    host().faults().Fail("SP Basic Suite", "ReleaseSuite", kFail, 5);
    EXPECT_EQ(ReleaseSuites(host().basicSuite()), kFail);
    const std::vector<const void*> pointers = Pointers();
    for (std::size_t row = 0; row < 32; ++row) {
        EXPECT_EQ(pointers[row] != nullptr, row >= 4) << row;
    }
    EXPECT_EQ(host().TotalHeld(), 28);
}

// A held suite stands for one acquisition: acquiring again must not take a second one that
// nothing would ever give back.
TEST_F(SuiteTable, AcquireDoesNotTakeAHeldSuiteAgain) {
    ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
    const std::size_t mark = host().calls().size();
    EXPECT_EQ(AcquireSuites(host().basicSuite()), 0);
    EXPECT_EQ(host().calls().size(), mark);
    EXPECT_EQ(host().TotalHeld(), 32);
    EXPECT_EQ(ReleaseSuites(host().basicSuite()), 0);
    EXPECT_EQ(host().TotalHeld(), 0);
}

TEST_F(SuiteTable, AFilterRunLeavesEveryPointerNull) {
    ASSERT_EQ(host().Startup(), 0);
    EXPECT_EQ(CountSet(), 32U);
    ASSERT_EQ(host().RunFilter("t2t"), 0);
    EXPECT_EQ(CountSet(), 0U);
    ASSERT_EQ(host().RunFilter("t2o"), 0);
    EXPECT_EQ(CountSet(), 0U);
    EXPECT_EQ(host().dialogs().runs().size(), 2U);
}

}  // namespace
