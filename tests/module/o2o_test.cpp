// The object-to-object command as a person uses it: the dialog driven by actions, the symbols
// it leaves in the map, and the table files it reads and writes.
#include <gmock/gmock.h>

#include <cmath>
#include <filesystem>

#include "subhost/document/artgeometry.h"
#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::TempDir;
using subhost::Art;
using subhost::DialogSession;
using subhost::DrawOp;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::Pair;
using Row = std::pair<std::string, std::string>;

constexpr int kLayerPopup = 1016, kObjects = 1011, kPatterns = 1013, kOpen = 1101, kSave = 1102,
              kClear = 1021, kLabel = 1034;

// The symbol layer holds, in this order: 黒三角 two untagged groups deep, a 黒丸, a 黒丸 with a
// tagged 黒四角 inside, a group with an empty name, a hidden 隠れ, a 固定 inside a locked group,
// a tagged path and a text. 白丸 is 10 wide and 6 high and 白三角 points up, so that a flip would
// show.
const char8_t kSymbols[] =
    u8R"({
  "kzn-document": 1,
  "currentLayer": 0,
  "layers": [
    {"title": "記号", "art": [
      {"type": "group", "children": [{"type": "group", "children": [
        {"type": "group", "tags": {"kznObjectName": "黒三角"}, "children": [
          {"type": "path", "closed": true,
           "segments": [{"p": [40, 40]}, {"p": [50, 40]}, {"p": [45, 48]}]}]}]}]},
      {"type": "group", "tags": {"kznObjectName": "黒丸"}, "children": [
        {"type": "path", "closed": true,
         "segments": [{"p": [10, 10]}, {"p": [20, 10]}, {"p": [20, 20]}, {"p": [10, 20]}]}]},
      {"type": "group", "tags": {"kznObjectName": "黒丸"}, "children": [
        {"type": "group", "tags": {"kznObjectName": "黒四角"}, "children": [
          {"type": "path", "closed": true,
           "segments": [{"p": [60, 0]}, {"p": [70, 0]}, {"p": [70, 10]}, {"p": [60, 10]}]}]},
        {"type": "path", "segments": [{"p": [60, 20]}, {"p": [64, 24]}]}]},
      {"type": "group", "tags": {"kznObjectName": ""}, "children": [
        {"type": "path", "segments": [{"p": [0, 100]}, {"p": [5, 105]}]}]},
      {"type": "group", "hidden": true, "tags": {"kznObjectName": "隠れ"}, "children": [
        {"type": "path", "segments": [{"p": [0, 0]}, {"p": [1, 1]}]}]},
      {"type": "group", "locked": true, "children": [
        {"type": "group", "tags": {"kznObjectName": "固定"}, "children": [
          {"type": "path", "segments": [{"p": [0, 0]}, {"p": [1, 1]}]}]}]},
      {"type": "path", "tags": {"kznObjectName": "線"}, "segments": [{"p": [0, 0]}, {"p": [1, 1]}]},
      {"type": "text", "text": "凡例"}
    ]},
    {"title": "基図", "editable": false, "art": [
      {"type": "group", "tags": {"kznObjectName": "黒丸"}, "children": [
        {"type": "path", "segments": [{"p": [0, 0]}, {"p": [1, 1]}]}]}]},
    {"title": "空", "art": [{"type": "text", "text": "海"}]}
  ],
  "patterns": [
    {"name": "黒丸", "art": {"type": "group", "children": [{"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 10]}, {"p": [0, 10]}]}]}},
    {"name": "白丸", "art": {"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 6]}, {"p": [0, 6]}]}},
    {"name": "白三角", "art": {"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [8, 0]}, {"p": [4, 6]}]}},
    {"name": "改\n行", "art": {"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [4, 0]}, {"p": [4, 4]}]}}
  ],
  "swatches": [{"gray": 0.5}, {"pattern": "黒丸"}, {"pattern": "白丸"}, {"pattern": "白三角"},
               {"pattern": "改\n行"}]
})";

// Corners: bounds as left, top, right, bottom.
struct Box {
    double left, top, right, bottom;
};

class O2O : public ::testing::Test {
  protected:
    void SetUp() override {
        host_ = kzntest::LoadedHost();
        host_->SetDocument(kzntest::Map(kSymbols));
        ASSERT_EQ(host_->Startup(), 0);
    }

    void Run(std::function<void(DialogSession&)> script) {
        host_->dialogs().QueueScript(std::move(script));
        ASSERT_EQ(host_->RunFilter("o2o"), 0);
        EXPECT_EQ(host_->dialogs().scriptError(), "");
    }

    // Loads TABLE (Shift-JIS rows) through the open button.
    void Load(DialogSession& s, const std::string& table) {
        host_->win32().QueueFileAnswer(dir_.Write("table.csv", table));
        s.Click(kOpen);
    }

    // Loads TABLE and presses OK.
    void Replace(const std::string& table) {
        Run([&](DialogSession& s) {
            Load(s, table);
            s.Ok();
        });
    }

    // What the object list shows: per row, its object name and its pattern's name as painted.
    static std::vector<std::pair<std::string, std::string>> Shown(DialogSession& s) {
        s.Paint(kObjects);
        std::vector<std::pair<std::string, std::string>> rows;
        for (const auto* entry : s.item(kObjects).list->entries) {
            std::vector<std::string> texts;
            for (const DrawOp& op : entry->painted) {
                if (op.kind == DrawOp::Kind::Text) {
                    texts.push_back(op.text);
                }
            }
            EXPECT_EQ(texts.size(), 2U);
            texts.resize(2);
            rows.emplace_back(texts[0], texts[1]);
        }
        return rows;
    }

    // The texts of the selected rows of the pattern list.
    static std::vector<std::string> SelectedPatterns(DialogSession& s) {
        std::vector<std::string> selected;
        for (const auto* entry : s.item(kPatterns).list->entries) {
            if (entry->selected) {
                selected.push_back(entry->text);
            }
        }
        return selected;
    }

    // No host call was refused for a handle that is not live (a deleted group, say).
    void ExpectNoHandleRefused() {
        for (const std::string& error : host_->errors()) {
            EXPECT_EQ(error.find("handle"), std::string::npos) << error;
        }
    }

    subhost::ChildList& Layer(std::size_t index) {
        return host_->document().layers()[index]->group->children;
    }
    static Box Bounds(const Art& art) {
        const auto r = subhost::ArtBounds(art).rect();
        return {r.left, r.top, r.right, r.bottom};
    }
    static std::string Name(const Art& art) {
        const auto it = art.tags.find("kznObjectName");
        return it == art.tags.end() ? "<none>" : it->second;
    }

    std::unique_ptr<subhost::Host> host_;
    TempDir dir_;
};

#define EXPECT_BOX(art, l, t, r, b)                   \
    do {                                              \
        const Box box_ = Bounds(art);                 \
        EXPECT_NEAR(box_.left, (l), 0.005) << #art;   \
        EXPECT_NEAR(box_.top, (t), 0.005) << #art;    \
        EXPECT_NEAR(box_.right, (r), 0.005) << #art;  \
        EXPECT_NEAR(box_.bottom, (b), 0.005) << #art; \
    } while (false)

#define EXPECT_POINT(point, px, py)                    \
    do {                                               \
        EXPECT_NEAR((point).x, (px), 0.005) << #point; \
        EXPECT_NEAR((point).y, (py), 0.005) << #point; \
    } while (false)

// The dialog as it opens and as the lists and buttons respond.

TEST_F(O2O, ListsEachReachableObjectNameOnceInByteOrderWithTheLayersAndPatterns) {
    Run([&](DialogSession& s) {
        EXPECT_THAT(s.Rows(kLayerPopup), ElementsAre("記号", "基図", "空"));
        EXPECT_EQ(s.item(kLayerPopup).list->active, s.item(kLayerPopup).list->entries[0]);
        // Not 黒四角 (inside a tagged group), 隠れ, 固定 (hidden, in a locked group) or 線 (a
        // path); the empty name first, 黒三角 found two groups deep.
        EXPECT_THAT(Shown(s), ElementsAre(Pair("", ""), Pair("黒丸", ""), Pair("黒三角", "")));
        EXPECT_THAT(s.Rows(kPatterns), ElementsAre("黒丸", "白丸", "白三角", "改"));
        EXPECT_TRUE(s.item(kObjects).enabled);
        EXPECT_TRUE(s.item(kOKItemID).enabled);
        EXPECT_FALSE(s.item(kClear).enabled);
        EXPECT_EQ(s.item(kOpen).pictureID, 107);
        EXPECT_EQ(s.item(kSave).pictureID, 108);
        EXPECT_EQ(s.item(kClear).pictureID, -16020);
        EXPECT_EQ(s.item(kOpen).tip, "ファイルを開く");
        EXPECT_EQ(s.item(kSave).tip, "ファイルに出力");
        EXPECT_EQ(s.item(kClear).tip, "シンボルの登録を解除");
    });
    const auto lines = host_->trace().Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "+FindTagedGroupArt"), 6);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "+TAG:<nothing> ReEnter"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "+TAG:黒丸"), 2);
    EXPECT_THAT(lines, Contains("+TAG:黒三角"));
    EXPECT_THAT(lines, Not(Contains("+TAG:黒四角")));
    // The names as listed, in list order.
    const auto at = std::find(lines.begin(), lines.end(), "黒丸");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at - 1), "");
    EXPECT_EQ(*(at + 1), "黒三角");
}

TEST_F(O2O, ATableGivesNamesTheirPatternsButNeverTheEmptyName) {
    Run([&](DialogSession& s) {
        Load(s, ",白丸\r\n黒丸,白丸\r\n黒三角,白三角\r\n");
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        EXPECT_THAT(Shown(s),
                    ElementsAre(Pair("", ""), Pair("黒丸", "白丸"), Pair("黒三角", "白三角")));
    });
}

TEST_F(O2O, ARowPaintsItsGroupAndNameLeftAndItsPatternAndNameRight) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n黒三角,無い\r\n");
        Shown(s);
        const int h = subhost::DialogManager::kRowHeight;
        const auto& row = s.item(kObjects).list->entries[1]->painted;
        std::vector<DrawOp> t, a, l;
        for (const DrawOp& op : row) {
            if (op.kind == DrawOp::Kind::Text) {
                t.push_back(op);
            } else if (op.kind == DrawOp::Kind::Art) {
                a.push_back(op);
            } else if (op.kind == DrawOp::Kind::Line) {
                l.push_back(op);
            }
        }
        const auto& list = s.item(kObjects).bounds;
        const int m = (list.right - list.left) / 2;
        ASSERT_EQ(l.size(), 1U);
        EXPECT_EQ(l[0].from.h, m);
        EXPECT_EQ(l[0].to.h, m);
        ASSERT_EQ(t.size(), 2U);
        EXPECT_EQ(t[0].rect.left, h + 1);
        EXPECT_EQ(t[0].rect.right, m - 1);
        EXPECT_EQ(t[1].rect.left, m + h + 2);
        EXPECT_EQ(t[1].text, "白丸");
        EXPECT_EQ(t[1].color, kADMTextColor);
        ASSERT_EQ(a.size(), 2U);  // the group and the pattern
        // A pattern that is not in the document: the name without a preview.
        const auto& other = s.item(kObjects).list->entries[2]->painted;
        EXPECT_EQ(std::count_if(other.begin(), other.end(),
                                [](const DrawOp& op) { return op.kind == DrawOp::Kind::Art; }),
                  1);
    });
}

// Colours by their numbers in the host's colour list: 1 white, 2 highlight, 3 highlight text,
// 7 disabled text, 15 text. The divider is black (0) in every state.
TEST_F(O2O, ARowsColoursFollowItsStateAndItsDividerIsBlack) {
    Run([&](DialogSession& s) {
        // The colours of a row's fill, divider and two texts, in order.
        const auto colours = [&](std::size_t row) {
            s.Paint(kObjects);
            std::vector<int> seen;
            for (const DrawOp& op : s.item(kObjects).list->entries.at(row)->painted) {
                if (op.kind == DrawOp::Kind::Fill || op.kind == DrawOp::Kind::Line ||
                    op.kind == DrawOp::Kind::Text) {
                    seen.push_back(op.color);
                }
            }
            return seen;
        };
        EXPECT_THAT(colours(1), ElementsAre(1, 0, 15, 15));
        s.ClickRow(kObjects, 1);
        EXPECT_THAT(colours(1), ElementsAre(2, 0, 3, 3));
        s.Pick(kLayerPopup, "基図");  // locked: the list is disabled
        s.item(kObjects).list->entries[0]->selected = true;
        EXPECT_THAT(colours(0), ElementsAre(1, 0, 7, 7));
    });
}

TEST_F(O2O, PickingAnObjectSelectsItsPatternAndPickingAPatternAssignsIt) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n黒三角,無い\r\n");
        // No object chosen: picking a pattern changes no row.
        s.ClickRow(kPatterns, "白三角");
        EXPECT_THAT(Shown(s),
                    ElementsAre(Pair("", ""), Pair("黒丸", "白丸"), Pair("黒三角", "無い")));
        s.ClickRow(kObjects, 1);
        EXPECT_THAT(SelectedPatterns(s), ElementsAre("白丸"));
        // A pattern not in the list: nothing stays selected.
        s.ClickRow(kObjects, 2);
        EXPECT_THAT(SelectedPatterns(s), IsEmpty());
        s.ClickRow(kPatterns, "黒丸");
        EXPECT_EQ(s.item(kObjects).list->entries[2]->invalidations, 1);  // redrawn
        EXPECT_EQ(Shown(s)[2], Row("黒三角", "黒丸"));
        EXPECT_TRUE(s.item(kClear).enabled);
        // The pick went into the table: another layer and back keep it.
        s.Pick(kLayerPopup, "空");
        s.Pick(kLayerPopup, "記号");
        EXPECT_EQ(Shown(s)[2], Row("黒三角", "黒丸"));
    });
}

TEST_F(O2O, PickingAnObjectScrollsItsPatternIntoView) {
    for (int i = 0; i < 20; ++i) {
        host_->document().AddSwatch(&host_->document().AddPattern("p" + std::to_string(i)), 0);
    }
    Run([&](DialogSession& s) {
        Load(s, "黒丸,p19\r\n");
        s.ClickRow(kObjects, 1);
        const subhost::Entry& last = *s.item(kPatterns).list->entries.back();
        EXPECT_TRUE(last.selected);
        EXPECT_TRUE(host_->dialogs().Visible(last));
    });
}

TEST_F(O2O, ClearingEmptiesOnlyTheRowSoSavingWritesTheBareNameAndTheLayerBringsItBack) {
    const std::string saved = dir_ / "saved.csv";
    const std::string empty = dir_ / "empty.csv";
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n黒三角,白三角\r\n");
        s.ClickRow(kObjects, 1);
        EXPECT_TRUE(s.item(kClear).enabled);
        s.Click(kClear);
        EXPECT_FALSE(s.item(kClear).enabled);
        EXPECT_EQ(s.item(kObjects).list->entries[1]->invalidations, 1);  // redrawn
        EXPECT_EQ(Shown(s)[1], Row("黒丸", ""));
        host_->win32().QueueFileAnswer(saved);
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:saved.csv");
        // A layer without symbols saves an empty file; back on the first, the table's value.
        s.Pick(kLayerPopup, "空");
        EXPECT_THAT(Shown(s), IsEmpty());
        EXPECT_TRUE(s.item(kOKItemID).enabled);
        host_->win32().QueueFileAnswer(empty);
        s.Click(kSave);
        s.Pick(kLayerPopup, "記号");
        EXPECT_EQ(Shown(s)[1], Row("黒丸", "白丸"));
    });
    EXPECT_EQ(TempDir::Read(saved), ",\r\n黒丸,\r\n黒三角,白三角\r\n");
    EXPECT_EQ(TempDir::Read(empty), "");
}

TEST_F(O2O, APatternNameWithALineFeedIsListedAssignedSavedAndPlacedUpToIt) {
    const std::string saved = dir_ / "saved.csv";
    Run([&](DialogSession& s) {
        s.ClickRow(kObjects, 2);
        s.ClickRow(kPatterns, "改");
        EXPECT_EQ(Shown(s)[2], Row("黒三角", "改"));
        host_->win32().QueueFileAnswer(saved);
        s.Click(kSave);
        s.Ok();
    });
    EXPECT_EQ(TempDir::Read(saved), ",\r\n黒丸,\r\n黒三角,改\r\n");
    const Art& copy = *Layer(0)[0]->children[0]->children[0];
    EXPECT_EQ(Name(copy), "改");
    EXPECT_EQ(copy.segments.size(), 3U);
}

TEST_F(O2O, AFailedSaveWarnsAndKeepsTheLabel) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n");
        host_->win32().QueueFileAnswer(dir_ / "no/such/folder.csv");
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        const std::string before = TempDir::Read(dir_ / "table.csv");
        host_->faults().Fail("Windows", "MoveFileExA", FourCharCode('F', 'U', 'L', 'L'));
        host_->win32().QueueFileAnswer(dir_ / "table.csv");
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        EXPECT_EQ(TempDir::Read(dir_ / "table.csv"), before);
    });
    ASSERT_EQ(host_->win32().messageBoxes().size(), 2U);
    for (const auto& box : host_->win32().messageBoxes()) {
        EXPECT_EQ(box.caption, "KZN Plug-in error");
        EXPECT_EQ(box.text, "ファイルを書き込めません");
    }
}

TEST_F(O2O, CancellingTheFileChooserLoadsAndSavesNothing) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n");
        const auto shown = Shown(s);
        const std::string saved = TempDir::Read(dir_ / "table.csv");
        s.Click(kOpen);  // nothing queued: the person cancels
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        EXPECT_EQ(Shown(s), shown);
        EXPECT_EQ(TempDir::Read(dir_ / "table.csv"), saved);
    });
    EXPECT_EQ(host_->win32().fileDialogs().size(), 3U);
    EXPECT_TRUE(host_->win32().messageBoxes().empty());
}

TEST_F(O2O, ALoadAddsToTheTableAndALoadThatFailsLeavesTheListAndTheLabel) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n");
        host_->win32().QueueFileAnswer(dir_.Write("more.csv", "黒三角,白三角\r\n"));
        s.Click(kOpen);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:more.csv");
        EXPECT_THAT(Shown(s),
                    ElementsAre(Pair("", ""), Pair("黒丸", "白丸"), Pair("黒三角", "白三角")));
        // A cleared row stays cleared: nothing is listed again.
        s.ClickRow(kObjects, 1);
        s.Click(kClear);
        const std::string held = dir_.Write("held.csv", "黒四角,白四角\r\n");
        host_->win32().QueueFileAnswer(held);
        {
            const kzntest::Unopenable unopenable(held);
            s.Click(kOpen);
        }
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:more.csv");
        EXPECT_EQ(Shown(s)[1], Row("黒丸", ""));
    });
    EXPECT_EQ(host_->win32().messageBoxes().size(), 1U);
}

TEST_F(O2O, OnlyAShowOrAUserChangeUpdatesTheClearButton) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n");
        s.ClickRow(kObjects, 1);
        ASSERT_TRUE(s.item(kClear).enabled);
        // The row is no longer chosen, unannounced; a notification of another kind changes
        // nothing, a user change brings the button up to date.
        subhost::DialogManager& dialogs = host_->dialogs();
        dialogs.Select(*s.item(kObjects).list->entries[1], false);
        dialogs.Notify(dialogs.Get(s.dialog().ref), nullptr, "ADM Bounds Changed Notifier");
        EXPECT_TRUE(s.item(kClear).enabled);
        s.Click(kOpen);  // and cancelled
        EXPECT_FALSE(s.item(kClear).enabled);
    });
}

TEST_F(O2O, ALockedLayerListsItsObjectsButDisablesTheListAndOK) {
    Run([](DialogSession& s) {
        s.Pick(kLayerPopup, "基図");
        EXPECT_THAT(Shown(s), ElementsAre(Pair("黒丸", "")));
        EXPECT_FALSE(s.item(kObjects).enabled);
        EXPECT_FALSE(s.item(kOKItemID).enabled);
        EXPECT_THROW(s.Ok(), subhost::ActionError);
    });
    EXPECT_EQ(Name(*Layer(1)[0]), "黒丸");
}

TEST_F(O2O, OfTwoLayersWithTheCurrentTitleTheFirstIsShown) {
    host_->document().layers()[2]->title = host_->document().layers()[0]->title;
    host_->document().SetCurrentLayer(2);
    Run([&](DialogSession& s) {
        EXPECT_EQ(s.item(kLayerPopup).list->active, s.item(kLayerPopup).list->entries[0]);
        EXPECT_EQ(Shown(s).size(), 3U);
    });
}

// The replacement run.

TEST_F(O2O, EachGroupOfANameBecomesThePatternHangingFromItsTopLeftCorner) {
    Replace("黒丸,白丸\r\n黒三角,白三角\r\n,白丸\r\n隠れ,白丸\r\n固定,白丸\r\n線,白丸\r\n");
    auto& layer = Layer(0);
    ASSERT_EQ(layer.size(), 8U);
    // Each copy took its source's place; the source is gone, with the 黒四角 inside it.
    const Art& first = *layer[1];
    const Art& second = *layer[2];
    EXPECT_EQ(Name(first), "白丸");
    EXPECT_EQ(Name(second), "白丸");
    EXPECT_EQ(first.tags.at("BBAccumRotation"), "0.000000");
    EXPECT_EQ(first.type, kPathArt);
    // 白丸 keeps its size and stands as the pattern is drawn: its first point is the bottom-left
    // corner.
    EXPECT_BOX(first, 10, 20, 20, 14);
    EXPECT_POINT(first.segments[0].p, 10, 14);
    EXPECT_BOX(second, 60, 24, 70, 18);
    // Found deep, replaced where it stood.
    const Art& deep = *layer[0]->children[0]->children[0];
    EXPECT_EQ(Name(deep), "白三角");
    EXPECT_EQ(layer[0]->children[0]->children.size(), 1U);
    EXPECT_BOX(deep, 40, 48, 48, 42);
    EXPECT_POINT(deep.segments[2].p, 44, 48);  // the triangle points up, as it is drawn
    // The empty name, the hidden, the locked and the path stay.
    EXPECT_EQ(Name(*layer[3]), "");
    EXPECT_EQ(Name(*layer[4]), "隠れ");
    EXPECT_EQ(Name(*layer[5]->children[0]), "固定");
    EXPECT_EQ(Name(*layer[6]), "線");
    EXPECT_EQ(layer[6]->type, kPathArt);
    EXPECT_EQ(Name(*Layer(1)[0]), "黒丸");  // another layer
    ExpectNoHandleRefused();
}

TEST_F(O2O, ATurnedSourceGivesATurnedCopyOnItsTurnedCorner) {
    // The first 黒丸 becomes a square of side 8 turned by θ about the origin and moved to
    // (100, 50).
    const double theta = 0.523599, c = std::cos(theta), s = std::sin(theta);
    Art& source = *Layer(0)[1];
    Art& square = *source.children[0];
    const double corners[4][2] = {{0, 0}, {8, 0}, {8, 8}, {0, 8}};
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i][0], y = corners[i][1];
        square.segments[i].p = {100 + x * c - y * s, 50 + x * s + y * c};
        square.segments[i].in = square.segments[i].p;
        square.segments[i].out = square.segments[i].p;
    }
    square.tags["BBAccumRotation"] = "0.523599";
    Run([&](DialogSession& session) {
        Load(session, "黒丸,白丸\r\n");
        // Its row previews it turned back by θ, upright.
        session.Paint(kObjects);
        const auto& row = session.item(kObjects).list->entries[1]->painted;
        const auto art = std::find_if(
            row.begin(), row.end(), [](const DrawOp& op) { return op.kind == DrawOp::Kind::Art; });
        ASSERT_NE(art, row.end());
        const AIRealMatrix& m = art->art->request.matrix;
        EXPECT_NEAR(std::atan2(m.b, m.a), theta, 1e-4);
        session.Ok();
    });

    // In the source's own frame its top-left corner is (0, 8); 白丸, 10 by 6 and upright, hangs
    // from it: its point (x, y) lands on (x, 2 + y) of that frame.
    const Art& copy = *Layer(0)[1];
    EXPECT_EQ(Name(copy), "白丸");
    EXPECT_EQ(copy.tags.at("BBAccumRotation"), "0.523599");
    ASSERT_EQ(copy.segments.size(), 4U);
    EXPECT_POINT(copy.segments[0].p, 100 - 2 * s, 50 + 2 * c);
    EXPECT_POINT(copy.segments[2].p, 100 + 10 * c - 8 * s, 50 + 10 * s + 8 * c);
    // The unturned one beside it still hangs upright.
    EXPECT_EQ(Layer(0)[2]->tags.at("BBAccumRotation"), "0.000000");
}

TEST_F(O2O, WhatARunPlacedIsListedUnderThePatternsNameAndCanBeReplacedAgain) {
    Replace("黒三角,黒丸\r\n");
    const Art& deep = *Layer(0)[0]->children[0]->children[0];
    EXPECT_EQ(deep.type, kGroupArt);
    EXPECT_EQ(Name(deep), "黒丸");
    EXPECT_EQ(deep.children[0]->tags.at("BBAccumRotation"), "0.000000");
    Run([&](DialogSession& s) {
        EXPECT_THAT(Shown(s), ElementsAre(Pair("", ""), Pair("黒丸", "")));
        s.ClickRow(kObjects, 1);
        s.ClickRow(kPatterns, "白三角");
        s.Ok();
    });
    EXPECT_EQ(Name(*Layer(0)[0]->children[0]->children[0]), "白三角");
    EXPECT_EQ(Name(*Layer(0)[1]), "白三角");
    EXPECT_EQ(Name(*Layer(0)[2]), "白三角");
}

TEST_F(O2O, ARowWithoutAPatternOrWithAClearedOneLeavesItsGroupsAlone) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n黒三角,無い\r\n");
        s.ClickRow(kObjects, 1);
        s.Click(kClear);
        s.Ok();
    });
    EXPECT_EQ(Name(*Layer(0)[1]), "黒丸");
    EXPECT_EQ(Name(*Layer(0)[2]), "黒丸");
    EXPECT_EQ(Name(*Layer(0)[0]->children[0]->children[0]), "黒三角");
    EXPECT_EQ(Layer(0).size(), 8U);
}

TEST_F(O2O, AGroupWhoseCopyCannotBeMadeIsKept) {
    host_->faults().Fail("AI Art Suite", "DuplicateArt", FourCharCode('F', 'A', 'I', 'L'));
    Replace("黒丸,白丸\r\n");
    EXPECT_EQ(Name(*Layer(0)[1]), "黒丸");
    EXPECT_BOX(*Layer(0)[1], 10, 20, 20, 10);
    EXPECT_EQ(Name(*Layer(0)[2]), "白丸");
}

TEST_F(O2O, NothingReachesTheDeletedGroupsAfterTheRun) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n");
        Shown(s);
        s.Ok();
        // The host paints the rows once more while the dialog goes.
        Shown(s);
    });
    // The next dialog cannot tell its layer, so it lists nothing: OK has nothing to replace.
    host_->faults().Fail("AI Layer Suite", "GetCurrentLayer", FourCharCode('F', 'A', 'I', 'L'));
    Run([](DialogSession& s) {
        EXPECT_THAT(Shown(s), IsEmpty());
        s.Ok();
    });
    ExpectNoHandleRefused();
    EXPECT_EQ(Name(*Layer(0)[1]), "白丸");
}

TEST_F(O2O, EachCheckedCallThatFailsIsTracedAtItsLine) {
    struct Case {
        const char* suite;
        const char* call;
        int nth;
        bool onOK;  // arranged just before OK is pressed
        const char* line;
    };
    const Case cases[] = {
        {"AI Layer Suite", "GetLayerTitle", 1, false, "KznChecked(sLayer->GetLayerTitle"},
        {"AI Layer Suite", "GetCurrentLayer", 1, false, "KznChecked(sLayer->GetCurrentLayer"},
        {"AI Tag Suite", "SetTag", 1, true, "KznChecked(SetTagDeep(copy"},  // the rotation
        {"AI Tag Suite", "SetTag", 2, true, "KznChecked(sTag->SetTag(copy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        host_.reset();  // a fresh host and map for each
        SetUp();
        const auto fail = [&] {
            host_->faults().Fail(c.suite, c.call, FourCharCode('F', 'A', 'I', 'L'), c.nth);
        };
        if (!c.onOK) {
            fail();
        }
        Run([&](DialogSession& s) {
            Load(s, "黒丸,白丸\r\n");
            if (c.onOK) {
                fail();
            }
            s.Ok();
        });
        EXPECT_THAT(
            kzntest::FailedCalls(*host_),
            Contains(kzntest::CheckedCallAt("FAIL", "module/o2o/kznO2ODialog.cpp", c.line)));
    }
}

TEST_F(O2O, CancelChangesNothing) {
    Run([&](DialogSession& s) {
        Load(s, "黒丸,白丸\r\n");
        s.Cancel();
        // Nothing reaches the dialog object while the host closes the dialog.
        EXPECT_EQ(s.dialog().notify, nullptr);
        EXPECT_EQ(s.item(kObjects).list->notify, nullptr);
        EXPECT_EQ(s.item(kPatterns).list->notify, nullptr);
    });
    EXPECT_EQ(Name(*Layer(0)[1]), "黒丸");
    EXPECT_EQ(host_->dialogs().liveEntries(), 0U);
    EXPECT_EQ(host_->TotalHeld(), 0);
}

}  // namespace
