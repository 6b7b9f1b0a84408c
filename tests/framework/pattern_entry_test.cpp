// The pattern list rows and the preview cache, in a list of a non-modal dialog: the row's
// traces and painting, the previews drawn into 12 by 12 images, and which images live when.
#include <gmock/gmock.h>

#include "dialogfw/AdmDialogBase.h"
#include "fixture.h"
#include "patterns/kznPatternEntry.h"

namespace {

using subhost::DrawOp;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::FloatEq;
using ::testing::IsEmpty;

constexpr ASInt32 kListItem = 1011;

class PatternList : public kzntest::LinkedModule {
  protected:
    void SetUp() override {
        LinkedModule::SetUp();
        ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
        dialog_ = new CAdmDialogBase;
        ASSERT_NE(dialog_->Create(host().self(), "KZN_T2O", 102, 0), nullptr);
        ItemRef item = nullptr;
        sADMDialog->GetItem(dialog_->GetDialogRef(), kListItem, &item);
        sADMItem->GetList(item, &list_);
        ASSERT_NE(list_, nullptr);
    }
    void TearDown() override {
        GetSwatchImage("");  // the cache outlives the host: leave it empty
        if (Alive()) {
            host().dialogs().Close(dialog_->GetDialogRef());
        }
        LinkedModule::TearDown();
    }
    bool Alive() { return host().dialogs().liveDialogs() > 0; }
    subhost::Document& doc() { return host().document(); }

    // A pattern in the swatch list whose art is a rectangle WIDTH by HEIGHT at (LEFT, BOTTOM).
    subhost::Pattern& AddPattern(const std::string& name, double width, double height,
                                 double left = 10, double bottom = 20) {
        subhost::Pattern& pattern = doc().AddPattern(name);
        pattern.art = &doc().NewArt(kGroupArt, nullptr);
        subhost::Art& rect = doc().NewArt(kPathArt, pattern.art);
        for (const subhost::Point p :
             {subhost::Point{left, bottom}, subhost::Point{left + width, bottom + height}}) {
            rect.segments.push_back({p, p, p, true});
        }
        doc().AddSwatch(&pattern, 0);
        return pattern;
    }
    // A row of the list named NAME (it is deleted with the list's entry).
    subhost::Entry& Row(const std::string& name) {
        auto* row = new CkznPatternEntry(list_, nullptr);
        sADMEntry->SetText(row->GetEntryRef(), name.c_str());
        return host().dialogs().Get(row->GetEntryRef());
    }
    void Paint() { host().dialogs().Paint(host().dialogs().Get(list_)); }
    std::vector<std::string> Shown(const subhost::DisplayList& ops) {
        std::vector<std::string> shown;
        for (const DrawOp& op : ops) {
            shown.push_back(op.Show());
        }
        return shown;
    }
    std::vector<std::string> CacheTraces() {
        std::vector<std::string> lines;
        for (const std::string& line : host().trace().Lines()) {
            if (line.rfind("SwatchCache", 0) == 0 || line.rfind("admImageCache", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }
    const subhost::ArtDrawing& Preview(ImageRef image) {
        const subhost::Image& i = host().dialogs().Get(image);
        for (const DrawOp& op : i.painted) {
            if (op.kind == DrawOp::Kind::Art) {
                return *op.art;
            }
        }
        ADD_FAILURE() << "no preview drawn";
        static const subhost::ArtDrawing none;
        return none;
    }

    CAdmDialogBase* dialog_ = nullptr;  // deleted by its destroy procedure
    ListRef list_ = nullptr;
};

// The row.

// A drawer whose bounds are not the entry's: the row is framed and labelled in the drawer, its
// preview goes at the entry's bounds.
TEST_F(PatternList, ARowTracesItsGeometryInOrderAndNamesTheOriginsSecondCoordinateFirst) {
    AddPattern("Mark", 40, 20);
    Row("first");
    subhost::Entry& row = Row("Mark");
    // The second row, in its own coordinates; on the screen one row below the first.
    const ADMRect local = host().dialogs().RowOf(row);
    const ADMRect screen = host().dialogs().ScreenOf(row, local);
    const ADMRect firstOnScreen =
        host().dialogs().ScreenOf(*host().dialogs().Get(list_).entries[0], local);

    subhost::DisplayList painted;
    // A drawer whose bounds are not the entry's: the image goes by the entry's.
    const ADMRect drawn{5, 40, 105, 56};
    const DrawerRef drawer = host().dialogs().NewDrawer(drawn, &painted);
    host().dialogs().Get(drawer).origin = {3, 7};
    host().trace().Clear();
    host().dialogs().Get(list_).draw(row.ref, drawer);
    host().dialogs().DisposeDrawer(drawer);

    const auto rect = [](const ADMRect& r) {
        return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
               std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
    };
    EXPECT_THAT(host().trace().Lines(),
                ElementsAre("CkznPatternEntry drawer->GetOrigin:(7,3)",
                            "CkznPatternEntry drawer->GetBounsRect:" + rect(drawn),
                            "CkznPatternEntry entry->GetBounsRect:" + rect(local),
                            "CkznPatternEntry entry->GetLocalRect:" + rect(local),
                            "CkznPatternEntry entry->GetLocalRect:" + rect(screen) + " / Screen",
                            "SwatchCache MISS:Mark"));
    EXPECT_EQ(local.top, 0);
    EXPECT_EQ(local.bottom, 16);
    EXPECT_EQ(screen.top, firstOnScreen.top + 16);
    EXPECT_THAT(Shown(painted), Contains("image at (2,2)"));
    EXPECT_THAT(Shown(painted), Contains("frame (7,42)-(19,54) colour 0"));
}

TEST_F(PatternList, ARowPaintsItsBackgroundPreviewFrameAndLabel) {
    AddPattern("Mark", 40, 20);
    Row("other");
    subhost::Entry& row = Row("Mark");
    Paint();
    const int w = host().dialogs().BoundsOf(row).right;
    const std::string right = std::to_string(w);
    // The second row, painted in its own coordinates: its preview in its frame.
    ASSERT_EQ(row.painted.size(), 7U);
    EXPECT_THAT(Shown(row.painted),
                ElementsAre("colour 1", "fill (0,0)-(" + right + ",16) colour 1", "image at (2,2)",
                            "colour 0", "frame (2,2)-(14,14) colour 0", "colour 15",
                            "text \"Mark\" in (18,0)-(" + right + ",16) colour 15"));

    host().dialogs().Select(row, true);
    Paint();
    EXPECT_THAT(Shown(row.painted),
                ElementsAre("colour 2", "fill (0,0)-(" + right + ",16) colour 2", "image at (2,2)",
                            "colour 0", "frame (2,2)-(14,14) colour 0", "colour 3",
                            "text \"Mark\" in (18,0)-(" + right + ",16) colour 3"));
    // The preview keeps its own plain background.
    const subhost::Image& image = host().dialogs().Get(row.painted[2].image);
    EXPECT_EQ(image.painted[0].Show(), "colour 1");
}

TEST_F(PatternList, TheLabelIsAtMost99BytesCutAtItsLineFeedAndBetweenCharacters) {
    subhost::Entry& feed = Row("Mark\nsecond line");
    subhost::Entry& longName = Row(std::string(150, 'x'));
    std::string kana;
    for (int i = 0; i < 50; ++i) {
        kana += "あ";  // 100 bytes: the host's cut at 99 would split the last one
    }
    subhost::Entry& wide = Row(kana);
    Paint();
    EXPECT_EQ(feed.painted.back().text, "Mark");
    EXPECT_EQ(longName.painted.back().text, std::string(99, 'x'));
    EXPECT_EQ(wide.painted.back().text, kana.substr(0, 98));
}

// The cache.

TEST_F(PatternList, PaintingARowTwiceRendersOnceAndThenHitsTheCache) {
    AddPattern("Mark", 40, 20);
    subhost::Entry& row = Row("Mark");
    Paint();
    const ImageRef first = row.painted[2].image;
    Paint();
    EXPECT_EQ(row.painted[2].image, first);
    EXPECT_THAT(CacheTraces(), ElementsAre("SwatchCache MISS:Mark", "SwatchCache HIT :Mark"));
    EXPECT_EQ(host().dialogs().liveImages(), 1U);
    EXPECT_EQ(kzntest::CountCalls(host(), "ADM Image Suite", "Create"), 1);
}

TEST_F(PatternList, APreviewIsTheArtFittedInto12By12UpsideDownFromItsLowerLeftCorner) {
    AddPattern("Wide", 40, 20, 10, 20);  // the width limits: 12 / 40
    AddPattern("Tall", 10, 30);          // the height limits: 12 / 30
    const ImageRef wide = GetSwatchImage("Wide");
    const subhost::Image& image = host().dialogs().Get(wide);
    EXPECT_EQ(image.width, 12);
    EXPECT_EQ(image.height, 12);
    EXPECT_EQ(image.drawer, nullptr);  // drawing into it has ended
    EXPECT_EQ(image.painted[1].Show(), "fill (0,0)-(11,11) colour 1");

    const AIDrawArtData& q = Preview(wide).request;
    EXPECT_EQ(q.version, 4);
    EXPECT_EQ(q.flags, 1);
    EXPECT_EQ(q.type, kAIDrawArtPortOutput);
    EXPECT_EQ(q.eraseDestClipRect, 1);
    EXPECT_EQ(q.greekThreshold, 10.0f);
    EXPECT_EQ(q.origin.h, 10.0f);
    EXPECT_EQ(q.origin.v, 20.0f);
    EXPECT_THAT((std::vector<float>{q.matrix.a, q.matrix.b, q.matrix.c, q.matrix.d, q.matrix.tx,
                                    q.matrix.ty}),
                ElementsAre(FloatEq(0.3f), 0, 0, FloatEq(-0.3f), 0, 0));
    EXPECT_EQ(q.destClipRect.left, 10.0f);
    EXPECT_EQ(q.destClipRect.top, 40.0f);
    EXPECT_EQ(q.destClipRect.right, 50.0f);
    EXPECT_EQ(q.destClipRect.bottom, 20.0f);
    EXPECT_EQ(q.portBounds.left, 0);
    EXPECT_EQ(q.portBounds.top, 0);
    EXPECT_EQ(q.portBounds.right, 16);
    EXPECT_EQ(q.portBounds.bottom, 16);

    EXPECT_FLOAT_EQ(Preview(GetSwatchImage("Tall")).request.matrix.a, 0.4f);
}

TEST_F(PatternList, APatternArtWithoutExtentIsDrawnAtScaleOne) {
    AddPattern("Dot", 0, 0);
    const AIDrawArtData& q = Preview(GetSwatchImage("Dot")).request;
    EXPECT_EQ(q.matrix.a, 1.0f);
    EXPECT_EQ(q.matrix.d, -1.0f);
}

TEST_F(PatternList, ANameWithoutAPatternGivesACrossThatIsNeitherKeptNorLeftAlive) {
    const ImageRef cross = GetSwatchImage("None");
    EXPECT_THAT(Shown(host().dialogs().Get(cross).painted),
                ElementsAre("colour 1", "fill (0,0)-(11,11) colour 1", "colour 0",
                            "line (0,0)-(11,11) colour 0", "line (11,0)-(0,11) colour 0"));
    sADMImage->Destroy(cross);
    EXPECT_THAT(CacheTraces(), IsEmpty());

    // A row draws the cross and frees it at once: no image outlives its paint.
    subhost::Entry& row = Row("None");
    Paint();
    EXPECT_EQ(row.painted[2].kind, DrawOp::Kind::Image);
    EXPECT_EQ(row.painted[4].Show(), "frame (2,2)-(14,14) colour 0");
    EXPECT_EQ(host().dialogs().liveImages(), 0U);
    Paint();
    EXPECT_EQ(host().dialogs().liveImages(), 0U);
    EXPECT_THAT(CacheTraces(), IsEmpty());
    EXPECT_TRUE(host().errors().empty());
}

TEST_F(PatternList, AReleaseFreesEveryKeptImageInNameOrderAndASecondFreesNothing) {
    AddPattern("B", 10, 10);
    AddPattern("A", 10, 10);
    Row("B");
    Row("None");
    Row("A");
    Paint();
    EXPECT_EQ(host().dialogs().liveImages(), 2U);
    host().trace().Clear();

    EXPECT_EQ(GetSwatchImage(""), nullptr);
    EXPECT_THAT(host().trace().Lines(),
                ElementsAre("admImageCache/release : A", "admImageCache/release : B"));
    EXPECT_EQ(host().dialogs().liveImages(), 0U);

    const std::size_t mark = host().calls().size();
    EXPECT_EQ(GetSwatchImage(""), nullptr);
    EXPECT_EQ(kzntest::CountCalls(host(), "ADM Image Suite", "Destroy", mark), 0);
    EXPECT_EQ(host().trace().Lines().size(), 2U);

    // Emptied, the cache renders again.
    Paint();
    EXPECT_THAT(CacheTraces(), ElementsAre("admImageCache/release : A", "admImageCache/release : B",
                                           "SwatchCache MISS:B", "SwatchCache MISS:A"));
    EXPECT_TRUE(host().errors().empty());
}

TEST_F(PatternList, EachSymbolDialogReleasesThePreviewsKeptBeforeItOpens) {
    AddPattern("Mark", 10, 10);
    ASSERT_EQ(host().Startup(), 0);  // which gives its suites back
    for (const char* filter : {"t2o", "o2o"}) {
        SCOPED_TRACE(filter);
        ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
        GetSwatchImage("Mark");
        ReleaseSuites(host().basicSuite());
        std::size_t previews = 99;
        host().dialogs().QueueScript(
            [&](subhost::DialogSession&) { previews = host().dialogs().liveImages(); });
        ASSERT_EQ(host().RunFilter(filter), 0);
        EXPECT_EQ(previews, 0U);
    }
    ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);  // for the fixture's dialog to go
}

TEST_F(PatternList, ARowWithoutANameDrawsNoPreviewAndKeepsTheCache) {
    AddPattern("Mark", 10, 10);
    Row("Mark");
    subhost::Entry& empty = Row("");
    Paint();
    EXPECT_EQ(host().dialogs().liveImages(), 1U);
    for (const DrawOp& op : empty.painted) {
        EXPECT_NE(op.kind, DrawOp::Kind::Image);
    }
    EXPECT_THAT(CacheTraces(), ElementsAre("SwatchCache MISS:Mark"));
}

TEST_F(PatternList, AFailedPatternArtQueryIsTracedAndThePreviewIsStillKept) {
    AddPattern("Mark", 10, 10);
    host().faults().Fail("AI Pattern Suite", "GetPatternArt", FourCharCode('F', 'A', 'I', 'L'));
    const ImageRef image = GetSwatchImage("Mark");
    const auto lines = host().trace().Lines();
    const int line = kzntest::LineOf(kzntest::SourcePath("module/patterns/kznPatternEntry.cpp"),
                                     "KznChecked(sPattern->GetPatternArt");
    ASSERT_GE(lines.size(), 3U);
    EXPECT_EQ(lines[0], "ASErr:FAIL");
    EXPECT_EQ(lines[1], "kznPatternEntry," + std::to_string(line));
    EXPECT_EQ(lines.back(), "SwatchCache MISS:Mark");
    EXPECT_EQ(GetSwatchImage("Mark"), image);
}

}  // namespace
