// The map as a person sees it: colours at chosen pixels of rendered maps, and the order of the
// elements of an SVG picture.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>

#include "picture/pixels.h"
#include "subhost/picture/mappicture.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Color;
using kzntest::kBlack;
using kzntest::kWhite;
using kzntest::Pixels;
using subhost::picture::PageOf;

// A picture of MAP (UTF-8 JSON) at SCALE, through the PNG file kznhost writes.
Pixels Render(const char8_t* map, double scale = 1) {
    kzntest::TempDir dir;
    subhost::picture::RenderMap(*kzntest::Map(map), dir / "map.png", scale);
    return Pixels::FromPng(dir / "map.png");
}

const char8_t kBlackSquare[] =
    u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
  {"type": "path", "closed": true,
   "segments": [{"p": [0, 0]}, {"p": [20, 0]}, {"p": [20, 20]}, {"p": [0, 20]}],
   "style": {"fill": {"gray": 1}}}]}]})";

TEST(MapPicture, PageIsTheVisibleArtWithAMarginAndYTurnsDownwards) {
    const auto page = PageOf(*kzntest::Map(kBlackSquare), 2);
    EXPECT_EQ(page.width, 80);
    EXPECT_EQ(page.height, 80);
    // The square's top-left corner (0, 20) is 10 units in from the page's top-left corner.
    const auto corner = page.toPixels.Apply({0, 20});
    EXPECT_DOUBLE_EQ(corner.x, 20);
    EXPECT_DOUBLE_EQ(corner.y, 20);

    const Pixels p = Render(kBlackSquare, 2);
    ASSERT_EQ(p.width(), 80);
    EXPECT_EQ(p.At(40, 40), kBlack);
    EXPECT_EQ(p.At(22, 22), kBlack);  // just inside the corner
    EXPECT_EQ(p.At(17, 40), kWhite);  // just left of it
    EXPECT_EQ(p.At(5, 5), kWhite);
}

TEST(MapPicture, GraysAreTintsAndOutOfRangeValuesTheNearerEnd) {
    const Pixels p = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "path", "closed": true,
       "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 10]}, {"p": [0, 10]}],
       "style": {"fill": {"gray": 0.25}}},
      {"type": "path", "closed": true,
       "segments": [{"p": [20, 0]}, {"p": [30, 0]}, {"p": [30, 10]}, {"p": [20, 10]}],
       "style": {"fill": {"gray": 1.7}}},
      {"type": "path", "closed": true,
       "segments": [{"p": [40, 0]}, {"p": [50, 0]}, {"p": [50, 10]}, {"p": [40, 10]}],
       "style": {"fill": {"gray": -3}, "stroke": {"gray": 65536, "width": 2}}}]}]})");
    // The page starts at (-10, 20): a unit's centre (x, y) is pixel (x + 10, 20 - y).
    const Color quarter = p.At(15, 15);
    EXPECT_NEAR(quarter.r, 191, 1);  // 0.25 of the way to black
    EXPECT_EQ(p.At(35, 15), kBlack);
    EXPECT_EQ(p.At(55, 15), kWhite);           // inside the -3 square
    EXPECT_EQ(p.At(50, 15), kBlack);           // its left edge, stroked 2 wide in black
    EXPECT_EQ(p.At(55, 20 - 10 + 0), kBlack);  // its top edge
}

TEST(MapPicture, StrokeOnlyCircleLeavesItsCentreWhite) {
    // A circle of radius 10 about (0, 0) from four Bézier quarters.
    const Pixels p = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "path", "closed": true, "style": {"stroke": {"gray": 1, "width": 2}},
       "segments": [
         {"p": [10, 0], "in": [10, -5.523], "out": [10, 5.523]},
         {"p": [0, 10], "in": [5.523, 10], "out": [-5.523, 10]},
         {"p": [-10, 0], "in": [-10, 5.523], "out": [-10, -5.523]},
         {"p": [0, -10], "in": [-5.523, -10], "out": [5.523, -10]}]}]}]})");
    // The page is (-20, 20) to (20, -20): the centre is pixel (20, 20).
    ASSERT_EQ(p.width(), 40);
    EXPECT_EQ(p.At(20, 20), kWhite);
    EXPECT_EQ(p.At(27, 20), kWhite);
    EXPECT_EQ(p.Darkest(29, 19, 31, 21), kBlack);  // the stroke at (10, 0)
    // Halfway along a quarter, the curve is at 45 degrees: the chord's midpoint is inside.
    const int onCurve = static_cast<int>(std::round(20 + 10 / std::sqrt(2.0)));
    EXPECT_EQ(p.Darkest(onCurve - 1, 40 - onCurve - 1, onCurve + 1, 40 - onCurve + 1), kBlack);
    EXPECT_EQ(p.At(25, 15), kWhite);  // the chord's midpoint
}

TEST(MapPicture, HiddenArtLeavesNoMarkAndTheFrontChildCoversTheBack) {
    const Pixels p = Render(
        u8R"({"kzn-document": 1, "layers": [
      {"title": "top", "art": [
        {"type": "path", "closed": true,
         "segments": [{"p": [30, 0]}, {"p": [40, 0]}, {"p": [40, 10]}, {"p": [30, 10]}],
         "style": {"fill": {"gray": 1}}}]},
      {"title": "bottom", "art": [
        {"type": "path", "hidden": true, "closed": true,
         "segments": [{"p": [0, 0]}, {"p": [200, 0]}, {"p": [200, 200]}, {"p": [0, 200]}],
         "style": {"fill": {"gray": 1}}},
        {"type": "group", "hidden": true, "children": [
          {"type": "path", "closed": true,
           "segments": [{"p": [15, 5]}, {"p": [20, 5]}, {"p": [20, 15]}],
           "style": {"fill": {"gray": 1}}}]},
        {"type": "group", "children": [
          {"type": "path", "closed": true,
           "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 10]}, {"p": [0, 10]}],
           "style": {"fill": {"gray": 1}}},
          {"type": "path", "closed": true,
           "segments": [{"p": [0, 0]}, {"p": [40, 0]}, {"p": [40, 20]}, {"p": [0, 20]}],
           "style": {"fill": {"gray": 0.5}}}]}]}]})");
    // Hidden art in front leaves no mark and does not widen the page: (-10, 30) to (50, -10).
    ASSERT_EQ(p.width(), 60);
    ASSERT_EQ(p.height(), 40);
    EXPECT_EQ(p.At(15, 25), kBlack);      // the group's front child over its back one
    EXPECT_NEAR(p.At(25, 15).r, 127, 1);  // the back child where nothing covers it
    EXPECT_NEAR(p.At(28, 22).r, 127, 1);  // where the hidden group's triangle would be
    EXPECT_EQ(p.At(45, 25), kBlack);      // the top layer over the bottom one
}

TEST(MapPicture, CompoundPathFillsByTheEvenOddRule) {
    const Pixels p = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "compound", "children": [
        {"type": "path", "closed": true, "style": {"fill": {"gray": 1}},
         "segments": [{"p": [0, 0]}, {"p": [40, 0]}, {"p": [40, 40]}, {"p": [0, 40]}]},
        {"type": "path", "closed": true, "style": {"fill": {"gray": 0.5}},
         "segments": [{"p": [10, 10]}, {"p": [30, 10]}, {"p": [30, 30]}, {"p": [10, 30]}]}]}]}]})");
    EXPECT_EQ(p.At(15, 15), kBlack);  // the ring, in the first path's style
    EXPECT_EQ(p.At(30, 30), kWhite);  // the hole
}

// A black square glyph, 40 units large, at the anchor (0, 0): upright, and turned a quarter.
TEST(MapPicture, TextStandsOnItsBaselineAtItsAnchorInItsOrientation) {
    const Pixels upright = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "text", "text": "■", "anchor": [0, 0], "size": 40}]}]})");
    // The text box reaches 0.8 em above the baseline; the page takes a quarter em more round it,
    // and its margin: its top-left corner is (-10 - 10, 32 + 10 + 10).
    const auto pixel = [](const Pixels& p, double x, double y, double left, double top) {
        return p.At(static_cast<int>(x - left), static_cast<int>(top - y));
    };
    EXPECT_EQ(pixel(upright, 10, 10, -20, 52), kBlack);  // along and above the baseline
    EXPECT_EQ(pixel(upright, 10, -8, -20, 52), kWhite);  // below it
    EXPECT_EQ(pixel(upright, -5, 10, -20, 52), kWhite);  // before the anchor

    // Written upwards: the writing direction is (0, 1), up is (-1, 0).
    const Pixels turned = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "text", "text": "■", "anchor": [0, 0], "size": 40,
       "matrix": [0, 1, -1, 0]}]}]})");
    // The box spans x from -32 to 8 and y from 0 to 40: the page's corner is (-52, 60).
    EXPECT_EQ(pixel(turned, -10, 10, -52, 60), kBlack);  // along and "above"
    EXPECT_EQ(pixel(turned, 5, 10, -52, 60), kWhite);    // "below" the baseline

    // Lines end at CR only, 1.2 em apart; a line feed is not drawn.
    const Pixels lines = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "text", "text": "■\r■\n■", "anchor": [0, 0], "size": 20}]}]})");
    // The box: two lines, the second 2.5 ems wide (the LF counts half an em): x from 0 to 50,
    // y from -28 to 16. The page's corner is (-15, 31).
    EXPECT_EQ(pixel(lines, 10, 8, -15, 31), kBlack);    // the first line
    EXPECT_EQ(pixel(lines, 10, -16, -15, 31), kBlack);  // the second, 24 units lower
    EXPECT_EQ(pixel(lines, 30, -16, -15, 31), kBlack);  // the third square, on the second line
    EXPECT_EQ(pixel(lines, 30, 8, -15, 31), kWhite);

    // A text enlarged far beyond what fonts are drawn at is drawn from its outlines: 300 units.
    const Pixels huge = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "text", "text": "■", "anchor": [0, 0], "size": 1,
       "matrix": [300, 0, 0, 300]}]}]})");
    // The box: x from 0 to 300, y from -60 to 240, a quarter em (75) round it: the corner is
    // (-85, 325).
    EXPECT_EQ(pixel(huge, 100, 100, -85, 325), kBlack);
    EXPECT_EQ(pixel(huge, 200, 150, -85, 325), kBlack);
    EXPECT_EQ(pixel(huge, 100, -50, -85, 325), kWhite);
}

TEST(MapPicture, TextOnAPathRunsAlongThePath) {
    // Two black squares on a path going straight down from (0, 100) to (0, 0).
    const Pixels p = Render(
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
      {"type": "text", "text": "■■", "size": 20, "anchor": [0, 100],
       "path": {"type": "path", "segments": [{"p": [0, 100]}, {"p": [0, 0]}]}},
      {"type": "path", "segments": [{"p": [-40, 0]}, {"p": [40, 0]}],
       "style": {"stroke": {"gray": 0.01, "width": 0.1}}}]}]})");
    // The page: the path with an em round it, and the line: (-50, 130) to (50, -30). Walking
    // down, "above" the path is to the east.
    const auto at = [&](double x, double y) {
        return p.At(static_cast<int>(x + 50), static_cast<int>(130 - y));
    };
    EXPECT_EQ(at(8, 90), kBlack);   // the first square, east of the path
    EXPECT_EQ(at(8, 70), kBlack);   // the second, one em further down
    EXPECT_EQ(at(-8, 90), kWhite);  // nothing west of it
    EXPECT_EQ(at(8, 40), kWhite);   // nothing past the text
}

// The SVG picture has one element per visible leaf after the white page, back to front.
TEST(MapPicture, SvgHasOneElementPerVisibleLeafFromBackToFront) {
    kzntest::TempDir dir;
    subhost::picture::RenderMap(*kzntest::Map(u8R"({"kzn-document": 1, "layers": [
      {"title": "top", "art": [
        {"type": "text", "text": "前", "anchor": [0, 0]},
        {"type": "path", "closed": true, "style": {"fill": {"gray": 0.75}},
         "segments": [{"p": [0, 0]}, {"p": [5, 0]}, {"p": [5, 5]}]}]},
      {"title": "bottom", "art": [
        {"type": "group", "children": [
          {"type": "path", "closed": true, "style": {"fill": {"gray": 0.5},
                                                    "stroke": {"gray": 1, "width": 1}},
           "segments": [{"p": [0, 0]}, {"p": [8, 0]}, {"p": [8, 8]}]},
          {"type": "path", "hidden": true, "closed": true, "style": {"fill": {"gray": 1}},
           "segments": [{"p": [0, 0]}, {"p": [9, 0]}, {"p": [9, 9]}]}]},
        {"type": "path", "closed": true, "style": {"fill": {"gray": 0.25}},
         "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 10]}]}]}]})"),
                                dir / "map.svg");
    tinyxml2::XMLDocument svg;
    ASSERT_EQ(svg.LoadFile((dir / "map.svg").c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* surface = svg.RootElement()->FirstChildElement("g");
    ASSERT_NE(surface, nullptr);
    std::vector<std::string> seen;
    for (auto* e = surface->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        const char* style = e->Attribute("style");
        const std::string s = style ? style : "";
        const std::size_t fill = s.find("fill:rgb(");
        seen.push_back(
            std::string(e->Name()) + " " +
            (fill == std::string::npos ? "" : s.substr(fill + 5, s.find(')', fill) - fill - 4)));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "rect rgb(100%,100%,100%)",  // the page
                        "path rgb(75%,75%,75%)",     // 0.25: the bottom layer's back
                        "path rgb(50%,50%,50%)",     // the group's visible path, stroked too
                        "path rgb(25%,25%,25%)",     // the top layer's back
                        "g rgb(0%,0%,0%)",           // its front: the text
                    }));
}

}  // namespace
