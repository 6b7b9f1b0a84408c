// kznhost run: session scripts over maps, as a person runs them.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "cli/run.h"
#include "cli/session.h"
#include "subhost/files.h"
#include "subhost/mapforms/mapforms.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::TempDir;
using kzntest::Utf8;

const char8_t kMap[] =
    u8R"({"kzn-document": 1, "layers": [
  {"title": "調査地点", "art": [{"type": "text", "text": "マイマイ"},
                               {"type": "text", "text": "デンデンムシ"}]},
  {"title": "基図", "editable": false, "art": []}]})";

class Run : public ::testing::Test {
  protected:
    void SetUp() override { map_ = dir_.Write("map.json", Utf8(kMap)); }

    // Runs SCRIPT (UTF-8) over the map; the status, with standard error in err_.
    int Session(const std::string& script, bool out = true) {
        err_.str("");
        const std::string path = dir_.Write("session.txt", script);
        kznhost::RunOptions options{kzntest::ModulePath(), map_, path, out ? dir_ / "out.json" : "",
                                    dir_ / "trace.txt"};
        return kznhost::RunSession(options, err_);
    }
    std::vector<std::string> Texts() {
        auto doc = subhost::ReadMap(dir_ / "out.json");
        std::vector<std::string> texts;
        for (const auto* art : doc->layers()[0]->group->children) {
            texts.push_back(art->text);
        }
        return texts;
    }
    bool Written() { return std::filesystem::exists(dir_ / "out.json"); }

    TempDir dir_;
    std::string map_;
    std::ostringstream err_;
};

TEST_F(Run, CarriesOutTheScriptAndWritesTheReplacedTexts) {
    dir_.Write("table.csv", "マイマイ,maimai\r\n");
    EXPECT_EQ(Session(Utf8(u8"# a comment\n\nfilter t2t\n  layer \"調査地点\"\n"
                           "file \"table.csv\"\nclick 1101\nrow 1011 1\n"
                           "type 1010 \"でん\\\"でん\\\\\"\nok\n")),
              0)
        << err_.str();
    EXPECT_THAT(Texts(), ::testing::ElementsAre("maimai", "でん\"でん\\"));
    EXPECT_EQ(err_.str(), "");
    const std::string trace = TempDir::Read(dir_ / "trace.txt");
    EXPECT_NE(trace.find(Utf8(u8"+Found Text Art:マイマイ\n")), std::string::npos);
}

TEST_F(Run, ATypedDestinationPastOneHundredBytesIsWarnedOfAndCut) {
    // Fifty two-byte characters fit; one more byte does not, and the character it would cut goes.
    std::string fitsJa;
    for (int i = 0; i < 50; ++i) {
        fitsJa += Utf8(u8"ま");
    }
    EXPECT_EQ(Session("filter t2t\nrow 1011 0\ntype 1010 \"" + fitsJa +
                      "\"\nrow 1011 1\ntype 1010 \"a" + fitsJa + "\"\nok\n"),
              0);
    std::string kept;  // the same fifty in Shift-JIS, as the map holds them
    for (int i = 0; i < 50; ++i) {
        kept += "\x82\xDC";
    }
    EXPECT_THAT(Texts(), ::testing::ElementsAre(kept, "a" + kept.substr(0, 49 * 2)));
    EXPECT_EQ(err_.str(),
              "kznhost: warning: " + dir_ / "session.txt" +
                  ":5: 101 bytes of Shift-JIS typed; a destination keeps its first 100\n");
}

TEST_F(Run, MessageBoxesGoToStandardErrorAndAreAnsweredWithOK) {
    EXPECT_EQ(Session("filter t2t\nfile \"no/such/folder.csv\"\nclick 1102\nok\n"), 0);
    EXPECT_EQ(err_.str(), Utf8(u8"message: KZN Plug-in error: ファイルを書き込めません\n"));
}

TEST_F(Run, AScriptThatEndsWithADialogOpenCancelsItWithAWarning) {
    EXPECT_EQ(Session("filter t2t\nrow 1011 \"" + Utf8(u8"マイマイ") + "\"\n"), 0);
    EXPECT_NE(err_.str().find("warning"), std::string::npos);
    EXPECT_THAT(Texts(), ::testing::ElementsAre(::testing::_, ::testing::_));
}

TEST_F(Run, ALineThatCannotBeCarriedOutExitsOneNamingItAndWritesNothing) {
    EXPECT_EQ(Session("filter t2t\nrow 1011 5\nok\n"), 1);
    EXPECT_THAT(err_.str(),
                ::testing::EndsWith("session.txt:2: item 1011 has no row 5 (it has 2)\n"));
    EXPECT_FALSE(Written());

    EXPECT_EQ(Session("ok\n"), 1);
    EXPECT_THAT(err_.str(), ::testing::EndsWith("session.txt:1: no dialog is open for \"ok\"\n"));
    EXPECT_EQ(Session("filter x2y\n"), 1);
    EXPECT_THAT(err_.str(), ::testing::HasSubstr("the Filter menu has no command named x2y"));
    EXPECT_EQ(Session(Utf8(u8"filter t2t\nlayer \"基図\"\nok\n")), 1);
    EXPECT_THAT(err_.str(), ::testing::EndsWith("session.txt:3: item 1 is disabled\n"));
    EXPECT_FALSE(Written());
}

TEST_F(Run, AMalformedScriptOrMapOrAMissingFileExitsTwoAndWritesNothing) {
    EXPECT_EQ(Session("filter t2t\nclick one\n"), 2);
    EXPECT_THAT(err_.str(), ::testing::HasSubstr("session.txt:2: expected click ITEM"));
    EXPECT_EQ(Session("type 1010 \"open\n"), 2);
    EXPECT_EQ(Session("fly away\n"), 2);
    // (Kept out of the macro: its text is also compiled as a Shift-JIS message.)
    const std::string noShiftJis = Utf8(u8"type 1010 \"😀\"\n");
    EXPECT_EQ(Session(noShiftJis), 2);
    EXPECT_THAT(err_.str(), ::testing::HasSubstr("no Shift-JIS form"));

    map_ = dir_ / "missing.json";
    EXPECT_EQ(Session("filter t2t\n"), 2);
    EXPECT_THAT(err_.str(), ::testing::HasSubstr("missing.json: cannot be read"));
    map_ = dir_.Write("bad.json", R"({"kzn-document": 1, "layers": [{"title": "a", "art": 3}]})");
    EXPECT_EQ(Session("filter t2t\n"), 2);
    EXPECT_THAT(err_.str(), ::testing::HasSubstr("bad.json: $.layers[0].art must be an array"));
    EXPECT_FALSE(Written());
}

// A pattern 100 deep fits a map, but its copy could not go into a row's group without being
// nested 101 deep: the host refuses the move, the copy is left out, and the map written reads
// back.
TEST_F(Run, ARowOfADeepPatternIsNeverNestedDeeperThanAMapHolds) {
    std::string deep = R"({"type": "path", "segments": [{"p": [0, 0]}, {"p": [4, 4]}]})";
    for (int level = 1; level < subhost::kMaxArtDepth; ++level) {
        deep = R"({"type": "group", "children": [)" + deep + "]}";
    }
    map_ = dir_.Write("deep.json", Utf8(u8R"({"kzn-document": 1, "layers": [
  {"title": "調査地点", "art": [{"type": "text", "text": "マイマイ", "anchor": [10, 20]}]}],
  "patterns": [{"name": "深", "art": )") +
                                       deep + Utf8(u8R"(},
               {"name": "丸", "art": {"type": "path", "closed": true, "segments":
                 [{"p": [0, 0]}, {"p": [4, 0]}, {"p": [4, 4]}]}}],
  "swatches": [{"pattern": "深"}, {"pattern": "丸"}]})"));
    dir_.Write("symbols.csv", "マイマイ,深,丸\r\n");
    EXPECT_EQ(Session(Utf8(u8"filter t2o\nfile \"symbols.csv\"\nclick 1101\ncheck 1132 on\nok\n")),
              0)
        << err_.str();
    std::unique_ptr<subhost::Document> doc;
    ASSERT_NO_THROW(doc = subhost::ReadMap(dir_ / "out.json"));
    const auto& layer = doc->layers()[0]->group->children;
    ASSERT_EQ(layer.size(), 1U);  // the row; the label it replaced is gone
    std::vector<std::string> names;
    for (const auto* art : layer[0]->children) {
        if (art->tags.count("kznObjectName") != 0) {
            names.push_back(art->tags.at("kznObjectName"));
        }
    }
    EXPECT_THAT(names, ::testing::ElementsAre("丸"));
    EXPECT_NE(TempDir::Read(dir_ / "trace.txt").find(Utf8(u8"*NotGrouped:マイマイ\n")),
              std::string::npos);
}

// Code page 932 has one form for several characters (¥ and \, 〜 and ～, ...): a text that no
// command changed is written as the map spelled it; a text a command replaced is converted.
TEST_F(Run, TextsNoCommandChangedAreWrittenAsTheMapSpelledThem) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows' code page 932 gives most of these characters no form: such a map is "
                    "refused there, not changed";
#endif
    const std::string odd = Utf8(u8"¥‾〜−‖¢¬—");
    map_ = dir_.Write("odd.json", Utf8(u8R"({"kzn-document": 1, "layers": [
  {"title": ")") + odd + Utf8(u8R"(", "art": [
    {"type": "text", "text": ")") + odd +
                                      Utf8(u8R"(", "tags": {"note": ")") + odd + Utf8(u8R"("}},
    {"type": "text", "text": "マイマイ〜"}]}],
  "patterns": [{"name": ")") + odd + Utf8(u8R"(", "art": {"type": "group"}}],
  "swatches": [{"pattern": ")") + odd +
                                      R"("}]})");
    dir_.Write("table.csv",
               "\x83\x7D\x83\x43\x83\x7D\x83\x43\x81\x60,m\x81\x60\r\n");  // マイマイ～,m～
    ASSERT_EQ(Session("filter t2t\nfile \"table.csv\"\nclick 1101\nok\n"), 0) << err_.str();
    const std::string out = TempDir::Read(dir_ / "out.json");
    // The title, the text, the tag, the pattern and the swatch as they were; the replaced text
    // in the converted form of its new bytes.
    std::size_t kept = 0;
    for (std::size_t at = out.find(odd); at != std::string::npos; at = out.find(odd, at + 1)) {
        ++kept;
    }
    EXPECT_EQ(kept, 5U) << out;
    EXPECT_NE(out.find(Utf8(u8"\"m～\"")), std::string::npos) << out;
}

TEST_F(Run, TextToObjectReplacesTheLabelsBySymbolsOnANewLayer) {
    map_ = dir_.Write("symbols.json", Utf8(u8R"({"kzn-document": 1, "layers": [
  {"title": "調査地点", "art": [{"type": "text", "text": "マイマイ", "anchor": [10, 20]},
                               {"type": "text", "text": "ツブリ", "anchor": [30, 40]}]}],
  "patterns": [{"name": "丸", "art": {"type": "path", "closed": true, "segments":
                 [{"p": [0, 0]}, {"p": [4, 0]}, {"p": [4, 4]}, {"p": [0, 4]}]}}],
  "swatches": [{"pattern": "丸"}]})"));
    dir_.Write("symbols.csv", "マイマイ,丸\r\n");
    EXPECT_EQ(Session(Utf8(u8"filter t2o\nfile \"symbols.csv\"\nclick 1101\n"
                           u8"check 1132 on\ncheck 1041 on\nok\n")),
              0)
        << err_.str();
    auto doc = subhost::ReadMap(dir_ / "out.json");
    ASSERT_EQ(doc->layers().size(), 2U);
    const auto& symbols = doc->layers()[0]->group->children;
    ASSERT_EQ(symbols.size(), 1U);
    EXPECT_EQ(symbols[0]->tags.at("kznObjectName"), "丸");
    // Centred on the label's anchor, upright: the pattern's first point, its bottom-left corner
    // as written, is the copy's bottom-left corner.
    EXPECT_NEAR(symbols[0]->segments[0].p.x, 8, 0.005);
    EXPECT_NEAR(symbols[0]->segments[0].p.y, 18, 0.005);
    // The replaced label is gone; the one without a symbol stays.
    const auto& survey = doc->layers()[1]->group->children;
    ASSERT_EQ(survey.size(), 1U);
    EXPECT_EQ(survey[0]->text, "ツブリ");
    EXPECT_NE(TempDir::Read(dir_ / "trace.txt").find(Utf8(u8"*TargetText:マイマイ\n")),
              std::string::npos);
}

TEST_F(Run, TheSampleSessionsRunOnTheSampleMap) {
    for (const char* script : {"t2t-session.txt", "t2o-session.txt"}) {
        map_ = kzntest::SourcePath("examples/snail-map.json");
        err_.str("");
        kznhost::RunOptions options{kzntest::ModulePath(), map_,
                                    kzntest::SourcePath(std::string("examples/") + script),
                                    dir_ / "out.json", ""};
        EXPECT_EQ(kznhost::RunSession(options, err_), 0) << script << ": " << err_.str();
    }
}

// Object to object on what text to object left: the sample table swaps the two circles, and each
// symbol is replaced once.
TEST_F(Run, ObjectToObjectSwapsTheCirclesTextToObjectPlaced) {
    const auto runScript = [&](const std::string& map, const char* script, const std::string& out) {
        err_.str("");
        kznhost::RunOptions options{kzntest::ModulePath(), map,
                                    kzntest::SourcePath(std::string("examples/") + script), out,
                                    ""};
        EXPECT_EQ(kznhost::RunSession(options, err_), 0) << script << ": " << err_.str();
    };
    runScript(kzntest::SourcePath("examples/snail-map.json"), "t2o-session.txt", dir_ / "t2o.json");
    runScript(dir_ / "t2o.json", "o2o-session.txt", dir_ / "o2o.json");

    // The names of the symbols of the single-symbol layer, in map order.
    const auto names = [](const std::string& path) {
        auto doc = subhost::ReadMap(path);
        std::vector<std::string> found;
        for (const auto* layer : doc->layers()) {
            if (layer->title != "レイヤー 5") {
                continue;
            }
            for (const auto* art : layer->group->children) {
                found.push_back(art->tags.count("kznObjectName") ? art->tags.at("kznObjectName")
                                                                 : "");
            }
        }
        return found;
    };
    const auto before = names(dir_ / "t2o.json");
    const auto after = names(dir_ / "o2o.json");
    ASSERT_EQ(before.size(), after.size());
    int swapped = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == "黒丸" || before[i] == "白丸") {
            EXPECT_EQ(after[i], before[i] == "黒丸" ? "白丸" : "黒丸") << i;
            ++swapped;
        } else {
            EXPECT_EQ(after[i], before[i]) << i;
        }
    }
    EXPECT_GT(swapped, 0);
}

TEST_F(Run, TheReadmesExampleScriptRunsAsPrinted) {
    // The script is the first fenced block of the README that picks a Filter command.
    const std::string readme = TempDir::Read(kzntest::SourcePath("README.md"));
    std::size_t start = readme.find("```\n");
    std::string example;
    while (start != std::string::npos && example.empty()) {
        const std::size_t body = start + 4;
        const std::size_t end = readme.find("```", body);
        ASSERT_NE(end, std::string::npos);
        const std::string block = readme.substr(body, end - body);
        if (block.find("filter t2t") != std::string::npos) {
            example = block;
        }
        start = readme.find("```\n", end + 3);
    }
    ASSERT_FALSE(example.empty()) << "README.md has no example session script";
    dir_.Write("my-table.csv", "マイマイ,mymy\r\n");
    EXPECT_EQ(Session(example), 0) << err_.str();
    EXPECT_EQ(err_.str(), "");
    EXPECT_THAT(Texts(), ::testing::ElementsAre("maimai", "デンデンムシ"));
}

TEST_F(Run, WarnsOfAFileAnswerThatCannotBePickedAndOfAUtf8Table) {
    EXPECT_EQ(Session("filter t2t\nfile \"missing.csv\"\nclick 1101\nok\n"), 0);
    // (The folder and the name are joined with the system's separator.)
    EXPECT_THAT(err_.str(), ::testing::StartsWith("kznhost: warning: " + dir_.path()));
    EXPECT_THAT(err_.str(),
                ::testing::EndsWith("missing.csv: no such file; the file dialog was cancelled\n"));

    dir_.Write("utf8.csv", Utf8(u8"マイマイ,maimai\r\n"));
    EXPECT_EQ(Session("filter t2t\nfile \"utf8.csv\"\nclick 1101\nok\n"), 0);
    EXPECT_THAT(err_.str(), ::testing::StartsWith("kznhost: warning: " + dir_.path()));
    EXPECT_THAT(err_.str(),
                ::testing::HasSubstr("utf8.csv: looks like UTF-8; table files are Shift-JIS\n"));
    dir_.Write("sjis.csv", "マイマイ,maimai\r\n");
    EXPECT_EQ(Session("filter t2t\nfile \"sjis.csv\"\nclick 1101\nok\n"), 0);
    EXPECT_EQ(err_.str(), "");
}

TEST_F(Run, ATraceThatCannotBeWrittenFailsTheRunAndNoMapIsWritten) {
    const std::string script = dir_.Write("session.txt", "filter t2t\ncancel\n");
    kznhost::RunOptions options{kzntest::ModulePath(), map_, script, dir_ / "out.json",
                                dir_ / "no/such/folder/trace.txt"};
    EXPECT_EQ(kznhost::RunSession(options, err_), 2);
    EXPECT_THAT(err_.str(), ::testing::StartsWith("kznhost: " + dir_ / "no/such/folder/trace.txt" +
                                                  ": cannot be written"));
    const std::string said = err_.str();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_FALSE(Written());
}

TEST_F(Run, AFolderGivenForAFileIsNamedInOneLine) {
    std::filesystem::create_directory(dir_ / "folder");
    const std::string script = dir_.Write("session.txt", "filter t2t\ncancel\n");
    const std::string folder = dir_ / "folder";
    for (const auto& [options, named] :
         {std::pair{kznhost::RunOptions{kzntest::ModulePath(), folder, script, "", ""}, folder},
          std::pair{kznhost::RunOptions{kzntest::ModulePath(), map_, folder, "", ""}, folder},
          std::pair{kznhost::RunOptions{folder, map_, script, "", ""}, folder},
          std::pair{kznhost::RunOptions{kzntest::ModulePath(), map_, script, folder, ""},
                    folder}}) {
        err_.str("");
        EXPECT_EQ(kznhost::RunSession(options, err_), 2);
        const std::string said = err_.str();
        EXPECT_THAT(said, ::testing::StartsWith("kznhost: " + named + ": is a folder"));
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(Run, AnOutputThatIsAnInputOrAnotherOutputIsRefusedBeforeAnythingRuns) {
    const std::string script = dir_.Write(
        "session.txt", "file \"table.csv\"\nfilter t2t\nclick 1101\nsnapshot \"shot.png\"\nok\n");
    const std::string table = dir_.Write("table.csv", "マイマイ,maimai\r\n");
    const std::string plugin = dir_ / "kzn.aip";
    std::filesystem::copy_file(kzntest::ModulePath(), plugin);
#ifdef _WIN32
    std::filesystem::create_hard_link(table, dir_ / "link.csv");  // Wine makes no symbolic links
#else
    std::filesystem::create_symlink("table.csv", dir_ / "link.csv");
#endif
    std::filesystem::create_hard_link(map_, dir_ / "hard.json");
    // The snapshot as the script's folder and its name join on this system.
    const std::string shot = (std::filesystem::path(dir_.path()) / "shot.png").string();
    // Files compare as what they are, not by their names.
    const std::string dotMap = dir_.path() + "/./map.json";
    struct Case {
        std::string out, trace, says;
    };
    for (const Case& c : std::vector<Case>{
             {"", dotMap, dotMap + ": --trace would write over --doc"},
             {map_, dir_ / "hard.json", dir_ / "hard.json: --trace would write over --doc"},
             {"", script, script + ": --trace would write over --script"},
             {plugin, "", plugin + ": --out would write over --plugin"},
             {"", dir_ / "link.csv",
              dir_ / "link.csv: --trace would write over the table file of " + script + ":1"},
             {dir_ / "r.json", dir_.path() + "/./r.json",
              dir_.path() + "/./r.json: --out and --trace would write the same file"},
             {dir_ / "shot.png", "",
              shot + ": --out and the snapshot of " + script + ":4 would write the same file"},
         }) {
        err_.str("");
        const kznhost::RunOptions options{plugin, map_, script, c.out, c.trace};
        EXPECT_EQ(kznhost::RunSession(options, err_), 2) << c.says;
        EXPECT_EQ(err_.str(), "kznhost: " + c.says + "\n");
    }
    EXPECT_EQ(TempDir::Read(map_), Utf8(kMap));
    EXPECT_EQ(TempDir::Read(table), "マイマイ,maimai\r\n");
    EXPECT_EQ(TempDir::Read(script).substr(0, 4), "file");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "r.json"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "shot.png"));
}

TEST_F(Run, OutMayUpdateTheMapItReadsAndOutputsMayShareADevice) {
    const std::string script = dir_.Write(
        "session.txt", Utf8(u8"filter t2t\nrow 1011 \"マイマイ\"\ntype 1010 \"maimai\"\nok\n"));
    const kznhost::RunOptions options{kzntest::ModulePath(), map_, script,
                                      dir_.path() + "/./map.json", ""};
    EXPECT_EQ(kznhost::RunSession(options, err_), 0) << err_.str();
    auto doc = subhost::ReadMap(map_);
    EXPECT_EQ(doc->layers()[0]->group->children[0]->text, "maimai");
#ifndef _WIN32
    const kznhost::RunOptions devices{kzntest::ModulePath(), map_,
                                      dir_.Write("plain.txt", "filter t2t\nok\n"), "/dev/null",
                                      "/dev/null"};
    EXPECT_EQ(kznhost::RunSession(devices, err_), 0) << err_.str();
#endif
    EXPECT_EQ(err_.str(), "");
}

TEST_F(Run, AnInputThatIsNoRegularFileOrTooLargeIsNamedInOneLineUnread) {
#ifdef _WIN32
    GTEST_SKIP() << "named pipes and devices are POSIX";
#else
    const std::string pipe = dir_ / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string map = dir_.Write("huge.json", "");
    std::filesystem::resize_file(map, subhost::kMapBound.bytes + 1);  // sparse: it takes no room
    const std::string script = dir_.Write("session.txt", "filter t2t\nok\n");
    const std::string m = kzntest::ModulePath();
    for (const auto& [options, says] : std::vector<std::pair<kznhost::RunOptions, std::string> >{
             {{m, pipe, script, "", ""}, pipe + ": is a pipe, not a file"},
             {{m, map_, "/dev/zero", "", ""}, "/dev/zero: is a device, not a file"},
             {{pipe, map_, script, "", ""}, pipe + ": is a pipe, not a file"},
             {{m, map, script, "", ""}, map + ": is larger than 1 GiB, the most a map may hold"},
             // An output pipe that no one reads is not waited on.
             {{m, map_, script, pipe, ""}, pipe + ": cannot be written (no one reads the pipe)"},
         }) {
        err_.str("");
        EXPECT_EQ(kznhost::RunSession(options, err_), 2) << says;
        EXPECT_EQ(err_.str(), "kznhost: " + says + "\n");
    }
#endif
}

TEST_F(Run, AFileDialogHandsOverRegularFilesOnlyAndAnUnusedAnswerIsWarnedOf) {
    std::filesystem::create_directory(dir_ / "folder");
    const std::string big = dir_.Write("big.csv", "");
    std::filesystem::resize_file(big, subhost::kTableBound.bytes + 1);
    struct Case {
        std::string name, says, buttons;  // open (1101), save (1102)
    };
    std::vector<Case> cases = {
        {"folder", "is a folder, not a file", "1101 1102"},
        {"big.csv", "is larger than 64 MiB, the most a table file may hold", "1101"},
    };
#ifndef _WIN32
    ASSERT_EQ(mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    cases.push_back({"/dev/null", "is a device, not a file", "1101 1102"});
    cases.push_back({"pipe", "is a pipe, not a file", "1102"});  // opened, it would never end
#endif
    for (const Case& c : cases) {
        // As the script's folder and the name join on this system.
        const std::string path =
            c.name[0] == '/' ? c.name : (std::filesystem::path(dir_.path()) / c.name).string();
        std::istringstream buttons(c.buttons);
        for (std::string button; buttons >> button;) {
            EXPECT_EQ(Session("filter t2t\nfile \"" + c.name + "\"\nclick " + button + "\nok\n"),
                      0);
            EXPECT_EQ(err_.str(), "kznhost: warning: " + path + ": " + c.says +
                                      "; the file dialog was cancelled\n")
                << button;
        }
    }
    EXPECT_EQ(Session("file \"table.csv\"\nfilter t2t\nok\nfile cancel\n"), 0);
    EXPECT_EQ(err_.str(),
              "kznhost: warning: " + dir_ / "session.txt:1: no file dialog took this answer\n" +
                  "kznhost: warning: " + dir_ / "session.txt:4: no file dialog took this answer\n");
}

TEST_F(Run, ATableIsNeverSavedOverWhatTheRunReadsOrRuns) {
    struct Case {
        std::string path, is;
    };
    const std::vector<Case> cases = {
        {map_, "the map --doc names"},
        {dir_ / "session.txt", "the session script"},
        {kzntest::ModulePath(), "the plug-in module"},
        {subhost::RunningProgram(), "kznhost itself"},  // here, the tests' own program
    };
    for (const Case& c : cases) {
        // As a script names a file on every system: with forward slashes.
        const std::string path = std::filesystem::path(c.path).generic_string();
        SCOPED_TRACE(path);
        const std::string script = "filter t2t\nfile \"" + path + "\"\nclick 1102\nok\n";
        const std::string before = c.path == dir_ / "session.txt" ? script : TempDir::Read(c.path);
        EXPECT_EQ(Session(script), 0);
        EXPECT_EQ(err_.str(),
                  "kznhost: warning: " + path + ": is " + c.is +
                      ", which no table is saved over; the file dialog was cancelled\n");
        EXPECT_EQ(TempDir::Read(c.path), before);
    }
    // A table of its own is saved.
    EXPECT_EQ(Session("filter t2t\nfile \"saved.csv\"\nclick 1102\nok\n"), 0);
    EXPECT_EQ(err_.str(), "");
    EXPECT_TRUE(std::filesystem::exists(dir_ / "saved.csv"));
}

TEST_F(Run, AMapNestedTooDeepIsRefusedWithoutRunning) {
    std::string deep = R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)";
    for (int i = 0; i < 20000; ++i) {
        deep += R"({"type": "group", "children": [)";
    }
    for (int i = 0; i < 20000; ++i) {
        deep += "]}";
    }
    deep += "]}]}";
    map_ = dir_.Write("deep.json", deep);
    EXPECT_EQ(Session("filter t2t\nok\n"), 2);
    EXPECT_THAT(err_.str(), ::testing::HasSubstr("a map holds art nested at most 100 deep"));
    EXPECT_FALSE(Written());
}

TEST(Script, ParsesEveryKindOfLineAndItsTexts) {
    const auto lines = kznhost::ParseScript(
        "filter o2o\nlayer \"a b\"\nrow 1011 3\nrow 1011 \"x\"\nclick 1101\ncheck 1039 on\n"
        "check 1131 off\ntype 1010 \"\\\\\"\nfile \"p q.csv\"\nfile cancel\nok\ncancel\n",
        "s");
    ASSERT_EQ(lines.size(), 12U);
    EXPECT_EQ(lines[1].args[0].text, "a b");
    EXPECT_FALSE(lines[2].args[1].quoted);
    EXPECT_TRUE(lines[3].args[1].quoted);
    EXPECT_EQ(lines[7].args[1].text, "\\");
    EXPECT_EQ(lines[8].args[0].text, "p q.csv");
    EXPECT_FALSE(lines[9].args[0].quoted);
    EXPECT_EQ(lines[11].number, 12);
}

TEST(Script, ACommentMayFollowTheArgumentsOutsideATextAndAByteOrderMarkIsSkipped) {
    const auto lines = kznhost::ParseScript(
        "\xEF\xBB\xBF"
        "filter t2t   # pick it\nrow 1011 \"a # b\" # the row\nok# done\n",
        "s");
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].args.size(), 1U);
    EXPECT_EQ(lines[0].verb, "filter");
    EXPECT_EQ(lines[1].args[1].text, "a # b");
    EXPECT_TRUE(lines[2].args.empty());
}

TEST(Script, NamesWhatIsWrongWithALine) {
    const std::pair<std::string, std::string> cases[] = {
        {"filter t2t extra", "s:1: extra is one word too many for filter"},
        {"ok\nrow 1011 2 3", "s:2: 3 is one word too many for row"},
        {Utf8(u8"layer \u201C調査地点\u201D"),
         Utf8(u8"s:1: \u201C調査地点\u201D is not a text: texts are written between straight "
              u8"double quotes (\"), not curly ones")},
        {std::string("filter t2t\nok\0", 14), "s:2: the line holds a NUL character"},
        {"filter t2t\ntype 1010 \"\xFF\"",
         "s:2: the line is not valid UTF-8 (scripts are UTF-8 text)"},
    };
    for (const auto& [script, message] : cases) {
        try {
            kznhost::ParseScript(script, "s");
            ADD_FAILURE() << script << ": accepted";
        } catch (const kznhost::ScriptError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

TEST(Script, RefusesLinesThatAreNotScriptLines) {
    for (const char* bad :
         {"check 1039 maybe", "row 1011", "ok now", "file", "layer Title", "type 1010 \"a\\n\"",
          "click 10x", "\"filter\" t2t", "row 1011 \"a\"b"}) {
        EXPECT_THROW(kznhost::ParseScript(bad, "s"), kznhost::ScriptError) << bad;
    }
}

}  // namespace
