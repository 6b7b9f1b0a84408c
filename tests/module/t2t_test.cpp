// The text-to-text command as a person uses it: the dialog driven by actions, the document and
// the table files it reads and writes.
#include <gmock/gmock.h>

#include <filesystem>

#include "support/harness.h"
#include "support/maps.h"
#include "support/tempdir.h"

namespace {

using kzntest::TempDir;
using subhost::DialogSession;
using ::testing::ElementsAre;

constexpr int kLayerPopup = 1004, kList = 1011, kSource = 1009, kDestination = 1010, kOpen = 1101,
              kSave = 1102, kLabel = 1034;

const char8_t kSurvey[] =
    u8R"({
  "kzn-document": 1,
  "currentLayer": 1,
  "layers": [
    {"title": "凡例", "art": [{"type": "text", "text": "題"}]},
    {"title": "調査地点", "art": [
      {"type": "text", "text": "マイマイ"},
      {"type": "path", "segments": [{"p": [0, 0]}]},
      {"type": "text", "text": "デンデンムシ"},
      {"type": "text", "text": "隠れ", "hidden": true},
      {"type": "text", "text": "固定", "locked": true},
      {"type": "group", "children": [{"type": "text", "text": "中"}]},
      {"type": "text", "text": "マイマイ"},
      {"type": "text", "text": "カタツムリ\r"}
    ]},
    {"title": "調査地点", "art": [{"type": "text", "text": "二番目"}]},
    {"title": "基図", "editable": false, "art": [{"type": "text", "text": "海"}]}
  ]
})";

class T2T : public ::testing::Test {
  protected:
    void SetUp() override {
        host_ = kzntest::LoadedHost();
        host_->SetDocument(kzntest::Map(kSurvey));
        ASSERT_EQ(host_->Startup(), 0);
    }

    void Run(std::function<void(DialogSession&)> script) {
        host_->dialogs().QueueScript(std::move(script));
        ASSERT_EQ(host_->RunFilter("t2t"), 0);
        EXPECT_EQ(host_->dialogs().scriptError(), "");
    }

    // The texts of the layer's top-level text objects.
    std::vector<std::string> Texts(std::size_t layer) {
        std::vector<std::string> texts;
        for (const subhost::Art* art : host_->document().layers()[layer]->group->children) {
            if (art->type == kTextArt) {
                texts.push_back(art->text);
            }
        }
        return texts;
    }

    // What row INDEX of the list shows as its destination (the text right of the divider).
    static std::string Destination(DialogSession& s, int index) {
        s.Paint(kList);
        const auto& ops = s.item(kList).list->entries.at(static_cast<std::size_t>(index))->painted;
        std::vector<std::string> texts;
        for (const auto& op : ops) {
            if (op.kind == subhost::DrawOp::Kind::Text) {
                texts.push_back(op.text);
            }
        }
        return texts.size() == 2 ? texts[1] : "<not painted>";
    }

    std::unique_ptr<subhost::Host> host_;
    TempDir dir_;
};

TEST_F(T2T, ListsTheVisibleUnlockedTextsDirectlyOnTheCurrentLayerInChildOrder) {
    Run([](DialogSession& s) {
        EXPECT_THAT(s.Rows(kLayerPopup), ElementsAre("凡例", "調査地点", "調査地点", "基図"));
        // Two layers share the current layer's title: the first is chosen.
        EXPECT_EQ(s.item(kLayerPopup).list->active, s.item(kLayerPopup).list->entries[1]);
        EXPECT_THAT(s.Rows(kList),
                    ElementsAre("マイマイ", "デンデンムシ", "マイマイ", "カタツムリ"));
        EXPECT_TRUE(s.item(kList).enabled);
        EXPECT_TRUE(s.item(kOKItemID).enabled);
    });
    const auto lines = host_->trace().Lines();
    EXPECT_THAT(lines, ::testing::Contains("CkznT2TDialog::Init()"));
    EXPECT_THAT(lines, ::testing::Contains("CkznT2TDialog::Notify(ADM Show Window Notifier)"));
    EXPECT_THAT(lines, ::testing::Contains("+Found Text Art:隠れ"));  // read, then left out
}

TEST_F(T2T, InitSetsThePicturesTipsAndListStyle) {
    Run([](DialogSession& s) {
        EXPECT_EQ(s.item(kOpen).pictureID, 107);
        EXPECT_EQ(s.item(kSave).pictureID, 108);
        EXPECT_EQ(s.item(kOpen).tip, "ファイルを開く");
        EXPECT_EQ(s.item(kSave).tip, "ファイルに出力");
        EXPECT_EQ(s.item(kList).itemStyle, 8);
        EXPECT_EQ(s.item(kLayerPopup).list->entries[2]->id, 2);
    });
}

// What row INDEX of the list paints, one line a drawing call.
std::vector<std::string> Painted(DialogSession& s, std::size_t index) {
    s.Paint(kList);
    std::vector<std::string> lines;
    for (const auto& op : s.item(kList).list->entries.at(index)->painted) {
        lines.push_back(op.Show());
    }
    return lines;
}

// Colours by their numbers in the host's colour list: 0 black, 1 white, 2 highlight, 3 highlight
// text, 7 disabled text, 15 text. The divider is at half the row's width (332); the destination
// starts one blank (6 wide here) right of it.
TEST_F(T2T, RowsPaintPlainSelectedAndDisabledColoursAndTheDestinationOneBlankRight) {
    Run([](DialogSession& s) {
        s.ClickRow(kList, 1);
        s.Type(kDestination, "den");
        // The typed destination asks for the row to be painted again.
        EXPECT_EQ(s.item(kList).list->entries[1]->invalidations, 1);
        EXPECT_EQ(s.item(kList).list->entries[0]->invalidations, 0);
        EXPECT_THAT(Painted(s, 0),
                    ElementsAre("colour 1", "fill (0,0)-(332,16) colour 1", "colour 0",
                                "line (166,0)-(166,16) colour 0", "colour 15",
                                kzntest::Utf8(u8"text \"マイマイ\" in (0,0)-(165,16) colour 15"),
                                "text \"\" in (172,0)-(332,16) colour 15"));
        // Each row is painted in its own coordinates.
        EXPECT_THAT(Painted(s, 1),
                    ElementsAre("colour 2", "fill (0,0)-(332,16) colour 2", "colour 0",
                                "line (166,0)-(166,16) colour 0", "colour 3",
                                kzntest::Utf8(u8"text \"デンデンムシ\" in (0,0)-(165,16) colour 3"),
                                "text \"den\" in (172,0)-(332,16) colour 3"));
        // A locked layer disables the list: white rows, disabled text, also for the chosen row.
        s.Pick(kLayerPopup, "基図");
        s.item(kList).list->entries[0]->selected = true;
        EXPECT_THAT(Painted(s, 0),
                    ElementsAre("colour 1", "fill (0,0)-(332,16) colour 1", "colour 0",
                                "line (166,0)-(166,16) colour 0", "colour 7",
                                kzntest::Utf8(u8"text \"海\" in (0,0)-(165,16) colour 7"),
                                "text \"\" in (172,0)-(332,16) colour 7"));
    });
}

TEST_F(T2T, ADestinationKeepsExactly100BytesAndCutsTheHundredAndFirst) {
    const std::string hundred(100, 'd');
    Run([&](DialogSession& s) {
        s.ClickRow(kList, 0);
        s.Type(kDestination, hundred);
        s.ClickRow(kList, 1);
        s.Type(kDestination, hundred + "e");
        EXPECT_EQ(Destination(s, 0), hundred);
        EXPECT_EQ(Destination(s, 1), hundred);
        s.Ok();
    });
    EXPECT_EQ(Texts(1)[0], hundred);
    EXPECT_EQ(Texts(1)[1], hundred);
}

TEST_F(T2T, ALockedLayerShowsItsTextsButDisablesTheListAndOK) {
    Run([](DialogSession& s) {
        s.Pick(kLayerPopup, "基図");
        EXPECT_THAT(s.Rows(kList), ElementsAre("海"));
        EXPECT_FALSE(s.item(kList).enabled);
        EXPECT_FALSE(s.item(kOKItemID).enabled);
        EXPECT_THROW(s.Ok(), subhost::ActionError);
        EXPECT_THROW(s.ClickRow(kList, 0), subhost::ActionError);
        // An editable layer gives them back.
        s.Pick(kLayerPopup, "凡例");
        EXPECT_TRUE(s.item(kList).enabled);
        EXPECT_TRUE(s.item(kOKItemID).enabled);
        s.Cancel();
    });
    EXPECT_THAT(Texts(3), ElementsAre("海"));
}

TEST_F(T2T, TypingIntoTheDestinationEditUpdatesTheSelectedRowAndOKWritesIt) {
    Run([](DialogSession& s) {
        s.ClickRow(kList, 1);
        EXPECT_EQ(s.item(kSource).text, "デンデンムシ");
        EXPECT_EQ(s.dialog().focus, &s.item(kDestination));
        s.Type(kDestination, "dendenmushi");
        EXPECT_EQ(Destination(s, 1), "dendenmushi");
        EXPECT_EQ(Destination(s, 0), "");
        s.Ok();
    });
    EXPECT_THAT(Texts(1),
                ElementsAre("マイマイ", "dendenmushi", "隠れ", "固定", "マイマイ", "カタツムリ\r"));
    EXPECT_THAT(host_->trace().Lines(), ::testing::Contains("CkznT2TDstEdit::Track"));
}

TEST_F(T2T, LoadingATableFillsTheDestinationsAndOKReplacesOnlyThoseTexts) {
    const std::string table = dir_.Write("snail.csv", "マイマイ,maimai\r\n隠れ,kakure\r\n");
    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(table);
        s.Click(kOpen);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:snail.csv");
        EXPECT_EQ(Destination(s, 0), "maimai");
        EXPECT_EQ(Destination(s, 1), "");
        EXPECT_EQ(Destination(s, 2), "maimai");
        s.Ok();
    });
    // Hidden, locked and grouped texts and rows without a destination keep their text.
    EXPECT_THAT(Texts(1),
                ElementsAre("maimai", "デンデンムシ", "隠れ", "固定", "maimai", "カタツムリ\r"));
    EXPECT_EQ(host_->document().layers()[1]->group->children[5]->children[0]->text, "中");
    EXPECT_THAT(Texts(0), ElementsAre("題"));
}

TEST_F(T2T, ATableThatCannotBeReadWarnsAndKeepsTheLabelAndTheRows) {
    const std::string table = dir_.Write("snail.csv", "マイマイ,maimai\r\n");
    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(table);
        s.Click(kOpen);
        const std::string held = dir_.Write("held.csv", "マイマイ,held\r\n");
        host_->win32().QueueFileAnswer(held);
        {
            const kzntest::Unopenable unopenable(held);
            s.Click(kOpen);
        }
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:snail.csv");
        EXPECT_EQ(Destination(s, 0), "maimai");
        s.Click(kOpen);  // nothing queued: the person cancels
        EXPECT_EQ(Destination(s, 0), "maimai");
    });
    ASSERT_EQ(host_->win32().messageBoxes().size(), 1U);
    EXPECT_EQ(host_->win32().messageBoxes()[0].caption, "KZN Plug-in error");
    EXPECT_EQ(host_->win32().messageBoxes()[0].text,
              "ファイルを読み込めません。ファイルが使用中の可能性があります。");
}

TEST_F(T2T, OKWritesTheLastRowFirst) {
    const std::string table = dir_.Write("t.csv", "マイマイ,m\nカタツムリ,k\n");
    host_->dialogs().QueueScript([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(table);
        s.Click(kOpen);
        // The first text written goes to the last row's object; make that write fail.
        host_->faults().Fail("AI Text Stream Suite", "WriteTextStream",
                             FourCharCode('F', 'A', 'I', 'L'));
        s.Ok();
    });
    ASSERT_EQ(host_->RunFilter("t2t"), 0);
    EXPECT_THAT(Texts(1), ElementsAre("m", "デンデンムシ", "隠れ", "固定", "m", ""));
}

TEST_F(T2T, CancelChangesNothing) {
    const std::string table = dir_.Write("t.csv", "マイマイ,m\n");
    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(table);
        s.Click(kOpen);
        s.ClickRow(kList, 1);
        s.Type(kDestination, "x");
        s.Cancel();
        // Nothing reaches the dialog object while the host closes the dialog.
        EXPECT_EQ(s.dialog().notify, nullptr);
        EXPECT_EQ(s.item(kList).list->notify, nullptr);
    });
    EXPECT_THAT(Texts(1), ElementsAre("マイマイ", "デンデンムシ", "隠れ", "固定", "マイマイ",
                                      "カタツムリ\r"));
    EXPECT_THAT(host_->trace().Lines(), ::testing::Contains("CANCEL"));
}

TEST_F(T2T, ChangingTheLayerRebuildsTheRowsAndTypedDestinationsGiveWayToTheTable) {
    const std::string table = dir_.Write("t.csv", "マイマイ,m\n");
    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(table);
        s.Click(kOpen);
        s.ClickRow(kList, 0);
        s.Type(kDestination, "typed");
        EXPECT_EQ(Destination(s, 0), "typed");
        s.Pick(kLayerPopup, 0);
        EXPECT_THAT(s.Rows(kList), ElementsAre("題"));
        s.Pick(kLayerPopup, 1);
        EXPECT_EQ(Destination(s, 0), "m");
    });
    EXPECT_THAT(host_->trace().Lines(), ::testing::Contains("+LayerList"));
}

TEST_F(T2T, AHostThatGivesATextBackAsItsOwnSiblingEndsTheList) {
    Run([&](DialogSession& s) {
        s.Pick(kLayerPopup, 0);
        host_->faults().EchoOut("AI Art Suite", "GetArtSibling");
        s.Pick(kLayerPopup, 1);
        EXPECT_THAT(s.Rows(kList), ElementsAre("マイマイ"));
    });
}

TEST_F(T2T, ALongDestinationIsKeptCutAtACharacterBoundary) {
    std::string typed = "a";
    for (int i = 0; i < 60; ++i) {
        typed += "あ";  // two bytes each: byte 100 would split one
    }
    Run([&](DialogSession& s) {
        s.ClickRow(kList, 0);
        s.Type(kDestination, typed);
        EXPECT_EQ(s.item(kDestination).text, typed);  // the edit still shows all of it
        s.Ok();
    });
    EXPECT_EQ(Texts(1)[0], typed.substr(0, 99));
}

TEST_F(T2T, ALongTextIsKeyedByWholeCharactersSoItsSavedDestinationLoadsBack) {
    // 257 bytes: the 256th is the first half of the last character.
    const std::string x255(255, 'x');
    host_->document().layers()[1]->group->children[0]->text = x255 + "あ";
    const std::string path = dir_ / "long.csv";
    Run([&](DialogSession& s) {
        EXPECT_EQ(s.Rows(kList)[0], x255);
        s.ClickRow(kList, 0);
        s.Type(kDestination, "long");
        host_->win32().QueueFileAnswer(path);
        s.Click(kSave);
    });
    EXPECT_EQ(TempDir::Read(path).substr(0, 262), x255 + ",long\r\n");

    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(path);
        s.Click(kOpen);
        EXPECT_EQ(Destination(s, 0), "long");
        s.Ok();
    });
    EXPECT_EQ(Texts(1)[0], "long");
}

TEST_F(T2T, SelectingARowShowsAtMost100BytesOfItsText) {
    host_->document().layers()[1]->group->children[0]->text = std::string(150, 'x');
    Run([](DialogSession& s) {
        s.ClickRow(kList, 0);
        EXPECT_EQ(s.item(kSource).text, std::string(100, 'x'));
    });
}

TEST_F(T2T, SavingWritesEveryRowWithCRLFAndShowsTheFileName) {
    const std::string path = dir_ / "saved.csv";
    Run([&](DialogSession& s) {
        s.ClickRow(kList, 1);
        s.Type(kDestination, "d,e");
        host_->win32().QueueFileAnswer(path);
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:saved.csv");
    });
    EXPECT_EQ(TempDir::Read(path), "マイマイ,\r\nデンデンムシ,d,e\r\nマイマイ,\r\nカタツムリ,\r\n");

    // What was saved loads back: the destination with a comma comes back whole.
    Run([&](DialogSession& s) {
        host_->win32().QueueFileAnswer(path);
        s.Click(kOpen);
        EXPECT_EQ(Destination(s, 1), "d,e");
        EXPECT_EQ(Destination(s, 0), "");
    });
}

TEST_F(T2T, AFailedSaveWarnsKeepsTheLabelAndLeavesThePreviousFileByteForByte) {
    const std::string previous = "マイマイ,maimai\r\nデンデンムシ,denden\r\n";
    const std::string path = dir_.Write("table.csv", previous);
    host_->faults().Fail("Windows", "MoveFileExA", FourCharCode('F', 'U', 'L', 'L'));
    Run([&](DialogSession& s) {
        s.ClickRow(kList, 0);
        s.Type(kDestination, "new");
        // Everything was written beside the file, but it could not take the file's place.
        host_->win32().QueueFileAnswer(path);
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "");
#ifndef _WIN32
        {
            // The disk fills while the rows are written.
            const kzntest::FileSizeLimit disk(4);
            host_->win32().QueueFileAnswer(path);
            s.Click(kSave);
        }
        EXPECT_EQ(s.item(kLabel).text, "");
#endif
        host_->win32().QueueFileAnswer(dir_ / "no/such/folder.csv");
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "");
        s.Click(kSave);  // nothing queued: the person cancels, nothing is said
    });
    EXPECT_EQ(TempDir::Read(path), previous);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                            std::filesystem::directory_iterator()),
              1);  // nothing was left beside it
    const auto& boxes = host_->win32().messageBoxes();
#ifdef _WIN32
    ASSERT_EQ(boxes.size(), 2U);
#else
    ASSERT_EQ(boxes.size(), 3U);
#endif
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "ファイルを書き込めません");
        EXPECT_EQ(box.caption, "KZN Plug-in error");
        EXPECT_EQ(box.type, 0x30U);  // a warning
    }
}

TEST_F(T2T, ASaveReplacesTheFileWholeAndShowsItsName) {
    const std::string path = dir_.Write("table.csv", std::string(1000, 'x'));
    Run([&](DialogSession& s) {
        s.ClickRow(kList, 0);
        s.Type(kDestination, "maimai");
        host_->win32().QueueFileAnswer(path);
        s.Click(kSave);
        EXPECT_EQ(s.item(kLabel).text, "ファイル名:table.csv");
    });
    EXPECT_EQ(TempDir::Read(path),
              "マイマイ,maimai\r\nデンデンムシ,\r\nマイマイ,\r\nカタツムリ,\r\n");
    EXPECT_TRUE(host_->win32().messageBoxes().empty());
}

TEST_F(T2T, ASelectedTextIsListedAndAFailingAttributeQueryIsTracedAndTakesTheText) {
    // Being selected is no reason to leave a text out.
    host_->document().layers()[1]->group->children[2]->selected = true;  // デンデンムシ
    host_->faults().Fail("AI Art Suite", "GetArtUserAttr", FourCharCode('A', 'T', 'T', 'R'), 3);
    Run([](DialogSession& s) {
        // The third text asked is the hidden one: with its attributes unknown, it is taken.
        EXPECT_THAT(s.Rows(kList),
                    ElementsAre("マイマイ", "デンデンムシ", "隠れ", "マイマイ", "カタツムリ"));
    });
    const auto lines = host_->trace().Lines();
    const auto at = std::find(lines.begin(), lines.end(), "ASErr:ATTR");
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    const int line = kzntest::LineOf(kzntest::SourcePath("module/t2t/kznT2TDialog.cpp"),
                                     "KznChecked(sArt->GetArtUserAttr");
    EXPECT_EQ(*(at + 1), "kznT2TDialog," + std::to_string(line));
    ASSERT_EQ(host_->assertions().size(), 1U);
    EXPECT_EQ(host_->assertions()[0].line, line);
    EXPECT_EQ(host_->assertions()[0].expression, "NULL");
}

TEST_F(T2T, ACurrentLayerThatCannotBeHadIsTracedAndTheDialogStillOpensEmpty) {
    host_->faults().Fail("AI Layer Suite", "GetCurrentLayer", FourCharCode('F', 'A', 'I', 'L'));
    Run([](DialogSession& s) {
        EXPECT_TRUE(s.open());
        EXPECT_TRUE(s.Rows(kList).empty());
        EXPECT_EQ(s.item(kLayerPopup).list->active, nullptr);
    });
    const auto lines = host_->trace().Lines();
    const auto at = std::find(lines.begin(), lines.end(), "ASErr:FAIL");
    ASSERT_NE(at, lines.end());
    const int line = kzntest::LineOf(kzntest::SourcePath("module/t2t/kznT2TDialog.cpp"),
                                     "KznChecked(sLayer->GetCurrentLayer");
    EXPECT_EQ(*(at + 1), "kznT2TDialog," + std::to_string(line));
    ASSERT_EQ(host_->assertions().size(), 1U);
    EXPECT_EQ(host_->assertions()[0].expression, "NULL");
}

TEST_F(T2T, TheLayerIsTheOneThePopupEntryNamesByItsIdNotByItsPlace) {
    Run([](DialogSession& s) {
        // The first and the last entry trade places, each with its layer's id.
        auto& entries = s.item(kLayerPopup).list->entries;
        std::swap(entries[0]->text, entries[3]->text);
        std::swap(entries[0]->id, entries[3]->id);
        s.Pick(kLayerPopup, "基図");
        EXPECT_THAT(s.Rows(kList), ElementsAre("海"));
        s.Pick(kLayerPopup, "凡例");
        EXPECT_THAT(s.Rows(kList), ElementsAre("題"));
    });
}

TEST_F(T2T, OnlyOKAndCancelReachTheBaseNotifyAndOKReplacesBeforeIt) {
    const std::string table = dir_.Write("t.csv", "マイマイ,m\n");
    Run([&](DialogSession& s) {
        // Showing, the popup, the list, the edit, open and save (cancelled) stay here.
        s.Pick(kLayerPopup, 0);
        s.Pick(kLayerPopup, 1);
        s.ClickRow(kList, 1);
        s.Type(kDestination, "d");
        host_->win32().QueueFileAnswer(table);
        s.Click(kOpen);
        s.Click(kSave);
        EXPECT_EQ(kzntest::CountCalls(*host_, "ADM Dialog Suite", "DefaultNotify"), 0);
        const std::size_t mark = host_->calls().size();
        s.Ok();
        std::vector<std::string> order;
        for (const subhost::CallRecord& call : host_->calls().Since(mark)) {
            if (call.call == "WriteTextStream" || call.call == "DefaultNotify") {
                order.push_back(call.call);
            }
        }
        EXPECT_THAT(order, ElementsAre("WriteTextStream", "WriteTextStream", "DefaultNotify"));
    });
}

TEST_F(T2T, ALayerTitleThatCannotBeReadStopsThePopupButTheDialogOpens) {
    host_->faults().Fail("AI Layer Suite", "GetLayerTitle", FourCharCode('F', 'A', 'I', 'L'), 3);
    Run([](DialogSession& s) {
        EXPECT_THAT(s.Rows(kLayerPopup), ElementsAre("凡例", "調査地点"));
    });
    EXPECT_EQ(host_->dialogs().runs().back().initResult, FourCharCode('F', 'A', 'I', 'L'));
    EXPECT_THAT(host_->trace().Lines(), ::testing::Contains("ASErr:FAIL"));
}

TEST_F(T2T, WhenTheDialogEndsNoRowOrItemIsLeft) {
    Run([](DialogSession& s) { s.ClickRow(kList, 0); });
    EXPECT_EQ(host_->dialogs().liveEntries(), 0U);
    EXPECT_EQ(host_->dialogs().liveItems(), 0U);
    EXPECT_EQ(host_->document().openStreams(), 0U);
    EXPECT_EQ(host_->TotalHeld(), 0);
}

}  // namespace
