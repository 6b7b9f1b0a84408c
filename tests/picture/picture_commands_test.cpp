// kznhost render, kznhost legend and the session's snapshot line: the pictures they leave, and
// the one line and exit status 2 for what they cannot do, with no half-written picture.
#include <gmock/gmock.h>

#include <filesystem>
#include <sstream>

#include "cli/picture.h"
#include "cli/run.h"
#include "picture/pixels.h"
#include "subhost/picture/dialogpicture.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::TempDir;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const char kSquare[] = R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
  {"type": "path", "closed": true, "style": {"fill": {"gray": 1}},
   "segments": [{"p": [0, 0]}, {"p": [20, 0]}, {"p": [20, 20]}, {"p": [0, 20]}]}]}]})";

// One line on standard error.
int Lines(const std::string& err) {
    return static_cast<int>(std::count(err.begin(), err.end(), '\n'));
}

TEST(RenderCommand, WritesThePictureTheNameAsksForAtItsScale) {
    TempDir dir;
    const std::string map = dir.Write("map.json", kSquare);
    std::ostringstream err;
    EXPECT_EQ(kznhost::RenderPicture(map, dir / "map.png", 2, err), 0);
    const kzntest::Pixels p = kzntest::Pixels::FromPng(dir / "map.png");
    EXPECT_EQ(p.width(), 80);
    EXPECT_EQ(p.At(40, 40), kzntest::kBlack);
    EXPECT_EQ(kznhost::RenderPicture(map, dir / "map.SVG", 1, err), 0);
    EXPECT_THAT(TempDir::Read(dir / "map.SVG"), StartsWith("<?xml"));
    EXPECT_EQ(kznhost::RenderLegend(map, dir / "legend.png", err), 0);
    EXPECT_EQ(err.str(), "");
}

TEST(RenderCommand, BrokenInputIsOneLineAndStatusTwoAndNoPicture) {
    TempDir dir;
    const std::string good = dir.Write("map.json", kSquare);
    const std::string bad = dir.Write("bad.json", R"({"kzn-document": 1, "layers": [{"art": 3}]})");
    const std::string old = dir.Write("old.png", "the picture that was there");
    std::filesystem::create_directory(dir / "folder.png");
    struct Case {
        std::string map, out, says;
    };
    for (const Case& c : std::vector<Case>{
             {dir / "missing.json", dir / "a.png", "missing.json"},
             {bad, dir / "a.png", "$.layers[0]"},
             {bad, old, "$.layers[0]"},
             {good, dir / "no-such-folder/a.png", "no-such-folder/a.png"},
             {good, dir / "a.jpg", ".png or .svg"},
             {good, dir / "folder.png", "folder.png"},
         }) {
        for (int legend = 0; legend < 2; ++legend) {
            std::ostringstream err;
            const int status = legend ? kznhost::RenderLegend(c.map, c.out, err)
                                      : kznhost::RenderPicture(c.map, c.out, 1, err);
            EXPECT_EQ(status, 2) << c.out;
            EXPECT_THAT(err.str(), HasSubstr(c.says));
            EXPECT_EQ(Lines(err.str()), 1) << err.str();
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.jpg"));
    EXPECT_EQ(TempDir::Read(old), "the picture that was there");
    std::ostringstream err;
    EXPECT_EQ(kznhost::RenderPicture(good, dir / "a.png", 0, err), 2);
    std::ostringstream large;
    EXPECT_EQ(kznhost::RenderPicture(good, dir / "a.png", 1e9, large), 2);  // too large a page
    EXPECT_THAT(large.str(), HasSubstr("a.png: the visible art spans 40 by 40 units"));
    EXPECT_EQ(Lines(large.str()), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.png"));
    // A folder in the way is refused: nothing is put in its place or inside it.
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.png"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "folder.png"));
}

// Pictures out of bounds are refused with their cause, whatever the numbers: a curve whose handles
// reach far out spans them, a scale that makes less than a pixel, a label too far out to place a
// pixel.
TEST(RenderCommand, APictureOutOfBoundsIsRefusedWithItsCause) {
    TempDir dir;
    const auto curve = [&](const std::string& out, const std::string& in) {
        return dir.Write("curve" + out + in + ".json",
                         R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
          {"type": "path", "segments": [{"p": [0, 0], "out": [0, )" +
                             out + R"(]}, {"p": [20, 0], "in": [20, )" + in + "]}]}]}]}");
    };
    struct Case {
        std::string map;
        double scale;
        std::string says;
    };
    for (const Case& c : std::vector<Case>{
             {curve("1e15", "1e15"), 1, "spans 40 by 7.5e+14 units"},
             {curve("1e14", "1e14"), 1, "spans 40 by 7.5e+13 units"},
             {curve("1e14", "-1e14"), 1, "spans 40 by 5.7735e+13 units"},
             {curve("1e15", "-1e15"), 1, "spans 40 by 5.7735e+14 units"},
             {curve("-1e15", "-1e15"), 1, "spans 40 by 7.5e+14 units"},
             {dir.Write("square.json", kSquare), 0.001, "less than one pixel a side"},
             {dir.Write("square.json", kSquare), 1e-300, "less than one pixel a side"},
             {dir.Write("far.json", R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
                  {"type": "text", "text": "far", "anchor": [1e15, 0]}]}]})"),
              5, "reaches 1e+15 units from the origin"},
         }) {
        std::ostringstream err;
        EXPECT_EQ(kznhost::RenderPicture(c.map, dir / "a.png", c.scale, err), 2) << c.says;
        EXPECT_THAT(err.str(), HasSubstr(c.says));
        EXPECT_THAT(err.str(), ::testing::Not(HasSubstr("nan")));
        EXPECT_EQ(Lines(err.str()), 1) << err.str();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a.png"));
}

// A legend is bounded as every picture is: one wider or taller than 1,000,000 pixels (a name
// too long, too many names) is refused with its size, and nothing is written.
TEST(LegendCommand, ALegendBeyondTheBoundOfEveryPictureIsRefused) {
    TempDir dir;
    const auto names = [](int count, std::size_t length) {
        std::string art;
        for (int i = 0; i < count; ++i) {
            art += std::string(i == 0 ? "" : ",") +
                   R"({"type": "group", "tags": {"kznObjectName": ")" + std::to_string(i) +
                   std::string(length, 'x') + R"("}, "children": []})";
        }
        return R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)" + art + "]}]}";
    };
    for (const std::string& map :
         {dir.Write("wide.json", names(1, 150'000)), dir.Write("tall.json", names(42'000, 1))}) {
        std::ostringstream err;
        EXPECT_EQ(kznhost::RenderLegend(map, dir / "legend.svg", err), 2);
        EXPECT_THAT(err.str(), HasSubstr("legend.svg: the legend is "));
        EXPECT_THAT(err.str(), HasSubstr("pixels, more than 1000000 pixels a side"));
        EXPECT_EQ(Lines(err.str()), 1) << err.str();
        EXPECT_FALSE(std::filesystem::exists(dir / "legend.svg"));
    }
}

// In a JSON map too, a text of negative size, of size 0 or too small to enlarge draws nothing,
// in the picture and in the legend (a symbol of such a text alone has an empty cell), and nothing
// is said of it on standard error.
TEST(RenderCommand, TextsOfNoSizeDrawNothingAndSayNothing) {
    TempDir dir;
    for (const char* size : {"-40", "0", "1e-320"}) {
        const std::string text = R"({"type": "text", "text": "MMMM", "anchor": [0, 0], "size": )" +
                                 std::string(size) + "}";
        const std::string map = dir.Write(
            "map.json", R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)"
                        R"({"type": "group", "tags": {"kznObjectName": "s"}, "children": [)" +
                            text +
                            R"(, {"type": "path", "closed": true, "segments": [)"
                            R"({"p": [60, 0]}, {"p": [80, 0]}, {"p": [80, 20]}]}]},)"
                            R"({"type": "group", "tags": {"kznObjectName": "t"}, )"
                            R"("children": [)" +
                            text + "]}]}]}");
        std::ostringstream err;
        const std::string said = kzntest::StandardErrorOf([&] {
            EXPECT_EQ(kznhost::RenderPicture(map, dir / "map.png", 4, err), 0) << err.str();
            EXPECT_EQ(kznhost::RenderLegend(map, dir / "legend.png", err), 0) << err.str();
        });
        EXPECT_EQ(said, "") << size;
        const kzntest::Pixels p = kzntest::Pixels::FromPng(dir / "map.png");
        EXPECT_LT(p.Darkest(0, 0, 200, p.height()).Darkness(), 30) << size;
        EXPECT_GT(kzntest::Pixels::FromPng(dir / "legend.png").height(), 0) << size;
    }
    // No SVG picture outgrows the bound, whoever draws it.
    EXPECT_THROW(subhost::picture::PictureBytes(subhost::picture::Format::Svg, 1'000'001, 10,
                                                [](cairo_t*) {}),
                 subhost::picture::PictureError);
}

class Snapshot : public ::testing::Test {
  protected:
    int Run(const std::string& script) {
        dir_.Write("map.json", kzntest::Utf8(u8R"({"kzn-document": 1, "layers": [
          {"title": "地点", "art": [{"type": "text", "text": "あ", "anchor": [0, 0]}]}]})"));
        kznhost::RunOptions options{kzntest::ModulePath(), dir_ / "map.json",
                                    dir_.Write("session.txt", script), dir_ / "out.json", ""};
        return kznhost::RunSession(options, err_);
    }

    TempDir dir_;
    std::ostringstream err_;
};

TEST_F(Snapshot, PicturesTheOpenDialogAtItsTemplateSize) {
    ASSERT_EQ(Run("filter t2t\nrow 1011 0\nsnapshot \"t2t.png\"\nok\n"), 0) << err_.str();
    const kzntest::Pixels p = kzntest::Pixels::FromPng(dir_ / "t2t.png");
    // 289 x 195 dialog units in a 9-point font (6 x 12 pixels), under the caption bar.
    EXPECT_EQ(p.width(), 289 * 6 / 4);
    EXPECT_EQ(p.height(), 195 * 12 / 8 + subhost::picture::kCaption);
}

TEST_F(Snapshot, NameThatIsNoPictureIsRefusedBeforeAnythingRuns) {
    EXPECT_EQ(Run("filter t2t\nsnapshot \"a.png\"\nsnapshot \"b.txt\"\nok\n"), 2);
    EXPECT_THAT(err_.str(),
                HasSubstr("session.txt:3: b.txt: a snapshot is written as .png or .svg"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "a.png"));
}

TEST_F(Snapshot, PictureThatCannotBeWrittenEndsTheSessionWithStatusTwo) {
    EXPECT_EQ(Run("filter t2t\nsnapshot \"no-such-folder/t2t.png\"\nok\n"), 2);
    EXPECT_THAT(err_.str(), HasSubstr("session.txt:2: "));
    EXPECT_THAT(err_.str(), HasSubstr("no-such-folder/t2t.png"));
    EXPECT_EQ(Lines(err_.str()), 1) << err_.str();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.json"));
}

}  // namespace
