// The substitute host's own services: the basic suite, fault injection, the trace channel and
// the Windows substitutes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "host/win32.h"
#include "subhost/document/document.h"
#include "subhost/error.h"
#include "subhost/sjis.h"
#include "subhost/windows/substitutes.h"
#include "support/harness.h"

namespace {

using kzntest::LoadedHost;

TEST(BasicSuite, AcquiresByNameAndVersionAndCountsWhatIsHeld) {
    auto host = LoadedHost();
    BasicSuite* basic = host->basicSuite();
    const void* suite = nullptr;
    EXPECT_EQ(basic->AcquireSuite("ADM Dialog Suite", 3, &suite), 0);
    EXPECT_NE(suite, nullptr);
    EXPECT_EQ(basic->AcquireSuite("ADM Dialog Suite", 3, &suite), 0);
    EXPECT_EQ(host->Held("ADM Dialog Suite"), 2);

    const void* none = nullptr;
    EXPECT_EQ(basic->AcquireSuite("ADM Dialog Suite", 9, &none), subhost::kSuiteVersionErr);
    EXPECT_EQ(basic->AcquireSuite("No Such Suite", 1, &none), subhost::kSuiteNotFoundErr);
    EXPECT_EQ(none, nullptr);

    EXPECT_EQ(basic->ReleaseSuite("ADM Dialog Suite", 3), 0);
    EXPECT_EQ(basic->ReleaseSuite("ADM Dialog Suite", 3), 0);
    EXPECT_EQ(basic->ReleaseSuite("ADM Dialog Suite", 3), subhost::kSuiteNotHeldErr);
    EXPECT_EQ(host->TotalHeld(), 0);
}

TEST(BasicSuite, StringEqualityComparesWholeStrings) {
    auto host = LoadedHost();
    BasicSuite* basic = host->basicSuite();
    EXPECT_TRUE(basic->IsEqual("AI Go", "AI Go"));
    EXPECT_FALSE(basic->IsEqual("AI Go", "AI Go "));
    EXPECT_FALSE(basic->IsEqual("AI Go", nullptr));
}

TEST(Faults, FailTheNthCallFromWhenTheyWereArrangedOnce) {
    subhost::FaultPlan plan;
    plan.Fail("S", "C", 7, 2);
    EXPECT_EQ(plan.OnCall("S", "C"), std::nullopt);
    EXPECT_EQ(plan.OnCall("S", "D"), std::nullopt);
    EXPECT_EQ(plan.OnCall("S", "C"), 7);
    EXPECT_EQ(plan.OnCall("S", "C"), std::nullopt);
}

TEST(Faults, ANullOutValueIsGivenAfterTheCallWasCarriedOutAndTheCallIsMarkedAsGivingOne) {
    auto host = LoadedHost();
    host->faults().NullOut("SP Basic Suite", "AcquireSuite", 2);
    BasicSuite* basic = host->basicSuite();
    const void* first = nullptr;
    const void* second = nullptr;
    EXPECT_EQ(basic->AcquireSuite("AI Art Suite", 4, &first), 0);
    EXPECT_EQ(basic->AcquireSuite("AI Art Suite", 4, &second), 0);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(host->Held("AI Art Suite"), 2);  // carried out all the same
    EXPECT_TRUE(host->calls().back().pointerOut);
    EXPECT_EQ(basic->ReleaseSuite("AI Art Suite", 4), 0);
    EXPECT_FALSE(host->calls().back().pointerOut);
}

TEST(Document, ItsCheckFindsArtInTwoPlacesAndArtInNone) {
    subhost::Document document;
    subhost::Layer& layer = document.AddLayer(0, "layer", true);
    subhost::Art& group = document.NewArt(kGroupArt, layer.group);
    subhost::Art& path = document.NewArt(kPathArt, &group);
    EXPECT_THAT(document.Problems(), ::testing::IsEmpty());
    layer.group->children.push_back(&path);  // also directly on the layer
    EXPECT_THAT(document.Problems(), ::testing::Contains(::testing::HasSubstr("in two places")));
    layer.group->children.pop_back();
    group.children.clear();  // in no list at all
    EXPECT_THAT(document.Problems(), ::testing::ElementsAre("1 live art objects are in no place"));
}

TEST(Faults, AFailedCallIsNotCarriedOut) {
    auto host = LoadedHost();
    host->faults().Fail("SP Basic Suite", "AcquireSuite", FourCharCode('N', 'O', 'P', 'E'));
    const void* suite = nullptr;
    EXPECT_EQ(host->basicSuite()->AcquireSuite("AI Art Suite", 4, &suite),
              FourCharCode('N', 'O', 'P', 'E'));
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(host->TotalHeld(), 0);
    EXPECT_EQ(subhost::CodeName(FourCharCode('N', 'O', 'P', 'E')), "NOPE");
}

TEST(TraceChannel, CollectsPiecesIntoLinesAndKeepsAssertionsApart) {
    auto host = LoadedHost();
    subhost::SubstituteDebugOutput("\n");
    subhost::SubstituteDebugOutput("a1");
    subhost::SubstituteDebugOutput("b\nc\n");
    subhost::SubstituteAssertionReport("plugin", 42, "NULL");
    EXPECT_THAT(host->trace().Lines(), ::testing::ElementsAre("", "a1b", "c"));
    ASSERT_EQ(host->assertions().size(), 1U);
    EXPECT_EQ(host->assertions()[0].file, "plugin");
    EXPECT_EQ(host->assertions()[0].line, 42);
    EXPECT_EQ(host->assertions()[0].expression, "NULL");
}

TEST(Win32Substitutes, FileDialogRecordsTheRequestAndAnswersFromTheQueue) {
    auto host = LoadedHost();
    char file[260] = "start.txt";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.lpstrFilter = "Text (*.txt)\0*.txt\0CSV (*.csv)\0*.csv\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = OFN_FILEMUSTEXIST;

    EXPECT_FALSE(subhost::SubstituteGetOpenFileName(&ofn));  // nothing queued: cancelled
    const std::string existing = kzntest::SourcePath("README.md");
    host->win32().QueueFileAnswer(existing);
    host->win32().QueueFileAnswer(std::string("/nonexistent/table.txt"));
    EXPECT_TRUE(subhost::SubstituteGetOpenFileName(&ofn));
    EXPECT_EQ(std::string(file), existing);
    EXPECT_EQ(std::string(file + ofn.nFileOffset), "README.md");
    EXPECT_FALSE(subhost::SubstituteGetOpenFileName(&ofn));  // a file that must exist and does not

    host->win32().QueueFileAnswer(std::string("/nonexistent/table.txt"));
    EXPECT_TRUE(subhost::SubstituteGetSaveFileName(&ofn));  // saving may name a new file

    const auto& requests = host->win32().fileDialogs();
    ASSERT_EQ(requests.size(), 4U);
    EXPECT_EQ(requests[0].structSize, kzntest::kFileDialogRecordSize);
    EXPECT_EQ(requests[0].initialFile, "start.txt");
    EXPECT_EQ(requests[0].filters,
              (std::vector<std::string>{"Text (*.txt)", "*.txt", "CSV (*.csv)", "*.csv"}));
    EXPECT_EQ(requests[0].maxFile, 260U);
    EXPECT_FALSE(requests[0].save);
    EXPECT_TRUE(requests[3].save);
}

TEST(Win32Substitutes, MessageBoxIsRecordedAndAnsweredWithOK) {
    auto host = LoadedHost();
    EXPECT_EQ(subhost::SubstituteMessageBox(nullptr, "text", "KZN Plug-in error", MB_ICONWARNING),
              1);
    ASSERT_EQ(host->win32().messageBoxes().size(), 1U);
    EXPECT_EQ(host->win32().messageBoxes()[0].caption, "KZN Plug-in error");
    EXPECT_EQ(host->win32().messageBoxes()[0].type, MB_ICONWARNING);
}

TEST(ShiftJis, ConvertsAtTheEdgesAndShowsBytesThatAreNotText) {
    EXPECT_EQ(subhost::Utf8ToSjis("\xE8\xA8\x80"), std::string("\x8C\xBE"));  // 言
    EXPECT_EQ(subhost::SjisToUtf8("\x8C\xBE"), std::string("\xE8\xA8\x80"));
    EXPECT_EQ(subhost::SjisToUtf8("\x8C"), std::nullopt);  // cut inside a character
    EXPECT_EQ(subhost::ShowSjis("a\x8C"), "a\\x8C");
    EXPECT_EQ(subhost::Utf8ToSjis("\xF0\x9F\x98\x80"), std::nullopt);  // no Shift-JIS form
}

TEST(OneHost, OnlyOneHostServesAtATime) {
    auto host = LoadedHost();
    EXPECT_THROW(LoadedHost(), std::logic_error);
}

}  // namespace
