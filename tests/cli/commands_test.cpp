// kznhost info, trace and diff: what a person reads from them.
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

#include "cli/diff.h"
#include "cli/info.h"
#include "cli/trace.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Utf8;
using ::testing::HasSubstr;

TEST(Info, ShowsThePropertyListTheMenuAndEveryDialogInUtf8) {
    std::ostringstream out, err;
    EXPECT_EQ(kznhost::PrintInfo(kzntest::ModulePath(), out, err), 0);
    const std::string text = out.str();
    EXPECT_THAT(text, HasSubstr("ADBE kind  id 0  'SPEA'"));
    EXPECT_THAT(text, HasSubstr("ADBE wx86  id 0  \"PluginMain\""));
    EXPECT_THAT(text, HasSubstr("3 properties counted, 4 present"));
    EXPECT_THAT(text,
                HasSubstr(Utf8(u8"\"言語地図(&M)\" > \"&1) テキスト->テキスト置換\"  name t2t")));
    EXPECT_THAT(text, HasSubstr("(enabled while a document is open)"));
    EXPECT_THAT(text, HasSubstr(Utf8(u8"102 \"ﾃｷｽﾄ→ｵﾌﾞｼﾞｪｸﾄ\"  395 x 247  style 0x80C000C0  "
                                     u8"font 8 \"MS Sans Serif\"")));
    EXPECT_THAT(text, HasSubstr(Utf8(
                          u8" 1039  BUTTON                        \"併用地点のレイヤを作成する\"  "
                          u8"189, 221, 110, 8  0x50010003")));
    EXPECT_THAT(text, HasSubstr("group 108: icon 2 (32 x 32, 16 colours)"));
    EXPECT_EQ(err.str(), "");
}

TEST(Trace, RunsEveryCommandInMenuOrderAndGivesBackEverySuite) {
    std::ostringstream out, err;
    EXPECT_EQ(kznhost::PrintTrace(kzntest::ModulePath(), "", {}, out, err), 0);
    const std::string text = out.str();
    const std::size_t t2t = text.find("filter t2t");
    const std::size_t t2o = text.find("filter t2o");
    const std::size_t o2o = text.find("filter o2o");
    ASSERT_NE(o2o, std::string::npos);
    EXPECT_LT(t2t, t2o);
    EXPECT_LT(t2o, o2o);
    EXPECT_THAT(text, HasSubstr("dialog KZN_O2O (resource 103) opened and closed by item 2"));
    EXPECT_THAT(text, HasSubstr("  | +kznFilterGo\n"));
    EXPECT_THAT(text, HasSubstr("suites still held: 0"));

    std::ostringstream none;
    EXPECT_EQ(kznhost::PrintTrace(kzntest::ModulePath(), "", {"x2y"}, none, err), 2);
    EXPECT_THAT(err.str(), HasSubstr("no command named x2y"));
}

TEST(Diff, NamesTheChangedTextsLayerByLayer) {
    kzntest::TempDir dir;
    const std::string before = dir.Write("a.json", Utf8(u8R"({"kzn-document": 1, "layers": [
        {"title": "凡例", "art": [{"type": "text", "text": "題"}]},
        {"title": "調査地点", "art": [{"type": "text", "text": "マイマイ"},
                                     {"type": "text", "text": "ツブリ"}]}]})"));
    const std::string after = dir.Write("b.json", Utf8(u8R"({"kzn-document": 1, "layers": [
        {"title": "凡例", "art": [{"type": "text", "text": "題"}]},
        {"title": "調査地点", "art": [{"type": "text", "text": "maimai"},
                                     {"type": "text", "text": "ツブリ"},
                                     {"type": "group", "children": []}]}]})"));
    std::ostringstream out, err;
    EXPECT_EQ(kznhost::PrintDiff(before, after, out, err), 1);
    EXPECT_EQ(out.str(), Utf8(u8"layer 1 \"調査地点\": 2 changes\n"
                              u8"  art[0]: \"マイマイ\" -> \"maimai\"\n"
                              u8"  art[2]: new group\n"));
    std::ostringstream same;
    EXPECT_EQ(kznhost::PrintDiff(before, before, same, err), 0);
    EXPECT_EQ(same.str(), "no changes\n");
    EXPECT_EQ(kznhost::PrintDiff(before, dir / "missing.json", same, err), 2);
}

// Standard output that takes no byte, as a full disk.
class Refusing : public std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
};

TEST(Output, ACommandWhoseOutputIsLostSaysSoAndFails) {
    kzntest::TempDir dir;
    const std::string map =
        dir.Write("a.json", R"({"kzn-document": 1, "layers": [{"title": "a"}]})");
    Refusing refusing;
    std::ostream out(&refusing);
    std::ostringstream err;
    EXPECT_EQ(kznhost::PrintDiff(map, map, out, err), 2);
    EXPECT_EQ(kznhost::PrintInfo(kzntest::ModulePath(), out, err), 2);
    EXPECT_EQ(kznhost::PrintTrace(kzntest::ModulePath(), "", {}, out, err), 2);
    EXPECT_EQ(err.str(),
              "kznhost: the output cannot be written\nkznhost: the output cannot be written\n"
              "kznhost: the output cannot be written\n");
}

TEST(Output, KznhostWritingToAFullDiskExitsTwoWithOneLine) {
#ifdef _WIN32
    GTEST_SKIP() << "no device that refuses every byte here";
#else
    kzntest::TempDir dir;
    const std::string map =
        dir.Write("a.json", R"({"kzn-document": 1, "layers": [{"title": "a"}]})");
    const std::string command = std::string(KZN_KZNHOST_PATH) + " diff " + map + " " + map + " > " +
                                kzntest::FullDevice() + " 2> " + (dir / "err.txt");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(kzntest::TempDir::Read(dir / "err.txt"), "kznhost: the output cannot be written\n");
#endif
}

TEST(Inputs, AFolderOrAPipeGivenForAModuleOrAMapIsNamedInOneLine) {
    kzntest::TempDir dir;
    const std::string map =
        dir.Write("a.json", R"({"kzn-document": 1, "layers": [{"title": "a"}]})");
    std::vector<std::pair<std::string, std::string>> cases = {{dir.path(), "a folder"}};
#ifndef _WIN32
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);  // read, it would never end
    cases.push_back({dir / "pipe", "a pipe"});
#endif
    for (const auto& [file, kind] : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(kznhost::PrintInfo(file, out, err), 2);
        EXPECT_EQ(kznhost::PrintTrace(file, "", {}, out, err), 2);
        EXPECT_EQ(kznhost::PrintTrace(kzntest::ModulePath(), file, {}, out, err), 2);
        EXPECT_EQ(kznhost::PrintDiff(file, map, out, err), 2);
        EXPECT_EQ(kznhost::PrintDiff(map, file, out, err), 2);
        const std::string line = "kznhost: " + file + ": is " + kind + ", not a file\n";
        EXPECT_EQ(err.str(), line + line + line + line + line);
    }
}

#ifndef _WIN32
// Runs kznhost with ARGS in FOLDER; its exit status, with standard error in ERR.
int Kznhost(const std::string& folder, const std::string& args, std::string& err) {
    const std::string command =
        "cd " + folder + " && " + KZN_KZNHOST_PATH + " " + args + " > /dev/null 2> kznhost-err.txt";
    const int status = std::system(command.c_str());
    err = kzntest::TempDir::Read(folder + "/kznhost-err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Inputs, AnEmptyFileNameIsAUsageErrorAndAModuleNamedAloneIsTheOneInTheWorkingFolder) {
    kzntest::TempDir dir;
    dir.Write("a.json", R"({"kzn-document": 1, "layers": [{"title": "a"}]})");
    dir.Write("s.txt", "filter t2t\nok\n");
    std::string err;
    for (const auto& [args, option] : std::vector<std::pair<std::string, std::string>>{
             {"run --doc a.json --script s.txt --out ''", "--out"},
             {"trace --doc ''", "--doc"},
         }) {
        EXPECT_EQ(Kznhost(dir.path(), args, err), 2) << args;
        EXPECT_EQ(err, "kznhost: " + option +
                           ": a file name is needed, not an empty one (kznhost --help tells "
                           "what it takes)\n");
    }
    // Not looked for along the library path.
    std::filesystem::copy_file(kzntest::ModulePath(), dir / "copy.aip");
    EXPECT_EQ(Kznhost(dir.path(), "run --plugin copy.aip --doc a.json --script s.txt", err), 0);
    EXPECT_EQ(err, "");
}
#endif

TEST(Trace, OnAMapTheCommandsRunWithoutErrorsOrAssertions) {
    std::ostringstream out, err;
    EXPECT_EQ(kznhost::PrintTrace(kzntest::ModulePath(),
                                  kzntest::SourcePath("examples/snail-map.json"), {}, out, err),
              0)
        << err.str();
    EXPECT_THAT(out.str(), ::testing::Not(HasSubstr("ASErr")));
    EXPECT_THAT(out.str(), ::testing::Not(HasSubstr("assertion report")));
    EXPECT_THAT(out.str(), HasSubstr("dialog KZN_T2T"));
}

// Geometry changes, one line each: the maps below differ from kBefore in one way each.
const char8_t kBefore[] =
    u8R"({"kzn-document": 1, "layers": [
    {"title": "調査地点", "art": [
      {"type": "path", "segments": [{"p": [0, 0], "out": [1, 1]}, {"p": [10, 0]}]},
      {"type": "text", "text": "マイマイ", "anchor": [5, 5]},
      {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]}]})";

struct DiffCase {
    const char* name;
    const char8_t* after;
    const char8_t* printed;
    const char8_t* before = kBefore;
};

void PrintTo(const DiffCase& c, std::ostream* os) {
    *os << c.name;
}

class DiffLines : public ::testing::TestWithParam<DiffCase> {};

TEST_P(DiffLines, NameEachChangeOnALineOfItsOwn) {
    kzntest::TempDir dir;
    const std::string before = dir.Write("a.json", Utf8(GetParam().before));
    const std::string after = dir.Write("b.json", Utf8(GetParam().after));
    std::ostringstream out, err;
    EXPECT_EQ(kznhost::PrintDiff(before, after, out, err), 1);
    EXPECT_EQ(out.str(), Utf8(GetParam().printed));
    EXPECT_EQ(err.str(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, DiffLines,
    ::testing::Values(
        DiffCase{"PathMoved",
                 u8R"({"kzn-document": 1, "layers": [
            {"title": "調査地点", "art": [
              {"type": "path", "segments": [{"p": [2.5, -3], "out": [3.5, -2]}, {"p": [12.5, -3]}]},
              {"type": "text", "text": "マイマイ", "anchor": [5, 5]},
              {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]}]})",
                 u8"layer 0 \"調査地点\": 1 change\n"
                 u8"  art[0]: path moved by (2.5, -3)\n"},
        DiffCase{"PathReshaped",
                 u8R"({"kzn-document": 1, "layers": [
            {"title": "調査地点", "art": [
              {"type": "path", "segments": [{"p": [0, 0], "out": [2, 1]}, {"p": [10, 0]}]},
              {"type": "text", "text": "マイマイ", "anchor": [5, 5]},
              {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]}]})",
                 u8"layer 0 \"調査地点\": 1 change\n"
                 u8"  art[0]: path reshaped\n"},
        DiffCase{"NewGroupAndDeletedText",
                 u8R"({"kzn-document": 1, "layers": [
            {"title": "調査地点", "art": [
              {"type": "path", "segments": [{"p": [0, 0], "out": [1, 1]}, {"p": [10, 0]}]},
              {"type": "group", "tags": {"kznObjectName": "四角", "BBAccumRotation": "0.5"},
               "children": [{"type": "path"}]},
              {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]}]})",
                 u8"layer 0 \"調査地点\": 2 changes\n"
                 u8"  art[1]: text \"マイマイ\" removed\n"
                 u8"  art[1]: new group (BBAccumRotation \"0.5\", kznObjectName \"四角\")\n"},
        DiffCase{"NewTextBeforeAnother",
                 u8R"({"kzn-document": 1, "layers": [
            {"title": "調査地点", "art": [
              {"type": "path", "segments": [{"p": [0, 0], "out": [1, 1]}, {"p": [10, 0]}]},
              {"type": "text", "text": "ツブリ", "anchor": [1, 1]},
              {"type": "text", "text": "マイマイ", "anchor": [5, 5]},
              {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]}]})",
                 u8"layer 0 \"調査地点\": 1 change\n"
                 u8"  art[1]: new text \"ツブリ\"\n"},
        DiffCase{"TagSetAndChanged",
                 u8R"({"kzn-document": 1, "layers": [
            {"title": "調査地点", "art": [
              {"type": "path", "segments": [{"p": [0, 0], "out": [1, 1]}, {"p": [10, 0]}]},
              {"type": "text", "text": "マイマイ", "anchor": [5, 5], "tags": {"n": "1"}},
              {"type": "group", "tags": {"kznObjectName": "四角"}, "children": []}]}]})",
                 u8"layer 0 \"調査地点\": 2 changes\n"
                 u8"  art[1]: tag n set to \"1\"\n"
                 u8"  art[2]: tag kznObjectName \"丸\" -> \"四角\"\n"},
        DiffCase{"NewLayerAbove",
                 u8R"({"kzn-document": 1, "currentLayer": 1, "layers": [
            {"title": "レイヤー 2", "art": []},
            {"title": "調査地点", "art": [
              {"type": "path", "segments": [{"p": [0, 0], "out": [1, 1]}, {"p": [10, 0]}]},
              {"type": "text", "text": "maimai", "anchor": [5, 5]},
              {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]}]})",
                 u8"layer 0 \"レイヤー 2\": new\n"
                 u8"layer 1 \"調査地点\": 1 change\n"
                 u8"  art[1]: \"マイマイ\" -> \"maimai\"\n"}),
    [](const ::testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

// Code page 932 has one form for ¥ and \, 〜 and ～: the same bytes spelled otherwise differ.
TEST(Diff, SeesATextTitleOrTagSpelledOtherwise) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows' code page 932 gives ¥ and 〜 no form: such a map is refused there";
#endif
    kzntest::TempDir dir;
    const std::string before = dir.Write("a.json", Utf8(u8R"({"kzn-document": 1, "layers": [
      {"title": "A\\", "art": [{"type": "text", "text": "¥1", "tags": {"n": "〜"}},
                               {"type": "text", "text": "¥2"}]}]})"));
    const std::string after = dir.Write("b.json", Utf8(u8R"({"kzn-document": 1, "layers": [
      {"title": "A¥", "art": [{"type": "text", "text": "\\1", "tags": {"n": "～"}},
                             {"type": "text", "text": "¥2"}]}]})"));
    std::ostringstream out, err;
    EXPECT_EQ(kznhost::PrintDiff(before, after, out, err), 1);
    EXPECT_EQ(out.str(), Utf8(u8"layer 0 \"A¥\": 3 changes\n"
                              u8"  title: \"A\\\" -> \"A¥\"\n"
                              u8"  art[0]: \"¥1\" -> \"\\1\"\n"
                              u8"  art[0]: tag n \"〜\" -> \"～\"\n"));
    EXPECT_EQ(err.str(), "");
}

// Every key of art in the map form, changed alone, is a change of its own.
TEST(Diff, EachKeyOfArtChangedAloneIsNamed) {
    const struct {
        const char* before;
        const char* after;
        const char* line;  // after "art[0]"
    } cases[] = {
        {R"("type": "text")", R"("type": "text", "anchor": [0, 1])", ": text moved by (0, 1)"},
        {R"("type": "text")", R"("type": "text", "size": 14)", ": size 12 -> 14"},
        {R"("type": "text")", R"("type": "text", "matrix": [0, 1, -1, 0])",
         ": matrix [1, 0, 0, 1] -> [0, 1, -1, 0]"},
        {R"("type": "text")", R"("type": "text", "path": {"type": "path"})", ".path: new path"},
        {R"("type": "text", "path": {"type": "path", "segments": [{"p": [0, 0]}]})",
         R"("type": "text", "path": {"type": "path", "segments": [{"p": [0, 0], "in": [1, 1]}]})",
         ".path: path reshaped"},
        {R"("type": "text")", R"("type": "text", "hidden": true)", ": hidden false -> true"},
        {R"("type": "group", "locked": true)", R"("type": "group")", ": locked true -> false"},
        {R"("type": "path")", R"("type": "path", "selected": true)", ": selected false -> true"},
        {R"("type": "path")", R"("type": "path", "closed": true)", ": path reshaped"},
        {R"("type": "path", "segments": [{"p": [0, 0]}])",
         R"("type": "path", "segments": [{"p": [0, 0], "corner": true}])", ": path reshaped"},
        {R"("type": "path", "style": {"stroke": {"gray": 1}})",
         R"("type": "path", "style": {"stroke": {"gray": 1, "width": 2}})", ": path style changed"},
        {R"("type": "path")", R"("type": "path", "style": {"fill": {"gray": 0}})",
         ": path style changed"},
    };
    kzntest::TempDir dir;
    const auto map = [&](const char* name, const char* art) {
        return dir.Write(
            name, std::string(R"({"kzn-document": 1, "layers": [{"title": "L", "art": [{)") + art +
                      "}]}]}");
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(kznhost::PrintDiff(map("a.json", c.before), map("b.json", c.after), out, err), 1)
            << c.after;
        EXPECT_EQ(out.str(), std::string("layer 0 \"L\": 1 change\n  art[0]") + c.line + "\n");
    }
}

// Which object a line blames: children are paired first by all they hold, then by how alike
// they are (the place where they stand counts as much as a text's content or a group's tags).
INSTANTIATE_TEST_SUITE_P(
    Blame, DiffLines,
    ::testing::Values(DiffCase{"TheCopyThatWentIsRemoved",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "text", "text": "A", "anchor": [50, 50], "hidden": true}]}]})",
                               u8"layer 0 \"L\": 1 change\n"
                               u8"  art[0]: text \"A\" removed\n",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "text", "text": "A"},
            {"type": "text", "text": "A", "anchor": [50, 50], "hidden": true}]}]})"},
                      DiffCase{"TheCopyThatWentIsRemovedWhereverItStood",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "text", "text": "A", "anchor": [50, 50], "hidden": true}]}]})",
                               u8"layer 0 \"L\": 1 change\n"
                               u8"  art[1]: text \"A\" removed\n",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "text", "text": "A", "anchor": [50, 50], "hidden": true},
            {"type": "text", "text": "A"}]}]})"},
                      DiffCase{"KeptLabelsAreNotRemoved",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "group", "children": []},
            {"type": "text", "text": "y", "anchor": [3, 0], "hidden": true},
            {"type": "text", "text": "z", "anchor": [5, 0], "locked": true}]}]})",
                               u8"layer 0 \"L\": 4 changes\n"
                               u8"  art[0]: text \"x\" removed\n"
                               u8"  art[0]: new group\n"
                               u8"  art[2]: text \"y\" removed\n"
                               u8"  art[4]: text \"z\" removed\n",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "text", "text": "x", "anchor": [1, 0]},
            {"type": "text", "text": "y", "anchor": [3, 0], "hidden": true},
            {"type": "text", "text": "y", "anchor": [2, 0]},
            {"type": "text", "text": "z", "anchor": [5, 0], "locked": true},
            {"type": "text", "text": "z", "anchor": [4, 0]}]}]})"},
                      DiffCase{"SymbolsSwappedInTheirPlaces",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "group", "tags": {"kznObjectName": "黒丸"}, "children": [
              {"type": "path", "segments": [{"p": [0, 0]}], "style": {"fill": {"gray": 1}}}]},
            {"type": "group", "tags": {"kznObjectName": "黒丸"}, "children": [
              {"type": "path", "segments": [{"p": [10, 0]}], "style": {"fill": {"gray": 1}}}]},
            {"type": "group", "tags": {"kznObjectName": "白丸"}, "children": [
              {"type": "path", "segments": [{"p": [20, 0]}]}]}]}]})",
                               u8"layer 0 \"L\": 6 changes\n"
                               u8"  art[0]: tag kznObjectName \"白丸\" -> \"黒丸\"\n"
                               u8"  art[0][0]: path style changed\n"
                               u8"  art[1]: tag kznObjectName \"白丸\" -> \"黒丸\"\n"
                               u8"  art[1][0]: path style changed\n"
                               u8"  art[2]: tag kznObjectName \"黒丸\" -> \"白丸\"\n"
                               u8"  art[2][0]: path style changed\n",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "group", "tags": {"kznObjectName": "白丸"}, "children": [
              {"type": "path", "segments": [{"p": [0, 0]}]}]},
            {"type": "group", "tags": {"kznObjectName": "白丸"}, "children": [
              {"type": "path", "segments": [{"p": [10, 0]}]}]},
            {"type": "group", "tags": {"kznObjectName": "黒丸"}, "children": [
              {"type": "path", "segments": [{"p": [20, 0]}], "style": {"fill": {"gray": 1}}}]}]}]})"},
                      DiffCase{"OneAlikePairOverTwoUnlike",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "text", "text": "B", "anchor": [10, 5]},
            {"type": "text", "text": "C", "anchor": [20, 0]}]}]})",
                               u8"layer 0 \"L\": 3 changes\n"
                               u8"  art[0]: text \"A\" removed\n"
                               u8"  art[0]: text moved by (0, 5)\n"
                               u8"  art[1]: new text \"C\"\n",
                               u8R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "text", "text": "A", "anchor": [0, 0]},
            {"type": "text", "text": "B", "anchor": [10, 0]}]}]})"}),
    [](const ::testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

// The rest of a map: layers, the current layer, patterns (their art as the file has it, though
// the host keeps it upside down) and swatches.
const char8_t kDocument[] =
    u8R"({"kzn-document": 1, "layers": [{"title": "凡例"}, {"title": "調査地点"}],
    "patterns": [
      {"name": "丸", "art": {"type": "path", "segments": [{"p": [0, 0]}, {"p": [1, 1]}]}},
      {"name": "四角", "art": {"type": "group", "children": [
        {"type": "text", "text": "x", "anchor": [0, 1], "matrix": [1, 0.5, 0, 1]}]}}],
    "swatches": [{"pattern": "丸"}, {"gray": 0.5}, {"gray": 0.25}]})";

INSTANTIATE_TEST_SUITE_P(
    Document, DiffLines,
    ::testing::Values(
        DiffCase{"LayerLockedAndAnotherMadeCurrent",
                 u8R"({"kzn-document": 1, "currentLayer": 1,
            "layers": [{"title": "凡例", "editable": false}, {"title": "調査地点"}],
            "patterns": [
              {"name": "丸", "art": {"type": "path", "segments": [{"p": [0, 0]}, {"p": [1, 1]}]}},
              {"name": "四角", "art": {"type": "group", "children": [
                {"type": "text", "text": "x", "anchor": [0, 1], "matrix": [1, 0.5, 0, 1]}]}}],
            "swatches": [{"pattern": "丸"}, {"gray": 0.5}, {"gray": 0.25}]})",
                 u8"layer 0 \"凡例\": 1 change\n"
                 u8"  editable: true -> false\n"
                 u8"current layer: 0 \"凡例\" -> 1 \"調査地点\"\n",
                 kDocument},
        DiffCase{"LayersSwappedTheCurrentOneWithThem",
                 u8R"({"kzn-document": 1, "currentLayer": 1,
            "layers": [{"title": "調査地点"}, {"title": "凡例"}],
            "patterns": [
              {"name": "丸", "art": {"type": "path", "segments": [{"p": [0, 0]}, {"p": [1, 1]}]}},
              {"name": "四角", "art": {"type": "group", "children": [
                {"type": "text", "text": "x", "anchor": [0, 1], "matrix": [1, 0.5, 0, 1]}]}}],
            "swatches": [{"pattern": "丸"}, {"gray": 0.5}, {"gray": 0.25}]})",
                 u8"layer 1 \"凡例\": moved from 0\n", kDocument},
        DiffCase{"PatternsReorderedAndChanged",
                 u8R"({"kzn-document": 1, "layers": [{"title": "凡例"}, {"title": "調査地点"}],
            "patterns": [
              {"name": "四角", "art": {"type": "group", "children": [
                {"type": "text", "text": "x", "anchor": [0, 2], "matrix": [1, 0.25, 0, 1]}]}},
              {"name": "丸", "art": {"type": "path", "segments": [{"p": [0, 1]}, {"p": [1, 2]}]}}],
            "swatches": [{"pattern": "丸"}, {"gray": 0.5}, {"gray": 0.25}]})",
                 u8"pattern 0 \"四角\": 2 changes\n"
                 u8"  art[0]: text moved by (0, 1)\n"
                 u8"  art[0]: matrix [1, 0.5, 0, 1] -> [1, 0.25, 0, 1]\n"
                 u8"pattern 1 \"丸\": moved from 0\n"
                 u8"pattern 1 \"丸\": 1 change\n"
                 u8"  art: path moved by (0, 1)\n",
                 kDocument},
        DiffCase{"SwatchesReorderedChangedAndNew",
                 u8R"({"kzn-document": 1, "layers": [{"title": "凡例"}, {"title": "調査地点"}],
            "patterns": [
              {"name": "丸", "art": {"type": "path", "segments": [{"p": [0, 0]}, {"p": [1, 1]}]}},
              {"name": "四角", "art": {"type": "group", "children": [
                {"type": "text", "text": "x", "anchor": [0, 1], "matrix": [1, 0.5, 0, 1]}]}}],
            "swatches": [{"gray": 0.5}, {"pattern": "丸"}, {"gray": 0.2500001}, {"gray": 1}]})",
                 u8"swatch 1 (pattern \"丸\"): moved from 0\n"
                 u8"swatch 2: gray 0.25 -> gray 0.2500001\n"
                 u8"swatch 3 (gray 1): new\n",
                 kDocument}),
    [](const ::testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

}  // namespace
