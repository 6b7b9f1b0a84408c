// PluginMain: its trace lines and which handler runs for which message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/harness.h"

namespace {

using kzntest::LoadedHost;
using ::testing::ElementsAre;

TEST(Dispatch, UnknownMessageIsAnsweredWithZeroAndTheFourTraceLines) {
    auto host = LoadedHost();
    EXPECT_EQ(host->Send("AI Menu", "Go Menu Item"), 0);
    EXPECT_THAT(host->trace().Lines(),
                ElementsAre("", "PluginMain(AI Menu, Go Menu Item)", "return 0", ""));
    EXPECT_TRUE(host->calls().empty());
}

TEST(Dispatch, KnownCallerWithUnknownSelectorRunsNoHandler) {
    auto host = LoadedHost();
    EXPECT_EQ(host->Send("SP Interface", "Reload"), 0);
    EXPECT_THAT(host->trace().Lines(),
                ElementsAre("", "PluginMain(SP Interface, Reload)", "return 0", ""));
    EXPECT_TRUE(host->calls().empty());
    EXPECT_TRUE(host->filters().empty());
}

TEST(Dispatch, EachOfTheThreeRowsRunsItsHandler) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    EXPECT_THAT(host->trace().Lines(),
                ElementsAre("", "PluginMain(SP Interface, Startup)",
                            "kznStartup(SP Interface,Startup)", "return 0", ""));
    EXPECT_EQ(host->filters().size(), 3U);

    host->trace().Clear();
    ASSERT_EQ(host->RunFilter("t2t"), 0);
    const auto lines = host->trace().Lines();
    ASSERT_GE(lines.size(), 4U);
    EXPECT_EQ(lines[1], "PluginMain(AI Filter, AI Go)");
    EXPECT_EQ(lines[2], "+kznFilterGo");
    EXPECT_EQ(lines[3], "+t2t");
    EXPECT_EQ(lines[lines.size() - 2], "return 0");

    host->trace().Clear();
    ASSERT_EQ(host->Shutdown(), 0);
    EXPECT_THAT(host->trace().Lines(),
                ElementsAre("", "PluginMain(SP Interface, Shutdown)", "return 0", ""));
}

TEST(Dispatch, HandlerResultIsReturnedAndTraced) {
    auto host = LoadedHost();
    const ASErr failure = FourCharCode('F', 'U', 'L', 'L');
    host->faults().Fail("SP Blocks Suite", "AllocateBlock", failure);
    EXPECT_EQ(host->Startup(), failure);
    const auto lines = host->trace().Lines();
    ASSERT_GE(lines.size(), 2U);
    EXPECT_EQ(lines[lines.size() - 2], "return " + std::to_string(failure));
}

// The handler must see the block that the host handed back with this very message, not one it
// remembered from an earlier message.
TEST(Dispatch, GlobalsPointerIsRefreshedBeforeEveryHandler) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    auto* startupBlock = static_cast<void**>(host->globals());
    ASSERT_NE(startupBlock, nullptr);

    void* handedBack[4] = {startupBlock[0], startupBlock[1], startupBlock[2], nullptr};
    host->SetGlobals(handedBack);
    ASSERT_EQ(host->RunFilter(host->FindFilter("o2o")->handle), 0);

    EXPECT_EQ(handedBack[3], static_cast<void*>(host->self()));
    EXPECT_EQ(startupBlock[3], nullptr);
    ASSERT_EQ(host->dialogs().runs().size(), 1U);
    EXPECT_EQ(host->dialogs().runs()[0].name, "KZN_O2O");
}

}  // namespace
