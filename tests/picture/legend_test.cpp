// The legend: which symbols a map carries, how many points carry each, and their order.
#include <gmock/gmock.h>

#include "picture/pixels.h"
#include "subhost/picture/legend.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Utf8;
using subhost::picture::LegendOf;

// 丸 stands at three points (one carries it twice, one holds it directly on a layer), 三角 at
// three points met after 丸, then one point each: the symbol 線 placed as a path, 四角, 星 and
// 点 inside 星; a hidden 隠れ and a hidden point's 丸 do not count, nor does an empty name.
const char8_t kMap[] =
    u8R"({"kzn-document": 1, "layers": [
  {"title": "a", "art": [
    {"type": "group", "children": [
      {"type": "group", "tags": {"kznObjectName": "丸"}, "children": [
        {"type": "path", "closed": true, "style": {"fill": {"gray": 1}},
         "segments": [{"p": [0, 0]}, {"p": [20, 0]}, {"p": [10, 20]}]}]},
      {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []},
      {"type": "group", "tags": {"kznObjectName": "三角"}, "children": []}]},
    {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []},
    {"type": "group", "children": [
      {"type": "group", "tags": {"kznObjectName": "三角"}, "children": []}]},
    {"type": "group", "hidden": true, "children": [
      {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]},
    {"type": "group", "hidden": true, "tags": {"kznObjectName": "隠れ"}, "children": []},
    {"type": "path", "tags": {"kznObjectName": "線"}, "segments": [{"p": [0, 0]}]}]},
  {"title": "b", "art": [
    {"type": "group", "children": [
      {"type": "group", "tags": {"kznObjectName": "四角"}, "children": []},
      {"type": "group", "tags": {"kznObjectName": "丸"}, "children": []}]},
    {"type": "group", "children": [
      {"type": "group", "tags": {"kznObjectName": "三角"}, "children": []}]},
    {"type": "group", "tags": {"kznObjectName": ""}, "children": []},
    {"type": "group", "tags": {"kznObjectName": "星"}, "children": [
      {"type": "group", "tags": {"kznObjectName": "点"}, "children": []}]}]}]})";

TEST(Legend, CountsPointsAndOrdersByDescendingCountThenFirstMet) {
    const auto doc = kzntest::Map(kMap);
    std::vector<std::pair<std::string, int>> lines;
    for (const auto& line : LegendOf(*doc)) {
        lines.emplace_back(line.name, line.points);
    }
    EXPECT_THAT(lines, ::testing::ElementsAre(::testing::Pair("丸", 3), ::testing::Pair("三角", 3),
                                              ::testing::Pair("線", 1), ::testing::Pair("四角", 1),
                                              ::testing::Pair("星", 1), ::testing::Pair("点", 1)));
    // The symbol drawn for a name is the first group met that carries it.
    EXPECT_EQ(LegendOf(*doc).front().symbol->children.size(), 1U);
}

TEST(Legend, PictureShowsEachSymbolAsDrawnWithItsNameAndCount) {
    kzntest::TempDir dir;
    subhost::picture::RenderLegend(*kzntest::Map(kMap), dir / "legend.png");
    const kzntest::Pixels p = kzntest::Pixels::FromPng(dir / "legend.png");
    ASSERT_GT(p.width(), 0);
    // The first line's symbol, a black triangle 20 units wide, stands left under the title.
    EXPECT_EQ(p.Darkest(0, 40, 30, 70), kzntest::kBlack);
    // Three lines of text under the title: the picture is taller than three rows.
    EXPECT_GT(p.height(), 3 * 24 + 30);

    subhost::picture::RenderLegend(
        *kzntest::Map(u8R"({"kzn-document": 1, "layers": [{"title": "a"}]})"), dir / "none.png");
    EXPECT_GT(kzntest::Pixels::FromPng(dir / "none.png").width(), 0);
}

}  // namespace
