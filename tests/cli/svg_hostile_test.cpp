// What kznhost makes of SVG maps a stranger wrote to break it, byte by byte: characters and
// references XML does not allow, names no name may hold, elements nested past what librsvg
// reads, UTF-16 and gzip data, CR LF line ends; and texts no map can hold.
#include <gmock/gmock.h>

#include <filesystem>
#include <sstream>

#include "cli/convert.h"
#include "cli/picture.h"
#include "cli/run.h"
#include "subhost/files.h"
#include "subhost/mapforms/svgform.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Utf8;
using ::testing::HasSubstr;

std::string Svg(const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:kzn=\"urn:x-kzn:tags\"\n"
           "   xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\"\n"
           "   xmlns:sodipodi=\"http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd\">\n" +
           body + "\n</svg>\n";
}

// kznhost convert of BYTES, as the file NAME, into OUT: its exit status, what it said, and
// whether it wrote OUT.
struct Converted {
    int status;
    std::string said;
    bool written;
};
Converted Convert(const kzntest::TempDir& dir, const std::string& name, const std::string& bytes,
                  const std::string& out = "out.json") {
    std::filesystem::remove(dir / out);
    std::ostringstream err;
    const int status = kznhost::ConvertMap(dir.Write(name, bytes), dir / out, err);
    return {status, err.str(), std::filesystem::exists(dir / out)};
}

// What kznhost says, refusing the SVG map BYTES: the line after "kznhost: DIR/map.svg: ".
std::string Refusal(const std::string& bytes) {
    kzntest::TempDir dir;
    const Converted c = Convert(dir, "map.svg", bytes);
    EXPECT_EQ(c.status, 2) << c.said;
    EXPECT_FALSE(c.written);
    const std::string head = "kznhost: " + dir / "map.svg: ";
    return c.said.starts_with(head) ? c.said.substr(head.size()) : c.said;
}

const subhost::Art& First(const subhost::Document& doc) {
    return *doc.layers().at(0)->group->children.at(0);
}

TEST(SvgHostileBytes, CharactersAndReferencesXmlDoesNotAllowAreRefusedWhereTheyStand) {
    struct Case {
        std::string body;
        std::string said;
    };
    const std::string xml = ": not well-formed XML: ";
    const std::vector<Case> cases = {
        {"<text>ab&#0;cd</text>",
         "line 4, column 9" + xml + "&#0; refers to U+0000, a character XML does not allow"},
        {"<text kzn:k=\"a&#x0;\">x</text>",
         "line 4, column 15" + xml + "&#x0; refers to U+0000, a character XML does not allow"},
        {"<text>&#xD800;</text>",
         "line 4, column 7" + xml + "&#xD800; refers to U+D800, a character XML does not allow"},
        {"<text>&#27;</text>",
         "line 4, column 7" + xml + "&#27; refers to U+001B, a character XML does not allow"},
        {"<text>&#xFFFF;</text>",
         "line 4, column 7" + xml + "&#xFFFF; refers to U+FFFF, a character XML does not allow"},
        {"<text>&#x110000;</text>",
         "line 4, column 7" + xml + "&#x110000; refers to no character (the last is U+10FFFF)"},
        {"<text>&#X41;</text>",
         "line 4, column 7" + xml + "&#X41; is not a character reference (&#NNN; or &#xHHH;)"},
        {"<text>a &nope; b</text>",
         "line 4, column 9" + xml + "&nope; is an entity the file does not declare"},
        {"<text>fish & chips</text>",
         "line 4, column 12" + xml + "an & that begins no reference (write & as &amp;)"},
        {"<text>a\x01z</text>",
         "line 4, column 8" + xml + "the control character U+0001, which XML does not allow"},
        {"<!-- \xEF\xBF\xBE -->",
         "line 4, column 6" + xml + "the character U+FFFE, which XML does not allow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(Refusal(Svg(c.body)), c.said + "\n");
    }
    // An entity's value is checked where the entity is used.
    EXPECT_THAT(Refusal("<!DOCTYPE svg [<!ENTITY e \"x&#0;y\">]>\n" + Svg("<text>&e;</text>")),
                HasSubstr("line 5, column 7: not well-formed XML: &#0; refers to U+0000"));
    // Entities that expand to nothing, each ten times over, would take hours.
    std::string nothing = "<!DOCTYPE svg [<!ENTITY a0 \"\">";
    for (int i = 1; i < 12; ++i) {
        nothing += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            nothing += "&a" + std::to_string(i - 1) + ";";
        }
        nothing += "\">";
    }
    EXPECT_THAT(Refusal(nothing + "]>\n" + Svg("<text>&a11;</text>")),
                HasSubstr("line 5, column 7: its entities are expanded more than 16777216 times"));
    // What XML allows reads as it stands, an & in markup that holds no references included.
    const auto doc = subhost::ParseSvgMap(
        "<?xml-stylesheet href=\"a?b&c\"?>\n<!-- R&D -->\n" +
            Svg("<text xml:space=\"preserve\">&#9;&#x41;&#65;&amp;&lt;&gt;&quot;&apos;"
                "<![CDATA[&]]>&#xE000;&#x10FFFF;</text>"),
        "map.svg");
    EXPECT_EQ(First(*doc).text, " AA&<>\"'&\xF0\x40\x81\xAC");  // private use, and no form
}

TEST(SvgHostileBytes, UnreadableNamesAreRefusedAndEveryNameReadIsWrittenBack) {
    EXPECT_EQ(Refusal(Svg("<text kzn:_x0000_=\"1\">x</text>")),
              "line 4, column 7: the attribute name kzn:_x0000_ reads as a name holding U+0000 "
              "(its _xHHHH_ escapes undone), which no name may hold\n");
    EXPECT_EQ(Refusal(Svg("<metadata>\n  <a_x001F_b/></metadata>")),
              "line 5, column 4: the element name a_x001F_b reads as a name holding U+001F (its "
              "_xHHHH_ escapes undone), which no name may hold\n");
    EXPECT_THAT(Refusal(Svg("<g id=\"a_x0000_\" kzn:ok=\"1\" kzn:_xD800_=\"2\"/>")),
                HasSubstr("line 4, column 29: the attribute name kzn:_xD800_ reads as a name "
                          "holding U+D800"));
    // Each name read goes through JSON and back to SVG unchanged.
    kzntest::TempDir dir;
    const std::string names =
        "<text kzn:a_x0020_b=\"1\" kzn:_x0031_st=\"2\" kzn:_x005F_x=\"3\" kzn:_=\"4\" "
        "kzn:_x00E9_t_x00E9_=\"5\" kzn:" +
        Utf8(u8"丸") + "=\"6\">x</text>";
    ASSERT_EQ(Convert(dir, "in.svg", Svg(names), "map.json").status, 0);
    std::ostringstream err;
    ASSERT_EQ(kznhost::ConvertMap(dir / "map.json", dir / "back.svg", err), 0) << err.str();
    const auto in = subhost::ParseSvgMap(Svg(names), "in.svg");
    EXPECT_EQ(subhost::ReadMap(dir / "back.svg")->layers()[0]->group->children[0]->tags,
              First(*in).tags);
    EXPECT_EQ(First(*in).tags.count("a b"), 1U);
    // A name JSON holds and SVG cannot is not written as SVG; a message holding a NUL shows it.
    const std::string nul = R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)"
                            R"({"type": "group", "tags": {"x\u0000y": "1"}, "children": []}]}]})";
    const Converted c = Convert(dir, "nul.json", nul, "o.svg");
    EXPECT_EQ(c.status, 2);
    EXPECT_THAT(c.said, HasSubstr("tags.x\\x00y has a name with a NUL character"));
    const Converted tab = Convert(dir, "tab.json",
                                  R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)"
                                  R"({"type": "group", "tags": {"x\ty": "1"}, "children": []}]}]})",
                                  "o.svg");
    EXPECT_EQ(tab.status, 2);
    EXPECT_THAT(tab.said, HasSubstr("o.svg: the tag name \"x\ty\" holds U+0009, which no name"));
    EXPECT_FALSE(tab.written);
}

// A file of elements nested DEPTH deep, the root included, in its metadata.
std::string Nested(int depth) {
    std::string open;
    std::string close;
    for (int i = 2; i < depth; ++i) {
        open += "<m>";
        close += "</m>";
    }
    return Svg("<metadata>" + open + close + "</metadata><rect width=\"5\" height=\"5\"/>");
}

TEST(SvgHostileBytes, ElementsNestedPastWhatLibrsvgReadsAreRefusedBeforeAnythingDrawsThem) {
    kzntest::TempDir dir;
    EXPECT_EQ(Convert(dir, "map.svg", Nested(256)).status, 0);
    EXPECT_EQ(Refusal(Nested(257)),
              "line 4, column 773: elements are nested 257 deep; an SVG map holds elements "
              "nested at most 256 deep (as librsvg reads them)\n");
    // librsvg draws 20,000 of them off the end of its stack; the reader refuses them first.
    if (kznhost::CanDrawPictures()) {
        const std::string deep = dir.Write("deep.svg", Nested(20000));
        std::ostringstream err;
        EXPECT_EQ(kznhost::RenderPicture(deep, dir / "deep.png", 1, err), 2);
        EXPECT_THAT(err.str(), HasSubstr("elements are nested 257 deep"));
        EXPECT_EQ(kznhost::RenderLegend(deep, dir / "legend.png", err), 2);
    }
    // What a <use> draws counts where it draws it: a chain of uses, each in a nested <svg> that
    // holds no art, or of patterns each filling a shape with the next.
    std::string uses = "<defs><rect id=\"e0\" width=\"5\" height=\"5\"/>";
    std::string patterns = "<defs><pattern id=\"p0\" width=\"2\" height=\"2\"/>";
    for (int i = 1; i < 200; ++i) {
        const std::string n = std::to_string(i);
        const std::string before = std::to_string(i - 1);
        uses += "<g id=\"e" + n + "\"><svg><use href=\"#e" + before + "\"/></svg></g>";
        patterns += "<pattern id=\"p" + n +
                    "\"><rect width=\"1\" height=\"1\" style=\"fill: url('#p" + before +
                    "')\"/></pattern>";
    }
    EXPECT_EQ(Refusal(Svg(uses + "</defs>\n<use href=\"#e199\"/>")),
              "line 4, column 9149: what this <use> refers to is drawn nested 600 deep; an SVG map "
              "holds elements nested at most 256 deep, counting what a <use> or a url(#id) draws "
              "where it draws it\n");
    EXPECT_THAT(
        Refusal(Svg(patterns + "</defs>\n<rect fill=\"url(#p199)\"/>")),
        HasSubstr("line 4, column 16479: what this <rect> refers to is drawn nested 401 deep"));
    // A use of what holds it draws nothing more (viewers refuse the cycle) and is no chain.
    EXPECT_EQ(
        Convert(dir, "cycle.svg", Svg("<defs><g id=\"a\"><svg><use href=\"#a\"/></svg></g></defs>"))
            .status,
        0);
}

TEST(SvgHostileBytes, Utf16IsNamedAndGzipIsReadWhateverTheName) {
    const std::string svg = Svg("<text>x</text>");
    std::string le = "\xFF\xFE";
    std::string be;
    for (const char c : svg) {
        le += std::string{c, '\0'};
        be += std::string{'\0', c};
    }
    const std::string utf16 =
        "the file is UTF-16 (%s), and an SVG map is read as UTF-8: save it as UTF-8 (Inkscape "
        "saves SVG so; iconv -f UTF-16 -t UTF-8 converts it)\n";
    auto said = [&](const char* order) {
        std::string s = utf16;
        return s.replace(s.find("%s"), 2, order);
    };
    EXPECT_EQ(Refusal(le), said("little-endian"));
    EXPECT_EQ(Refusal(be), said("big-endian"));
    kzntest::TempDir dir;
    // gzip data named .svg; a .svgz of two members, as cat a.gz b.gz makes it.
    EXPECT_EQ(Convert(dir, "zipped.svg", subhost::Gzip(svg)).status, 0);
    EXPECT_EQ(First(*subhost::ReadMap(dir / "out.json")).text, "x");
    const std::string two = subhost::Gzip(svg.substr(0, 50)) + subhost::Gzip(svg.substr(50));
    EXPECT_EQ(Convert(dir, "two.svgz", two).status, 0);
    EXPECT_EQ(First(*subhost::ReadMap(dir / "out.json")).text, "x");
    // The bound holds over the members together.
    const std::string spaces = subhost::Gzip(std::string(3000, ' '));
    EXPECT_EQ(subhost::Gunzip(spaces + spaces, "m.svgz", 6000).size(), 6000U);
    EXPECT_THROW(subhost::Gunzip(spaces + spaces, "m.svgz", 5000), subhost::MapError);
}

TEST(SvgHostileBytes, CrLfFilesReadAsXmlReadsThemAndNewMarkupTakesTheirLineEnds) {
    std::string svg =
        Svg("<defs><symbol id=\"s\"><title>two\nlines</title><rect width=\"1\" height=\"1\"/>"
            "</symbol></defs>\n<g inkscape:groupmode=\"layer\" inkscape:label=\"L\">\n"
            "  <text xml:space=\"preserve\" kzn:k=\"a\nb\">c\nd&#13;&#10;e</text>\n"
            "  <text style=\"white-space:pre;shape-inside:url(#f)\">old</text>\n"
            "  <rect id=\"f\" width=\"50\" height=\"50\"/>\n</g>");
    for (std::size_t at = svg.find('\n'); at != std::string::npos; at = svg.find('\n', at + 2)) {
        svg.replace(at, 1, "\r\n");
    }
    std::shared_ptr<const subhost::MapSource> source;
    const auto doc = subhost::ParseSvgMap(svg, "map.svg", &source);
    EXPECT_EQ(doc->patterns()[0]->name, "two\nlines");
    const auto& art = doc->layers()[0]->group->children;  // front first
    EXPECT_EQ(art[2]->text, "c d  e");                    // &#13; is a character of its own
    EXPECT_EQ(art[2]->tags.at("k"), "a b");
    // New art, and a flowed text's new lines, in the file's own line ends.
    doc->Duplicate(*doc->patterns()[0]->art, kPlaceAbove, *art[2]);
    art[1]->text = "one\rtwo";
    const std::string written = subhost::FormatSvgMap(*doc, source.get());
    for (std::size_t at = written.find('\n'); at != std::string::npos;
         at = written.find('\n', at + 1)) {
        ASSERT_EQ(written[at - 1], '\r') << written.substr(at - 40, 80);
    }
    EXPECT_THAT(written, HasSubstr("\r\n  <g>\r\n    <path"));
    EXPECT_EQ(subhost::ParseSvgMap(written, "again.svg")->layers()[0]->group->children[1]->text,
              "one\rtwo");
}

TEST(SvgHostileBytes, NamesWithLineBreaksAndTabsReadBackThroughEveryForm) {
    kzntest::TempDir dir;
    const std::string json =
        R"({"kzn-document": 1, "layers": [{"title": "L\n1", "art": [{"type": "group",)"
        R"( "tags": {"kznObjectName": "a\nb\tc\rd"}, "children": []}]}],)"
        R"( "patterns": [{"name": "a\nb\tc\rd", "art": {"type": "group", "children": []}}]})";
    std::ostringstream err;
    ASSERT_EQ(kznhost::ConvertMap(dir.Write("in.json", json), dir / "a.svg", err), 0) << err.str();
    ASSERT_EQ(kznhost::ConvertMap(dir / "a.svg", dir / "b.json", err), 0) << err.str();
    ASSERT_EQ(kznhost::ConvertMap(dir / "b.json", dir / "c.svg", err), 0) << err.str();
    const auto back = subhost::ReadMap(dir / "c.svg");
    EXPECT_EQ(back->patterns()[0]->name, "a\nb\tc\rd");
    EXPECT_EQ(back->layers()[0]->title, "L\n1");
    EXPECT_EQ(First(*back).tags.at("kznObjectName"), "a\nb\tc\rd");
    const std::string svg = kzntest::TempDir::Read(dir / "c.svg");
    EXPECT_THAT(svg, HasSubstr("kzn:kznObjectName=\"a&#10;b&#9;c&#13;d\""));
    EXPECT_THAT(svg, HasSubstr("<title>a\nb\tc&#13;d</title>"));
    // Text to object over a map whose symbol's title holds a line break: the plug-in names the
    // symbol by its first line, and the map it writes reads back.
    std::string map =
        subhost::ReadWholeFile(kzntest::SourcePath("examples/small-map.svg"), subhost::kMapBound);
    const std::string title = Utf8(u8"<title>菱形</title>");
    map.replace(map.find(title), title.size(), Utf8(u8"<title>菱形\n(ひし形)</title>"));
    kznhost::RunOptions options{kzntest::ModulePath(), dir.Write("map.svg", map),
                                kzntest::SourcePath("examples/t2o-session.txt"), dir / "out.svg",
                                ""};
    ASSERT_EQ(kznhost::RunSession(options, err), 0) << err.str();
    const auto out = subhost::ReadMap(dir / "out.svg");
    EXPECT_EQ(out->patterns()[6]->name, "\x95\x48\x8C\x60\n(\x82\xD0\x82\xB5\x8C\x60)");
    EXPECT_THAT(kzntest::TempDir::Read(dir / "out.svg"),
                HasSubstr(Utf8(u8"<g kzn:kznObjectName=\"菱形\">")));
}

TEST(SvgHostileBytes, BytesThatAreNotShiftJisAreWrittenInNoForm) {
    struct Case {
        const char* where;
        std::string json;
        std::string shown;
    };
    const std::string layer = R"({"kzn-document": 1, "layers": [{"title": )";
    const std::vector<Case> cases = {
        {"a text", layer + R"("a", "art": [{"type": "text", "text": {"sjis": "41 83"}}]}]})",
         "the text \"A\\x83\" holds the byte 83, which is not Shift-JIS"},
        {"a layer's title", layer + R"({"sjis": "85 40 42"}, "art": []}]})",
         "the text \"\\x85\\x40B\" holds the bytes 85 40, which are not Shift-JIS"},
        {"a tag",
         layer + R"("a", "art": [{"type": "group", "tags": {"k": {"sjis": "FF"}},)"
                 R"( "children": []}]}]})",
         "the text \"\\xFF\" holds the byte FF, which is not Shift-JIS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        kzntest::TempDir dir;
        for (const char* out : {"out.svg", "out.svgz"}) {
            const Converted converted = Convert(dir, "in.json", c.json, out);
            EXPECT_EQ(converted.status, 2);
            EXPECT_EQ(converted.said, "kznhost: " + dir / out + ": " + c.shown +
                                          " (a character cut short?): this form of map cannot "
                                          "hold it, so the map is not written\n");
            EXPECT_FALSE(converted.written);
        }
        // The JSON form keeps such bytes as they are ({"sjis": ...}), and reads them back.
        const Converted json = Convert(dir, "in.json", c.json, "out.json");
        EXPECT_EQ(json.status, 0) << json.said;
        EXPECT_TRUE(json.written);
    }
}

}  // namespace
