// kznhost over SVG maps: sessions, conversions and what a person sees of a file it refuses.
#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "cli/convert.h"
#include "cli/run.h"
#include "subhost/document/artgeometry.h"
#include "subhost/files.h"
#include "subhost/mapforms/mapforms.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string File(const std::string& path) {
    return subhost::ReadWholeFile(path, subhost::kMapBound);
}

class SvgSession : public ::testing::Test {
  protected:
    // Runs the example session NAME over the example SVG map; the map written.
    std::string Run(const std::string& name) {
        const std::string out = dir_ / "out.svg";
        kznhost::RunOptions options{kzntest::ModulePath(),
                                    kzntest::SourcePath("examples/small-map.svg"),
                                    kzntest::SourcePath("examples/" + name), out, ""};
        EXPECT_EQ(kznhost::RunSession(options, err_), 0) << err_.str();
        return File(out);
    }
    std::string Input() { return File(kzntest::SourcePath("examples/small-map.svg")); }

    kzntest::TempDir dir_;
    std::ostringstream err_;
};

TEST_F(SvgSession, TextToObjectReplacesLabelsAndAddsArtAndChangesNothingElse) {
    const std::string input = Input();
    const std::string output = Run("t2o-session.txt");
    // Every line of the map is still there, in its order, but the labels replaced by symbols;
    // the rest is new.
    const std::vector<std::string> before = Lines(input);
    const std::vector<std::string> after = Lines(output);
    std::vector<std::string> gone;
    std::size_t at = 0;
    for (const std::string& line : before) {
        const auto found =
            std::find(after.begin() + static_cast<std::ptrdiff_t>(at), after.end(), line);
        if (found == after.end()) {
            gone.push_back(line);
        } else {
            at = static_cast<std::size_t>(found - after.begin()) + 1;
        }
    }
    EXPECT_EQ(gone.size(), 35U);
    for (const std::string& line : gone) {
        EXPECT_THAT(line, MatchesRegex("    <text .*<tspan sodipodi:role=\"line\" x=\"0\" "
                                       "y=\"0\">[^<]*</tspan></text>"));
    }
    EXPECT_GT(after.size(), before.size() + 100);
    // The new art is the symbols' copies, tagged, in new layers; the map reads back.
    EXPECT_THAT(output, HasSubstr("<g kzn:kznObjectName=\""));
    EXPECT_THAT(output, HasSubstr("<g inkscape:groupmode=\"layer\" inkscape:label=\""));
    const std::string path = dir_.Write("again.svg", output);
    EXPECT_GT(subhost::ReadMap(path)->layers().size(), 4U);
}

TEST_F(SvgSession, TextToTextChangesOnlyTheReplacedCharacters) {
    const std::string input = Input();
    const std::string output = Run("t2t-session.txt");
    // Texts' characters left out, the two are the same.
    const std::regex characters(">[^<]*<");
    EXPECT_EQ(std::regex_replace(output, characters, "><"),
              std::regex_replace(input, characters, "><"));
    EXPECT_NE(output, input);
    EXPECT_THAT(output, HasSubstr(">tsugurame(" + kzntest::Utf8(u8"要確認") + ")</tspan>"));
    // A text outside Shift-JIS that no command replaced is as it was.
    EXPECT_THAT(output, HasSubstr(kzntest::Utf8(u8">Escargot, lima\u00E7on</tspan>")));
}

TEST(SvgConvert, RoundTripsAndRefusals) {
    kzntest::TempDir dir;
    const std::string example = kzntest::SourcePath("examples/small-map.svg");
    std::ostringstream err;
    ASSERT_EQ(kznhost::ConvertMap(example, dir / "same.svg", err), 0) << err.str();
    EXPECT_EQ(File(dir / "same.svg"), File(example));
    ASSERT_EQ(kznhost::ConvertMap(example, dir / "map.svgz", err), 0) << err.str();
    ASSERT_EQ(kznhost::ConvertMap(dir / "map.svgz", dir / "back.svg", err), 0) << err.str();
    EXPECT_EQ(File(dir / "back.svg"), File(example));
    // The sample over Japan has Shift-JIS texts only (the small map's "limaçon" has none).
    const std::string japan = kzntest::SourcePath("examples/snail-map.svg");
    ASSERT_EQ(kznhost::ConvertMap(japan, dir / "map.json", err), 0) << err.str();
    ASSERT_EQ(kznhost::ConvertMap(dir / "map.json", dir / "fresh.svg", err), 0) << err.str();
    EXPECT_EQ(subhost::ReadMap(dir / "fresh.svg")->layers().size(), 4U);
    // Texts are the file's own in the other form: ¥ stays ¥ though Shift-JIS gives it \'s form.
    const std::string yen = dir.Write(
        "yen.svg",
        kzntest::Utf8(u8"<svg xmlns=\"http://www.w3.org/2000/svg\"><text>¥1</text></svg>"));
    ASSERT_EQ(kznhost::ConvertMap(yen, dir / "yen.json", err), 0) << err.str();
    EXPECT_THAT(File(dir / "yen.json"), HasSubstr(kzntest::Utf8(u8"\"text\":\"¥1\"")));

    struct Case {
        const char* name;
        std::string in;
        std::string out;
        std::string message;  // the one line on standard error
    };
    const std::string bad = dir.Write("bad.svg",
                                      "<svg xmlns=\"http://www.w3.org/2000/svg\">\n"
                                      "  <g>\n</svg>\n");
    const std::string passwd =
        dir.Write("entity.svg",
                  "<!DOCTYPE svg [<!ENTITY p SYSTEM \"/etc/passwd\">]>\n"
                  "<svg xmlns=\"http://www.w3.org/2000/svg\"><text>&p;</text></svg>\n");
    const std::vector<Case> cases = {
        {"malformed", bad, dir / "o.svg",
         "kznhost: " + bad + ": line 3, column 3: not well-formed XML: .*"},
        {"external entity", passwd, dir / "o.svg",
         "kznhost: " + passwd +
             ": line 2, column [0-9]+: &p; is an external entity, which is "
             "never read"},
        {"the same file", example, example,
         "kznhost: " + example + ": is the map being read; write it to another file"},
        {"missing", dir / "none.svg", dir / "o.svg", "kznhost: " + dir / "none.svg" + ": .*"},
        {"a text JSON cannot hold", example, dir / "o.svg.json",
         "kznhost: " + dir / "o.svg.json" +
             ": \"Escargot, lima.*on\\\\r\\(.*\\)\" has characters that "
             "Shift-JIS has no form for, which a JSON map cannot hold; write the map as SVG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream e;
        EXPECT_EQ(kznhost::ConvertMap(c.in, c.out, e), 2);
        EXPECT_THAT(e.str(), MatchesRegex(c.message + "\n"));
        EXPECT_FALSE(std::filesystem::exists(dir / "o.svg"));
        EXPECT_FALSE(std::filesystem::exists(dir / "o.svg.json"));
    }
}

// ------------------------------------------------------------------------------------------
// Symbols from Inkscape's own sets: placed by text to object, and by hand with the Symbols dialog

constexpr const char* kNpsSet = "/usr/share/inkscape/symbols/MapSymbolsNPS.svg";

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class InkscapeSymbols : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(kNpsSet)) {
            GTEST_SKIP() << kNpsSet << " is not installed (Debian's inkscape)";
        }
    }

    // The <symbol> of the NPS set with id ID, as Inkscape copies it into a drawing's <defs>.
    static std::string Symbol(const std::string& id) {
        const std::string set = File(kNpsSet);
        const std::size_t begin = set.find("<symbol id=\"" + id + "\"");
        const std::size_t end = set.find("</symbol>", begin);
        EXPECT_NE(begin, std::string::npos) << id;
        return set.substr(begin, end + 9 - begin);
    }

    // A map with the NPS symbols Airport (and its inverted form) and Campground, and BODY on
    // its layer "Points".
    static std::string Map(const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" "
               "xmlns:xlink=\"http://www.w3.org/1999/xlink\"\n"
               "   xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\"\n"
               "   width=\"400\" height=\"200\" viewBox=\"0 0 400 200\">\n"
               "  <defs>\n    " +
               Symbol("Airport") + "\n    " + Symbol("Airport_Inv") + "\n    " +
               Symbol("Campground") +
               "\n  </defs>\n"
               "  <g inkscape:groupmode=\"layer\" id=\"layer1\" inkscape:label=\"Points\">\n" +
               body + "  </g>\n</svg>\n";
    }

    // Runs SESSION (its tables beside it: TABLES, name and Shift-JIS rows) over MAP; the map
    // written.
    std::string Run(const std::string& map, const std::string& session,
                    const std::vector<std::pair<std::string, std::string>>& tables) {
        for (const auto& [name, rows] : tables) {
            dir_.Write(name, rows);
        }
        const std::string out = dir_ / "out.svg";
        kznhost::RunOptions options{kzntest::ModulePath(), dir_.Write("map.svg", map),
                                    dir_.Write("session.txt", session), out, ""};
        std::ostringstream err;
        EXPECT_EQ(kznhost::RunSession(options, err), 0) << err.str();
        return File(out);
    }

    static constexpr const char* kSwap =
        "filter o2o\nlayer \"Points\"\nfile \"swap.csv\"\nclick 1101\nok\n";

    kzntest::TempDir dir_;
};

TEST_F(InkscapeSymbols, TextToObjectPlacesThemAndObjectToObjectSwapsThem) {
    const std::string map =
        Map("    <text x=\"20\" y=\"50\" style=\"font-size:12px\">air</text>\n"
            "    <text x=\"120\" y=\"50\" style=\"font-size:12px\">inv</text>\n"
            "    <text x=\"220\" y=\"50\" style=\"font-size:12px\">camp</text>\n"
            "    <text x=\"320\" y=\"50\" style=\"font-size:12px\">air</text>\n");
    const std::string placed = Run(
        map, "filter t2o\nlayer \"Points\"\nfile \"symbols.csv\"\nclick 1101\ncheck 1132 on\nok\n",
        {{"symbols.csv", "air,Airport\r\ninv,Airport (Airport_Inv)\r\ncamp,Campground\r\n"}});
    // Every copy is a tagged group, the single-path symbols' too, holding the symbol's art.
    EXPECT_EQ(Count(placed, "<text"), 0U);
    EXPECT_EQ(Count(placed, "<g kzn:kznObjectName=\"Airport\">"), 2U);
    EXPECT_EQ(Count(placed, "<g kzn:kznObjectName=\"Airport (Airport_Inv)\">"), 1U);
    EXPECT_EQ(Count(placed, "<g kzn:kznObjectName=\"Campground\">"), 1U);
    // Painted as the symbols are: the inverted airport's frame alone is stroked white.
    const std::string art = placed.substr(placed.find("</defs>"));
    EXPECT_EQ(Count(art, "stroke:none\""), 4U);
    EXPECT_EQ(Count(art, "stroke:white") + Count(art, "stroke:#ffffff"), 1U);

    // Object to object finds them and swaps the airports and the campground.
    const std::string swapped =
        Run(placed, kSwap, {{"swap.csv", "Airport,Campground\r\nCampground,Airport\r\n"}});
    EXPECT_EQ(Count(swapped, "<g kzn:kznObjectName=\"Airport\">"), 1U);
    EXPECT_EQ(Count(swapped, "<g kzn:kznObjectName=\"Campground\">"), 2U);
    EXPECT_EQ(Count(swapped, "<g kzn:kznObjectName=\"Airport (Airport_Inv)\">"), 1U);
    EXPECT_EQ(Count(swapped, "kzn:kznObjectName="), 4U);
}

TEST_F(InkscapeSymbols, ObjectToObjectSwapsSymbolsPlacedByHand) {
    // As Inkscape's Symbols dialog places them: a <use> of the symbol, no tag.
    const std::string kept = "    <use xlink:href=\"#Campground\" x=\"200\" y=\"100\" />\n";
    const std::string map = Map("    <use xlink:href=\"#Airport\" x=\"10\" y=\"20\" />\n" + kept +
                                "    <use xlink:href=\"#Airport\" x=\"300\" y=\"20\" />\n"
                                "    <use xlink:href=\"#Airport_Inv\" x=\"100\" y=\"100\" />\n");
    const std::string swapped = Run(map, kSwap, {{"swap.csv", "Airport,Campground\r\n"}});
    // Both airports are campgrounds now, at their places; the rest keeps its bytes, the
    // campground and the inverted airport that no row named untagged as they were.
    EXPECT_EQ(Count(swapped, "xlink:href=\"#Airport\""), 0U);
    EXPECT_EQ(Count(swapped, "<g kzn:kznObjectName=\"Campground\">"), 2U);
    EXPECT_EQ(Count(swapped, "kzn:kznObjectName="), 2U);
    EXPECT_THAT(swapped, HasSubstr(kept));
    EXPECT_THAT(swapped,
                HasSubstr("    <use xlink:href=\"#Airport_Inv\" x=\"100\" y=\"100\" />\n"));
    const auto between = [](const std::string& text) {
        const std::size_t defs = text.find("<defs>");
        return text.substr(defs, text.find("<g inkscape:groupmode") - defs);
    };
    EXPECT_EQ(between(swapped), between(map));
    // The campgrounds stand where the airports stood: by their bounds, read back.
    const auto back = subhost::ReadMap(dir_.Write("back.svg", swapped));
    std::vector<double> lefts;
    for (const subhost::Art* art : back->layers()[0]->group->children) {
        if (art->tags.count("kznObjectName") != 0 &&
            art->tags.at("kznObjectName") == "Campground") {
            lefts.push_back(subhost::ArtBounds(*art).rect().left);
        }
    }
    std::sort(lefts.begin(), lefts.end());
    ASSERT_EQ(lefts.size(), 3U);  // the two copies and the campground placed by hand
    EXPECT_LT(lefts[0], 100);
    EXPECT_GT(lefts[1], 200);
    EXPECT_LT(lefts[1], 300);
    EXPECT_GT(lefts[2], 300);
}

// A file that writes SVG's elements with a prefix: new art is written with it.
TEST(SvgPrefixedSession, TextToObjectWritesItsArtInTheSvgNamespace) {
    kzntest::TempDir dir;
    const std::string map =
        dir.Write("map.svg",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\"\n"
                  "   xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" width=\"100\" "
                  "height=\"100\">\n"
                  "  <svg:defs><svg:symbol id=\"s\"><svg:title>maru</svg:title>"
                  "<svg:circle r=\"4\" style=\"fill:#c83737\"/></svg:symbol></svg:defs>\n"
                  "  <svg:g inkscape:groupmode=\"layer\" inkscape:label=\"Points\">\n"
                  "    <svg:text x=\"20\" y=\"20\">a</svg:text>\n"
                  "    <svg:text x=\"60\" y=\"60\">b</svg:text>\n"
                  "  </svg:g>\n"
                  "</svg:svg>\n");
    dir.Write("table.csv", "a,maru\r\nb,maru,maru\r\n");
    const std::string script =
        dir.Write("session.txt",
                  "filter t2o\nlayer \"Points\"\nfile \"table.csv\"\nclick 1101\n"
                  "check 1132 on\ncheck 1041 on\ncheck 1039 on\nok\n");
    std::ostringstream err;
    ASSERT_EQ(kznhost::RunSession({kzntest::ModulePath(), map, script, dir / "out.svg", ""}, err),
              0)
        << err.str();
    const std::string out = File(dir / "out.svg");
    // New layers, groups and paths; every element of the file named with the prefix.
    EXPECT_EQ(Count(out, "<svg:g kzn:kznObjectName=\"maru\">"), 3U);
    EXPECT_EQ(Count(out, "<svg:g inkscape:groupmode=\"layer\""), 3U);
    EXPECT_EQ(Count(out, "<svg:path style=\"fill:#c83737"), 3U);
    EXPECT_THAT(out, ::testing::Not(::testing::ContainsRegex("<[a-z]+[ >/]")));
    EXPECT_THAT(out, ::testing::Not(::testing::ContainsRegex("</[a-z]+>")));
}

// An Inkscape clone of a label (a <use> of its text) outlives the label text to object removes:
// it is unlinked, so the map shows what it showed and no reference points at nothing.
TEST(SvgClones, OfARemovedLabelAreUnlinked) {
    kzntest::TempDir dir;
    const std::string map = dir.Write(
        "map.svg",
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"\n"
        "   xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" width=\"100\" "
        "height=\"100\">\n"
        "  <symbol id=\"s\"><title>maru</title><circle r=\"4\"/></symbol>\n"
        "  <g inkscape:groupmode=\"layer\" inkscape:label=\"Points\">\n"
        "    <text id=\"label\" x=\"20\" y=\"20\">a</text>\n"
        "    <use xlink:href=\"#label\" x=\"50\" y=\"10\"/>\n"
        "    <use xlink:href=\"#s\" x=\"80\" y=\"80\"/>\n"
        "  </g>\n"
        "</svg>\n");
    dir.Write("table.csv", "a,maru\r\n");
    const std::string script = dir.Write(
        "session.txt", "filter t2o\nlayer \"Points\"\nfile \"table.csv\"\nclick 1101\nok\n");
    std::ostringstream err;
    ASSERT_EQ(kznhost::RunSession({kzntest::ModulePath(), map, script, dir / "out.svg", ""}, err),
              0)
        << err.str();
    const std::string out = File(dir / "out.svg");
    EXPECT_EQ(Count(out, "#label"), 0U) << out;
    EXPECT_EQ(Count(out, "<use xlink:href=\"#s\" x=\"80\" y=\"80\"/>"), 1U) << out;
    // The copy stands where the clone showed the label: 50 right of it and 10 lower.
    const std::unique_ptr<subhost::Document> back = subhost::ReadMap(dir / "out.svg");
    std::vector<subhost::Point> anchors;
    std::function<void(const subhost::Art&)> walk = [&](const subhost::Art& art) {
        if (art.type == kTextArt) {
            anchors.push_back(art.anchor);
        }
        for (const subhost::Art* child : art.children) {
            walk(*child);
        }
    };
    walk(*back->layers().front()->group);
    ASSERT_EQ(anchors.size(), 1U) << out;
    EXPECT_DOUBLE_EQ(anchors[0].x, 70);
    EXPECT_DOUBLE_EQ(anchors[0].y, -30);
}

// Labels flowed into frames, as Inkscape saves them (tests/cli/inkscape-flowed-labels.svg): the
// commands find them where their first lines stand and write them back in their own form.
class FlowedLabels : public ::testing::Test {
  protected:
    // Runs the session SCRIPT with its table (Shift-JIS rows) over the map; the map written.
    std::string Run(const std::string& script, const std::string& table) {
        dir_.Write("table.csv", table);
        const std::string out = dir_ / "out.svg";
        kznhost::RunOptions options{kzntest::ModulePath(), Input(),
                                    dir_.Write("session.txt", script), out, ""};
        std::ostringstream err;
        EXPECT_EQ(kznhost::RunSession(options, err), 0) << err.str();
        return File(out);
    }
    static std::string Input() {
        return kzntest::SourcePath("tests/cli/inkscape-flowed-labels.svg");
    }

    kzntest::TempDir dir_;
};

TEST_F(FlowedLabels, TextToObjectPutsTheSymbolsWhereTheirFirstLinesStand) {
    const std::string out =
        Run(kzntest::Utf8(u8"filter t2o\nlayer \"調査地点\"\nfile \"table.csv\"\n"
                          u8"click 1101\ncheck 1132 on\nok\n"),
            "デンデンムシ,黒丸\r\nマイマイ,白丸\r\nツブリ,黒丸\r\nカタツムリ,白丸\r\n");
    EXPECT_EQ(out.find("<text"), std::string::npos);
    EXPECT_EQ(out.find("<flowRoot"), std::string::npos);
    // The symbols' centres: the first lines' places (where Inkscape put its layout's first
    // line, else the frames' top left and the first line's ascent), the point text's anchor.
    const auto back = subhost::ReadMap(dir_.Write("back.svg", out));
    std::vector<std::pair<double, double>> centres;
    for (const subhost::Art* art : back->layers()[0]->group->children) {
        const auto r = subhost::ArtBounds(*art).rect();
        centres.emplace_back(std::round((r.left + r.right) / 2 * 100) / 100,
                             std::round((r.top + r.bottom) / 2 * 100) / 100);
    }
    std::sort(centres.begin(), centres.end());
    const std::vector<std::pair<double, double>> expected = {
        {20, -110.05}, {20, -40.05}, {120, -110.05}, {120, -40.05}, {220, -150}, {220, -40.05}};
    EXPECT_EQ(centres, expected);
}

TEST_F(FlowedLabels, TextToTextReplacesTheirCharactersInTheirOwnForm) {
    const std::string input = File(Input());
    const std::string out =
        Run(kzntest::Utf8(u8"filter t2t\nlayer \"調査地点\"\nfile \"table.csv\"\n"
                          u8"click 1101\nrow 1011 \"マイマイ\"\ntype 1010 \"mai-mai & co\"\nok\n"),
            "デンデンムシ,dendenmushi\r\nマイマイ,maimai\r\nツブリ,tsuburi\r\n");
    // Characters left out, the two are the same: each kept its element, its frame, its
    // paragraph or its layout's tspan; the label no row names is as it was. The text typed by
    // hand goes to the front label of its form, the first row.
    const std::regex characters(">[^<]*<");
    EXPECT_EQ(std::regex_replace(out, characters, "><"),
              std::regex_replace(input, characters, "><"));
    EXPECT_THAT(out, HasSubstr("id=\"tspan56\">dendenmushi</tspan></text>"));
    EXPECT_THAT(out, HasSubstr("id=\"tspan58\">maimai</tspan></text>"));
    EXPECT_THAT(out, HasSubstr("id=\"flowPara103\">dendenmushi</flowPara></flowRoot>"));
    EXPECT_THAT(out, HasSubstr("id=\"flowPara104\">mai-mai &amp; co</flowPara></flowRoot>"));
    EXPECT_THAT(out, HasSubstr("shape-inside:url(#rect106)\">tsuburi</text>"));
    EXPECT_THAT(out, HasSubstr(kzntest::Utf8(u8"y=\"150\">カタツムリ</tspan></text>")));
}

}  // namespace
