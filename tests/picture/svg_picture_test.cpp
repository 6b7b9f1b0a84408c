// Pictures of SVG maps, drawn from the map's own markup: the page the file defines, its colours,
// gradients and embedded images, nothing the file names outside itself, and the legend's symbols
// in their colours.
#include <glib.h>
#include <gmock/gmock.h>

#include <filesystem>
#include <sstream>

#include "cli/convert.h"
#include "cli/picture.h"
#include "cli/run.h"
#include "picture/pixels.h"
#include "subhost/picture/svgpicture.h"
#include "support/harness.h"
#include "support/limited.h"
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

// Symbols on one spot: each cell shows its own symbol alone, whether its element has an id of its
// own, none, or one that an element before it has too; a symbol inside a half-transparent symbol
// shows as the map shows it, through that group.
TEST(SvgLegend, SymbolsOnOneSpotEachShowAlone) {
    TempDir dir;
    const std::string map = dir.Write("map.svg", kRoot + R"(width="100" height="100">
  <defs><symbol id="r"><circle r="4" fill="#ff0000"/></symbol>
    <symbol id="b"><rect x="-4" y="-4" width="8" height="8" fill="#000000"/></symbol></defs>
  <rect id="taken" x="0" y="0" width="4" height="4" fill="#00ff00"/>
  <g inkscape:groupmode="layer" inkscape:label="a">
    <use xlink:href="#r" x="50" y="50" kzn:kznObjectName="red"/>
    <use id="own" xlink:href="#b" x="50" y="50" kzn:kznObjectName="black"/>
    <g id="taken" kzn:kznObjectName="blue"><circle cx="50" cy="50" r="4" fill="#0000ff"/></g>
    <g opacity="0.5" kzn:kznObjectName="faint">
      <use xlink:href="#b" x="50" y="50" kzn:kznObjectName="inner"/></g>
  </g></svg>)");
    std::ostringstream err;
    ASSERT_EQ(kznhost::RenderLegend(map, dir / "legend.png", err), 0) << err.str();
    const Pixels p = Pixels::FromPng(dir / "legend.png");
    // The lines from the front: faint, inner, blue, black, red.
    const auto cell = [&](int line, Color c, int tolerance = 8) {
        const int top = kFirstRow + line * kRow;
        return p.Has(0, top, kSymbolColumn, top + kRow, c, tolerance);
    };
    constexpr Color kGray{128, 128, 128}, kBlue{0, 0, 255};
    for (const int line : {0, 1}) {
        EXPECT_TRUE(cell(line, kGray, 2)) << line;
        EXPECT_FALSE(cell(line, kzntest::kBlack, 60)) << line;
    }
    EXPECT_TRUE(cell(2, kBlue));
    EXPECT_FALSE(cell(2, kGreen, 100));
    EXPECT_TRUE(cell(3, kzntest::kBlack));
    EXPECT_FALSE(cell(3, kRed, 100) || cell(3, kBlue, 100));
    EXPECT_TRUE(cell(4, kRed));
    EXPECT_FALSE(cell(4, kzntest::kBlack, 100) || cell(4, kBlue, 100));
}

// However many symbols stand on one spot, the map is written and read once: the legend of a map
// of 1 MB with 100 names on one spot is drawn within 1 GB (a copy of the map for each name, each
// read by librsvg, took some 2 GB).
TEST(SvgLegend, ManySymbolsOnOneSpotAreDrawnFromOneReadingOfTheMap) {
    KZN_SKIP_UNLESS_ADDRESS_SPACE_BOUNDABLE();
    TempDir dir;
    std::string svg = kRoot + R"(width="1000" height="1000">
  <defs><symbol id="r"><circle r="4" fill="#ff0000"/></symbol></defs>
  <g inkscape:groupmode="layer" inkscape:label="base">
)";
    for (int i = 0; svg.size() < 1'000'000; ++i) {
        const int x = i * 37 % 990, y = i * 53 % 990;
        svg += R"(<path style="fill:#ebebeb;stroke:#666666" d="M )" + std::to_string(x) + "," +
               std::to_string(y) + " l 8,3 -6,6 z\"/>\n";
    }
    svg += R"(</g><g inkscape:groupmode="layer" inkscape:label="points">)";
    for (int k = 0; k < 100; ++k) {
        svg += R"(<use xlink:href="#r" x="500" y="500" kzn:kznObjectName="name)" +
               std::to_string(k) + "\"/>\n";
    }
    const std::string map = dir.Write("map.svg", svg + "</g></svg>\n");
    const kzntest::Ended ended =
        kzntest::RunKznhostWithin(std::uint64_t{1} << 30, {"legend", map, "--out", dir / "l.png"});
    ASSERT_EQ(ended.status, 0) << ended.err;
    const Pixels p = Pixels::FromPng(dir / "l.png");
    EXPECT_GE(p.height(), 100 * kRow);
    const int last = kFirstRow + 99 * kRow;
    EXPECT_TRUE(p.Has(0, last, kSymbolColumn, last + kRow, kRed));
}

// A text of a negative font size, however the markup gives it, draws nothing, in the picture and
// in the legend, and nothing is said of it on standard error (pango would refuse the size with a
// CRITICAL, and librsvg set the text at a size of pango's own); nor is a text of size 0.
TEST(SvgMap, NegativeFontSizesDrawNothingAndSayNothing) {
    const std::string text = R"(x="10" y="70">MMMM</text>)";
    for (
        const std::string& form : std::vector<std::string>{
            R"(<text font-size="-40" )" + text,
            R"(<text style="fill:#000000;font-size: -40px" )" + text,
            R"(<text style="font-size:&#45;40px;fill:#000000" )" + text,
            R"(<text style="font:bold -40px/2 sans-serif" )" + text,
            R"(<text font-size="0" )" + text,
            R"(<g font-size="-40"><text font-size="50%" )" + text + "</g>",
            std::string(
                R"(<text x="10" y="70" font-size="40"><tspan font-size="-40">MMMM</tspan></text>)"),
            R"(<style>.n { font-size: -40px }</style><text class="n" )" + text,
            R"(<style><![CDATA[ text { font-size : -40px !important } ]]></style><text )" + text,
        }) {
        TempDir dir;
        const std::string map = dir.Write(
            "map.svg", kRoot + R"(width="200" height="100"><g inkscape:groupmode="layer">)" +
                           R"(<g kzn:kznObjectName="s"><rect x="150" y="10" width="20" )" +
                           R"(height="20" fill="#ff0000"/>)" + form + "</g></g></svg>");
        std::ostringstream err;
        const std::string said = kzntest::StandardErrorOf([&] {
            EXPECT_EQ(kznhost::RenderPicture(map, dir / "map.png", 1, err), 0) << err.str();
            EXPECT_EQ(kznhost::RenderLegend(map, dir / "legend.png", err), 0) << err.str();
        });
        EXPECT_THAT(said, ::testing::Not(::testing::HasSubstr("CRITICAL"))) << form;
        const Pixels picture = Pixels::FromPng(dir / "map.png");
        EXPECT_TRUE(picture.Has(150, 10, 170, 30, kRed)) << form;
        EXPECT_LT(picture.Darkest(0, 0, 140, 100).Darkness(), 30) << form;
        const Pixels legend = Pixels::FromPng(dir / "legend.png");
        EXPECT_TRUE(legend.Has(0, 0, kSymbolColumn, legend.height(), kRed)) << form;
    }
}

// Markup cut anywhere, its font sizes in attributes, style attributes and style sheets, is
// refused by librsvg (or drawn), never taken apart past its end.
TEST(SvgMap, MarkupCutAnywhereIsRefusedOrDrawn) {
    const std::string svg =
        kRoot + R"(width="20" height="20"><!-- a <comment> --><style><![CDATA[ text { )"
                R"(font-size: -4px; font: 2px/3 x } ]]></style><text style="font-size:&#45;3px;)"
                R"(font:-1px y" font-size="-2">a</text></svg>)";
    TempDir dir;
    for (std::size_t length = 0; length <= svg.size(); ++length) {
        try {
            subhost::picture::RenderSvgMap(svg.substr(0, length), dir / "cut.png");
        } catch (const subhost::picture::PictureError&) {
        }
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "cut.png"));
}

}  // namespace
