// SVG maps read within bounds: the budget of what a map may hold (copies <use> makes included),
// numbers a map can hold, and <use> and transform attributes as librsvg reads them.
#include <gmock/gmock.h>

#include <cmath>

#include "subhost/mapforms/svgform.h"

namespace {

using subhost::Art;
using subhost::Document;
using ::testing::HasSubstr;

constexpr const char* kHead =
    R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink")"
    R"( xmlns:t="urn:x-kzn:tags">)";

// An SVG map of BODY, which starts on line 2.
std::string Svg(const std::string& body) {
    return kHead + ("\n" + body) + "</svg>";
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

std::string Times(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

// Path data of a point and N lines from it.
std::string Lines(int n) {
    return "M0 0" + Times(" l1 1", n);
}

// The first art of the top layer.
const Art& First(const Document& doc) {
    return *doc.layers().at(0)->group->children.front();
}

TEST(SvgBudget, WorstCasesAreRefusedWhereTheBudgetRunsOut) {
    struct Case {
        const char* name;
        std::string body;
        std::string message;
    };
    // 2^14 uses of one long path, each group using the one before twice.
    std::string doubling = "<defs><path id=\"g0\" d=\"" + Lines(2000) + "\"/>\n";
    for (int i = 1; i <= 14; ++i) {
        const std::string before = "<use xlink:href=\"#g" + std::to_string(i - 1) + "\"/>";
        doubling += "<g id=\"g" + std::to_string(i) + "\">" + before + before + "</g>\n";
    }
    doubling += "</defs><use xlink:href=\"#g14\"/>";
    // Symbols used ten times each in the symbol above them, seven deep.
    std::string symbols = "<defs><symbol id=\"s0\"><path d=\"M0 0 l1 1\"/></symbol>\n";
    for (int i = 1; i <= 7; ++i) {
        symbols += "<symbol id=\"s" + std::to_string(i) + "\">" +
                   Times("<use xlink:href=\"#s" + std::to_string(i - 1) + "\"/>", 10) +
                   "</symbol>\n";
    }
    symbols += "</defs><use xlink:href=\"#s7\"/>";
    const std::string more = ", more than a map may";
    const std::vector<Case> cases = {
        {"copies of a long path", doubling,
         "map.svg: line 17, column 8: the map would hold more than 5,000,000 path points" + more},
        {"symbols in symbols", symbols,
         "map.svg: line 8, column 86: the map would hold more than 1,000,000 objects (art, layers, "
         "patterns and swatches)" +
             more},
        {"a path too long", "<path d=\"" + Lines(5'000'000) + "\"/>",
         "map.svg: line 2, column 1: the map would hold more than 5,000,000 path points" + more},
        {"millions of groups", Times("<g/>", 5'000'000),
         "map.svg: line 2, column 19999997: the file holds more than 5,000,000 elements (tags, "
         "comments and other markup)" +
             more},
        {"attributes", Times("<metadata" + Times(" a=\"\"", 1000) + "/>\n", 10'000),
         "map.svg: line 10001, column 4997: the file holds more than 10,000,000 attributes" + more},
        {"copies of a long text",
         "<defs><text id=\"t\">" + std::string(1'000'000, 'a') + "</text></defs>\n" +
             Times("<use xlink:href=\"#t\"/>\n", 101),
         "map.svg: line 103, column 1: the map would hold more than 100,000,000 characters of "
         "texts, tags and paints" +
             more},
        {"copies of many tags",
         "<defs><g id=\"v\"" + Times(" t:k=\"\"", 1) +
             [] {
                 std::string tags;
                 for (int i = 0; i < 999; ++i) {
                     tags += " t:k" + std::to_string(i) + "=\"\"";
                 }
                 return tags;
             }() +
             "/></defs>\n" + Times("<use xlink:href=\"#v\"/>\n", 2001),
         "map.svg: line 2003, column 1: the map would hold more than 2,000,000 tags and paint "
         "properties" +
             more},
        {"copies of what is no art",
         "<defs><g id=\"m\">" + Times("<metadata/>", 10'000) + "</g></defs>\n" +
             Times("<use xlink:href=\"#m\"/>\n", 1000),
         "map.svg: line 1002, column 1: its <use> elements would copy more than 10,000,000 "
         "elements (symbols used in symbols used in symbols...)" +
             more},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Message(Svg(c.body)), c.message);
    }
}

TEST(SvgBudget, MapsWithinItRead) {
    // Just within: the copies that the first case above makes one fewer of.
    const auto doc = Read(Svg("<defs><path id=\"p\" d=\"" + Lines(1999) + "\"/></defs>\n" +
                              Times("<use xlink:href=\"#p\"/>", 2499)));
    EXPECT_EQ(doc->layers()[0]->group->children.size(), 2499U);
    EXPECT_EQ(First(*doc).children.front()->segments.size(), 2000U);
}

TEST(SvgBudget, TagsOfAnElementOfManyAttributesAreFoundByTheirNamespace) {
    // Its namespaces are read once for all its attributes: declared on it, on a layer around it.
    std::string tags;
    for (int i = 0; i < 20; ++i) {
        tags += " k:a" + std::to_string(i) + "=\"" + std::to_string(i) + "\" o:b" +
                std::to_string(i) + "=\"\"";
    }
    const auto doc = Read(Svg(R"(<g xmlns:o="urn:other"><g id="g" xmlns:k="urn:x-kzn:tags")" +
                              tags + R"( t:c="x"/></g>)"));
    const Art& g = *First(*doc).children.front();
    EXPECT_EQ(g.tags.size(), 21U);
    EXPECT_EQ(g.tags.at("a19"), "19");
    EXPECT_EQ(g.tags.at("c"), "x");
}

TEST(SvgNumbers, ACoordinateTooLargeToHoldIsRefusedWhereItStands) {
    struct Case {
        const char* name;
        std::string body;
        std::string message;  // after "map.svg: "
    };
    const std::string large =
        " too large to hold: a map's numbers stay between -1e15 and 1e15 "
        "(the plug-in computes in 32-bit floats)";
    const std::vector<Case> cases = {
        {"relative lines past doubles", R"(<path d="M0,0 l 1e308 1e308 l 1e308 1e308"/>)",
         "line 2, column 1: this <path> gives a coordinate" + large},
        {"past the bound", R"(<path d="M0,0 L 0 1.5e15"/>)",
         "line 2, column 1: this <path> gives a coordinate" + large},
        {"a transform that floats hold, on large points",
         R"~(<g transform="scale(1e38)"><path d="M0,0 L 1e10 0"/></g>)~",
         "line 2, column 28: this <path> gives a coordinate" + large},
        {"a text's anchor", R"(<text x="1e308">a</text>)",
         "line 2, column 1: this <text> gives a coordinate" + large},
        {"a text's size", R"(<text style="font-size:1e16">a</text>)",
         "line 2, column 1: this <text> gives a font size" + large},
        {"a stroke", R"(<path d="M0,0 L1,1" stroke="black" stroke-width="1e16"/>)",
         "line 2, column 1: this <path> gives a stroke width" + large},
        {"a symbol placed far off",
         "<defs><symbol id=\"s\"><path d=\"M0,0 L1,1\"/></symbol></defs>\n"
         "<use xlink:href=\"#s\" x=\"2e15\"/>",
         "line 3, column 1: this <use> gives a coordinate" + large},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Message(Svg(c.body)), "map.svg: " + c.message);
    }
    EXPECT_EQ(First(*Read(Svg(R"(<path d="M0,0 L 0 -1e15"/>)"))).segments[1].p.y, 1e15);
}

TEST(SvgNumbers, ArcsOfAnyRadiiGiveFinitePoints) {
    // Radii too small to reach are scaled up until they do: a half circle, however small they
    // were (1e-320 squared is nothing to a double).
    for (const char* r : {"1", "1e-10", "1e-320"}) {
        SCOPED_TRACE(r);
        const auto doc =
            Read(Svg(std::string("<path d=\"M0,0 A") + r + "," + r + " 0 0 1 10,0\"/>"));
        const std::vector<subhost::Segment>& s = First(*doc).segments;
        ASSERT_EQ(s.size(), 3U);
        EXPECT_NEAR(s[1].p.x, 5, 1e-9);
        EXPECT_NEAR(s[1].p.y, 5, 1e-9);
        EXPECT_EQ(s[2].p.x, 10);
    }
    // Radii beside which the chord is nothing: the arc is the chord.
    const auto doc = Read(Svg(R"(<path d="M0,0 A1e300,1e300 1e308 0 1 10,0"/>)"));
    ASSERT_EQ(First(*doc).segments.size(), 2U);
    EXPECT_EQ(First(*doc).segments[1].p.x, 10);
}

TEST(SvgUse, ACycleIsRefusedNamingTheIdsOfIt) {
    struct Case {
        const char* name;
        std::string body;
        std::string message;  // after "map.svg: "
    };
    const std::string end = " again, so its copy would hold itself without end";
    const std::vector<Case> cases = {
        {"a group using itself", R"(<g id="a"><use xlink:href="#a"/></g>)",
         "line 2, column 11: this <use> makes a cycle: #a uses #a" + end},
        {"a use of itself", R"(<use id="u" href="#u"/>)",
         "line 2, column 1: this <use> makes a cycle: #u uses #u" + end},
        {"two groups using each other",
         "<defs><g id=\"a\"><use href=\"#b\"/></g>\n<g id=\"b\"><rect width=\"1\" height=\"1\"/>"
         "<use href=\"#a\"/></g></defs>\n<use href=\"#a\"/>",
         "line 3, column 39: this <use> makes a cycle: #a uses #b, which uses #a" + end},
        {"a symbol using itself through another",
         R"(<defs><symbol id="s"><use href="#g"/></symbol>)"
         R"(<g id="g"><use href="#s"/></g></defs>)",
         "line 2, column 57: this <use> makes a cycle: #s uses #g, which uses #s" + end},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Message(Svg(c.body)), "map.svg: " + c.message);
    }
    // A symbol used twice over is no cycle.
    EXPECT_EQ(Message(Svg(R"(<defs><symbol id="s"><path d="M0,0 L1,1"/></symbol></defs>)"
                          R"(<g id="g"><use href="#s"/><use href="#s"/></g><use href="#g"/>)")),
              "read without a word");
}

TEST(SvgUse, HrefAndXlinkHrefAreTakenAsLibrsvgTakesThem) {
    // What rsvg-convert 2.54 draws for each: href wins where both name an element; either one
    // that names nothing ("", no '#') leaves the use drawing nothing.
    struct Case {
        const char* attributes;
        std::size_t points;  // of what the use holds: 0 for nothing
    };
    const std::vector<Case> cases = {
        {R"(href="#rect" xlink:href="#line")", 4},
        {R"(xlink:href="#line" href="#rect")", 4},
        {R"(xlink:href="#line")", 2},
        {R"(href="#none" xlink:href="#line")", 0},
        {R"(href="" xlink:href="#line")", 0},
        {R"(href="#rect" xlink:href="line")", 0},
        {R"(href="#" xlink:href="#line")", 0},
        {R"(href="other.svg#rect" xlink:href="#line")", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        const auto doc = Read(Svg(R"(<defs><rect id="rect" width="2" height="2"/>)"
                                  R"(<path id="line" d="M0,0 L1,1"/></defs><use )" +
                                  std::string(c.attributes) + "/>"));
        const Art& use = First(*doc);
        EXPECT_EQ(use.children.empty() ? 0 : use.children.front()->segments.size(), c.points);
    }
}

TEST(SvgTransforms, AListLibrsvgDoesNotReadIsNoTransform) {
    // Where rsvg-convert 2.54 draws the point (1, 1) of a path under each transform.
    struct Case {
        const char* transform;
        double x, y;  // SVG's y, downwards
    };
    const std::vector<Case> cases = {
        {"translate(10)", 11, 1},
        {"translate(1,2)scale(2)", 3, 4},
        {"translate(1,2),scale(2)", 3, 4},
        {" translate(10 , 20) ,", 11, 21},
        {"translate(+10-5)", 11, -4},
        {"translate(.5.5)", 1.5, 1.5},
        {"translate(10/**/20)", 11, 21},
        {"translate(10,20", 11, 21},
        {"none", 1, 1},
        // Not read: the identity.
        {"translate(1,,2)", 1, 1},
        {"translate(10,)", 1, 1},
        {", translate(10,20)", 1, 1},
        {"translate(10,20),,scale(2)", 1, 1},
        {"translate(10 20 30)", 1, 1},
        {"rotate(10 1)", 1, 1},
        {"matrix(1 0 0 1 5)", 1, 1},
        {"TRANSLATE(10)", 1, 1},
        {"translate(10px)", 1, 1},
        {"translate(1.)", 1, 1},
        {"translate(10,20) foo", 1, 1},
        {"scale(1e39)", 1, 1},
        {"scale(1e308)", 1, 1},
        {"rotate(1e308)", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.transform);
        const auto doc =
            Read(Svg("<path transform=\"" + std::string(c.transform) + "\" d=\"M1,1\"/>"));
        const subhost::Point p = First(*doc).segments.at(0).p;
        EXPECT_DOUBLE_EQ(p.x, c.x);
        EXPECT_DOUBLE_EQ(p.y, -c.y);
    }
}

}  // namespace
