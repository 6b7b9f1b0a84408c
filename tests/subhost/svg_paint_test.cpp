// How SVG maps paint their art, read as a renderer reads it, kept with the art, and carried by
// every copy: a copy written back draws as its symbol does, wherever it stands.
#include <gmock/gmock.h>

#include "subhost/document/artgeometry.h"
#include "subhost/document/paint.h"
#include "subhost/mapforms/jsonform.h"
#include "subhost/mapforms/svgform.h"

namespace {

using subhost::Art;
using subhost::Document;
using ::testing::HasSubstr;

constexpr const char* kHead =
    R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink")"
    R"( xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape")";

// A map of BODY's <defs> (holding one symbol, "s") and one empty layer, under a root with
// ROOTATTRIBUTES.
std::string Map(const std::string& defs, const std::string& rootAttributes = "") {
    return std::string(kHead) + rootAttributes + "><defs>" + defs +
           "</defs><g inkscape:groupmode=\"layer\" inkscape:label=\"L\"><path d=\"M0 0L1 1\"/>"
           "</g></svg>";
}

// The first path of ART.
const Art& FirstPath(const Art& art) {
    if (art.type == kPathArt) {
        return art;
    }
    for (const Art* child : art.children) {
        if (const Art& p = FirstPath(*child); p.type == kPathArt) {
            return p;
        }
    }
    return art;
}

// MAP with a copy of its first symbol placed on its layer (as text to object places one), as
// written back.
std::string WithACopy(const std::string& map, double scale = 1) {
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(map, "map.svg", &source);
    Art& layer = *doc->layers()[0]->group;
    Art& copy = doc->Duplicate(*doc->patterns().at(0)->art, kPlaceAbove, *layer.children.front());
    subhost::TransformArt(copy, geometry::Matrix::Scale(scale, scale), scale,
                          kTransformObjects | kScaleLines);
    copy.tags["kznObjectName"] = "s";
    return subhost::FormatSvgMap(*doc, source.get());
}

TEST(SvgPaint, EachWayOfPaintingReachesTheCopy) {
    struct Case {
        const char* how;
        std::string defs;
        std::string root;
        std::string written;  // in the copy's path's style
    };
    const std::vector<Case> cases = {
        {"a presentation attribute",
         R"(<symbol id="s"><path d="M0 0h4v4z" fill="#1f77b4"/></symbol>)", "",
         "fill:#1f77b4;stroke:none"},
        {"the style attribute",
         R"(<symbol id="s"><path d="M0 0h4v4z" style="fill:#d62728"/></symbol>)", "",
         "fill:#d62728;stroke:none"},
        {"a class rule of a style sheet",
         R"(<style>.green { fill: #2ca02c } .other { fill: red }</style>)"
         R"(<symbol id="s"><path class="x green" d="M0 0h4v4z"/></symbol>)",
         "", "fill:#2ca02c;stroke:none"},
        {"a group passing its fill down",
         R"(<symbol id="s"><g fill="purple"><path d="M0 0h4v4z"/><path d="M5 5h1v1z"/></g></symbol>)",
         "", "fill:purple;stroke:none"},
        {"the root's style, as NPS's Parking symbol has it",
         R"(<symbol id="s"><path d="M0 0h4v4z" style="fill:none;stroke-width:10"/></symbol>)",
         R"( style="fill:black;stroke:black")", "fill:none;stroke:#000000;stroke-width:10"},
        {"the symbol's own style",
         R"(<symbol id="s" style="fill:none"><path d="M0 0h4v4z" stroke="#ff7f0e"/></symbol>)", "",
         "fill:none;stroke:#ff7f0e;stroke-width:1"},
        {"currentColor and inherit",
         R"(<symbol id="s" color="#9467bd" stroke="coral"><path d="M0 0h4v4z" )"
         R"(fill="currentColor" stroke="inherit"/></symbol>)",
         "", "fill:#9467bd;stroke:coral;stroke-width:1"},
        {"a gradient, which stays a reference",
         R"(<linearGradient id="orange"><stop offset="0" stop-color="orange"/></linearGradient>)"
         R"~(<symbol id="s"><path d="M0 0h4v4z" fill="url(#orange)"/></symbol>)~",
         "", "fill:url(#orange);stroke:none"},
        {"opacities, a fill rule, dashes, caps, joins and a miter limit",
         R"(<symbol id="s" opacity="0.5"><path d="M0 0h4v4z" fill="red" fill-opacity=".8" )"
         R"(fill-rule="evenodd" stroke="blue" stroke-width="2" stroke-opacity="0.25" )"
         R"(stroke-dasharray="4 2" stroke-linecap="round" stroke-linejoin="bevel" )"
         R"(stroke-miterlimit="3"/></symbol>)",
         "",
         "fill:red;fill-opacity:.8;fill-rule:evenodd;stroke:blue;stroke-width:2;"
         "stroke-opacity:0.25;stroke-dasharray:4,2;stroke-linecap:round;stroke-linejoin:bevel;"
         "stroke-miterlimit:3;opacity:0.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        EXPECT_THAT(WithACopy(Map(c.defs, c.root)), HasSubstr("<path style=\"" + c.written + "\""));
    }
}

TEST(SvgPaint, SelectorsWeighAsARenderersDo) {
    struct Case {
        const char* how;
        std::string sheet;
        std::string path;  // attributes of the symbol's path
        std::string fill;
    };
    const std::vector<Case> cases = {
        {"type", "path { fill: teal }", "", "teal"},
        {"id over class, whatever their order", "#p { fill: navy } .c { fill: red }",
         R"(id="p" class="c")", "navy"},
        {"a later rule of the same weight", ".c { fill: red } .c { fill: olive }", R"(class="c")",
         "olive"},
        {"descendant", "#s path { fill: maroon }", "", "maroon"},
        {"child", "symbol > path { fill: lime }", "", "lime"},
        {"a child that is not one", "svg > path { fill: red }", "", "#000000"},
        {"grouped", ".a, .c { fill: gold }", R"(class="c")", "gold"},
        {"compound", "path.c.d { fill: tan }", R"(class="d c")", "tan"},
        {"the style attribute over a rule", ".c { fill: red }", R"(class="c" style="fill:aqua")",
         "aqua"},
        {"a rule over a presentation attribute", ".c { fill: plum }", R"(class="c" fill="red")",
         "plum"},
        {"comments, @-rules and selectors not understood pass",
         "/* .c { fill: red } */ @media print { .c { fill: red } } path:hover { fill: red } "
         ".c { fill: pink }",
         R"(class="c")", "pink"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        const std::string map = Map("<style>" + c.sheet + "</style><symbol id=\"s\"><path " +
                                    c.path + " d=\"M0 0h4v4z\"/></symbol>");
        EXPECT_THAT(WithACopy(map), HasSubstr("<path style=\"fill:" + c.fill + ";"));
    }
}

TEST(SvgPaint, ACopyScaledWithItsLinesScalesItsDashesToo) {
    const std::string map = Map(R"(<symbol id="s"><path d="M0 0h4v4z" fill="red" stroke="blue" )"
                                R"(stroke-width="2" stroke-dasharray="4,1"/></symbol>)");
    EXPECT_THAT(WithACopy(map, 3),
                HasSubstr("style=\"fill:red;stroke:blue;stroke-width:6;stroke-dasharray:12,3\""));
}

TEST(SvgPaint, TheModulesTintWinsAndGraysKeepNoPaint) {
    const std::string map = Map(R"(<symbol id="s"><path d="M0 0h4v4z" fill="#d62728"/></symbol>)");
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(map, "map.svg", &source);
    Art& pattern = const_cast<Art&>(FirstPath(*doc->patterns()[0]->art));
    ASSERT_TRUE(subhost::PaintInForce(pattern));
    EXPECT_EQ(subhost::FillColour(pattern),
              (subhost::Rgba{214 / 255.0, 39 / 255.0, 40 / 255.0, 1}));
    // The module sets another gray: its value wins, in the map and in pictures.
    pattern.style.fill->gray = 0.25;
    EXPECT_FALSE(subhost::PaintInForce(pattern));
    EXPECT_EQ(subhost::FillColour(pattern), (subhost::Rgba{0.75, 0.75, 0.75, 1}));
    Art& copy = doc->Duplicate(*doc->patterns()[0]->art, kPlaceAbove,
                               *doc->layers()[0]->group->children.front());
    copy.tags["kznObjectName"] = "s";
    EXPECT_THAT(subhost::FormatSvgMap(*doc, source.get()), HasSubstr("fill:#bfbfbf"));
    EXPECT_THAT(subhost::FormatJsonMap(*doc), ::testing::Not(HasSubstr("\"paint\"")));
    // Black and gray art says nothing its tints do not.
    const auto plain = subhost::ParseSvgMap(
        Map(R"(<symbol id="s"><path d="M0 0h4v4z" style="fill:#808080;stroke:#000"/></symbol>)"),
        "map.svg");
    EXPECT_TRUE(FirstPath(*plain->patterns()[0]->art).paint.properties.empty());
}

TEST(SvgPaint, JsonKeepsThePaintAndSvgWritesItBack) {
    const std::string map = Map(R"(<symbol id="s"><path d="M0 0h4v4z" fill="coral" )"
                                R"~(stroke="url(#g) blue" stroke-linecap="round"/></symbol>)~");
    const auto doc = subhost::ParseSvgMap(map, "map.svg");
    const std::string json = subhost::FormatJsonMap(*doc);
    EXPECT_THAT(json, HasSubstr(R"~("paint":{"fill":"coral","stroke":"url(#g) blue",)~"
                                R"~("stroke-linecap":"round","stroke-width":"1"})~"));
    const auto back = subhost::ParseJsonMap(json, "map.json");
    EXPECT_EQ(FirstPath(*back->patterns()[0]->art).paint,
              FirstPath(*doc->patterns()[0]->art).paint);
    EXPECT_EQ(subhost::FormatJsonMap(*back), json);
    // Written as an SVG file of its own, the symbol keeps its paint.
    EXPECT_THAT(subhost::FormatSvgMap(*back, nullptr),
                HasSubstr("style=\"fill:coral;stroke:url(#g) blue;stroke-width:1;"
                          "stroke-linecap:round\""));
    // A property no map form keeps is refused, with where it stands.
    try {
        subhost::ParseJsonMap(R"({"kzn-document": 1, "layers": [{"title": "L", "art": [
            {"type": "path", "segments": [], "paint": {"font-size": "3"}}]}]})",
                              "map.json");
        ADD_FAILURE() << "read";
    } catch (const subhost::MapError& e) {
        EXPECT_THAT(e.what(), HasSubstr("$.layers[0].art[0].paint.font-size is not a paint "
                                        "property"));
    }
}

}  // namespace
