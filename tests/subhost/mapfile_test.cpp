// Map documents: reading, writing, and refusing what cannot be made sense of.
#include <gtest/gtest.h>

#include "subhost/mapforms/jsonform.h"
#include "subhost/mapforms/mapforms.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Map;
using kzntest::Utf8;

const char8_t kFull[] =
    u8R"({
  "kzn-document": 1,
  "currentLayer": 1,
  "layers": [
    {"title": "凡例", "editable": false, "art": []},
    {"title": "調査地点", "art": [
      {"type": "group", "tags": {"kznObjectName": "丸", "BBAccumRotation": "0.523599"},
       "children": [
         {"type": "path", "closed": true, "selected": true,
          "segments": [{"p": [0, 0]}, {"p": [10, 0], "in": [8, 1], "out": [12, -1], "corner": true}],
          "style": {"fill": {"gray": 0.5}, "stroke": {"gray": 0, "width": 0.25}}},
         {"type": "compound", "children": []}
       ]},
      {"type": "text", "text": "デンデンムシ", "anchor": [1.5, -2], "size": 9, "locked": true,
       "hidden": true, "path": {"type": "path", "segments": [{"p": [3, 4]}]}},
      {"type": "text", "text": {"sjis": "83 66 8C"}}
    ]}
  ],
  "patterns": [{"name": "丸", "art": {"type": "group", "children": []}}],
  "swatches": [{"pattern": "丸"}, {"gray": 0.5}]
})";

TEST(MapFile, ReadsEveryKindOfArtIntoShiftJis) {
    auto doc = Map(kFull);
    ASSERT_EQ(doc->layers().size(), 2U);
    EXPECT_EQ(doc->currentLayer(), 1U);
    EXPECT_FALSE(doc->layers()[0]->editable);
    EXPECT_EQ(doc->layers()[1]->title, "調査地点");
    const auto& art = doc->layers()[1]->group->children;
    ASSERT_EQ(art.size(), 3U);
    EXPECT_EQ(art[0]->type, kGroupArt);
    EXPECT_EQ(art[0]->tags.at("kznObjectName"), "丸");
    EXPECT_EQ(art[0]->children[0]->segments[1].in, (subhost::Point{8, 1}));
    EXPECT_EQ(art[0]->children[0]->segments[0].out, (subhost::Point{0, 0}));
    EXPECT_TRUE(art[0]->children[0]->segments[1].corner);
    EXPECT_EQ(art[0]->children[0]->style.stroke->width, 0.25);
    EXPECT_TRUE(art[0]->children[0]->selected);
    EXPECT_EQ(art[0]->children[1]->type, kCompoundPathArt);
    EXPECT_EQ(art[1]->text, "デンデンムシ");
    EXPECT_TRUE(art[1]->locked && art[1]->hidden);
    ASSERT_NE(art[1]->textPath, nullptr);
    EXPECT_EQ(art[1]->textPath->segments[0].p, (subhost::Point{3, 4}));
    EXPECT_EQ(art[2]->text, "\x83\x66\x8C");  // cut inside a character, kept as bytes
    EXPECT_EQ(art[2]->size, 12);
    ASSERT_EQ(doc->swatches().size(), 2U);
    EXPECT_EQ(doc->swatches()[0]->pattern, doc->patterns()[0]);
}

TEST(MapFile, WritesWhatItReadsSoThatItReadsBackUnchanged) {
    const std::string once = subhost::FormatJsonMap(*Map(kFull));
    const std::string twice = subhost::FormatJsonMap(*subhost::ParseJsonMap(once, "again"));
    EXPECT_EQ(once, twice);
    EXPECT_NE(once.find(R"("sjis":"83 66 8C")"), std::string::npos);
    EXPECT_NE(once.find(Utf8(u8"デンデンムシ")), std::string::npos);  // UTF-8 outside
}

// The same map as kFull with every object's keys in another order: the type of an art first,
// a point's "p" after "in" and "out", a pattern's name after its art, the swatches before the
// patterns they name.
const char8_t kShuffled[] =
    u8R"({
  "swatches": [{"pattern": "丸"}, {"gray": 0.5}],
  "patterns": [{"art": {"children": [], "type": "group"}, "name": "丸"}],
  "layers": [
    {"art": [], "editable": false, "title": "凡例"},
    {"art": [
      {"children": [
         {"style": {"stroke": {"width": 0.25, "gray": 0}, "fill": {"gray": 0.5}},
          "segments": [{"p": [0, 0]}, {"corner": true, "out": [12, -1], "in": [8, 1], "p": [10, 0]}],
          "selected": true, "closed": true, "type": "path"},
         {"children": [], "type": "compound"}
       ], "tags": {"BBAccumRotation": "0.523599", "kznObjectName": "丸"}, "type": "group"},
      {"path": {"segments": [{"p": [3, 4]}], "type": "path"}, "hidden": true, "locked": true,
       "size": 9, "anchor": [1.5, -2], "text": "デンデンムシ", "type": "text"},
      {"text": {"sjis": "83 66 8C"}, "type": "text"}
    ], "title": "調査地点"}
  ],
  "currentLayer": 1,
  "kzn-document": 1
})";

TEST(MapFile, KeysMayComeInAnyOrder) {
    EXPECT_EQ(subhost::FormatJsonMap(*Map(kShuffled)), subhost::FormatJsonMap(*Map(kFull)));
}

// A map is written with its frame indented and each art on a line of its own, compact, leaving
// out the keys that hold their defaults; numbers in their shortest form that reads back the same.
TEST(MapFile, IsWrittenAnArtALineWithoutTheDefaults) {
    const char8_t map[] =
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
        {"type": "text", "text": "x", "anchor": [0, 0], "size": 12, "matrix": [1, 0, 0, 1]},
        {"type": "text", "text": "", "anchor": [0.30000000000000004, 1e15], "size": 5e-324},
        {"type": "path", "closed": false, "locked": false,
         "segments": [{"p": [1, 2], "in": [1, 2], "out": [1, 2], "corner": false}],
         "style": {"fill": null, "stroke": {}}},
        {"type": "group", "children": [{"type": "path", "style": {"fill": {"gray": 0.5}}}]}]}],
        "swatches": [{"gray": 0.25}]})";
    const std::string written = subhost::FormatJsonMap(*Map(map));
    EXPECT_EQ(written, R"({
  "currentLayer": 0,
  "kzn-document": 1,
  "layers": [
    {
      "art": [
        {"text":"x","type":"text"},
        {"anchor":[0.30000000000000004,1e+15],"size":5e-324,"type":"text"},
        {"segments":[{"p":[1,2]}],"style":{"stroke":{"gray":0,"width":1}},"type":"path"},
        {"children":[{"segments":[],"style":{"fill":{"gray":0.5}},"type":"path"}],"type":"group"}
      ],
      "editable": true,
      "title": "a"
    }
  ],
  "patterns": [],
  "swatches": [
    {"gray":0.25}
  ]
}
)");
    EXPECT_EQ(subhost::FormatJsonMap(*subhost::ParseJsonMap(written, "again")), written);
}

struct Bad {
    const char* name;
    const char8_t* json;
    const char* message;
};

void PrintTo(const Bad& bad, std::ostream* os) {
    *os << bad.name;
}

class MalformedMap : public ::testing::TestWithParam<Bad> {};

TEST_P(MalformedMap, IsRefusedWithTheJsonPathOfTheOffendingValue) {
    try {
        Map(GetParam().json);
        FAIL() << "accepted";
    } catch (const subhost::MapError& e) {
        // The message starts with the name of the map (and, for JSON, the library's words).
        const std::string message = GetParam().message;
        EXPECT_EQ(std::string(e.what()).substr(0, message.size()), message);
        if (message.back() != ' ') {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedMap,
    ::testing::Values(
        Bad{"NotJson", u8"{", "test map: not JSON: "},
        Bad{"NoVersion", u8R"({"layers": []})",
            "test map: $.kzn-document must be 1 (the version of this map form)"},
        Bad{"TitleNotText", u8R"({"kzn-document": 1, "layers": [{"title": 5}]})",
            "test map: $.layers[0].title must be a string (or {\"sjis\": \"HEX BYTES\"})"},
        Bad{"NoShiftJisForm",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "text": "😀"}]}]})",
            "test map: $.layers[0].art[0].text holds a character that has no Shift-JIS form"},
        Bad{"UnknownArtType",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "oval"}]}]})",
            "test map: $.layers[0].art[0].type is not one of group, compound, path, text"},
        Bad{"PointNotPair",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "group", "children": [{"type": "path", "segments": [{"p": [1]}]}]}]}]})",
            "test map: $.layers[0].art[0].children[0].segments[0].p must be a point [x, y]"},
        // The commands work on a layer: a document has one at least.
        Bad{"NoLayer", u8R"({"kzn-document": 1, "layers": []})",
            "test map: $.layers holds no layer; a document has one at least"},
        // Read as the last value without a word, a key given twice loses the first.
        Bad{"KeyTwice", u8R"({"kzn-document": 1, "layers": [{"title": "a", "title": "b"}]})",
            "test map: $.layers[0].title is given twice in its object"},
        Bad{"TagTwice",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "group", "tags": {"n": "1", "m": "2", "n": "3"}}]}]})",
            "test map: $.layers[0].art[0].tags.n is given twice in its object"},
        Bad{"UnknownKey", u8R"({"kzn-document": 1, "layers": [], "colour": 1})",
            "test map: $.colour is not a key of this object"},
        Bad{"NoSuchLayer",
            u8R"({"kzn-document": 1, "layers": [{"title": "a"}], "currentLayer": 3})",
            "test map: $.currentLayer is not the index of a layer"},
        Bad{"NoSuchPattern",
            u8R"({"kzn-document": 1, "layers": [], "swatches": [{"pattern": "無"}]})",
            "test map: $.swatches[0].pattern names no pattern of the document"},
        Bad{"MatrixNotFour",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "matrix": [1, 0, 0]}]}]})",
            "test map: $.layers[0].art[0].matrix must be an orientation [a, b, c, d]"},
        Bad{"MatrixNotNumbers",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "matrix": [1, 0, "0", 1]}]}]})",
            "test map: $.layers[0].art[0].matrix[2] must be a number"},
        Bad{"MatrixOnAPath",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "path", "matrix": [1, 0, 0, 1]}]}]})",
            "test map: $.layers[0].art[0].matrix is not a key of this object"},
        Bad{"TextPathNotAPath",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "path": {"type": "group"}}]}]})",
            "test map: $.layers[0].art[0].path must be a path ART"},
        Bad{"BadHex", u8R"({"kzn-document": 1, "layers": [{"title": {"sjis": "8G"}}]})",
            "test map: $.layers[0].title.sjis must be bytes of two hexadecimal digits each, "
            "such as \"8C BE\""},
        Bad{"HalfAByte", u8R"({"kzn-document": 1, "layers": [{"title": {"sjis": "8C B"}}]})",
            "test map: $.layers[0].title.sjis must be bytes of two hexadecimal digits each, "
            "such as \"8C BE\""},
        // The module reads texts up to a NUL: the rest would be lost without a word.
        Bad{"NulInText",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "text": "ab\u0000cd"}]}]})",
            "test map: $.layers[0].art[0].text holds a NUL character (\\u0000), which a text "
            "cannot hold"},
        Bad{"NulInBytes", u8R"({"kzn-document": 1, "layers": [{"title": {"sjis": "41 00 42"}}]})",
            "test map: $.layers[0].title.sjis holds a NUL byte (00), which a text cannot hold"},
        Bad{"NumberOutOfRangeInAnArray",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "anchor": [1, 1e400]}]}]})",
            "test map: $.layers[0].art[0].anchor[1] is a number out of range"},
        // A text of bytes is an object of one string; an object there is no text.
        Bad{"BytesOfAnObject",
            u8R"({"kzn-document": 1, "layers": [{"title": {"sjis": {"sjis": "41"}}}]})",
            "test map: $.layers[0].title must be a string (or {\"sjis\": \"HEX BYTES\"})"},
        Bad{"NotAnObject", u8"5", "test map: $ must be an object"},
        Bad{"TextOnAGroup",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "group", "text": "x"}]}]})",
            "test map: $.layers[0].art[0].text is not a key of this object"},
        Bad{"KeyOfAnotherTypeAfterTheType",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "group", "segments": 5}]}]})",
            "test map: $.layers[0].art[0].segments is not a key of this object"},
        // Refused where it starts: paths inside paths would otherwise run on without a limit.
        Bad{"PathInATextsPath",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "path": {"path": {"path": {}}}}]}]})",
            "test map: $.layers[0].art[0].path must be a path ART"},
        Bad{"TextPathOfAnotherType",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "path": {"type": "circle"}}]}]})",
            "test map: $.layers[0].art[0].path must be a path ART"},
        Bad{"PointOfPoints",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "anchor": [[0, 0]]}]}]})",
            "test map: $.layers[0].art[0].anchor must be a point [x, y]"},
        Bad{"NumberOutOfRangeInAnObject",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "size": -1e999}]}]})",
            "test map: $.layers[0].art[0].size is a number out of range"},
        // The module computes in 32-bit floats: a map's numbers stay within 1e15 either way.
        Bad{"CoordinatePastAMapsNumbers",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "path", "segments": [{"p": [0, -1.5e15]}]}]}]})",
            "test map: $.layers[0].art[0].segments[0].p[1] is a number too large for a map: a "
            "map's numbers stay between -1e15 and 1e15 (the plug-in computes in 32-bit floats)"},
        Bad{"WholeNumberPastAMapsNumbers",
            u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "text", "size": 18446744073709551615}]}]})",
            "test map: $.layers[0].art[0].size is a number too large for a map: a map's numbers "
            "stay between -1e15 and 1e15 (the plug-in computes in 32-bit floats)"}),
    [](const ::testing::TestParamInfo<Bad>& info) { return std::string(info.param.name); });

TEST(MapFile, AKeyGivenTwiceIsFoundAmongManyAndAKeyOfAnotherObjectIsNoRepeat) {
    std::string tags = R"({"kzn-document": 1, "layers": [{"title": "a", "art": [{"type": "group",
        "tags": {"t0": "v"}, "children": [{"type": "group", "tags": {)";
    for (int i = 0; i < 40; ++i) {
        tags += "\"t" + std::to_string(i) + "\": \"v\", ";
    }
    EXPECT_NO_THROW(subhost::ParseJsonMap(tags + R"("t40": "v"}}]}]}]})", "m"));
    EXPECT_THROW(subhost::ParseJsonMap(tags + R"("t7": "v"}}]}]}]})", "m"), subhost::MapError);
}

TEST(MapFile, ATextsOrientationAndItsPathsTagsGoThroughARoundTrip) {
    const char8_t map[] =
        u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
        {"type": "text", "text": "x", "matrix": [0.8660254037844387, 0.5, -0.5, 0.8660254037844387],
         "path": {"type": "path", "tags": {"n": "along"}, "segments": [{"p": [1, 2]}]}},
        {"type": "text", "text": "y", "matrix": [1, 0, 0, 1]}]}]})";
    const std::string once = subhost::FormatJsonMap(*Map(map));
    auto doc = subhost::ParseJsonMap(once, "again");
    const auto& art = doc->layers()[0]->group->children;
    EXPECT_EQ(art[0]->matrix,
              (std::array<double, 4>{0.8660254037844387, 0.5, -0.5, 0.8660254037844387}));
    EXPECT_EQ(art[0]->textPath->tags.at("n"), "along");
    EXPECT_EQ(art[1]->matrix, (std::array<double, 4>{1, 0, 0, 1}));
    EXPECT_EQ(subhost::FormatJsonMap(*doc), once);
    // The identity is the default and is not written.
    EXPECT_EQ(once.find("\"matrix\"", once.find("\"y\"")), std::string::npos);
}

TEST(MapFile, TagNamesOfOneShiftJisFormAreRefused) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows' code page 932 has no form for the yen sign";
#endif
    try {
        Map(u8R"({"kzn-document": 1, "layers": [{"title": "a", "art": [
            {"type": "group", "tags": {"¥": "b", "\\": "a"}}]}]})");
        FAIL() << "two names of one tag were accepted";
    } catch (const subhost::MapError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "test map: $.layers[0].art[0].tags.\\ names a tag another name of this object "
                  "names (Shift-JIS has one form for both)");
    }
}

TEST(MapFile, ReadsBytesWrittenTogetherAndSkipsAByteOrderMark) {
    auto doc = subhost::ParseJsonMap(
        "\xEF\xBB\xBF" +
            Utf8(u8R"({"kzn-document": 1, "layers": [{"title": {"sjis": "8CBE 8A"}}]})"),
        "test map");
    EXPECT_EQ(doc->layers()[0]->title, "\x8C\xBE\x8A");
}

// A map of groups nested DEPTH deep (the innermost holds a text) in its first layer.
std::string Nested(int depth) {
    std::string json = R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)";
    for (int i = 1; i < depth; ++i) {
        json += R"({"type": "group", "children": [)";
    }
    json += R"({"type": "text", "text": "x"})";
    for (int i = 1; i < depth; ++i) {
        json += "]}";
    }
    return json + "]}]}";
}

TEST(MapFile, ArtNestedDeeperThanTheLimitIsRefusedWhereItStands) {
    EXPECT_NO_THROW(subhost::ParseJsonMap(Nested(subhost::kMaxArtDepth), "deep"));
    for (int depth : {subhost::kMaxArtDepth + 1, 20000}) {
        try {
            subhost::ParseJsonMap(Nested(depth), "deep");
            FAIL() << depth << " deep was accepted";
        } catch (const subhost::MapError& e) {
            // The path is shown up to where the nesting starts.
            EXPECT_EQ(std::string(e.what()),
                      "deep: $.layers[0].art[0].children[0]... is nested 101 deep; a map holds "
                      "art nested at most 100 deep");
        }
    }
}

// What a map may hold, all told (MapBudget): a map past it is refused where it runs out.
TEST(MapFile, AMapPastWhatAMapMayHoldIsRefusedWhereItRunsOut) {
    const auto message = [](const std::string& json) -> std::string {
        try {
            subhost::ParseJsonMap(json, "big");
        } catch (const subhost::MapError& e) {
            return e.what();
        }
        return "read";
    };
    const auto layer = [](const std::string& art, int times) {
        std::string json = R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)";
        for (int i = 0; i < times; ++i) {
            json += (i == 0 ? "" : ",") + art;
        }
        return json + "]}]}";
    };
    // The layer and its group are two objects, so the 999,999th art is one too many.
    EXPECT_EQ(message(layer(R"({"type":"group"})", 999'998)), "read");
    EXPECT_EQ(message(layer(R"({"type":"group"})", 999'999)),
              "big: $.layers[0].art[999998] is more than a map may hold: with it the map would "
              "hold more than 1,000,000 objects (art, layers, patterns and swatches)");
    std::string segments;
    for (int i = 0; i < 5'000'001; ++i) {
        segments += i == 0 ? R"({"p":[0,0]})" : R"(,{"p":[0,0]})";
    }
    EXPECT_EQ(message(layer(R"({"type":"path","segments":[)" + segments + "]}", 1)),
              "big: $.layers[0].art[0].segments[5000000] is more than a map may hold: with it the "
              "map would hold more than 5,000,000 path points");
}

TEST(MapFile, AWrittenMapGrowsWithItsDepthNotWithItsSquare) {
    const std::string half = subhost::FormatJsonMap(*subhost::ParseJsonMap(Nested(50), "half"));
    const std::string full = subhost::FormatJsonMap(*subhost::ParseJsonMap(Nested(100), "full"));
    EXPECT_LT(full.size(), half.size() * 2.2) << half.size() << " then " << full.size();
    EXPECT_EQ(subhost::FormatJsonMap(*subhost::ParseJsonMap(full, "again")), full);
}

TEST(MapFile, AMissingFileIsNamedAndAWriteThatCannotHappenLeavesNoFile) {
    EXPECT_THROW(subhost::ReadMap("/nonexistent/map.json"), subhost::MapError);
    kzntest::TempDir dir;
    EXPECT_THROW(subhost::WriteMap(*Map(kFull), dir / "no/such/folder.json"), subhost::MapError);
    subhost::WriteMap(*Map(kFull), dir / "map.json");
    EXPECT_EQ(subhost::ReadMap(dir / "map.json")->layers().size(), 2U);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);  // no temporary file is left behind
}

TEST(Document, DisposedArtAndItsChildrenAreGoneAndTheirHandlesRefused) {
    auto doc = Map(kFull);
    subhost::Art* group = doc->layers()[1]->group->children[0];
    const ArtHandle child = group->children[0]->ref;
    const std::size_t before = doc->liveArt();
    doc->Dispose(*group);
    EXPECT_EQ(doc->liveArt(), before - 3);
    EXPECT_EQ(doc->layers()[1]->group->children.size(), 2U);
    EXPECT_FALSE(doc->Alive(child));
    EXPECT_THROW(doc->Get(child), subhost::HostError);
    EXPECT_THROW(doc->Dispose(*doc->layers()[0]->group), subhost::HostError);
}

TEST(Document, ALayerInsertedAboveTakesItsIndexAndTheCurrentLayerStaysTheSame) {
    auto doc = Map(kFull);
    subhost::Layer* current = doc->layers()[doc->currentLayer()];
    doc->AddLayer(1, "new", true);
    EXPECT_EQ(doc->layers()[1]->title, "new");
    EXPECT_EQ(doc->layers()[doc->currentLayer()], current);
}

}  // namespace
