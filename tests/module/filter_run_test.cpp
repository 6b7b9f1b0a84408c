// The filter run: which dialog opens for which menu command, and what is left afterwards.
#include <gtest/gtest.h>

#include "support/harness.h"

namespace {

using kzntest::CountCalls;
using kzntest::LoadedHost;

const ASErr kFail = FourCharCode('F', 'A', 'I', 'L');

struct Command {
    const char* filter;
    const char* trace;
    const char* dialog;
    int resource;
};

void PrintTo(const Command& c, std::ostream* os) {
    *os << c.filter;
}

class FilterRun : public ::testing::TestWithParam<Command> {};

TEST_P(FilterRun, OpensTheCommandsDialogModallyAndDeletesItAfterwards) {
    const Command& c = GetParam();
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    host->trace().Clear();

    EXPECT_EQ(host->RunFilter(c.filter), 0);

    const auto& runs = host->dialogs().runs();
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_EQ(runs[0].name, c.dialog);
    EXPECT_EQ(runs[0].resourceId, c.resource);
    EXPECT_EQ(runs[0].style, 0);
    EXPECT_TRUE(runs[0].modal);
    EXPECT_EQ(runs[0].plugin, host->self());
    EXPECT_EQ(runs[0].initResult, 0);
    EXPECT_EQ(runs[0].itemHit, kCancelItemID);  // no script: the person cancels
    EXPECT_TRUE(runs[0].destroyed);
    EXPECT_EQ(host->dialogs().liveDialogs(), 0U);
    EXPECT_EQ(host->dialogs().liveItems(), 0U);

    const auto lines = host->trace().Lines();
    ASSERT_GE(lines.size(), 4U);
    EXPECT_EQ(lines[2], "+kznFilterGo");
    EXPECT_EQ(lines[3], c.trace);
}

INSTANTIATE_TEST_SUITE_P(Commands, FilterRun,
                         ::testing::Values(Command{"t2t", "+t2t", "KZN_T2T", 101},
                                           Command{"t2o", "+t2o", "KZN_T2O", 102},
                                           Command{"o2o", "+o2o", "KZN_O2O", 103}),
                         [](const ::testing::TestParamInfo<Command>& info) {
                             return std::string(info.param.filter);
                         });

TEST(FilterRunEdges, AnUnknownHandleOpensNothingButStillTakesAndGivesBackTheSuites) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    ASSERT_EQ(host->Shutdown(), 0);
    host->trace().Clear();
    const std::size_t mark = host->calls().size();
    EXPECT_EQ(host->RunFilter(reinterpret_cast<FilterHandle>(0x4711)), 0);
    EXPECT_TRUE(host->dialogs().runs().empty());
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "AcquireSuite", mark), 32);
    EXPECT_EQ(CountCalls(*host, "SP Basic Suite", "ReleaseSuite", mark), 32);
    const auto lines = host->trace().Lines();
    EXPECT_EQ(lines.at(2), "+kznFilterGo");
    EXPECT_EQ(lines.at(3), "return 0");
}

TEST(FilterRunEdges, WordThreeHoldsThePluginReferenceOfTheLastFilterMessage) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    auto* words = static_cast<void**>(host->globals());
    EXPECT_EQ(words[3], nullptr);
    ASSERT_EQ(host->RunFilter("t2o"), 0);
    EXPECT_EQ(words[3], static_cast<void*>(host->self()));
}

TEST(FilterRunEdges, ReturnsZeroWhateverTheDialogDid) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);

    host->faults().Fail("ADM Dialog Suite", "Modal", kFail);
    EXPECT_EQ(host->RunFilter("t2t"), 0);

    host->dialogs().QueueScript([](subhost::DialogSession& s) { s.Ok(); });
    EXPECT_EQ(host->RunFilter("t2t"), 0);
    EXPECT_EQ(host->dialogs().runs().back().itemHit, kOKItemID);

    host->dialogs().QueueScript([](subhost::DialogSession& s) { s.Click(4242); });
    EXPECT_EQ(host->RunFilter("t2t"), 0);
    EXPECT_EQ(host->dialogs().scriptError(), "the dialog has no item 4242");
    EXPECT_EQ(host->TotalHeld(), 0);
}

TEST(FilterRunEdges, InitWithoutUserDataAnswersPARMAndTheDialogOpensWithNothingInstalled) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    host->faults().Fail("ADM Dialog Suite", "GetUserData", kFail);
    EXPECT_EQ(host->RunFilter("o2o"), 0);
    ASSERT_EQ(host->dialogs().runs().size(), 1U);
    EXPECT_EQ(host->dialogs().runs()[0].initResult, kBadParameterErr);
    EXPECT_EQ(host->dialogs().runs()[0].itemHit, kCancelItemID);
    EXPECT_TRUE(host->dialogs().runs()[0].destroyed);
    EXPECT_EQ(host->dialogs().liveDialogs(), 0U);
}

TEST(FilterRunEdges, TheDialogObjectGoesWithoutCallingTheHostAfterTheModalRun) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    ASSERT_EQ(host->Shutdown(), 0);
    ASSERT_EQ(host->RunFilter("t2t"), 0);
    // After the modal run only the suites are given back: deleting the dialog object calls no
    // dialog function.
    const std::size_t closed = host->dialogs().runs().at(0).callsWhenClosed;
    ASSERT_GT(closed, 0U);
    EXPECT_EQ(host->calls().size(), closed + 32);
    for (std::size_t i = closed; i < host->calls().size(); ++i) {
        EXPECT_EQ(host->calls()[i].call, "ReleaseSuite") << i;
    }
}

}  // namespace
