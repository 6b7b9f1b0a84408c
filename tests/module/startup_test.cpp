// Start-up: the globals block, the three filters of the Filter menu and their menu items.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/harness.h"

namespace {

using kzntest::CountCalls;
using kzntest::LoadedHost;

const ASErr kFail = FourCharCode('F', 'A', 'I', 'L');

// Shift-JIS bytes, as the module stores them.
const std::string kCategory = "言語地図(&M)";
const std::string kTitleT2T = "&1) テキスト->テキスト置換";
const std::string kTitleT2O = "&2) テキスト->オブジェクト置換";
const std::string kTitleO2O = "&3) オブジェクト->オブジェクト置換";

TEST(Startup, RegistersTheThreeFiltersInOrderWithTheirExactTexts) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    const auto& filters = host->filters();
    ASSERT_EQ(filters.size(), 3U);
    EXPECT_EQ(filters[0].name, "o2o");
    EXPECT_EQ(filters[0].title, kTitleO2O);
    EXPECT_EQ(filters[1].name, "t2o");
    EXPECT_EQ(filters[1].title, kTitleT2O);
    EXPECT_EQ(filters[2].name, "t2t");
    EXPECT_EQ(filters[2].title, kTitleT2T);
    for (const auto& f : filters) {
        EXPECT_EQ(f.category, kCategory) << f.name;
        EXPECT_EQ(f.options, 0) << f.name;
        EXPECT_EQ(f.plugin, host->self()) << f.name;
    }
    // The Shift-JIS form really is what went to the host: "言" is 0x8C 0xBE.
    EXPECT_EQ(static_cast<unsigned char>(filters[0].category[0]), 0x8C);
    EXPECT_EQ(static_cast<unsigned char>(filters[0].category[1]), 0xBE);
}

TEST(Startup, KeepsTheFilterHandlesInTheGlobalsBlock) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    ASSERT_EQ(host->blocks().size(), 1U);
    EXPECT_EQ(host->blocks()[0].name, "globals");
    EXPECT_EQ(host->blocks()[0].size, 4 * sizeof(void*));  // four words of the platform
#if defined(_WIN32) && !defined(_WIN64)
    EXPECT_EQ(host->blocks()[0].size, 16U);  // four 32-bit words, as the host allocates them
#endif
    auto* words = static_cast<void**>(host->globals());
    ASSERT_EQ(static_cast<void*>(words), static_cast<void*>(host->blocks()[0].data.get()));
    EXPECT_EQ(words[0], static_cast<void*>(host->FindFilter("t2t")->handle));
    EXPECT_EQ(words[1], static_cast<void*>(host->FindFilter("t2o")->handle));
    EXPECT_EQ(words[2], static_cast<void*>(host->FindFilter("o2o")->handle));
    EXPECT_EQ(words[3], nullptr);  // no filter message yet
}

TEST(Startup, EnablesEveryMenuItemWhileADocumentIsOpen) {
    auto host = LoadedHost();
    ASSERT_EQ(host->Startup(), 0);
    const subhost::MenuAutoUpdate expected{1, 0, 0, 0, 0, 0x40, 0};
    for (const auto& f : host->filters()) {
        ASSERT_TRUE(f.menu.has_value()) << f.name;
        EXPECT_EQ(*f.menu, expected) << f.name;
    }
    EXPECT_EQ(CountCalls(*host, "AI Filter Suite", "GetFilterMenuItem"), 3);
}

TEST(Startup, FailingO2ORegistrationIsTracedAsACheckedCallAndTheOthersAreRegistered) {
    auto host = LoadedHost();
    host->faults().Fail("AI Filter Suite", "AddFilter", kFail, 1);
    ASSERT_EQ(host->Startup(), 0);

    const int line = kzntest::LineOf(kzntest::SourcePath("module/frame/plugin.cpp"),
                                     "KznChecked(AddFilter(data->self, kO2O");
    ASSERT_GT(line, 0);
    const auto lines = host->trace().Lines();
    ASSERT_GE(lines.size(), 5U);
    EXPECT_EQ(lines[3], "ASErr:FAIL");
    EXPECT_EQ(lines[4], "plugin," + std::to_string(line));
    ASSERT_EQ(host->assertions().size(), 1U);
    EXPECT_EQ(host->assertions()[0].file, "plugin");
    EXPECT_EQ(host->assertions()[0].line, line);
    EXPECT_EQ(host->assertions()[0].expression, "NULL");

    ASSERT_EQ(host->filters().size(), 2U);
    EXPECT_EQ(host->filters()[0].name, "t2o");
    EXPECT_EQ(host->filters()[1].name, "t2t");
    // The o2o word stays empty; the other two menu items are still set up.
    EXPECT_EQ(static_cast<void**>(host->globals())[2], nullptr);
    EXPECT_TRUE(host->filters()[0].menu.has_value());
    EXPECT_TRUE(host->filters()[1].menu.has_value());
}

TEST(Startup, WithoutAGlobalsBlockNothingIsRegistered) {
    auto host = LoadedHost();
    host->faults().Fail("SP Blocks Suite", "AllocateBlock", kFail);
    EXPECT_EQ(host->Startup(), kFail);
    EXPECT_EQ(host->trace().Lines().at(3), "error");
    EXPECT_TRUE(host->filters().empty());
    EXPECT_EQ(host->globals(), nullptr);
    EXPECT_EQ(CountCalls(*host, "AI Filter Suite", "AddFilter"), 0);
}

// Each later failure stops start-up with the code; what was registered before stays.
struct LaterFailure {
    const char* suite;
    const char* call;
    int nth;
    std::size_t registered;
    bool anyMenuSet;
};

void PrintTo(const LaterFailure& f, std::ostream* os) {
    *os << f.suite << "/" << f.call << " #" << f.nth;
}

class StartupStops : public ::testing::TestWithParam<LaterFailure> {};

TEST_P(StartupStops, WithTheErrorAndKeepsWhatWasRegistered) {
    const LaterFailure& f = GetParam();
    auto host = LoadedHost();
    host->faults().Fail(f.suite, f.call, kFail, f.nth);
    EXPECT_EQ(host->Startup(), kFail);
    const auto lines = host->trace().Lines();
    EXPECT_EQ(lines.at(lines.size() - 3), "error");
    EXPECT_EQ(host->filters().size(), f.registered);
    // The block was cleared when it came: the words of filters that were not registered are
    // empty, not what the memory held.
    auto* words = static_cast<void**>(host->globals());
    ASSERT_NE(words, nullptr);
    const char* const names[] = {"t2t", "t2o", "o2o"};
    for (std::size_t i = 0; i < 3; ++i) {
        const subhost::FilterRecord* filter = host->FindFilter(names[i]);
        EXPECT_EQ(words[i], filter ? static_cast<void*>(filter->handle) : nullptr) << names[i];
    }
    EXPECT_EQ(words[3], nullptr);
    bool anyMenu = false;
    for (const auto& filter : host->filters()) {
        anyMenu = anyMenu || filter.menu.has_value();
    }
    EXPECT_EQ(anyMenu, f.anyMenuSet);
    EXPECT_TRUE(host->assertions().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartupStops,
    ::testing::Values(LaterFailure{"AI Filter Suite", "AddFilter", 2, 1, false},
                      LaterFailure{"AI Filter Suite", "AddFilter", 3, 2, false},
                      LaterFailure{"AI Filter Suite", "GetFilterMenuItem", 1, 3, false},
                      LaterFailure{"AI Menu Suite", "UpdateMenuItemAutomatically", 2, 3, true}),
    [](const ::testing::TestParamInfo<LaterFailure>& info) {
        return std::string(info.param.call) + "_" + std::to_string(info.param.nth);
    });

}  // namespace
