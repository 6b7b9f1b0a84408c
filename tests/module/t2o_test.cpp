// The text-to-object command as a person uses it: the dialog driven by actions, the rows of
// symbols it leaves in the map, and the table files it reads and writes.
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
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr int kLayerPopup = 1004, kTargets = 1011, kSymbols = 1017, kPatterns = 1018, kUp = 1019,
              kAdd = 1020, kRemove = 1021, kDown = 1022, kOpen = 1101, kSave = 1102, kLabel = 1034,
              kDeleteAll = 1131, kDeleteReplaced = 1132, kKeepAll = 1133, kSameLayer = 1040,
              kNewLayer = 1041, kSeveralLayer = 1039;

// Three patterns of widths 10, 20 and 10 and heights 10, 6 and 8; 丸 is a group, as pattern art
// usually is. The survey layer's texts stand at (100, 200), (50, 50) and (0, 0).
const char8_t kSurvey[] =
    u8R"({
  "kzn-document": 1,
  "currentLayer": 1,
  "layers": [
    {"title": "凡例", "art": [{"type": "text", "text": "題"}]},
    {"title": "調査地点", "art": [
      {"type": "text", "text": "マイマイ", "anchor": [100, 200]},
      {"type": "path", "segments": [{"p": [0, 0]}]},
      {"type": "text", "text": "デンデンムシ", "anchor": [50, 50]},
      {"type": "text", "text": "隠れ", "hidden": true},
      {"type": "text", "text": "固定", "locked": true},
      {"type": "group", "children": [{"type": "text", "text": "中"}]},
      {"type": "text", "text": "カタツムリ", "anchor": [0, 0]}
    ]},
    {"title": "基図", "editable": false, "art": [{"type": "text", "text": "海"}]}
  ],
  "patterns": [
    {"name": "丸", "art": {"type": "group", "children": [{"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 10]}, {"p": [0, 10]}]}]}},
    {"name": "長", "art": {"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [20, 0]}, {"p": [20, 6]}, {"p": [0, 6]}]}},
    {"name": "角", "art": {"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [10, 0]}, {"p": [10, 8]}, {"p": [0, 8]}]}},
    {"name": "改\n行", "art": {"type": "path", "closed": true,
      "segments": [{"p": [0, 0]}, {"p": [4, 0]}, {"p": [4, 4]}]}}
  ],
  "swatches": [{"gray": 0.5}, {"pattern": "丸"}, {"pattern": "長"}, {"pattern": "角"},
               {"pattern": "改\n行"}]
})";

struct Box {
    double left, top, right, bottom;
};

class T2O : public ::testing::Test {
  protected:
    void SetUp() override {
        host_ = kzntest::LoadedHost();
        host_->SetDocument(kzntest::Map(kSurvey));
        ASSERT_EQ(host_->Startup(), 0);
    }

    void Run(std::function<void(DialogSession&)> script) {
        host_->dialogs().QueueScript(std::move(script));
        ASSERT_EQ(host_->RunFilter("t2o"), 0);
        EXPECT_EQ(host_->dialogs().scriptError(), "");
    }

    // Loads TABLE (Shift-JIS rows) through the open button.
    void Load(DialogSession& s, const std::string& table) {
        host_->win32().QueueFileAnswer(dir_.Write("table.csv", table));
        s.Click(kOpen);
    }

    // Runs the dialog: loads TABLE, sets the radio buttons and check box ON, presses OK.
    void Replace(const std::string& table, std::vector<int> on = {}) {
        Run([&](DialogSession& s) {
            Load(s, table);
            for (int id : on) {
                s.Check(id, true);
            }
            s.Ok();
        });
    }

    const subhost::ChildList& Layer(std::size_t index) {
        return host_->document().layers()[index]->group->children;
    }
    std::vector<std::string> Texts(std::size_t layer) {
        std::vector<std::string> texts;
        for (const Art* art : Layer(layer)) {
            if (art->type == kTextArt) {
                texts.push_back(art->text);
            }
        }
        return texts;
    }
    std::vector<std::string> Titles() {
        std::vector<std::string> titles;
        for (const auto* layer : host_->document().layers()) {
            titles.push_back(layer->title);
        }
        return titles;
    }
    static Box Bounds(const Art& art) {
        const auto r = subhost::ArtBounds(art).rect();
        return {r.left, r.top, r.right, r.bottom};
    }

    // What the rows of list ID painted with the given kind of drawing call.
    static std::vector<subhost::DrawOp> Painted(DialogSession& s, int id, std::size_t row,
                                                subhost::DrawOp::Kind kind) {
        s.Paint(id);
        std::vector<subhost::DrawOp> ops;
        for (const auto& op : s.item(id).list->entries.at(row)->painted) {
            if (op.kind == kind) {
                ops.push_back(op);
            }
        }
        return ops;
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

TEST_F(T2O, OpensWithTheLayersTheTextsOfTheCurrentLayerAndThePatterns) {
    Run([](DialogSession& s) {
        EXPECT_THAT(s.Rows(kLayerPopup), ElementsAre("凡例", "調査地点", "基図"));
        EXPECT_EQ(s.item(kLayerPopup).list->active, s.item(kLayerPopup).list->entries[1]);
        // Hidden, locked and grouped texts are not listed.
        EXPECT_THAT(s.Rows(kTargets), ElementsAre("マイマイ", "デンデンムシ", "カタツムリ"));
        // Gray swatches are left out; a name is cut at its line feed.
        EXPECT_THAT(s.Rows(kPatterns), ElementsAre("丸", "長", "角", "改"));
        EXPECT_TRUE(s.Rows(kSymbols).empty());
        EXPECT_TRUE(s.item(kDeleteAll).booleanValue);
        EXPECT_FALSE(s.item(kDeleteReplaced).booleanValue);
        EXPECT_FALSE(s.item(kKeepAll).booleanValue);
        EXPECT_TRUE(s.item(kSameLayer).booleanValue);
        EXPECT_FALSE(s.item(kNewLayer).booleanValue);
        EXPECT_FALSE(s.item(kSeveralLayer).enabled);
        for (int id : {kAdd, kRemove, kUp, kDown}) {
            EXPECT_FALSE(s.item(id).enabled) << id;
        }
    });
    const auto lines = host_->trace().Lines();
    EXPECT_THAT(lines, Not(Contains("CkznT2ODialog::Init()")));  // only text to text traces it
    EXPECT_THAT(lines, Contains("CkznT2ODialog::Notify(ADM Show Window Notifier)"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "+Found Text Art"), 5);
}

TEST_F(T2O, ALayerWhoseTitleCannotBeHadIsLeftOutAndTheOthersAreListed) {
    host_->faults().Fail("AI Layer Suite", "GetLayerTitle", FourCharCode('F', 'A', 'I', 'L'), 1);
    Run([](DialogSession& s) {
        EXPECT_THAT(s.Rows(kLayerPopup), ElementsAre("調査地点", "基図"));
        s.Pick(kLayerPopup, "基図");  // the second entry names the third layer
        EXPECT_THAT(s.Rows(kTargets), ElementsAre("海"));
    });
}

TEST_F(T2O, ACurrentLayerThatCannotBeHadLeavesTheButtonsAsTheyWereAndTheBaseUntold) {
    host_->faults().Fail("AI Layer Suite", "GetCurrentLayer", FourCharCode('F', 'A', 'I', 'L'));
    Run([&](DialogSession& s) {
        EXPECT_TRUE(s.Rows(kTargets).empty());
        // Not brought up to date: enabled, as the dialog's template has them.
        for (int id : {kAdd, kRemove, kUp, kDown, kSeveralLayer}) {
            EXPECT_TRUE(s.item(id).enabled) << id;
        }
        EXPECT_EQ(kzntest::CountCalls(*host_, "ADM Dialog Suite", "DefaultNotify"), 0);
    });
}

TEST_F(T2O, TheButtonsShowTheirPicturesAndTheTipsOfTheStringTable) {
    Run([](DialogSession& s) {
        const std::vector<std::pair<int, int>> pictures = {{kOpen, 107},   {kSave, 108},
                                                           {kUp, -16040},  {kDown, -16050},
                                                           {kAdd, -16060}, {kRemove, -16020}};
        for (const auto& [id, picture] : pictures) {
            EXPECT_EQ(s.item(id).pictureID, picture) << id;
        }
        EXPECT_EQ(s.item(kOpen).tip, "ファイルを開く");
        EXPECT_EQ(s.item(kSave).tip, "ファイルに出力");
        EXPECT_EQ(s.item(kUp).tip, "シンボルを上位に移動");
        EXPECT_EQ(s.item(kDown).tip, "シンボルを下位に移動");
        EXPECT_EQ(s.item(kAdd).tip, "シンボルを追加");
        EXPECT_EQ(s.item(kRemove).tip, "シンボルの登録を解除");
    });
}

TEST_F(T2O, TheSymbolButtonsEditTheActiveTargetAndAreEnabledOnlyWhereTheyCanAct) {
    Run([&](DialogSession& s) {
        s.ClickRow(kTargets, 0);
        EXPECT_FALSE(s.item(kAdd).enabled);  // no pattern chosen yet
        s.ClickRow(kPatterns, "長");
        EXPECT_TRUE(s.item(kAdd).enabled);
        s.Click(kAdd);
        s.Click(kAdd);  // the same pattern twice
        s.ClickRow(kPatterns, "丸");
        s.Click(kAdd);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("長", "長", "丸"));

        // The only symbol, the first and the last cannot move past the ends.
        s.ClickRow(kSymbols, 0);
        EXPECT_FALSE(s.item(kUp).enabled);
        EXPECT_TRUE(s.item(kDown).enabled);
        EXPECT_TRUE(s.item(kRemove).enabled);
        s.ClickRow(kSymbols, 2);
        EXPECT_TRUE(s.item(kUp).enabled);
        EXPECT_FALSE(s.item(kDown).enabled);

        s.Click(kUp);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("長", "丸", "長"));
        EXPECT_EQ(s.item(kSymbols).list->active, s.item(kSymbols).list->entries[1]);
        s.Click(kUp);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸", "長", "長"));
        EXPECT_FALSE(s.item(kUp).enabled);  // it is first now
        s.Click(kDown);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("長", "丸", "長"));
        EXPECT_EQ(s.item(kSymbols).list->active, s.item(kSymbols).list->entries[1]);

        s.Click(kRemove);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("長", "長"));
        EXPECT_FALSE(s.item(kRemove).enabled);  // the list was refilled: nothing is chosen
        s.ClickRow(kSymbols, 1);
        s.Click(kRemove);
        s.ClickRow(kSymbols, 0);
        EXPECT_FALSE(s.item(kUp).enabled);
        EXPECT_FALSE(s.item(kDown).enabled);

        // Another target shows its own symbols.
        s.ClickRow(kTargets, 1);
        EXPECT_TRUE(s.Rows(kSymbols).empty());
        s.ClickRow(kTargets, 0);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("長"));
    });
    EXPECT_THAT(host_->trace().Lines(), Contains("変換一覧変更"));
    EXPECT_THAT(host_->trace().Lines(), Contains("パターン一覧変更"));
}

TEST_F(T2O, TheSeveralSymbolsBoxCanBeSetOnlyWithANewLayer) {
    Run([](DialogSession& s) {
        s.Check(kNewLayer, true);
        EXPECT_TRUE(s.item(kSeveralLayer).enabled);
        s.Check(kSeveralLayer, true);
        EXPECT_TRUE(s.item(kSeveralLayer).booleanValue);
        s.Check(kSameLayer, true);
        EXPECT_FALSE(s.item(kSeveralLayer).booleanValue);
        EXPECT_FALSE(s.item(kSeveralLayer).enabled);
    });
}

TEST_F(T2O, TargetRowsShowTheTextAndAPreviewPerSymbolOrASunkenCellForAMissingOne) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸,無い,角\r\n");
        const auto texts = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Text);
        ASSERT_EQ(texts.size(), 1U);
        EXPECT_EQ(texts[0].text, "マイマイ");
        const auto arts = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Art);
        const auto sunken = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Sunken);
        ASSERT_EQ(arts.size(), 2U);
        ASSERT_EQ(sunken.size(), 1U);
        // Cells of the row's height inset by 2, right of the divider, the found ones filled
        // white under their art; the missing one's cell is 4 narrower.
        const int h = subhost::DialogManager::kRowHeight;
        const auto fills = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Fill);
        ASSERT_EQ(fills.size(), 3U);  // the row's background and two cells
        const auto& list = s.item(kTargets).bounds;
        EXPECT_GT(fills[1].rect.left, (list.right - list.left) / 2);
        EXPECT_EQ(fills[1].rect.right - fills[1].rect.left, h - 4);
        EXPECT_EQ(fills[1].rect.top, 2);
        EXPECT_EQ(fills[1].color, kADMWhiteColor);
        EXPECT_EQ(sunken[0].rect.left, fills[1].rect.left + h);
        EXPECT_EQ(sunken[0].rect.right - sunken[0].rect.left, h - 4);
        EXPECT_EQ(fills[2].rect.left, sunken[0].rect.left + h - 4);
        // 丸 (10 high), then 角 (8 high), each upright in its cell: their corner at (0, 0), as
        // they are drawn, at the cell's bottom-left.
        EXPECT_NEAR(arts[0].art->request.destClipRect.bottom, -10, 0.005);
        EXPECT_NEAR(arts[1].art->request.destClipRect.bottom, -8, 0.005);
        EXPECT_TRUE(kzntest::UprightIn(*arts[0].art, fills[1].rect, {0, 0}));
        EXPECT_TRUE(kzntest::UprightIn(*arts[1].art, fills[2].rect, {0, 0}));
        EXPECT_TRUE(Painted(s, kTargets, 1, subhost::DrawOp::Kind::Art).empty());
    });
}

// Colours by their numbers in the host's colour list: 0 black, 1 white, 2 highlight, 3 highlight
// text, 15 text. The divider stands at half the row's width, the text ends a pixel before it and
// the first symbol's cell starts a blank (6 pixels here) right of it, inset by 2.
TEST_F(T2O, ATargetRowShowsItsStateADividerAtItsHalfAndItsSymbolsABlankRightOfIt) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,無い\r\n");
        for (const bool selected : {false, true}) {
            SCOPED_TRACE(selected ? "selected" : "plain");
            if (selected) {
                s.ClickRow(kTargets, 0);
            }
            const auto fills = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Fill);
            const auto lines = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Line);
            const auto texts = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Text);
            const auto cells = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Sunken);
            ASSERT_EQ(fills.size(), 1U);
            ASSERT_EQ(lines.size(), 1U);
            ASSERT_EQ(texts.size(), 1U);
            ASSERT_EQ(cells.size(), 1U);
            const ADMRect r = fills[0].rect;  // the drawer's bounds
            const int half = (r.right - r.left) / 2;
            EXPECT_EQ(fills[0].color, selected ? 2 : 1);
            EXPECT_EQ(texts[0].color, selected ? 3 : 15);
            EXPECT_EQ(lines[0].color, 0);
            EXPECT_EQ(lines[0].from.h, half);
            EXPECT_EQ(lines[0].to.h, half);
            EXPECT_EQ(lines[0].from.v, r.top);
            EXPECT_EQ(lines[0].to.v, r.bottom);
            EXPECT_EQ(texts[0].rect.left, r.left);
            EXPECT_EQ(texts[0].rect.right, half - 1);
            EXPECT_EQ(cells[0].rect.left, half + 6 + 2);
            EXPECT_EQ(cells[0].rect.top, r.top + 2);
        }
    });
}

TEST_F(T2O, CancellingTheFileChooserLoadsAndSavesNothing) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸,長\r\n");
        s.Click(kOpen);  // nothing queued: the person cancels
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        s.ClickRow(kTargets, 0);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸", "長"));
        EXPECT_EQ(TempDir::Read(dir_ / "table.csv"), "マイマイ,丸,長\r\n");
    });
    EXPECT_EQ(host_->win32().fileDialogs().size(), 3U);
    EXPECT_TRUE(host_->win32().messageBoxes().empty());
}

TEST_F(T2O, ALockedLayerListsItsTextsButDisablesTheListAndOK) {
    Run([](DialogSession& s) {
        s.Pick(kLayerPopup, "基図");
        EXPECT_THAT(s.Rows(kTargets), ElementsAre("海"));
        EXPECT_FALSE(s.item(kTargets).enabled);
        // A disabled list's rows are white with the disabled text colour, also the chosen one.
        s.item(kTargets).list->entries[0]->selected = true;
        const auto fills = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Fill);
        const auto texts = Painted(s, kTargets, 0, subhost::DrawOp::Kind::Text);
        ASSERT_FALSE(fills.empty());
        EXPECT_EQ(fills[0].color, 1);  // the host's white
        ASSERT_EQ(texts.size(), 1U);
        EXPECT_EQ(texts[0].color, 7);  // the host's disabled text
        EXPECT_FALSE(s.item(kOKItemID).enabled);
        EXPECT_THROW(s.Ok(), subhost::ActionError);
    });
    EXPECT_THAT(Texts(2), ElementsAre("海"));
    EXPECT_THAT(host_->trace().Lines(), Contains("レイヤ一覧変更"));
}

// Table files.

TEST_F(T2O, LoadingTheSameTableTwiceDoublesTheSymbolsAndAnUnlistedTextGainsTheLoadedRow) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸,長\r\n");
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        s.ClickRow(kTargets, 0);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸", "長"));
        Load(s, "マイマイ,丸,長\r\n");
        s.ClickRow(kTargets, 0);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸", "長", "丸", "長"));
        // カタツムリ was looked up (an empty value); its row now sets the value alone.
        Load(s, "カタツムリ,角\r\n");
        s.ClickRow(kTargets, 2);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("角"));
    });
}

TEST_F(T2O, HandMadeSymbolsAreLostWhenTheLayerChanges) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸\r\n");
        s.ClickRow(kTargets, 0);
        s.ClickRow(kPatterns, "角");
        s.Click(kAdd);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸", "角"));
        s.Pick(kLayerPopup, 0);
        EXPECT_THAT(s.Rows(kTargets), ElementsAre("題"));
        s.Pick(kLayerPopup, 1);
        s.ClickRow(kTargets, 0);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸"));
    });
}

TEST_F(T2O, SavingWritesOneLinePerTargetAndWhatWasSavedLoadsBack) {
    const std::string path = dir_ / "saved.csv";
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸,長\r\n");
        s.ClickRow(kTargets, 1);
        s.ClickRow(kPatterns, "改");
        s.Click(kAdd);
        host_->win32().QueueFileAnswer(path);
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:saved.csv");
    });
    EXPECT_EQ(TempDir::Read(path), "マイマイ,丸,長\r\nデンデンムシ,改\r\nカタツムリ\r\n");

    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(path);
        s.Click(kOpen);
        s.ClickRow(kTargets, 1);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("改"));
    });
}

TEST_F(T2O, AFailedSaveWarnsAndKeepsTheLabelAndAFailedLoadStillRebuildsTheList) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸\r\n");
        s.ClickRow(kTargets, 0);
        s.ClickRow(kPatterns, "角");
        s.Click(kAdd);
        host_->win32().QueueFileAnswer(dir_ / "no/such/folder.csv");
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        // The rows were written but could not take the table file's place: it stays as it was.
        const std::string before = TempDir::Read(dir_ / "table.csv");
        host_->faults().Fail("Windows", "MoveFileExA", FourCharCode('F', 'U', 'L', 'L'));
        host_->win32().QueueFileAnswer(dir_ / "table.csv");
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        EXPECT_EQ(TempDir::Read(dir_ / "table.csv"), before);
        // The file cannot be opened: the list is built again from the unchanged table, without
        // the hand-made symbol.
        const std::string held = dir_.Write("held.csv", "マイマイ,角\r\n");
        host_->win32().QueueFileAnswer(held);
        {
            const kzntest::Unopenable unopenable(held);
            s.Click(kOpen);
        }
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
        s.ClickRow(kTargets, 0);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸"));
    });
    for (const auto& box : host_->win32().messageBoxes()) {
        EXPECT_EQ(box.caption, "KZN Plug-in error");
    }
    ASSERT_GE(host_->win32().messageBoxes().size(), 2U);
    EXPECT_EQ(host_->win32().messageBoxes().front().text, "ファイルを書き込めません");
    EXPECT_EQ(host_->win32().messageBoxes().back().text,
              "ファイルを読み込めません。ファイルが使用中の可能性があります。");
}

TEST_F(T2O, ALongTextIsCutBetweenCharactersSoItsSavedRowLoadsBack) {
    // 257 bytes: the 256th is the first half of the last character.
    const std::string x255(255, 'x');
    host_->document().layers()[1]->group->children[0]->text = x255 + "あ";
    host_->document().layers()[1]->group->children[2]->text = std::string(256, 'y');
    const std::string path = dir_ / "long.csv";
    Run([&](DialogSession& s) {
        EXPECT_EQ(s.Rows(kTargets)[0], x255);
        EXPECT_EQ(s.Rows(kTargets)[1], std::string(256, 'y'));  // read whole
        s.ClickRow(kTargets, 0);
        s.ClickRow(kPatterns, "丸");
        s.Click(kAdd);
        host_->win32().QueueFileAnswer(path);
        s.Click(kSave);
    });
    EXPECT_EQ(TempDir::Read(path).substr(0, 260), x255 + ",丸\r\n");
    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(path);
        s.Click(kOpen);
        s.ClickRow(kTargets, 0);
        EXPECT_THAT(s.Rows(kSymbols), ElementsAre("丸"));
    });
}

// The replacement run.

TEST_F(T2O, ThreeSymbolsHangInARowJoinedByAnArcCentredOnTheAnchor) {
    Replace("マイマイ,丸,長,角\r\n", {kKeepAll});
    // The group stands on top of the chosen layer: the arc first, then the copies, last first.
    const Art& group = *Layer(1)[0];
    ASSERT_EQ(group.type, kGroupArt);
    ASSERT_EQ(group.children.size(), 4U);
    const Art& arc = *group.children[0];
    const Art& maru = *group.children[3];
    const Art& naga = *group.children[2];
    const Art& kaku = *group.children[1];
    EXPECT_EQ(maru.tags.at("kznObjectName"), "丸");
    EXPECT_EQ(naga.tags.at("kznObjectName"), "長");
    EXPECT_EQ(kaku.tags.at("kznObjectName"), "角");
    EXPECT_TRUE(arc.tags.empty());
    EXPECT_TRUE(group.tags.empty());
    // In the row they start at 1, 14 and 37 and span 1 ... 47 hanging from 0; the row's centre
    // (24, -5) goes to the anchor (100, 200).
    EXPECT_BOX(maru, 77, 205, 87, 195);
    EXPECT_BOX(naga, 90, 205, 110, 199);
    EXPECT_BOX(kaku, 113, 205, 123, 197);
    // The arc: from a fifth of the row's height above the first copy's top centre to the same
    // height above the last's, its handles halfway to a midpoint a quarter of its span higher.
    ASSERT_EQ(arc.segments.size(), 2U);
    EXPECT_FALSE(arc.closed);
    EXPECT_POINT(arc.segments[0].p, 82, 207);
    EXPECT_POINT(arc.segments[0].out, 91, 211.5);
    EXPECT_POINT(arc.segments[1].in, 109, 211.5);
    EXPECT_POINT(arc.segments[1].p, 118, 207);
    ASSERT_TRUE(arc.style.stroke.has_value());
    EXPECT_FALSE(arc.style.fill.has_value());
    // The last transform of every leaf, the move onto the anchor, takes objects, fill patterns
    // and line widths (21).
    for (const Art* leaf :
         std::initializer_list<const Art*>{&arc, maru.children[0], &naga, &kaku}) {
        EXPECT_EQ(leaf->transformOptions, 21);
    }
    EXPECT_THAT(Texts(1), ElementsAre("マイマイ", "デンデンムシ", "隠れ", "固定", "カタツムリ"));
    EXPECT_THAT(host_->trace().Lines(), Contains("*TargetText:マイマイ"));
    EXPECT_THAT(host_->trace().Lines(), Contains("OKボタン"));
}

TEST_F(T2O, OneSymbolIsASingleCopyWithoutGroupOrArcCentredOnTheAnchor) {
    Replace("デンデンムシ,長\r\n", {kKeepAll});
    const Art& copy = *Layer(1)[0];
    EXPECT_EQ(copy.type, kPathArt);
    EXPECT_EQ(copy.tags.at("kznObjectName"), "長");
    EXPECT_EQ(copy.tags.count("BBAccumRotation"), 0U);
    EXPECT_BOX(copy, 40, 53, 60, 47);
    EXPECT_EQ(Layer(1).size(), 8U);  // the copy and the seven that were there
}

TEST_F(T2O, ARotatedTextTurnsItsSymbolsAboutTheAnchorAndTagsTheLeaves) {
    for (std::size_t i : {0, 2}) {
        host_->document().layers()[1]->group->children[i]->tags["BBAccumRotation"] = "0.523599";
    }
    Replace("デンデンムシ,角\r\nマイマイ,丸,角\r\n", {kKeepAll});
    const double c = std::cos(0.523599), s = std::sin(0.523599);
    // デンデンムシ's square, 10 by 8, centred on (50, 50): its first corner (the bottom-left one
    // as drawn), (-5, -4) from the centre, turned.
    const Art& single = *Layer(1)[0];
    ASSERT_EQ(single.type, kPathArt);
    EXPECT_EQ(single.tags.at("BBAccumRotation"), "0.523599");
    EXPECT_POINT(single.segments[0].p, 50 + (-5 * c + 4 * s), 50 + (-5 * s - 4 * c));

    const Art& group = *Layer(1)[1];
    ASSERT_EQ(group.type, kGroupArt);
    EXPECT_EQ(group.tags.count("BBAccumRotation"), 0U);
    const Art& maru = *group.children[2];  // a group of one path
    EXPECT_EQ(maru.tags.count("BBAccumRotation"), 0U);
    EXPECT_EQ(maru.tags.at("kznObjectName"), "丸");
    EXPECT_EQ(maru.children[0]->tags.at("BBAccumRotation"), "0.523599");
    EXPECT_EQ(group.children[0]->tags.at("BBAccumRotation"), "0.523599");  // the arc
    // The row spans 1 ... 23 and -10 ... 0: 丸's first corner was (1, -10), (-11, -5) from the
    // centre (12, -5).
    EXPECT_POINT(maru.children[0]->segments[0].p, 100 + (-11 * c + 5 * s), 200 + (-11 * s - 5 * c));
}

TEST_F(T2O, ANameWithoutAPatternGetsAPlaceholderSquare) {
    Replace("カタツムリ,無い\r\n", {kKeepAll});
    const Art& square = *Layer(1)[0];
    ASSERT_EQ(square.type, kPathArt);
    EXPECT_TRUE(square.closed);
    EXPECT_TRUE(square.tags.empty());
    ASSERT_EQ(square.segments.size(), 4U);
    // 10 by 10, flipped into the row and centred on (0, 0): (0, 0) went to (-5, 5).
    EXPECT_POINT(square.segments[0].p, -5, 5);
    EXPECT_POINT(square.segments[1].p, 5, 5);
    EXPECT_POINT(square.segments[2].p, 5, -5);
    EXPECT_POINT(square.segments[0].in, -5, 5);
    EXPECT_FALSE(square.segments[0].corner);
    EXPECT_FALSE(square.style.fill.has_value());
    ASSERT_TRUE(square.style.stroke.has_value());
    EXPECT_NEAR(square.style.stroke->width, 0.5, 0.005);
    EXPECT_EQ(square.style.stroke->gray, 65536.0);  // a gray the host took
}

TEST_F(T2O, ASquareTheHostCannotMakeIsLeftOutAndTheRowGoesOn) {
    Run([&](DialogSession& s) {
        Load(s, "カタツムリ,無い,丸\r\n");
        s.Check(kKeepAll, true);
        host_->faults().Fail("AI Art Suite", "NewArt", FourCharCode('F', 'A', 'I', 'L'));
        s.Ok();
    });
    int squares = 0;
    int maru = 0;
    // (Symbols are not looked into: a pattern's own art may be a square.)
    std::function<void(const Art&)> visit = [&](const Art& art) {
        if (art.tags.count("kznObjectName") != 0) {
            maru += art.tags.at("kznObjectName") == "丸";
            return;
        }
        squares += art.type == kPathArt && art.closed && art.segments.size() == 4;
        for (const Art* child : art.children) {
            visit(*child);
        }
    };
    for (const Art* art : Layer(1)) {
        visit(*art);
    }
    EXPECT_EQ(squares, 0);
    EXPECT_EQ(maru, 1);
}

TEST_F(T2O, WithANewLayerAndTheSeveralSymbolsLayerResultsGoByTheirNumberOfSymbols) {
    Replace("マイマイ,丸,長\r\nデンデンムシ,角\r\n", {kNewLayer, kSeveralLayer});
    ASSERT_EQ(Titles().size(), 5U);
    // Two new layers above the chosen one: the several-symbols layer on top.
    EXPECT_EQ(Titles()[3], "調査地点");
    ASSERT_EQ(Layer(1).size(), 1U);
    EXPECT_EQ(Layer(1)[0]->type, kGroupArt);
    ASSERT_EQ(Layer(2).size(), 1U);
    EXPECT_EQ(Layer(2)[0]->tags.at("kznObjectName"), "角");
    // Every listed text was deleted (1131); the others stay.
    EXPECT_THAT(Texts(3), ElementsAre("隠れ", "固定"));
    EXPECT_EQ(Layer(3).size(), 4U);
}

TEST_F(T2O, WithANewLayerAloneEveryResultGoesToIt) {
    Replace("マイマイ,丸,長\r\nデンデンムシ,角\r\n", {kNewLayer});
    ASSERT_EQ(Titles().size(), 4U);
    ASSERT_EQ(Layer(1).size(), 2U);
    EXPECT_EQ(Layer(1)[0]->tags.at("kznObjectName"), "角");
    EXPECT_EQ(Layer(1)[1]->type, kGroupArt);
}

TEST_F(T2O, NewLayersAreMadeEvenWhenNothingIsReplaced) {
    Run([](DialogSession& s) {
        s.Pick(kLayerPopup, "凡例");
        s.Check(kNewLayer, true);
        s.Check(kSeveralLayer, true);
        s.Check(kKeepAll, true);
        s.Ok();
    });
    ASSERT_EQ(Titles().size(), 5U);
    EXPECT_TRUE(Layer(0).empty());
    EXPECT_TRUE(Layer(1).empty());
    EXPECT_THAT(Texts(2), ElementsAre("題"));
}

TEST_F(T2O, DeletingAllListedTextsTakesThoseWithoutSymbolsToo) {
    Replace("マイマイ,丸\r\n");
    EXPECT_THAT(Texts(1), ElementsAre("隠れ", "固定"));
    EXPECT_EQ(Layer(1).size(), 5U);  // the copy, the path, two texts, the group
    EXPECT_EQ(Layer(1)[4]->children[0]->text, "中");
}

TEST_F(T2O, DeletingTheReplacedTextsKeepsThoseWhoseSymbolsAllFailedToCopy) {
    host_->faults().Fail("AI Art Suite", "DuplicateArt", FourCharCode('F', 'A', 'I', 'L'));
    // マイマイ's only copy fails; デンデンムシ gets a placeholder; カタツムリ has no symbol.
    Replace("マイマイ,丸\r\nデンデンムシ,無い\r\n", {kDeleteReplaced});
    EXPECT_THAT(Texts(1), ElementsAre("マイマイ", "隠れ", "固定", "カタツムリ"));
    EXPECT_EQ(Layer(1)[0]->segments.size(), 4U);  // the placeholder
}

TEST_F(T2O, ARowWhoseGroupCannotBeMadeLeavesNoCopiesAndKeepsItsLabel) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸,長\r\nデンデンムシ,角\r\n");
        s.Check(kDeleteReplaced, true);
        host_->faults().Fail("AI Art Suite", "NewArt", FourCharCode('F', 'A', 'I', 'L'));
        s.Ok();
    });
    // マイマイ's two copies are gone with their group and the label stays; デンデンムシ's single
    // copy needs no group.
    EXPECT_THAT(Texts(1), ElementsAre("マイマイ", "隠れ", "固定", "カタツムリ"));
    std::vector<std::string> symbols;
    for (const Art* art : Layer(1)) {
        if (art->tags.count("kznObjectName") != 0) {
            symbols.push_back(art->tags.at("kznObjectName"));
        }
    }
    EXPECT_THAT(symbols, ElementsAre("角"));
    EXPECT_THAT(host_->trace().Lines(), Contains("*NoGroup:マイマイ"));
}

TEST_F(T2O, AHostThatGivesATextBackAsItsOwnSiblingEndsTheList) {
    Run([&](DialogSession& s) {
        s.Pick(kLayerPopup, "凡例");
        host_->faults().EchoOut("AI Art Suite", "GetArtSibling");
        s.Pick(kLayerPopup, "調査地点");
        EXPECT_THAT(s.Rows(kTargets), ElementsAre("マイマイ"));
    });
}

TEST_F(T2O, EveryEditOfTheSymbolsRedrawsTheTargetAndAMovedSymbolIsScrolledIntoView) {
    std::string twenty = "マイマイ";
    for (int i = 0; i < 20; ++i) {
        twenty += ",丸";
    }
    Run([&](DialogSession& s) {
        Load(s, twenty + "\r\n");
        s.ClickRow(kTargets, 0);
        const subhost::Entry& target = *s.item(kTargets).list->entries[0];
        subhost::List& symbols = *s.item(kSymbols).list;
        // Before each move the person scrolls the symbols back to the top.
        const std::vector<std::pair<std::string, std::function<void()>>> edits = {
            {"pick", [&] { s.ClickRow(kPatterns, "長"); }},
            {"add", [&] { s.Click(kAdd); }},
            {"up",
             [&] {
                 s.ClickRow(kSymbols, 20);
                 symbols.scrollTop = 0;
                 s.Click(kUp);
             }},
            {"down",
             [&] {
                 symbols.scrollTop = 0;
                 s.Click(kDown);
             }},
            {"remove", [&] { s.Click(kRemove); }},
        };
        for (const auto& [edit, act] : edits) {
            const int before = target.invalidations;
            act();
            EXPECT_EQ(target.invalidations, before + 1) << edit;
            if (edit == "up" || edit == "down") {
                ASSERT_NE(symbols.active, nullptr);
                EXPECT_EQ(symbols.IndexOf(symbols.active), edit == "up" ? 19 : 20);
                EXPECT_TRUE(host_->dialogs().Visible(*symbols.active)) << edit;
            }
        }
    });
}

TEST_F(T2O, EachCheckedCallThatFailsIsTracedAtItsLine) {
    struct Case {
        const char* suite;
        const char* call;
        int nth;
        bool onOK;  // arranged just before OK is pressed
        const char* line;
    };
    const Case cases[] = {
        {"AI Layer Suite", "GetCurrentLayer", 1, false, "KznChecked(sLayer->GetCurrentLayer"},
        {"AI Layer Suite", "GetNthLayer", 1, true, "KznChecked(sLayer->GetNthLayer"},
        {"AI Tag Suite", "SetTag", 1, true, "KznChecked(sTag->SetTag(copy"},
        {"AI Tag Suite", "SetTag", 2, true, "KznChecked(SetTagDeep(result"},  // the rotation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        host_.reset();  // a fresh host and map for each
        SetUp();
        host_->document().layers()[1]->group->children[0]->tags["BBAccumRotation"] = "0.5";
        const auto fail = [&] {
            host_->faults().Fail(c.suite, c.call, FourCharCode('F', 'A', 'I', 'L'), c.nth);
        };
        if (!c.onOK) {
            fail();
        }
        Run([&](DialogSession& s) {
            Load(s, "マイマイ,長\r\n");  // a path: its tag's failure comes back
            if (c.onOK) {
                fail();
            }
            s.Ok();
        });
        EXPECT_THAT(
            kzntest::FailedCalls(*host_),
            Contains(kzntest::CheckedCallAt("FAIL", "module/t2o/kznT2ODialog.cpp", c.line)));
    }
}

TEST_F(T2O, CancelChangesNothing) {
    Run([&](DialogSession& s) {
        Load(s, "マイマイ,丸\r\n");
        s.Check(kNewLayer, true);
        s.ClickRow(kTargets, 0);  // its symbols are listed
        s.Cancel();
        // Nothing reaches the dialog object while the host closes the dialog.
        EXPECT_EQ(s.dialog().notify, nullptr);
        for (const int list : {kTargets, kSymbols, kPatterns}) {
            EXPECT_EQ(s.item(list).list->notify, nullptr) << list;
        }
    });
    EXPECT_EQ(Titles().size(), 3U);
    EXPECT_EQ(Layer(1).size(), 7U);
    EXPECT_EQ(host_->dialogs().liveEntries(), 0U);
    EXPECT_EQ(host_->dialogs().liveItems(), 0U);
    EXPECT_EQ(host_->TotalHeld(), 0);
}

}  // namespace
