// Pictures of SVG maps, drawn from the map's own markup: the page the file defines, its colours,
// gradients and embedded images, nothing the file names outside itself, and the legend's symbols
// in their colours.
#include <glib.h>
#include <gmock/gmock.h>

#include <sstream>

#include "cli/convert.h"
#include "cli/picture.h"
#include "cli/run.h"
#include "picture/pixels.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Color;
using kzntest::Pixels;
using kzntest::TempDir;

constexpr Color kRed{255, 0, 0};
constexpr Color kGreen{0, 255, 0};

const std::string kRoot =
    R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
  xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" xmlns:kzn="urn:x-kzn:tags" )";

// The picture kznhost renders of the SVG map MARKUP at SCALE, in DIR.
Pixels Render(const TempDir& dir, const std::string& markup, double scale = 1) {
    const std::string map = dir.Write("map.svg", markup);
    std::ostringstream err;
    EXPECT_EQ(kznhost::RenderPicture(map, dir / "map.png", scale, err), 0) << err.str();
    return Pixels::FromPng(dir / "map.png");
}

// A 4 x 4 green PNG.
std::string GreenPng() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(
        s,
        [](void* out, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(s);
    return png;
}

std::string Base64(const std::string& bytes) {
    gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out = text;
    g_free(text);
    return out;
}

// TEXT with every WHAT replaced by WITH.
std::string Replaced(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

TEST(SvgPicture, PageIsWhatTheFileDefinesWithOneUserUnitToScalePixels) {
    struct Case {
        std::string root, red;  // the root's size attributes; a red square in user units
        double scale;
        int width, height;
        int redX, redY, whiteX, whiteY;
    };
    for (const Case& c : std::vector<Case>{
             // Width and height alone: user units are pixels.
             {R"(width="100" height="50")", R"(x="10" y="10")", 2, 200, 100, 40, 40, 10, 10},
             // A viewBox in millimetres: still one user unit to SCALE pixels.
             {R"(width="100mm" height="50mm" viewBox="0 0 100 50")", R"(x="10" y="10")", 2, 200,
              100, 40, 40, 10, 10},
             // A viewBox alone, away from the origin.
             {R"(viewBox="-50 -100 100 50")", R"(x="-40" y="-90")", 1, 100, 50, 15, 15, 5, 5},
             // A viewBox narrower than the width and height stands centred in them.
             {R"(width="200" height="100" viewBox="0 0 100 100")", R"(x="0" y="0")", 1, 200, 100,
              60, 10, 40, 10},
             // No size: what the file draws (20 by 20 units) with 10 units round it.
             {"", R"(x="10" y="-40")", 1, 40, 40, 20, 20, 5, 5},
         }) {
        TempDir dir;
        const Pixels p = Render(dir,
                                kRoot + c.root + R"(><rect width="20" height="20" )" + c.red +
                                    R"( fill="#ff0000"/></svg>)",
                                c.scale);
        EXPECT_EQ(p.width(), c.width) << c.root;
        EXPECT_EQ(p.height(), c.height) << c.root;
        EXPECT_EQ(p.At(c.redX, c.redY), kRed) << c.root;
        EXPECT_EQ(p.At(c.whiteX, c.whiteY), kzntest::kWhite) << c.root;
    }
}

// Columns of a 120 by 20 map: red, a gradient from red to blue, an embedded image, an image file
// named three ways (absolute path, file: URL, relative name), a hidden layer's red square.
TEST(SvgPicture, ShowsColoursGradientsAndEmbeddedImagesButNoImageFileNorHiddenArt) {
    TempDir dir;
    const std::string file = dir.Write("green.png", GreenPng());
    const std::string map = kRoot + R"svg(width="120" height="20">
  <defs><linearGradient id="g"><stop offset="0" stop-color="#ff0000"/>
    <stop offset="1" stop-color="#0000ff"/></linearGradient></defs>
  <g inkscape:groupmode="layer" inkscape:label="a">
    <rect x="0" y="0" width="20" height="20" style="fill:#ff0000"/>
    <rect x="20" y="0" width="20" height="20" fill="url(#g)"/>
    <image x="40" y="0" width="20" height="20"
      xlink:href="data:image/png;base64,BASE64"/>
    <image x="60" y="0" width="10" height="20" xlink:href="FILE"/>
    <image x="70" y="0" width="10" height="20" xlink:href="file://FILE"/>
    <image x="80" y="0" width="20" height="20" href="green.png"/>
  </g>
  <g inkscape:groupmode="layer" inkscape:label="b" style="display:none">
    <rect x="100" y="0" width="20" height="20" fill="#ff0000"/>
  </g></svg>)svg";
    const Pixels p =
        Render(dir, Replaced(Replaced(map, "BASE64", Base64(GreenPng())), "FILE", file));
    ASSERT_EQ(p.width(), 120);
    EXPECT_EQ(p.At(10, 10), kRed);
    const Color start = p.At(21, 10), end = p.At(38, 10);
    EXPECT_GT(start.r, 200);
    EXPECT_LT(start.b, 55);
    EXPECT_GT(end.b, 200);
    EXPECT_LT(end.r, 55);
    EXPECT_EQ(p.At(50, 10), kGreen);
    for (int x : {65, 75, 90, 110}) {
        EXPECT_EQ(p.At(x, 10), kzntest::kWhite) << x;
    }
}

TEST(SvgPicture, PageOutOfBoundsIsRefusedInOneLine) {
    TempDir dir;
    const std::string map = dir.Write(
        "map.svg", kRoot + R"(width="100" height="100"><rect width="9" height="9"/></svg>)");
    for (const auto& [scale, says] : std::vector<std::pair<double, std::string>>{
             {1e5, "more than 1000000 pixels a side"}, {0.001, "less than one pixel a side"}}) {
        std::ostringstream err;
        EXPECT_EQ(kznhost::RenderPicture(map, dir / "a.png", scale, err), 2);
        EXPECT_THAT(err.str(), ::testing::HasSubstr("a.png: the page spans 100 by 100 units"));
        EXPECT_THAT(err.str(), ::testing::HasSubstr(says));
        const std::string said = err.str();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "a.png"));
}

TEST(SvgPicture, AJsonMapWrittenAsSvgShowsItsArtInLibrsvg) {
    // A square far from the origin, above it (the document's y grows upwards, SVG's downwards).
    TempDir dir;
    const std::string json = dir.Write("map.json", kzntest::Utf8(u8R"({"kzn-document": 1,
        "layers": [{"title": "L", "art": [{"type": "path", "closed": true,
          "style": {"fill": {"gray": 1}},
          "segments": [{"p": [300, 200]}, {"p": [340, 200]}, {"p": [340, 240]},
                       {"p": [300, 240]}]}]}]})"));
    std::ostringstream err;
    ASSERT_EQ(kznhost::ConvertMap(json, dir / "map.svg", err), 0) << err.str();
    // librsvg's own command line draws the page the file gives: the square with a margin.
    ASSERT_EQ(std::system(
                  ("rsvg-convert '" + dir / "map.svg" + "' -o '" + dir / "map.png" + "'").c_str()),
              0);
    const Pixels page = Pixels::FromPng(dir / "map.png");
    EXPECT_EQ(page.width(), 60);
    EXPECT_EQ(page.height(), 60);
    EXPECT_EQ(page.At(30, 30), (Color{0, 0, 0}));
    EXPECT_EQ(page.At(5, 5), (Color{255, 255, 255}));
}

TEST(SvgPicture, ArtIsDrawnInTheColoursItWasReadWith) {
    // A red square kept with its paint beside its gray, in a JSON map: drawn red, not gray.
    TempDir dir;
    const std::string json = dir.Write("map.json", kzntest::Utf8(u8R"({"kzn-document": 1,
        "layers": [{"title": "L", "art": [{"type": "path", "closed": true,
          "style": {"fill": {"gray": 0.7}}, "paint": {"fill": "#ff0000", "stroke": "none"},
          "segments": [{"p": [0, 0]}, {"p": [40, 0]}, {"p": [40, 40]}, {"p": [0, 40]}]}]}]})"));
    std::ostringstream err;
    ASSERT_EQ(kznhost::RenderPicture(json, dir / "map.png", 1, err), 0) << err.str();
    const Pixels picture = Pixels::FromPng(dir / "map.png");
    EXPECT_EQ(picture.At(30, 30), kRed);
}

// The legend's layout: the first line's symbol cell is at y 39 to 71, the second's below it, the
// symbols in the 40 pixels at the left.
constexpr int kFirstRow = 39, kRow = 32, kSymbolColumn = 40;

TEST(SvgLegend, SymbolOfTheSampleMapIsDrawnInItsColour) {
    TempDir dir;
    // Text to object gives one label the red symbol 丸.
    const std::string script =
        dir.Write("t2o.txt", kzntest::Utf8(u8"filter t2o\nlayer \"調査地点\"\nrow 1011 "
                                           u8"\"ツブリ\"\nrow 1018 \"丸\"\nclick 1020\nok\n"));
    std::ostringstream err;
    ASSERT_EQ(
        kznhost::RunSession({kzntest::ModulePath(), kzntest::SourcePath("examples/small-map.svg"),
                             script, dir / "t2o.svg", ""},
                            err),
        0)
        << err.str();
    ASSERT_EQ(kznhost::RenderLegend(dir / "t2o.svg", dir / "legend.png", err), 0) << err.str();
    const Pixels p = Pixels::FromPng(dir / "legend.png");
    EXPECT_TRUE(p.Has(0, kFirstRow, kSymbolColumn, kFirstRow + kRow, {0xc8, 0x37, 0x37}));
}

// Two symbols side by side: each cell shows its own symbol only, wherever the file's page puts
// the root's user units.
TEST(SvgLegend, CellShowsItsSymbolAndNoneOfANeighbouringSymbol) {
    for (const std::string root :
         {R"(width="100" height="100")", R"(width="200" height="100" viewBox="0 0 100 100")",
          R"(width="100mm" height="200mm" viewBox="-50 0 100 200")", ""}) {
        TempDir dir;
        const std::string map = dir.Write("map.svg", kRoot + root + kzntest::Utf8(u8R"(>
  <defs><symbol id="r"><circle r="4" fill="#ff0000"/></symbol>
    <symbol id="b"><rect x="-4" y="-4" width="8" height="8" fill="#000000"/></symbol></defs>
  <g inkscape:groupmode="layer" inkscape:label="a">
    <use xlink:href="#r" x="50" y="80" kzn:kznObjectName="赤"/>
    <use xlink:href="#r" x="30" y="80" kzn:kznObjectName="赤"/>
    <use xlink:href="#b" x="18" y="10" kzn:kznObjectName="黒"/>
    <use xlink:href="#r" x="10" y="10" kzn:kznObjectName="赤"/>
  </g></svg>)"));
        std::ostringstream err;
        ASSERT_EQ(kznhost::RenderLegend(map, dir / "legend.png", err), 0) << err.str();
        const Pixels p = Pixels::FromPng(dir / "legend.png");
        const int red = kFirstRow, black = kFirstRow + kRow;
        EXPECT_TRUE(p.Has(0, red, kSymbolColumn, red + kRow, kRed)) << root;
        EXPECT_LT(p.Darkest(0, red, kSymbolColumn, red + kRow).Darkness(), 600) << root;
        EXPECT_TRUE(p.Has(0, black, kSymbolColumn, black + kRow, kzntest::kBlack)) << root;
        EXPECT_FALSE(p.Has(0, black, kSymbolColumn, black + kRow, kRed, 100)) << root;
    }
}

}  // namespace
