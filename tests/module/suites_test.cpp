// The suites the module holds, seen from the host: what is acquired, what is released, and what
// stays held when a call fails.
#include <gtest/gtest.h>

#include "host/suitenames.h"
#include "support/harness.h"

namespace {

using kzntest::CountCalls;
using kzntest::LoadedHost;

const ASErr kFail = FourCharCode('F', 'A', 'I', 'L');

// The suites in the order the module acquires them.
const char* const kOrder[] = {
    kBlocksSuite,     kFilterSuite,      kArtSuite,       kLayerSuite,      kMenuSuite,
    kPatternSuite,    kPathSuite,        kPathStyleSuite, kTagSuite,        kTextSuite,
    kTextRunSuite,    kTextLineSuite,    kTextPathSuite,  kTextStreamSuite, kTextFaceStyleSuite,
    kSwatchListSuite, kPlacedSuite,      kDrawArtSuite,   kRealMathSuite,   kTransformArtSuite,
    kDocumentSuite,   kUndoSuite,        kADMBasicSuite,  kADMDialogSuite,  kADMDialogGroupSuite,
    kADMItemSuite,    kADMListSuite,     kADMEntrySuite,  kADMDrawerSuite,  kADMImageSuite,
    kADMTrackerSuite, kADMNotifierSuite,
};

TEST(Suites, StartupAcquiresAllThirtyTwoOnceAndShutdownReleasesThem) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    for (const char* name : kOrder) {
        EXPECT_EQ(host->Held(name), 1) << name;
    }
    EXPECT_EQ(host->TotalHeld(), 32);
    ASSERT_EQ(host->Shutdown(), 0);
    EXPECT_EQ(host->TotalHeld(), 0);
}

TEST(Suites, AcquireStopsAtTheFirstFailingRowAndKeepsEarlierRowsHeld) {
    auto host = LoadedHost();
    host->faults().Fail("SP Basic Suite", "AcquireSuite", kFail, 5);  // the menu suite
    EXPECT_EQ(host->Startup(), kFail);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(host->Held(kOrder[row]), 1) << kOrder[row];
    }
    EXPECT_EQ(host->TotalHeld(), 4);
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "AcquireSuite"), 5);
    // Without the menu suite start-up cannot finish: it stops with the error instead of calling
    // through a null suite.
    EXPECT_EQ(host->trace().Lines().at(3), "error");
    EXPECT_TRUE(host->filters().empty());

    ASSERT_EQ(host->Shutdown(), 0);
    EXPECT_EQ(host->TotalHeld(), 0);
}

TEST(Suites, ReleaseStopsAtAFailingRowAndKeepsTheRest) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    host->faults().Fail("SP Basic Suite", "ReleaseSuite", kFail, 3);  // the art suite
    EXPECT_EQ(host->Shutdown(), 0);  // shut-down does not act on it
    EXPECT_EQ(host->Held(kBlocksSuite), 0);
    EXPECT_EQ(host->Held(kFilterSuite), 0);
    EXPECT_EQ(host->Held(kArtSuite), 1);
    EXPECT_EQ(host->TotalHeld(), 30);

    // The pointers of the rows not released stay set, so a later release gives them back.
    const std::size_t mark = host->calls().size();
    ASSERT_EQ(host->Shutdown(), 0);
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "ReleaseSuite", mark), 30);
    EXPECT_EQ(host->TotalHeld(), 0);
}

TEST(Suites, ReleaseAfterReleaseIsHarmless) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    ASSERT_EQ(host->Shutdown(), 0);
    const std::size_t mark = host->calls().size();
    EXPECT_EQ(host->Shutdown(), 0);
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "ReleaseSuite", mark), 0);
    EXPECT_TRUE(host->errors().empty());
}

TEST(Suites, AFilterRunLeavesNothingHeldAndTheNextRunAcquiresAgain) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    ASSERT_EQ(host->RunFilter("t2t"), 0);
    EXPECT_EQ(host->TotalHeld(), 0);

    const std::size_t mark = host->calls().size();
    ASSERT_EQ(host->RunFilter("o2o"), 0);
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "AcquireSuite", mark), 32);
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "ReleaseSuite", mark), 32);
    EXPECT_EQ(host->TotalHeld(), 0);

    // Nothing is left for shut-down to give back.
    const std::size_t beforeShutdown = host->calls().size();
    ASSERT_EQ(host->Shutdown(), 0);
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "ReleaseSuite", beforeShutdown), 0);
    EXPECT_EQ(host->TotalHeld(), 0);
    for (const std::string& error : host->errors()) {
        EXPECT_EQ(error.find("SP Basic Suite"), std::string::npos) << error;
    }
}

TEST(Suites, AFilterRunWhoseAcquireFailsOpensNoDialogAndGivesBackWhatItGot) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    ASSERT_EQ(host->Shutdown(), 0);
    host->faults().Fail("SP Basic Suite", "AcquireSuite", kFail, 24);  // the dialog suite
    EXPECT_EQ(host->RunFilter("t2o"), 0);
    EXPECT_TRUE(host->dialogs().runs().empty());
    EXPECT_EQ(host->TotalHeld(), 0);
}

}  // namespace
