// Pictures of the module's dialogs as they stand: the rows as the module painted them, greyed
// items, previews where the draw rule puts them, and the cross of a symbol without a pattern.
#include <gtest/gtest.h>

#include <cmath>

#include "picture/pixels.h"
#include "subhost/picture/dialogpicture.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::Color;
using kzntest::kBlack;
using kzntest::Pixels;
using subhost::DialogSession;
using subhost::DrawOp;
using subhost::picture::kCaption;

constexpr Color kHighlight{51, 153, 255};

// Text in the disabled colour (110 gray), smoothed at its edges: nothing darker, and not white.
bool Greyed(Color darkest) {
    return darkest.r >= 108 && darkest.r < 200 && darkest.g == darkest.r && darkest.b == darkest.r;
}

// A rectangle in the picture's pixels.
struct Box {
    int left, top, right, bottom;
};

class DialogPicture : public ::testing::Test {
  protected:
    void Open(const char8_t* map) {
        host_ = kzntest::LoadedHost();
        host_->SetDocument(kzntest::Map(map));
        ASSERT_EQ(host_->Startup(), 0);
    }

    // Runs the Filter command NAME with SCRIPT acting in its dialog.
    void Run(const char* name, std::function<void(DialogSession&)> script) {
        host_->dialogs().QueueScript(std::move(script));
        ASSERT_EQ(host_->RunFilter(name), 0);
        EXPECT_EQ(host_->dialogs().scriptError(), "");
    }

    // The open dialog as a snapshot pictures it (rows freshly painted).
    Pixels Picture(DialogSession& s) {
        s.Paint();
        const subhost::picture::DialogScene scene{s.dialog(), host_->dialogs(), host_->document(),
                                                  host_->module().resources()};
        return Pixels::Draw(subhost::picture::DialogWidth(s.dialog()),
                            subhost::picture::DialogHeight(s.dialog()),
                            [&](cairo_t* cr) { subhost::picture::PaintDialog(cr, scene); });
    }

    // Where item ID stands in the picture.
    static Box ItemBox(DialogSession& s, int id) {
        const ADMRect r = s.item(id).bounds;
        return {r.left, r.top + kCaption, r.right, r.bottom + kCaption};
    }

    // Where row INDEX of list ID stands in the picture.
    Box RowBox(DialogSession& s, int id, int index) {
        const subhost::Item& item = s.item(id);
        const ADMRect row = host_->dialogs().BoundsOf(*item.list->entries.at(index));
        return {item.bounds.left + row.left, item.bounds.top + kCaption + row.top,
                item.bounds.left + row.right, item.bounds.top + kCaption + row.bottom};
    }

    // The first image row INDEX of list ID drew, where it stands in the picture.
    Box ImageBox(DialogSession& s, int id, int index) {
        const Box row = RowBox(s, id, index);
        for (const DrawOp& op : s.item(id).list->entries.at(index)->painted) {
            if (op.kind == DrawOp::Kind::Image && op.copy) {
                const int left = row.left + op.from.h;
                const int top = row.top + op.from.v;
                return {left, top, left + op.copy->width, top + op.copy->height};
            }
        }
        ADD_FAILURE() << "row " << index << " of list " << id << " drew no image";
        return {};
    }

    // Where the draw-art requests of row INDEX of list ID put their art in the picture.
    std::vector<Box> ArtBoxes(DialogSession& s, int id, int index) {
        const Box row = RowBox(s, id, index);
        std::vector<Box> boxes;
        for (const DrawOp& op : s.item(id).list->entries.at(index)->painted) {
            if (op.kind == DrawOp::Kind::Art && op.art->anything) {
                const auto& placed = op.art->placed;
                boxes.push_back({row.left + static_cast<int>(std::floor(placed.left)),
                                 row.top + static_cast<int>(std::floor(placed.top)),
                                 row.left + static_cast<int>(std::ceil(placed.right)),
                                 row.top + static_cast<int>(std::ceil(placed.bottom))});
            }
        }
        return boxes;
    }

    std::unique_ptr<subhost::Host> host_;
    kzntest::TempDir dir_;
};

const char8_t kLabels[] =
    u8R"({"kzn-document": 1, "layers": [
  {"title": "地点", "art": [
    {"type": "text", "text": "あ", "anchor": [0, 0]},
    {"type": "text", "text": "い", "anchor": [10, 0]},
    {"type": "text", "text": "う", "anchor": [20, 0]}]},
  {"title": "固定", "editable": false, "art": [
    {"type": "text", "text": "え", "anchor": [0, 0]}]}]})";

TEST_F(DialogPicture, SelectedRowShowsTheHighlightAndOtherRowsDoNot) {
    Open(kLabels);
    Run("t2t", [&](DialogSession& s) {
        s.ClickRow(1011, 1);
        const Pixels p = Picture(s);
        const Box row = RowBox(s, 1011, 1);
        EXPECT_TRUE(p.Has(row.left + 1, row.top + 1, row.right - 1, row.bottom - 1, kHighlight));
        const Box other = RowBox(s, 1011, 0);
        EXPECT_FALSE(
            p.Has(other.left + 1, other.top + 1, other.right - 1, other.bottom - 1, kHighlight));
    });
}

// On a locked layer the text-to-text dialog disables its list and its OK button.
TEST_F(DialogPicture, DisabledItemsAreGreyed) {
    Open(kLabels);
    Run("t2t", [&](DialogSession& s) {
        const Box ok = ItemBox(s, 1);
        EXPECT_EQ(Picture(s).Darkest(ok.left + 2, ok.top + 2, ok.right - 2, ok.bottom - 2), kBlack);
        s.Pick(1004, "固定");
        ASSERT_FALSE(s.item(1).enabled);
        const Pixels p = Picture(s);
        EXPECT_TRUE(Greyed(p.Darkest(ok.left + 2, ok.top + 2, ok.right - 2, ok.bottom - 2)));
        // The row's text, left of the black line between its two columns.
        const Box row = RowBox(s, 1011, 0);
        EXPECT_TRUE(Greyed(p.Darkest(row.left + 1, row.top + 1, row.left + 40, row.bottom - 1)));
    });
}

// Symbols on a layer (灰 a triangle turned by 0.5), and patterns filled black, so that every
// preview is dark.
const char8_t kSymbols[] =
    u8R"({"kzn-document": 1, "layers": [
  {"title": "記号", "art": [
    {"type": "group", "tags": {"kznObjectName": "黒"}, "children": [
      {"type": "path", "closed": true, "style": {"fill": {"gray": 1}},
       "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 10]}, {"p": [0, 10]}]}]},
    {"type": "group", "tags": {"kznObjectName": "灰"}, "children": [
      {"type": "path", "closed": true, "style": {"fill": {"gray": 1}},
       "tags": {"BBAccumRotation": "0.500000"},
       "segments": [{"p": [53.0092, -1.785]}, {"p": [61.785, 3.0092]}, {"p": [52.6029, 9.3879]}]}]},
    {"type": "text", "text": "あ", "anchor": [0, 0]},
    {"type": "text", "text": "い", "anchor": [20, 0]}]}],
  "patterns": [
    {"name": "四角", "art": {"type": "group", "children": [{"type": "path", "closed": true,
      "style": {"fill": {"gray": 1}},
      "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 10]}, {"p": [0, 10]}]}]}},
    {"name": "三角", "art": {"type": "group", "children": [{"type": "path", "closed": true,
      "style": {"fill": {"gray": 1}},
      "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [5, 10]}]}]}}],
  "swatches": [{"pattern": "四角"}, {"pattern": "三角"}]})";

bool Inside(const Box& inner, const Box& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Whether the black triangle drawn in BOX points up: its apex in the middle of the top, the top
// corners white and the bottom ones dark.
bool PointsUp(const Pixels& p, const Box& b) {
    const int w = b.right - b.left, h = b.bottom - b.top;
    const int band = std::max(h / 4, 1);
    const int mid = b.left + w / 2;
    const auto dark = [&](int l, int t, int r, int bottom) {
        return p.Darkest(l, t, r, bottom).Darkness() > 300;
    };
    return dark(mid - 1, b.top, mid + 1, b.top + band) &&
           !dark(b.left, b.top, b.left + w / 5, b.top + band) &&
           !dark(b.right - w / 5, b.top, b.right, b.top + band) &&
           dark(b.left, b.bottom - band, b.left + w / 5, b.bottom) &&
           dark(b.right - w / 5, b.bottom - band, b.right, b.bottom);
}

// Every preview of every row, first and later, stands upright inside its row: the cached images
// of the pattern list, the object previews and the pattern previews of the object list. The
// triangles (a symbol on the layer and a pattern) point up as they are drawn.
TEST_F(DialogPicture, EveryPreviewStandsUprightInItsRow) {
    Open(kSymbols);
    Run("o2o", [&](DialogSession& s) {
        host_->win32().QueueFileAnswer(dir_.Write("table.csv", "黒,三角\r\n灰,三角\r\n"));
        s.Click(1101);
        const Pixels p = Picture(s);
        for (int row = 0; row < 2; ++row) {
            const Box image = ImageBox(s, 1013, row);
            EXPECT_TRUE(Inside(image, RowBox(s, 1013, row))) << row;
            EXPECT_EQ(p.Darkest(image.left, image.top, image.right, image.bottom), kBlack) << row;
        }
        // 三角, inside the frame drawn over the image's edge.
        const Box image = ImageBox(s, 1013, 1);
        EXPECT_TRUE(
            PointsUp(p, {image.left + 1, image.top + 1, image.right - 1, image.bottom - 1}));
        for (int row = 0; row < 2; ++row) {
            const std::vector<Box> arts = ArtBoxes(s, 1011, row);
            ASSERT_EQ(arts.size(), 2U) << row;  // the object, the pattern assigned to it
            for (const Box& art : arts) {
                EXPECT_TRUE(Inside(art, RowBox(s, 1011, row))) << row;
                EXPECT_GT(p.Darkest(art.left, art.top, art.right, art.bottom).Darkness(), 600);
            }
            EXPECT_TRUE(PointsUp(p, arts[1])) << row;  // 三角
        }
        // The symbol 灰 on the layer, a triangle turned by 0.5, shown turned back upright.
        EXPECT_TRUE(PointsUp(p, ArtBoxes(s, 1011, 0)[0]));
    });
    // The text-to-object label list: each symbol in its cell, upright, in a later row too.
    Run("t2o", [&](DialogSession& s) {
        host_->win32().QueueFileAnswer(dir_.Write("symbols.csv", "あ,三角\r\nい,四角,三角\r\n"));
        s.Click(1101);
        const Pixels p = Picture(s);
        for (int row = 0; row < 2; ++row) {
            const std::vector<Box> arts = ArtBoxes(s, 1011, row);
            ASSERT_EQ(arts.size(), static_cast<std::size_t>(row + 1)) << row;
            for (const Box& art : arts) {
                EXPECT_TRUE(Inside(art, RowBox(s, 1011, row))) << row;
            }
            EXPECT_TRUE(PointsUp(p, arts.back())) << row;
        }
    });
}

TEST_F(DialogPicture, SymbolWithoutAPatternShowsACross) {
    Open(kSymbols);
    Run("t2o", [&](DialogSession& s) {
        host_->win32().QueueFileAnswer(dir_.Write("table.csv", "あ,無い\r\n"));
        s.Click(1101);
        s.ClickRow(1011, 0);
        const Pixels p = Picture(s);
        const Box image = ImageBox(s, 1017, 0);
        ASSERT_EQ(image.right - image.left, 12);
        // Both diagonals are drawn, the middle of each edge is not.
        for (int i = 1; i < 11; ++i) {
            EXPECT_GT(p.At(image.left + i, image.top + i).Darkness(), 300) << i;
            EXPECT_GT(p.At(image.right - 1 - i, image.top + i).Darkness(), 300) << i;
        }
        EXPECT_EQ(p.At(image.left + 6, image.top + 1), kzntest::kWhite);
        EXPECT_EQ(p.At(image.left + 1, image.top + 6), kzntest::kWhite);
    });
}

}  // namespace
