// SVG maps: what a person's SVG file becomes in the host, and what is written back.
#include <gmock/gmock.h>

#include <cmath>
#include <set>

#include "subhost/mapforms/svgform.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Utf8;
using subhost::Art;
using subhost::Document;

constexpr const char* kHead =
    R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink")"
    R"( xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape")"
    R"( xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd")"
    R"( xmlns:t="urn:x-kzn:tags">)";

std::string Svg(const std::string& body) {
    return kHead + body + "</svg>";
}

std::unique_ptr<Document> Read(const std::string& svg) {
    return subhost::ParseSvgMap(svg, "map.svg");
}

std::string Message(const std::string& svg) {
    try {
        Read(svg);
    } catch (const subhost::MapError& e) {
        return e.what();
    }
    return "read without a word";
}

// The first art of the top layer.
const Art& First(const Document& doc) {
    return *doc.layers().at(0)->group->children.front();
}

TEST(SvgLayers, AreTheRootsLayerGroupsTopLast) {
    struct Case {
        const char* name;
        std::string body;
        std::vector<std::string> titles;  // top first
        std::vector<bool> editable;
    };
    const std::vector<Case> cases = {
        {"label, else id; the last is on top",
         R"(<g inkscape:groupmode="layer" id="a" inkscape:label="Base"/>)"
         R"(<g inkscape:groupmode="layer" id="b"/>)",
         {"b", "Base"},
         {true, true}},
        {"insensitive locks",
         R"(<g inkscape:groupmode="layer" inkscape:label="L" sodipodi:insensitive="true"/>)",
         {"L"},
         {false}},
        {"a plain SVG is one layer",
         R"(<rect width="1" height="1"/>)",
         {"\x83\x8C\x83\x43\x83\x84\x81\x5B 1"},
         {true}},
        {"art at the root goes to a layer below the others",
         R"(<rect width="1" height="1"/><g inkscape:groupmode="layer" inkscape:label="L"/>)",
         {"L", "\x83\x8C\x83\x43\x83\x84\x81\x5B 2"},
         {true, true}},
        {"a layer in a layer is a group",
         R"(<g inkscape:groupmode="layer" inkscape:label="L">)"
         R"(<g inkscape:groupmode="layer" inkscape:label="inner"/></g>)",
         {"L"},
         {true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto doc = Read(Svg(c.body));
        std::vector<std::string> titles;
        std::vector<bool> editable;
        for (const auto* layer : doc->layers()) {
            titles.push_back(layer->title);
            editable.push_back(layer->editable);
        }
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(editable, c.editable);
    }
}

TEST(SvgArt, KindsStatesAndTags) {
    const auto doc = Read(Svg(
        R"(<g inkscape:groupmode="layer"><rect width="1" height="1"/>)"
        R"(<g style="display:none" t:kznObjectName="maru" t:a_x0020_b="v"><path d="M0 0L1 1"/></g>)"
        R"(<path d="M0 0 1 0 1 1z M5 5 6 5 6 6z" sodipodi:insensitive="true"/>)"
        R"(<text visibility="hidden">x</text><image href="a.png"/></g>)"));
    const auto& art = doc->layers()[0]->group->children;
    ASSERT_EQ(art.size(), 4U);  // the image has no art; the last in the file is in front
    EXPECT_EQ(art[0]->type, kTextArt);
    EXPECT_TRUE(art[0]->hidden);
    EXPECT_EQ(art[1]->type, kCompoundPathArt);
    EXPECT_EQ(art[1]->children.size(), 2U);
    EXPECT_TRUE(art[1]->locked);
    EXPECT_EQ(art[2]->type, kGroupArt);
    EXPECT_TRUE(art[2]->hidden);
    EXPECT_EQ(art[2]->tags.at("kznObjectName"), "maru");
    EXPECT_EQ(art[2]->tags.at("a b"), "v");
    EXPECT_EQ(art[3]->type, kPathArt);
    EXPECT_FALSE(art[3]->hidden);
}

// Every path command and shape, as points in the document (y up).
TEST(SvgArt, PathsAndShapesInDocumentCoordinates) {
    struct Case {
        std::string element;
        std::size_t points;
        bool closed;
        subhost::Point first;
        subhost::Point last;
    };
    const std::vector<Case> cases = {
        {R"(<path d="M10,20 L30,20 H40 V50 Z"/>)", 4, true, {10, -20}, {40, -50}},
        {R"(<path d="m10 20 l20 0 h10 v30 z"/>)", 4, true, {10, -20}, {40, -50}},
        {R"(<path d="M0 0 C1 1 2 1 3 0 S5 -1 6 0"/>)", 3, false, {0, 0}, {6, 0}},
        {R"(<path d="M0 0 Q1 2 2 0 T4 0"/>)", 3, false, {0, 0}, {4, 0}},
        {R"(<path d="M0 0 A5 5 0 0 1 10 0"/>)", 3, false, {0, 0}, {10, 0}},
        {R"(<path d="M0 0 a5 5 0 1 0 10 0"/>)", 3, false, {0, 0}, {10, 0}},
        {R"~(<path d="M1 1 L2 2" transform="translate(10 20) scale(2)"/>)~",
         2,
         false,
         {12, -22},
         {14, -24}},
        {R"(<rect x="1" y="2" width="3" height="4"/>)", 4, true, {1, -2}, {1, -6}},
        {R"(<rect x="0" y="0" width="10" height="10" rx="2"/>)", 8, true, {2, 0}, {0, -2}},
        {R"(<circle cx="5" cy="5" r="5"/>)", 4, true, {10, -5}, {5, 0}},
        {R"(<ellipse cx="0" cy="0" rx="4" ry="2"/>)", 4, true, {4, 0}, {0, 2}},
        {R"(<line x1="1" y1="2" x2="3" y2="4"/>)", 2, false, {1, -2}, {3, -4}},
        {R"(<polyline points="0,0 1,1 2,0"/>)", 3, false, {0, 0}, {2, 0}},
        {R"(<polygon points="0,0 1,1 2,0"/>)", 3, true, {0, 0}, {2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        const auto doc = Read(Svg(R"~(<g inkscape:groupmode="layer" transform="translate(0 0)">)~" +
                                  c.element + "</g>"));
        const Art& path = First(*doc);
        ASSERT_EQ(path.type, kPathArt);
        ASSERT_EQ(path.segments.size(), c.points);
        EXPECT_EQ(path.closed, c.closed);
        EXPECT_NEAR(path.segments.front().p.x, c.first.x, 1e-9);
        EXPECT_NEAR(path.segments.front().p.y, c.first.y, 1e-9);
        EXPECT_NEAR(path.segments.back().p.x, c.last.x, 1e-9);
        EXPECT_NEAR(path.segments.back().p.y, c.last.y, 1e-9);
    }
}

TEST(SvgArt, AnArcsHandlesLieOnItsCircle) {
    // A half circle of radius 5 about (5, 0), drawn above the x axis of the document.
    const auto doc = Read(Svg(R"(<path d="M0 0 A5 5 0 0 1 10 0"/>)"));
    const Art& path = First(*doc);
    ASSERT_EQ(path.segments.size(), 3U);
    EXPECT_NEAR(path.segments[1].p.x, 5, 1e-9);
    EXPECT_NEAR(path.segments[1].p.y, 5, 1e-9);
    // A quarter circle's handles are 0.5523 of the radius long.
    EXPECT_NEAR(path.segments[0].out.y, 5 * 0.55228, 1e-3);
}

TEST(SvgArt, PaintsAreGrayTints) {
    struct Case {
        std::string style;
        std::optional<double> fill;
        std::optional<double> stroke;
        double width;
    };
    const std::vector<Case> cases = {
        {"", 1.0, std::nullopt, 0},
        {R"(style="fill:#ffffff;stroke:#000;stroke-width:3")", 0.0, 1.0, 3},
        {R"~(fill="none" stroke="white" transform="scale(2)")~", std::nullopt, 0.0, 2},
        {R"~(fill="url(#gradient)")~", 0.5, std::nullopt, 0},
        {R"(style="fill:#808080")", 1 - 128 / 255.0, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        const auto doc = Read(Svg("<path d=\"M0 0 L1 1\" " + c.style + "/>"));
        const Art& path = First(*doc);
        EXPECT_EQ(path.style.fill.has_value(), c.fill.has_value());
        if (c.fill && path.style.fill) {
            EXPECT_NEAR(path.style.fill->gray, *c.fill, 1e-5);
        }
        EXPECT_EQ(path.style.stroke.has_value(), c.stroke.has_value());
        if (c.stroke && path.style.stroke) {
            EXPECT_NEAR(path.style.stroke->gray, *c.stroke, 1e-5);
            EXPECT_NEAR(path.style.stroke->width, c.width, 1e-9);
        }
    }
}

// The gray tint of a colour of red, green and blue from 0 to 255: its darkness.
double Tint(double r, double g, double b) {
    return 1 - (0.299 * r + 0.587 * g + 0.114 * b) / 255;
}

TEST(SvgArt, EveryCssColourFormGivesItsTint) {
    struct Case {
        std::string fill;
        std::optional<double> gray;
    };
    const std::vector<Case> cases = {
        {"coral", Tint(255, 127, 80)},
        {"RebeccaPurple", Tint(102, 51, 153)},
        {"gray", Tint(128, 128, 128)},  // CSS's gray, not X11's (190)
        {"#f80", Tint(255, 136, 0)},
        {"#f80c", Tint(255, 136, 0)},
        {"#1f77b480", Tint(31, 119, 180)},
        {"rgb(31, 119, 180)", Tint(31, 119, 180)},
        {"rgba(31,119,180,0.5)", Tint(31, 119, 180)},
        {"rgb(31 119 180 / 50%)", Tint(31, 119, 180)},
        {"rgb(100%, 50%, 0%)", Tint(255, 127.5, 0)},
        {"hsl(120, 100%, 25%)", Tint(0, 127.5, 0)},
        {"hsla(240deg 100% 50% / 0.3)", Tint(0, 0, 255)},
        {"transparent", std::nullopt},
        {"#12345", 1.0},  // not a colour: black, as a viewer draws an unknown fill
        {"nosuchname", 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fill);
        const auto doc = Read(Svg("<path d=\"M0 0 L1 1\" fill=\"" + c.fill + "\"/>"));
        const Art& path = First(*doc);
        ASSERT_EQ(path.style.fill.has_value(), c.gray.has_value());
        if (c.gray) {
            EXPECT_NEAR(path.style.fill->gray, *c.gray, 1e-5);
        }
    }
}

TEST(SvgTexts, LinesAnchorSizeAndOrientation) {
    const auto doc = Read(Svg(R"~(<text x="1" y="2" style="font-size:9px" transform="rotate(90)">)~"
                              R"(<tspan sodipodi:role="line" x="10" y="20">one</tspan>)"
                              R"(<tspan sodipodi:role="line" x="10" y="31">two</tspan></text>)"));
    const Art& text = First(*doc);
    EXPECT_EQ(text.text, "one\rtwo");
    EXPECT_EQ(text.size, 9);
    // (10, 20) turned a quarter clockwise on the screen is (-20, 10), y up (-20, -10).
    EXPECT_NEAR(text.anchor.x, -20, 1e-9);
    EXPECT_NEAR(text.anchor.y, -10, 1e-9);
    // The writing direction goes down the page: (0, -1) with y up.
    EXPECT_NEAR(text.matrix[0], 0, 1e-9);
    EXPECT_NEAR(text.matrix[1], -1, 1e-9);
}

TEST(SvgTexts, SpacesAsSvgLaysThemOut) {
    struct Case {
        std::string element;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"<text>\n  two\t words  \r\n</text>", "two words"},
        {"<text xml:space=\"preserve\"> a\r\nb\tc </text>", " a b c "},
        {"<g xml:space=\"preserve\"><text>a\nb</text></g>", "a b"},
        {"<text><tspan sodipodi:role=\"line\">\n a </tspan><tspan sodipodi:role=\"line\">b"
         "</tspan></text>",
         "a\rb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        const auto doc = Read(Svg(c.element));
        const Art* art = &First(*doc);
        while (art->type == kGroupArt) {
            art = art->children.front();
        }
        EXPECT_EQ(art->text, c.text);
    }
}

TEST(SvgTexts, TextOnAPathStandsAtItsFirstPoint) {
    const auto doc = Read(Svg(R"(<defs><path id="p" d="M3 4 L9 4"/></defs>)"
                              R"(<text><textPath xlink:href="#p">along</textPath></text>)"));
    const Art& text = First(*doc);
    ASSERT_NE(text.textPath, nullptr);
    EXPECT_EQ(text.text, "along");
    EXPECT_EQ(text.anchor, (subhost::Point{3, -4}));
}

TEST(SvgTexts, ACharacterWithoutShiftJisIsAGetaMarkAndIsWrittenBackAsItWas) {
    const std::string svg = Svg(Utf8(u8"<text t:k=\"\u00E7a\">lima\u00E7on</text>"));
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(svg, "map.svg", &source);
    Art& text = *doc->layers()[0]->group->children.front();
    EXPECT_EQ(text.text,
              "lima\x81\xAC"
              "on");
    EXPECT_EQ(text.tags.at("k"),
              "\x81\xAC"
              "a");
    EXPECT_EQ(subhost::FormatSvgMap(*doc, source.get()), svg);
    // Another tag added: the start tag is written anew, the value as it was.
    text.tags["n"] = "v";
    EXPECT_THAT(
        subhost::FormatSvgMap(*doc, source.get()),
        ::testing::HasSubstr(Utf8(u8"<text t:k=\"\u00E7a\" t:n=\"v\">lima\u00E7on</text>")));
}

TEST(SvgPatterns, SymbolsInFileOrderNamedByTitleLabelOrId) {
    const auto doc = Read(Svg(
        R"(<defs><symbol id="s1"><title>maru</title><circle r="2"/></symbol>)"
        R"(<symbol id="s2" inkscape:label="sankaku"><path d="M0 0L1 1"/><path d="M1 1L2 2"/></symbol>)"
        R"(<symbol id="s3"><rect width="1" height="1"/></symbol></defs>)"
        R"(<use xlink:href="#s1" x="10" y="20" t:kznObjectName="maru"/>)"));
    ASSERT_EQ(doc->patterns().size(), 3U);
    EXPECT_EQ(doc->patterns()[0]->name, "maru");
    EXPECT_EQ(doc->patterns()[1]->name, "sankaku");
    EXPECT_EQ(doc->patterns()[2]->name, "s3");
    // A symbol is a group of its art, of one element as of more.
    EXPECT_EQ(doc->patterns()[0]->art->type, kGroupArt);
    EXPECT_EQ(doc->patterns()[0]->art->children.size(), 1U);
    EXPECT_EQ(doc->patterns()[1]->art->type, kGroupArt);
    EXPECT_EQ(doc->patterns()[1]->art->children.size(), 2U);
    EXPECT_EQ(doc->swatches().size(), 3U);
    // The pattern's art is kept y down; the use places a copy where it stands, y up.
    EXPECT_EQ(doc->patterns()[0]->art->children.front()->segments[0].p, (subhost::Point{2, 0}));
    const Art& use = First(*doc);
    ASSERT_EQ(use.type, kGroupArt);
    EXPECT_EQ(use.tags.at("kznObjectName"), "maru");
    EXPECT_EQ(use.children.front()->segments[0].p, (subhost::Point{12, -20}));
}

TEST(SvgPatterns, SymbolsOfOneTitleAreNamedApart) {
    const auto doc = Read(
        Svg(R"(<defs><symbol id="plane"><title>Airport</title><circle r="2"/></symbol>)"
            R"(<symbol id="plane_inv"><title>Airport</title><circle r="3"/></symbol>)"
            R"(<symbol><title>Airport</title><circle r="4"/></symbol>)"
            R"(<symbol id="x"><title>Airport (plane)</title><circle r="5"/></symbol>)"
            R"(<symbol id="plane_inv"><title>Airport</title><circle r="6"/></symbol></defs>)"));
    std::vector<std::string> names;
    for (const subhost::Pattern* p : doc->patterns()) {
        names.push_back(p->name);
    }
    EXPECT_THAT(names, ::testing::ElementsAre("Airport", "Airport (plane_inv)", "Airport (2)",
                                              "Airport (plane)", "Airport (3)"));
}

TEST(SvgPatterns, AUseOfAnIdNoElementHasIsAnEmptyGroupKeptAsItIs) {
    // As in Inkscape's own AigaSymbols.svg: viewers draw nothing for it.
    const std::string svg = Svg(R"(<use xlink:href="#gone" x="3"/><path d="M0 0L1 1"/>)");
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(svg, "map.svg", &source);
    const Art& use = *doc->layers()[0]->group->children.back();
    EXPECT_EQ(use.type, kGroupArt);
    EXPECT_TRUE(use.children.empty());
    doc->layers()[0]->group->children.front()->hidden = true;
    EXPECT_THAT(subhost::FormatSvgMap(*doc, source.get()),
                ::testing::HasSubstr(R"(<use xlink:href="#gone" x="3"/>)"));
}

TEST(SvgPatterns, InkscapesMapSymbolsHaveANameEach) {
    const std::string file = "/usr/share/inkscape/symbols/MapSymbolsNPS.svg";
    const auto doc = subhost::ReadMap(file);
    std::set<std::string> names;
    for (const subhost::Pattern* p : doc->patterns()) {
        EXPECT_TRUE(names.insert(p->name).second) << p->name;
    }
    EXPECT_GT(names.size(), 100U);
    EXPECT_TRUE(names.contains("Airport"));
    EXPECT_TRUE(names.contains("Airport (Airport_Inv)"));
}

TEST(SvgRefusals, WhatAPersonSees) {
    struct Case {
        const char* name;
        std::string svg;
        std::string message;
    };
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a0 \"lol\">";
    for (int i = 1; i < 12; ++i) {
        bomb += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            bomb += "&a" + std::to_string(i - 1) + ";";
        }
        bomb += "\">";
    }
    bomb += "]>" + Svg("<text>&a11;</text>");
    std::string deep;
    for (int i = 0; i < subhost::kMaxArtDepth + 1; ++i) {
        deep += "<g>";
    }
    for (int i = 0; i < subhost::kMaxArtDepth + 1; ++i) {
        deep += "</g>";
    }
    const std::vector<Case> cases = {
        {"an external entity is never read",
         "<!DOCTYPE svg [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n" + Svg("<text>&x;</text>"),
         "map.svg: line 2, column "},
        {"an entity bomb", bomb, "expand beyond 16 MiB"},
        {"malformed XML", Svg("\n<g>\n  <path></g>"), "map.svg: line 3, column "},
        {"nested too deep", Svg(deep), "nested 101 deep; a map holds art nested at most 100"},
        {"not SVG", "<html/>", "the root element is not <svg>"},
        {"a NUL byte", Svg("\n<text k=\"a" + std::string(1, '\0') + "b\">x</text>"),
         "map.svg: line 2, column 11: not well-formed XML: a NUL byte"},
        {"not UTF-8", Svg("\n<text>caf\xE9</text>"),
         "map.svg: line 2, column 10: bytes that are not UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(Message(c.svg), ::testing::HasSubstr(c.message));
    }
}

TEST(SvgEntities, InternalOnesAreExpandedAndTheFileWrittenBackAsItWas) {
    const std::string svg = "<!DOCTYPE svg [\n<!ENTITY name \"maimai\">\n]>\n" +
                            Svg("<text t:k=\"&name;\">&name;</text>");
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(svg, "map.svg", &source);
    EXPECT_EQ(First(*doc).text, "maimai");
    EXPECT_EQ(First(*doc).tags.at("k"), "maimai");
    EXPECT_EQ(subhost::FormatSvgMap(*doc, source.get()), svg);
}

// ------------------------------------------------------------------------------------------
// Writing back

class SvgWriting : public ::testing::Test {
  protected:
    std::string Load(const std::string& svg) {
        svg_ = svg;
        doc_ = subhost::ParseSvgMap(svg, "map.svg", &source_);
        return svg;
    }
    std::string Written() { return subhost::FormatSvgMap(*doc_, source_.get()); }
    Art& Top(std::size_t i) { return *doc_->layers()[0]->group->children[i]; }

    std::string svg_;
    std::unique_ptr<Document> doc_;
    std::shared_ptr<const subhost::MapSource> source_;
};

const char* const kLayered = R"~(<?xml version="1.0"?>
<!-- made by hand -->
<svg xmlns="http://www.w3.org/2000/svg"
   xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape"
   xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd">
  <defs><symbol id="s"><title>maru</title><circle r="2" style="fill:#c83737"/></symbol></defs>
  <g inkscape:groupmode="layer" id="layer1" inkscape:label="Points" transform="translate(0,-10)">
    <text x="1" y="2" id="t1"><tspan sodipodi:role="line" id="ts1" x="1" y="2">maimai</tspan></text>
    <path   d="M 0,0 L 1,1"   id="p1" />
    <text x="3" y="4" id="t2">tsuburi</text>
    <!-- it's a <g> in a comment -->
  </g>
</svg>
)~";

TEST_F(SvgWriting, AMapNoCommandChangedIsWrittenByteForByte) {
    Load(kLayered);
    EXPECT_EQ(Written(), svg_);
}

TEST_F(SvgWriting, AReplacedTextChangesOnlyItsCharacters) {
    Load(kLayered);
    Top(2).text = "dendenmushi";  // the first text in the file is the back-most
    Top(0).text = "katatsumuri";
    std::string expected = svg_;
    expected.replace(expected.find(">maimai<"), 8, ">dendenmushi<");
    expected.replace(expected.find(">tsuburi<"), 9, ">katatsumuri<");
    EXPECT_EQ(Written(), expected);
}

TEST(SvgWritingTexts, AReplacedTextKeepsItsElementAndFirstLine) {
    struct Case {
        std::string before;
        std::string text;  // Shift-JIS
        std::string after;
    };
    const std::vector<Case> cases = {
        {R"(<text x="1">old</text>)", "n&w", R"(<text x="1">n&amp;w</text>)"},
        {R"(<text><tspan sodipodi:role="line" x="1">old</tspan><tspan sodipodi:role="line">)"
         R"(two</tspan></text>)",
         "a\rb",
         R"(<text><tspan sodipodi:role="line" x="1">a</tspan><tspan sodipodi:role="line">b)"
         R"(</tspan></text>)"},
        {R"(<text>lead<tspan>old</tspan> tail</text>)", "new",
         R"(<text><tspan>new</tspan></text>)"},
        {R"(<text> <tspan sodipodi:role="line"/></text>)", "x",
         R"(<text> <tspan sodipodi:role="line">x</tspan></text>)"},
        {R"(<text><textPath xlink:href="#p">old</textPath></text>)", "\x82\xA0",
         Utf8(u8"<text><textPath xlink:href=\"#p\">\u3042</textPath></text>")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        const std::string svg = Svg(R"(<path id="p" d="M0 0 L1 0"/>)" + c.before);
        std::shared_ptr<const subhost::MapSource> source;
        const auto doc = subhost::ParseSvgMap(svg, "map.svg", &source);
        doc->layers()[0]->group->children.front()->text = c.text;
        EXPECT_EQ(subhost::FormatSvgMap(*doc, source.get()),
                  Svg(R"(<path id="p" d="M0 0 L1 0"/>)" + c.after));
    }
}

TEST_F(SvgWriting, DeletedArtGoesWithItsLine) {
    Load(kLayered);
    doc_->Dispose(Top(1));
    std::string expected = svg_;
    const std::size_t at = expected.find("\n    <path");
    expected.erase(at, expected.find("/>", at) + 2 - at);
    EXPECT_EQ(Written(), expected);
}

TEST_F(SvgWriting, NewArtIsInkscapeMarkupAtItsPlaceWithTheSymbolsColours) {
    Load(kLayered);
    Art& copy = doc_->Duplicate(*doc_->patterns()[0]->art, kPlaceAbove, Top(1));
    copy.tags["kznObjectName"] = "maru";
    const std::string written = Written();
    // Between the path and the text in front of it; the layer's transform undone.
    // The copy is a group, as the symbol is, tagged, holding the symbol's art in its colour.
    const std::size_t path = written.find("id=\"p1\" />");
    const std::size_t added = written.find(
        "\n    <g kzn:kznObjectName=\"maru\">\n      <path style=\"fill:#c83737;stroke:none\" "
        "d=\"M 2,10 C ");
    const std::size_t text = written.find("<text x=\"3\"");
    EXPECT_LT(path, added);
    EXPECT_LT(added, text);
    // The tags' namespace is declared on the root; nothing else of it changed.
    EXPECT_THAT(written,
                ::testing::HasSubstr("sodipodi-0.dtd\" xmlns:kzn=\"urn:x-kzn:tags\">\n  <defs>"));
    // And it reads back as the host had it.
    const auto again = subhost::ParseSvgMap(written, "again.svg");
    const Art& back = *again->layers()[0]->group->children[1];
    EXPECT_EQ(back.tags.at("kznObjectName"), "maru");
    ASSERT_EQ(back.children.size(), 1U);
    EXPECT_NEAR(back.children[0]->segments[0].p.x, copy.children[0]->segments[0].p.x, 1e-9);
    EXPECT_NEAR(back.children[0]->segments[0].p.y, copy.children[0]->segments[0].p.y, 1e-9);
}

TEST_F(SvgWriting, StatesAndTagsChangeOnlyTheStartTag) {
    Load(kLayered);
    Top(0).hidden = true;
    Top(0).locked = true;
    doc_->layers()[0]->title = "Survey";
    std::string expected = svg_;
    expected.replace(expected.find("inkscape:label=\"Points\""), 23, "inkscape:label=\"Survey\"");
    expected.replace(expected.find("<text x=\"3\" y=\"4\" id=\"t2\">"), 26,
                     "<text x=\"3\" y=\"4\" id=\"t2\" sodipodi:insensitive=\"true\" "
                     "style=\"display:none\">");
    EXPECT_EQ(Written(), expected);
}

TEST_F(SvgWriting, ANewLayerIsAnInkscapeLayerAboveItsBase) {
    Load(kLayered);
    doc_->InsertLayer(*doc_->layers()[0], kPlaceAbove).title = "Added";
    const std::string written = Written();
    EXPECT_THAT(written,
                ::testing::HasSubstr(
                    "</g>\n  <g inkscape:groupmode=\"layer\" inkscape:label=\"Added\" />"));
    EXPECT_EQ(subhost::ParseSvgMap(written, "again.svg")->layers()[0]->title, "Added");
}

TEST(SvgForms, AMapWithoutSourceIsWrittenAsAFileOfItsOwnThatReadsBack) {
    const auto json = kzntest::Map(
        u8R"({"kzn-document": 1, "currentLayer": 1, "layers": [
      {"title": "top", "art": [{"type": "text", "text": "a\rb", "anchor": [1, 2], "size": 9,
                                "tags": {"k": "v"}}]},
      {"title": "base", "editable": false, "art": [{"type": "path", "closed": true,
        "segments": [{"p": [0, 0], "corner": true}, {"p": [4, 0], "out": [5, 1]},
                     {"p": [4, 4], "corner": true}],
        "style": {"fill": {"gray": 0.2}, "stroke": {"gray": 1, "width": 2}}}]}],
      "patterns": [{"name": "maru", "art": {"type": "path", "segments": [{"p": [0, 1]}]}}],
      "swatches": [{"pattern": "maru"}]})");
    const std::string svg = subhost::FormatSvgMap(*json, nullptr);
    const auto back = subhost::ParseSvgMap(svg, "fresh.svg");
    // The same map but for grays, which #rrggbb gives in 255 steps.
    const std::string once = subhost::FormatJsonMap(*back);
    EXPECT_EQ(once, subhost::FormatJsonMap(
                        *subhost::ParseSvgMap(subhost::FormatSvgMap(*back, nullptr), "again.svg")));
    EXPECT_EQ(back->currentLayer(), 1U);
    EXPECT_EQ(back->layers()[0]->group->children.front()->text, "a\rb");
    EXPECT_EQ(back->layers()[0]->group->children.front()->tags.at("k"), "v");
    EXPECT_FALSE(back->layers()[1]->editable);
    const Art& path = *back->layers()[1]->group->children.front();
    const Art& original = *json->layers()[1]->group->children.front();
    ASSERT_EQ(path.segments.size(), 3U);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(path.segments[i].corner, original.segments[i].corner) << i;
        EXPECT_NEAR(path.segments[i].out.x, original.segments[i].out.x, 1e-9) << i;
        EXPECT_NEAR(path.segments[i].out.y, original.segments[i].out.y, 1e-9) << i;
    }
    EXPECT_NEAR(path.style.fill->gray, 0.2, 0.5 / 255);
    EXPECT_EQ(back->patterns()[0]->name, "maru");
    // Read from SVG, a pattern's art is a group: the symbol.
    ASSERT_EQ(back->patterns()[0]->art->type, kGroupArt);
    EXPECT_EQ(back->patterns()[0]->art->children.front()->segments[0].p,
              json->patterns()[0]->art->segments[0].p);
}

TEST(SvgForms, GzipRoundTripAndRefusals) {
    const std::string svg = Svg("<text>x</text>");
    EXPECT_EQ(subhost::Gunzip(subhost::Gzip(svg), "m.svgz", 1 << 20), svg);
    EXPECT_THROW(subhost::Gunzip(svg, "m.svgz", 1 << 20), subhost::MapError);
    EXPECT_THROW(subhost::Gunzip(subhost::Gzip(std::string(4096, ' ')), "m.svgz", 1000),
                 subhost::MapError);
    const std::string zipped = subhost::Gzip(svg);
    EXPECT_THROW(subhost::Gunzip(zipped.substr(0, zipped.size() / 2), "m.svgz", 1 << 20),
                 subhost::MapError);
}

TEST(SvgForms, ReadAndWrittenByName) {
    kzntest::TempDir dir;
    const std::string svg = dir.Write("m.svg", Svg("<text>x</text>"));
    const subhost::LoadedMap map = subhost::LoadMap(svg);
    subhost::WriteMap(*map.document, dir / "m.svgz", map.source.get());
    subhost::WriteMap(*map.document, dir / "m.json", map.source.get());
    EXPECT_EQ(subhost::ReadMap(dir / "m.svgz")->layers()[0]->group->children.front()->text, "x");
    EXPECT_EQ(subhost::ReadMap(dir / "m.json")->layers()[0]->group->children.front()->text, "x");
    EXPECT_EQ(subhost::FormOf("A.SVG"), subhost::MapForm::kSvg);
    EXPECT_EQ(subhost::FormOf("a.svg.json"), subhost::MapForm::kJson);
}

// ------------------------------------------------------------------------------------------
// Flowed texts: Inkscape 0.92's flowRoot and Inkscape 1.x's SVG 2 text in a shape

TEST(SvgFlowedTexts, StandWhereInkscapeLaysOutTheirFirstLine) {
    // Each text as a person wrote it (no x and y) and where Inkscape 1.2 put its first line,
    // from the x and y of the tspan it wrote (or the glyphs it drew, for a flowRoot).
    struct Case {
        const char* name;
        std::string element;
        subhost::Point inkscape;  // y downwards, as in the file
        double size;
    };
    const std::string frame = R"~(<rect id="r" x="20" y="30" width="160" height="150"/>)~";
    auto inside = [](const std::string& style, const std::string& text) {
        return R"~(<text xml:space="preserve" x="7" y="9" style="white-space:pre;)~" + style +
               R"~(;shape-inside:url(#r)">)~" + text + "</text>";
    };
    const std::vector<Case> cases = {
        {"Latin: DejaVu's ascent",
         inside("font-size:10px;line-height:1.25", "ab"),
         {20, 38.847656},
         10},
        {"half the leading", inside("font-size:10px;line-height:2", "ab"), {20, 42.597656}, 10},
        {"no line-height: 1.25", inside("font-size:20px", "ab"), {20, 47.695312}, 20},
        {"Japanese: the ideographic em box",
         inside("font-size:10px;line-height:1.25", Utf8(u8"マイマイ one")),
         {20, 40.048828},
         10},
        {"padding",
         inside("font-size:10px;line-height:125%;shape-padding:3", "ab"),
         {23, 41.847656},
         10},
        {"a flowRoot, its region's transform applied",
         R"~(<flowRoot style="font-size:10px;line-height:2"><flowRegion><rect width="60")~"
         R"~( height="40" x="10" y="100" transform="translate(1,2)"/></flowRegion>)~"
         R"~(<flowPara>H</flowPara></flowRoot>)~",
         {11, 114.6},
         10},
        {"a flowPara's own size",
         R"~(<flowRoot style="font-size:30px;line-height:1.25"><flowRegion><rect x="10")~"
         R"~( y="100" width="6" height="4"/></flowRegion><flowPara style="font-size:10px">H)~"
         R"~(</flowPara></flowRoot>)~",
         {10, 108.847656},
         10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto doc = Read(Svg("<defs>" + frame + "</defs>" + c.element));
        const Art& text = First(*doc);
        EXPECT_NEAR(text.anchor.x, c.inkscape.x, 0.01);
        EXPECT_NEAR(text.anchor.y, -c.inkscape.y, 0.01);
        EXPECT_EQ(text.size, c.size);
    }
}

TEST(SvgFlowedTexts, InkscapesOwnLayoutAndTransformsPlaceThem) {
    // As Inkscape 1.2 writes a text it wrapped: a tspan for each line it laid out, at its place;
    // a line break of the text's own ends a line.
    const auto doc = Read(Svg(Utf8(
        u8R"~(<defs><rect x="20" y="30" width="60" height="50" id="rect1"/></defs>)~"
        u8R"~(<g transform="translate(100,0)"><text xml:space="preserve" id="text1")~"
        u8R"~( style="font-size:10px;line-height:1.25;white-space:pre;shape-inside:url(#rect1)")~"
        u8R"~( transform="scale(2)"><tspan x="20.5" y="40.048828" id="tspan27">マイマイ </tspan>)~"
        u8R"~(<tspan x="20" y="52.548828" id="tspan29">one two</tspan><tspan x="20")~"
        u8"\n y=\"65.048828\" id=\"tspan31\">five six\n</tspan><tspan x=\"20\" y=\"77.5\">"
        u8R"~(<tspan dx="0 5.2" id="tspan35">second</tspan></tspan></text></g>)~")));
    const Art& text = *First(*doc).children.front();
    EXPECT_EQ(text.text,
              "\x83\x7D\x83\x43\x83\x7D\x83\x43 one two"
              "five six\rsecond");
    EXPECT_NEAR(text.anchor.x, 141, 1e-9);
    EXPECT_NEAR(text.anchor.y, -80.097656, 1e-6);
    EXPECT_EQ(text.matrix, (std::array<double, 4>{2, 0, 0, 2}));
}

TEST(SvgFlowedTexts, TheirTextIsTheirParagraphs) {
    struct Case {
        std::string element;
        std::string text;
    };
    const std::vector<Case> cases = {
        {R"~(<flowRoot xml:space="preserve"><flowRegion><rect width="9" height="9"/>)~"
         R"~(</flowRegion><flowPara>one <flowSpan>span</flowSpan></flowPara><flowPara/>)~"
         R"~(<flowPara>three</flowPara></flowRoot>)~",
         "one span\r\rthree"},
        {R"~(<flowRoot><flowDiv><flowPara> a  b </flowPara><flowPara>c</flowPara></flowDiv>)~"
         R"~(<flowDiv>d</flowDiv></flowRoot>)~",
         "a b\rc\rd"},
        {"<flowRoot><flowRegion><rect width=\"9\" height=\"9\"/></flowRegion></flowRoot>", ""},
        // Line breaks start lines where the text's white-space keeps them.
        {"<text style=\"white-space:pre;shape-inside:url(#r)\">a  b\nc</text>", "a  b\rc"},
        {"<text style=\"white-space:pre-line;shape-inside:url(#r)\">a  b\r\nc</text>", "a b\rc"},
        {"<text style=\"shape-inside:url(#r)\">a  b\nc</text>", "a bc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        const auto doc =
            Read(Svg(R"~(<defs><rect id="r" width="9" height="9"/></defs>)~" + c.element));
        EXPECT_EQ(First(*doc).text, c.text);
    }
}

TEST(SvgFlowedTexts, AReplacedOneKeepsItsFormAndReadsBack) {
    struct Case {
        const char* name;
        std::string before;
        std::string text;  // Shift-JIS
        std::string after;
    };
    const std::string region =
        R"~(<flowRegion id="g"><rect width="80" height="40"/></flowRegion>)~";
    const std::string style = R"~( style="font-size:10px;white-space:pre;shape-inside:url(#r)")~";
    const std::vector<Case> cases = {
        {"a flowRoot: its region stays, further lines are paragraphs of the first's form",
         R"~(<flowRoot id="f">)~" + region +
             R"~(<flowPara id="p1" style="fill:red">old</flowPara><flowPara id="p2">two)~"
             R"~(</flowPara></flowRoot>)~",
         "a\rb&",
         R"~(<flowRoot id="f">)~" + region +
             R"~(<flowPara id="p1" style="fill:red">a</flowPara><flowPara style="fill:red">)~"
             R"(b&amp;</flowPara></flowRoot>)"},
        {"in a flowDiv, the other paragraphs go, what holds no characters stays",
         "<flowRoot>\n  " + region +
             "\n  <flowDiv><flowPara/>\n    <flowPara>x</flowPara><title>t</title></flowDiv>"
             "\n  <flowPara>y</flowPara>\n  <flowRegionExclude><rect width=\"1\" height=\"1\"/>"
             "</flowRegionExclude>\n</flowRoot>",
         "new",
         "<flowRoot>\n  " + region +
             "\n  <flowDiv><flowPara>new</flowPara><title>t</title></flowDiv>"
             "\n  <flowRegionExclude><rect width=\"1\" height=\"1\"/></flowRegionExclude>\n"
             "</flowRoot>"},
        {"a flowRoot without paragraphs gets them", "<flowRoot>" + region + "</flowRoot>", "a\rb",
         "<flowRoot>" + region + "<flowPara>a</flowPara><flowPara>b</flowPara></flowRoot>"},
        {"SVG 2, as Inkscape writes it: the first tspan, further ones a line lower each",
         "<text" + style +
             R"~(> <tspan x="20" y="40" id="t1">one </tspan><tspan x="20")~"
             R"~( y="52.5" id="t2">two</tspan></text>)~",
         "a\rb\rc",
         "<text" + style + R"~(> <tspan x="20" y="40" id="t1">a)~" + "\n" +
             R"~(</tspan><tspan x="20" y="52.5">b)~" + "\n" +
             R"(</tspan><tspan x="20" y="65">c</tspan></text>)"},
        {"SVG 2 holding its characters itself", "<text" + style + ">old</text>", "a\rb",
         "<text" + style + ">a\nb</text>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string untouched =
            R"~(<flowRoot id="u">)~" + region + R"~(<flowPara>keep</flowPara></flowRoot>)~";
        auto map = [&](const std::string& text) {
            return Svg(R"~(<defs><rect id="r" x="20" y="30" width="80" height="40"/></defs>)~" +
                       untouched + text);
        };
        std::shared_ptr<const subhost::MapSource> source;
        const auto doc = subhost::ParseSvgMap(map(c.before), "map.svg", &source);
        Art& text = *doc->layers()[0]->group->children.front();
        const subhost::Point anchor = text.anchor;
        text.text = c.text;
        const std::string written = subhost::FormatSvgMap(*doc, source.get());
        EXPECT_EQ(written, map(c.after));
        const auto back = subhost::ParseSvgMap(written, "again.svg");
        EXPECT_EQ(back->layers()[0]->group->children.front()->text, c.text);
        EXPECT_EQ(back->layers()[0]->group->children.front()->anchor, anchor);
    }
}

TEST(SvgFlowedTexts, OneMovedIsWrittenAnewAsAPointTextWhereItWasPut) {
    const std::string svg =
        Svg(R"~(<defs><rect id="r" x="20" y="30" width="80" height="40"/></defs>)~"
            R"~(<text id="t" style="font-size:10px;shape-inside:url(#r);shape-padding:2;)~"
            R"~(shape-rendering:crispEdges"><tspan x="20" y="40">a</tspan></text>)~");
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(svg, "map.svg", &source);
    doc->layers()[0]->group->children.front()->anchor = {50, -60};
    const std::string written = subhost::FormatSvgMap(*doc, source.get());
    EXPECT_THAT(written,
                ::testing::HasSubstr(R"~(<text xml:space="preserve" id="t" style="font-size:10px;)~"
                                     R"~(shape-rendering:crispEdges" transform=)~"));
    const auto again = subhost::ParseSvgMap(written, "again.svg");
    const Art& back = First(*again);
    EXPECT_EQ(back.text, "a");
    EXPECT_NEAR(back.anchor.x, 50, 1e-9);
    EXPECT_NEAR(back.anchor.y, -60, 1e-9);
}

// ------------------------------------------------------------------------------------------
// Symbols placed by hand (a <use> of a <symbol>, as Inkscape's Symbols dialog places them) and
// copies of symbols

// Inkscape's NPS airport and its inverted form (one title), a path and a clone of it.
const char* const kPlaced =
    R"(<defs><symbol id="plane"><title>Airport</title><path d="M0 0L1 1"/></symbol>)"
    R"(<symbol id="plane_inv"><title>Airport</title><rect width="2" height="2"/>)"
    R"(<path d="M0 0L1 1"/></symbol></defs>)"
    R"(<g inkscape:groupmode="layer" id="layer1">)"
    R"(<use xlink:href="#plane" x="5" y="6"/>)"
    R"(<use xlink:href="#plane_inv"/>)"
    R"(<use xlink:href="#plane" t:kznObjectName="own" t:k="v"/>)"
    R"(<path id="p" d="M0 0L2 2"/><use xlink:href="#p"/></g>)";

TEST(SvgPlacedSymbols, AreGroupsTaggedWithTheirPatternsName) {
    const auto doc = Read(Svg(kPlaced));
    // Every pattern's art is a group, a single path's too.
    for (const subhost::Pattern* p : doc->patterns()) {
        EXPECT_EQ(p->art->type, kGroupArt) << p->name;
    }
    const auto& art = doc->layers()[0]->group->children;  // front first
    ASSERT_EQ(art.size(), 5U);
    const Art& plane = *art[4];
    ASSERT_EQ(plane.type, kGroupArt);
    EXPECT_EQ(plane.tags, (std::map<std::string, std::string>{{"kznObjectName", "Airport"}}));
    ASSERT_EQ(plane.children.size(), 1U);
    EXPECT_EQ(plane.children[0]->segments[0].p, (subhost::Point{5, -6}));
    // The second symbol of a title is named apart, and so is its placed copy.
    EXPECT_EQ(art[3]->tags.at("kznObjectName"), "Airport (plane_inv)");
    EXPECT_EQ(art[3]->children.size(), 2U);
    // A use's own tag comes first.
    EXPECT_EQ(art[2]->tags,
              (std::map<std::string, std::string>{{"k", "v"}, {"kznObjectName", "own"}}));
    // A clone of art that is not a symbol is a group of its copy, untagged.
    EXPECT_EQ(art[0]->type, kGroupArt);
    EXPECT_TRUE(art[0]->tags.empty());
}

class SvgPlacedSymbolsWriting : public ::testing::Test {
  protected:
    void SetUp() override {
        svg_ = Svg(kPlaced);
        doc_ = subhost::ParseSvgMap(svg_, "map.svg", &source_);
    }
    std::string Written() { return subhost::FormatSvgMap(*doc_, source_.get()); }
    Art& Top(std::size_t i) { return *doc_->layers()[0]->group->children[i]; }

    std::string svg_;
    std::unique_ptr<Document> doc_;
    std::shared_ptr<const subhost::MapSource> source_;
};

TEST_F(SvgPlacedSymbolsWriting, KeepTheirBytesWithoutTheTagReadingGaveThem) {
    // Untouched: the file as it was.
    EXPECT_EQ(Written(), svg_);
    // Hidden and locked by a command: its start tag changes by that only.
    Top(4).hidden = true;
    Top(4).locked = true;
    std::string expected = svg_;
    expected.replace(expected.find(R"(<use xlink:href="#plane" x="5" y="6"/>)"), 38,
                     R"(<use xlink:href="#plane" x="5" y="6" sodipodi:insensitive="true" )"
                     R"(style="display:none"/>)");
    EXPECT_EQ(Written(), expected);
}

TEST_F(SvgPlacedSymbolsWriting, ATagACommandGaveIsWritten) {
    Top(4).tags["kznObjectName"] = "Campground";
    Top(3).hidden = true;
    Top(2).hidden = true;
    const std::string written = Written();
    EXPECT_THAT(written,
                ::testing::HasSubstr(
                    R"(<use xlink:href="#plane" x="5" y="6" t:kznObjectName="Campground"/>)"));
    EXPECT_THAT(written,
                ::testing::HasSubstr(R"(<use xlink:href="#plane_inv" style="display:none"/>)"));
    EXPECT_THAT(written, ::testing::HasSubstr(R"(<use xlink:href="#plane" t:kznObjectName="own" )"
                                              R"(t:k="v" style="display:none"/>)"));
    // Read back, each is what the host had.
    const auto back = subhost::ParseSvgMap(written, "again.svg");
    EXPECT_EQ(back->layers()[0]->group->children[4]->tags.at("kznObjectName"), "Campground");
    EXPECT_EQ(back->layers()[0]->group->children[3]->tags.at("kznObjectName"),
              "Airport (plane_inv)");
}

TEST(SvgCopiesOfSymbols, ArePaintedAsTheirOwnSymbol) {
    // Two single-path symbols of one shape, one of a class: each copy painted as its own.
    const std::string svg =
        Svg(R"(<style>.hollow { fill: none; stroke: #ff0000 }</style>)"
            R"(<defs><symbol id="a"><title>a</title><path d="M0 0L4 0L4 4Z"/></symbol>)"
            R"(<symbol id="b"><title>b</title><path d="M0 0L4 0L4 4Z" class="hollow"/></symbol>)"
            R"(</defs><g inkscape:groupmode="layer"><path d="M9 9L10 10"/></g>)");
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(svg, "map.svg", &source);
    Art& path = *doc->layers()[0]->group->children.front();
    for (const subhost::Pattern* p : {doc->patterns()[1], doc->patterns()[0]}) {
        doc->Duplicate(*p->art, kPlaceAbove, path).tags["kznObjectName"] = p->name;
    }
    const std::string written = subhost::FormatSvgMap(*doc, source.get());
    const std::size_t a = written.find("<g t:kznObjectName=\"a\">");
    const std::size_t b = written.find("<g t:kznObjectName=\"b\">");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_THAT(written.substr(a, written.find("</g>", a) - a),
                ::testing::Not(::testing::ContainsRegex("hollow|ff0000|red")));
    EXPECT_THAT(written.substr(b, written.find("</g>", b) - b),
                ::testing::ContainsRegex("hollow|stroke:#ff0000|stroke:red"));
}

// New markup in files that name SVG's elements otherwise than by the default namespace.
TEST(SvgPrefixedDocuments, NewMarkupIsNamedAsSvgIsWhereItGoes) {
    constexpr const char* kNs =
        R"( xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape")"
        R"( xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd")"
        R"( xmlns:t="urn:x-kzn:tags")";
    struct Case {
        const char* name;
        std::string svg;  // with a symbol, a layer, a text of one line in it
        std::vector<std::string> written;
    };
    const std::vector<Case> cases = {
        {"a prefix",
         std::string(R"(<svg:svg xmlns:svg="http://www.w3.org/2000/svg")") + kNs +
             R"(><svg:defs><svg:symbol id="s"><svg:title>m</svg:title>)"
             R"(<svg:circle r="1"/></svg:symbol></svg:defs>)"
             R"(<svg:g inkscape:groupmode="layer"><svg:text><svg:tspan sodipodi:role="line">a)"
             R"(</svg:tspan></svg:text></svg:g></svg:svg>)",
         {"<svg:tspan sodipodi:role=\"line\">b</svg:tspan></svg:text>",
          "<svg:g t:kznObjectName=\"m\">\n  <svg:path ", " />\n</svg:g>",
          "<svg:text xml:space=\"preserve\"",
          "<svg:tspan sodipodi:role=\"line\" x=\"0\" y=\"0\">new</svg:tspan></svg:text>"}},
        {"a prefix, another namespace the default",
         std::string(R"(<s:svg xmlns:s="http://www.w3.org/2000/svg" xmlns="urn:x-other")") + kNs +
             R"(><s:symbol id="s"><s:title>m</s:title><s:circle r="1"/></s:symbol>)"
             R"(<s:g inkscape:groupmode="layer"><s:text><s:tspan sodipodi:role="line">a)"
             R"(</s:tspan></s:text></s:g></s:svg>)",
         {"<s:tspan sodipodi:role=\"line\">b</s:tspan>", "<s:g t:kznObjectName=\"m\">\n  <s:path ",
          "<s:text xml:space"}},
        {"no name for SVG where it goes",
         std::string(R"(<svg xmlns="http://www.w3.org/2000/svg")") + kNs +
             R"(><symbol id="s"><title>m</title><circle r="1"/></symbol>)"
             R"(<g inkscape:groupmode="layer" xmlns="urn:x-other"><text>)"
             R"(<tspan sodipodi:role="line">a</tspan></text></g></svg>)",
         {"<tspan xmlns=\"http://www.w3.org/2000/svg\" sodipodi:role=\"line\">b</tspan>",
          "<g xmlns=\"http://www.w3.org/2000/svg\" t:kznObjectName=\"m\">"}},
        {"no namespace at all",
         std::string(R"(<svg)") + kNs +
             R"(><symbol id="s"><title>m</title><circle r="1"/></symbol>)"
             R"(<g inkscape:groupmode="layer"><text><tspan sodipodi:role="line">a</tspan></text>)"
             R"(</g></svg>)",
         {"<tspan sodipodi:role=\"line\">b</tspan>", "<g t:kznObjectName=\"m\">\n  <path "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<const subhost::MapSource> source;
        const auto doc = subhost::ParseSvgMap(c.svg, "map.svg", &source);
        Art& text = *doc->layers()[0]->group->children.front();
        text.text = "a\rb";
        doc->Duplicate(*doc->patterns()[0]->art, kPlaceAbove, text).tags["kznObjectName"] = "m";
        Art& added = doc->NewArt(kTextArt, kPlaceAbove, text);
        added.text = "new";
        added.size = 10;
        const std::string written = subhost::FormatSvgMap(*doc, source.get());
        for (const std::string& markup : c.written) {
            EXPECT_THAT(written, ::testing::HasSubstr(markup));
        }
    }
}

}  // namespace
