// kznhost over SVG maps: sessions, conversions and what a person sees of a file it refuses.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/convert.h"
#include "cli/run.h"
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

}  // namespace
