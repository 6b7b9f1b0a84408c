// The module's calls on paths, path styles, texts, swatches and patterns.
#include <gmock/gmock.h>

#include <cstring>
#include <limits>

#include "subhost/error.h"
#include "support/document_host.h"

namespace {

using subhost::Art;

const char8_t kMap[] =
    u8R"({
  "kzn-document": 1,
  "layers": [
    {"title": "地点", "art": [
      {"type": "path", "segments": [{"p": [0, 0]}, {"p": [10, 0], "in": [8, 1], "out": [12, -1],
                                     "corner": true}]},
      {"type": "text", "text": "マイマイ\rツブリ", "anchor": [3, 4], "size": 10},
      {"type": "text", "text": "abc", "anchor": [3, 4], "size": 12,
       "path": {"type": "path", "segments": [{"p": [50, 60]}, {"p": [70, 60]}]}},
      {"type": "group", "children": []}
    ]}
  ],
  "patterns": [{"name": "丸", "art": {"type": "group", "children": []}},
               {"name": "マーク\n説明", "art": {"type": "group", "children": []}}],
  "swatches": [{"gray": 0.5}, {"pattern": "丸"}, {"pattern": "マーク\n説明"}]
})";

class DocumentCalls : public kzntest::DocumentHost {
  protected:
    void SetUp() override {
        DocumentHost::SetUp();
        Open(kMap);
    }
    ArtHandle Path() { return At(0, {0}).ref; }
    ArtHandle PointText() { return At(0, {1}).ref; }
    ArtHandle PathText() { return At(0, {2}).ref; }
    ArtHandle Group() { return At(0, {3}).ref; }
};

AIPathSegment Corner(float x, float y) {
    return {{x, y}, {x, y}, {x, y}, true};
}

TEST_F(DocumentCalls, SegmentsAreReadAndWrittenByIndexAndThePathGrows) {
    const auto& paths = Acquire<PathSuite>(kPathSuite, kPathSuiteVersion);
    ASInt32 count = 0;
    ASSERT_EQ(paths.GetPathSegmentCount(Path(), &count), 0);
    EXPECT_EQ(count, 2);
    AIPathSegment read[2] = {};
    ASSERT_EQ(paths.GetPathSegments(Path(), 1, 1, read), 0);
    EXPECT_EQ(read[0].in.h, 8);
    EXPECT_EQ(read[0].out.v, -1);
    EXPECT_TRUE(read[0].corner);

    // Written from index 1 on, three segments: one replaced, two added.
    const AIPathSegment square[3] = {Corner(10, 0), Corner(10, 10), Corner(0, 10)};
    ASSERT_EQ(paths.SetPathSegments(Path(), 1, 3, square), 0);
    ASSERT_EQ(paths.SetPathClosed(Path(), true), 0);
    const Art& path = At(0, {0});
    ASSERT_EQ(path.segments.size(), 4U);
    EXPECT_EQ(path.segments[0].p, (subhost::Point{0, 0}));
    EXPECT_EQ(path.segments[1].in, (subhost::Point{10, 0}));
    EXPECT_EQ(path.segments[3].p, (subhost::Point{0, 10}));
    EXPECT_TRUE(path.closed);

    // Writing into a new path from its end.
    ArtHandle fresh = nullptr;
    ASSERT_EQ(art().NewArt(kPathArt, kPlaceAbove, Path(), &fresh), 0);
    ASSERT_EQ(paths.SetPathSegments(fresh, 0, 2, square), 0);
    ASSERT_EQ(paths.GetPathSegmentCount(fresh, &count), 0);
    EXPECT_EQ(count, 2);

    // A count grows with copies of the last segment and shrinks from the end.
    ASSERT_EQ(paths.SetPathSegmentCount(fresh, 4), 0);
    EXPECT_EQ(doc().Get(fresh).segments[3].p, (subhost::Point{10, 10}));
    ASSERT_EQ(paths.SetPathSegmentCount(fresh, 1), 0);
    EXPECT_EQ(doc().Get(fresh).segments.size(), 1U);
}

TEST_F(DocumentCalls, SegmentsOutsideThePathOrOfOtherArtAreRefused) {
    const auto& paths = Acquire<PathSuite>(kPathSuite, kPathSuiteVersion);
    AIPathSegment read[3] = {};
    read[0].p.h = 42;
    EXPECT_EQ(paths.GetPathSegments(Path(), 1, 2, read), subhost::kOutOfRangeErr);
    EXPECT_EQ(paths.GetPathSegments(Path(), -1, 1, read), subhost::kOutOfRangeErr);
    EXPECT_EQ(paths.GetPathSegments(Path(), 0x7FFFFFFF, 0x7FFFFFFF, read), subhost::kOutOfRangeErr);
    EXPECT_EQ(read[0].p.h, 42);
    const AIPathSegment one = Corner(1, 1);
    EXPECT_EQ(paths.SetPathSegments(Path(), 3, 1, &one), subhost::kOutOfRangeErr);  // a gap
    AIPathSegment bad = Corner(1, 1);
    bad.out.v = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(paths.SetPathSegments(Path(), 0, 1, &bad), subhost::kBadArgumentErr);
    EXPECT_EQ(paths.SetPathSegmentCount(Path(), -1), subhost::kOutOfRangeErr);
    ASInt32 count = -5;
    EXPECT_EQ(paths.GetPathSegmentCount(Group(), &count), subhost::kWrongArtTypeErr);
    EXPECT_EQ(paths.GetPathSegmentCount(PointText(), &count), subhost::kWrongArtTypeErr);
    EXPECT_EQ(At(0, {0}).segments.size(), 2U);
    EXPECT_EQ(At(0, {0}).segments[0].p, (subhost::Point{0, 0}));
}

TEST_F(DocumentCalls, AGrayStyleComesBackAsItWasSetWithTheHostsDefaultsForTheRest) {
    const auto& styles = Acquire<PathStyleSuite>(kPathStyleSuite, kPathStyleSuiteVersion);
    // As the module sets an arc's style: the fill off with a colour kind that is not gray.
    AIPathStyle style;
    std::memset(&style, 0, sizeof style);
    style.fillPaint = false;
    style.fill.color.kind = kFourColor;
    style.strokePaint = true;
    style.stroke.color.kind = kGrayColor;
    style.stroke.color.c.g.gray = 65536.0f;
    style.stroke.width = 0.5f;
    ASSERT_EQ(styles.SetPathStyle(Path(), &style), 0);
    EXPECT_FALSE(At(0, {0}).style.fill.has_value());
    EXPECT_EQ(At(0, {0}).style.stroke, (subhost::Paint{65536.0, 0.5}));
    // Kept as it is in the map, too.
    EXPECT_EQ(subhost::ParseJsonMap(subhost::FormatJsonMap(doc()), "again")
                  ->layers()[0]
                  ->group->children[0]
                  ->style.stroke->gray,
              65536.0);

    AIPathStyle back;
    std::memset(&back, 0xAB, sizeof back);
    ASSERT_EQ(styles.GetPathStyle(Path(), &back), 0);
    EXPECT_FALSE(back.fillPaint);
    EXPECT_TRUE(back.strokePaint);
    EXPECT_EQ(back.stroke.color.kind, kGrayColor);
    EXPECT_EQ(back.stroke.color.c.g.gray, 65536.0f);
    EXPECT_EQ(back.stroke.width, 0.5f);
    EXPECT_EQ(back.stroke.miterLimit, 4.0f);
    EXPECT_EQ(back.stroke.cap, 0);
    EXPECT_EQ(back.stroke.join, 0);
    EXPECT_EQ(back.resolution, 800.0f);
    EXPECT_FALSE(back.clip || back.evenodd || back.stroke.overprint);

    style.fillPaint = true;
    style.fill.color.kind = kGrayColor;
    style.fill.color.c.g.gray = 0.25f;
    style.strokePaint = false;
    ASSERT_EQ(styles.SetPathStyle(Path(), &style), 0);
    ASSERT_EQ(styles.GetPathStyle(Path(), &back), 0);
    EXPECT_TRUE(back.fillPaint);
    EXPECT_EQ(back.fill.color.c.g.gray, 0.25f);
    EXPECT_FALSE(back.strokePaint);
}

TEST_F(DocumentCalls, AColourTheDocumentCannotKeepIsRefusedAndTheStyleStays) {
    const auto& styles = Acquire<PathStyleSuite>(kPathStyleSuite, kPathStyleSuiteVersion);
    AIPathStyle style;
    std::memset(&style, 0, sizeof style);
    style.strokePaint = true;
    style.stroke.width = 2;
    style.stroke.color.kind = kGrayColor;
    style.stroke.color.c.g.gray = 1;
    ASSERT_EQ(styles.SetPathStyle(Path(), &style), 0);
    style.fillPaint = true;
    style.fill.color.kind = kFourColor;
    EXPECT_EQ(styles.SetPathStyle(Path(), &style), subhost::kNotKeptErr);
    style.fill.color.kind = kGrayColor;
    style.stroke.width = -1;
    EXPECT_EQ(styles.SetPathStyle(Path(), &style), subhost::kBadArgumentErr);
    style.stroke.width = 1;
    style.fill.color.c.g.gray = std::numeric_limits<float>::infinity();
    EXPECT_EQ(styles.SetPathStyle(Path(), &style), subhost::kBadArgumentErr);
    EXPECT_FALSE(At(0, {0}).style.fill.has_value());
    EXPECT_EQ(At(0, {0}).style.stroke, (subhost::Paint{1, 2}));
    EXPECT_EQ(styles.SetPathStyle(Group(), &style), subhost::kWrongArtTypeErr);
}

TEST_F(DocumentCalls, APointTextsFirstLineStartsAtItsAnchor) {
    const auto& texts = Acquire<TextSuite>(kTextSuite, kTextSuiteVersion);
    const auto& textPaths = Acquire<TextPathSuite>(kTextPathSuite, kTextPathSuiteVersion);
    const auto& lines = Acquire<TextLineSuite>(kTextLineSuite, kTextLineSuiteVersion);
    ASInt32 kind = -1;
    ASSERT_EQ(texts.GetTextType(PointText(), &kind), 0);
    EXPECT_EQ(kind, kPointText);
    TextPathRef layout = nullptr;
    ASSERT_EQ(textPaths.GetTextPath(PointText(), &layout), 0);
    TextPathRef again = nullptr;
    ASSERT_EQ(textPaths.GetTextPath(PointText(), &again), 0);
    EXPECT_EQ(again, layout);
    ArtHandle along = reinterpret_cast<ArtHandle>(0x1);
    ASSERT_EQ(textPaths.GetTextPathArt(layout, &along), 0);
    EXPECT_EQ(along, nullptr);
    TextLineRef line = nullptr;
    ASSERT_EQ(lines.GetFirstTextLine(layout, &line), 0);
    AITextLineRecord record{-1, -1, -1, 0, 0, 0};
    ASSERT_EQ(lines.GetTextLineRecord(line, &record), 0);
    EXPECT_EQ(record.index, 0);
    EXPECT_EQ(record.start, 0);
    EXPECT_EQ(record.length, 8);  // マイマイ, up to the CR
    EXPECT_EQ(record.x, 3);
    EXPECT_EQ(record.y, 4);
    EXPECT_EQ(record.width, 40);  // 8 bytes of half an em at size 10
}

TEST_F(DocumentCalls, ATextOnAPathStartsAtThePathsFirstPoint) {
    const auto& texts = Acquire<TextSuite>(kTextSuite, kTextSuiteVersion);
    const auto& textPaths = Acquire<TextPathSuite>(kTextPathSuite, kTextPathSuiteVersion);
    const auto& lines = Acquire<TextLineSuite>(kTextLineSuite, kTextLineSuiteVersion);
    ASInt32 kind = -1;
    ASSERT_EQ(texts.GetTextType(PathText(), &kind), 0);
    EXPECT_EQ(kind, kOnPathText);
    TextPathRef layout = nullptr;
    ASSERT_EQ(textPaths.GetTextPath(PathText(), &layout), 0);
    ArtHandle along = nullptr;
    ASSERT_EQ(textPaths.GetTextPathArt(layout, &along), 0);
    EXPECT_EQ(along, At(0, {2}).textPath->ref);
    TextLineRef line = nullptr;
    ASSERT_EQ(lines.GetFirstTextLine(layout, &line), 0);
    AITextLineRecord record{};
    ASSERT_EQ(lines.GetTextLineRecord(line, &record), 0);
    EXPECT_EQ(record.length, 3);
    EXPECT_EQ(record.x, 50);
    EXPECT_EQ(record.y, 60);
    EXPECT_EQ(record.width, 18);

    // The handles go with the text.
    const ArtHandle group = Group();
    ASSERT_EQ(art().DisposeArt(PathText()), 0);
    EXPECT_EQ(lines.GetTextLineRecord(line, &record), subhost::kBadHandleErr);
    EXPECT_EQ(textPaths.GetTextPathArt(layout, &along), subhost::kBadHandleErr);
    EXPECT_EQ(along, nullptr);
    EXPECT_EQ(texts.GetTextType(Path(), &kind), subhost::kWrongArtTypeErr);
    EXPECT_EQ(textPaths.GetTextPath(group, &layout), subhost::kWrongArtTypeErr);
}

TEST_F(DocumentCalls, TheSwatchWalkGivesEveryColourInOrderAndPatternNames) {
    const auto& swatches = Acquire<SwatchListSuite>(kSwatchListSuite, kSwatchListSuiteVersion);
    const auto& patterns = Acquire<PatternSuite>(kPatternSuite, kPatternSuiteVersion);
    std::vector<std::string> seen;
    SwatchHandle swatch = nullptr;
    ASSERT_EQ(swatches.GetFirstSwatch(nullptr, &swatch), 0);
    for (int guard = 0; swatch != nullptr && guard < 10; ++guard) {
        AIColor color{};
        ASSERT_EQ(swatches.GetAIColor(swatch, &color), 0);
        if (color.kind == kPatternColor) {
            unsigned char name[256];
            std::memset(name, 0xCC, sizeof name);
            ASSERT_EQ(patterns.GetPatternName(color.c.p.pattern, name), 0);
            seen.emplace_back(reinterpret_cast<char*>(name + 1), name[0]);
            ArtHandle art = nullptr;
            ASSERT_EQ(patterns.GetPatternArt(color.c.p.pattern, &art), 0);
            EXPECT_EQ(art, doc().patterns()[seen.size() - 2]->art->ref);
        } else {
            EXPECT_EQ(color.kind, kGrayColor);
            seen.push_back("gray " + std::to_string(color.c.g.gray));
        }
        ASSERT_EQ(swatches.GetNextSwatch(swatch, &swatch), 0);
    }
    EXPECT_THAT(seen, ::testing::ElementsAre("gray 0.500000", "丸", "マーク\n説明"));
    // A name longer than a length byte can count is cut.
    subhost::Pattern& longer = doc().AddPattern(std::string(300, 'x'));
    unsigned char name[256];
    ASSERT_EQ(patterns.GetPatternName(longer.ref, name), 0);
    EXPECT_EQ(name[0], 255);
    EXPECT_EQ(swatches.GetFirstSwatch(reinterpret_cast<SwatchListRef>(0x10), &swatch),
              subhost::kBadHandleErr);
}

}  // namespace
