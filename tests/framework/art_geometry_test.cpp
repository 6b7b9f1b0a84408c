// Placing, transforming and previewing art against the host's geometry: the deep transform and
// its stop at a failing child, placement by composed matrices, the two row painters (where
// their draw requests land in the drawer, the scale that fits an art and the guard against an
// art without extent) and the arc between symbols.
#include <gmock/gmock.h>

#include <climits>

#include <cmath>
#include <numbers>

#include "fixture.h"
#include "util/kznAIutil.h"

namespace {

using ::testing::ElementsAre;
using ::testing::FloatEq;
using ::testing::FloatNear;
using ::testing::IsEmpty;

const ASErr kFail = FourCharCode('F', 'A', 'I', 'L');

MATCHER_P4(RectIs, left, top, right, bottom, "") {
    return std::fabs(arg.left - left) < 1e-3 && std::fabs(arg.top - top) < 1e-3 &&
           std::fabs(arg.right - right) < 1e-3 && std::fabs(arg.bottom - bottom) < 1e-3;
}

class ArtGeometry : public kzntest::LinkedModule {
  protected:
    void SetUp() override {
        LinkedModule::SetUp();
        ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
        layer_ = &host().document().AddLayer(0, "layer", true);
    }
    void TearDown() override {
        for (DrawerRef drawer : drawers_) {
            host().dialogs().DisposeDrawer(drawer);
        }
        LinkedModule::TearDown();
    }
    subhost::Document& doc() { return host().document(); }

    // A closed rectangular path from (LEFT, BOTTOM) to (RIGHT, TOP), stroked WIDTH wide.
    subhost::Art& Rect(double left, double top, double right, double bottom,
                       subhost::Art* parent = nullptr, double width = 1) {
        subhost::Art& art = doc().NewArt(kPathArt, parent != nullptr ? parent : layer_->group);
        for (const subhost::Point p : {subhost::Point{left, bottom}, subhost::Point{right, bottom},
                                       subhost::Point{right, top}, subhost::Point{left, top}}) {
            art.segments.push_back({p, p, p, true});
        }
        art.closed = true;
        art.style.stroke = subhost::Paint{0, width};
        return art;
    }
    subhost::Art& Group(subhost::Art* parent = nullptr) {
        return doc().NewArt(kGroupArt, parent != nullptr ? parent : layer_->group);
    }
    AIRealRect Bounds(const subhost::Art& art) {
        AIRealRect r{};
        EXPECT_EQ(sArt->GetArtBounds(art.ref, &r), 0);
        return r;
    }
    // A drawer over BOUNDS whose paint goes to the display list painted_.
    DrawerRef Drawer(const ADMRect& bounds) {
        const DrawerRef drawer = host().dialogs().NewDrawer(bounds, &painted_);
        drawers_.push_back(drawer);
        return drawer;
    }
    // The one draw-art request painted so far.
    const subhost::ArtDrawing& Drawn() {
        const subhost::ArtDrawing* found = nullptr;
        for (const subhost::DrawOp& op : painted_) {
            if (op.kind == subhost::DrawOp::Kind::Art) {
                EXPECT_EQ(found, nullptr) << "more than one draw request";
                found = op.art.get();
            }
        }
        if (found == nullptr) {
            ADD_FAILURE() << "no draw request";
            static const subhost::ArtDrawing none;
            return none;
        }
        return *found;
    }

    subhost::Layer* layer_ = nullptr;
    subhost::DisplayList painted_;
    std::vector<DrawerRef> drawers_;
};

AIRealMatrix Translation(AIReal x, AIReal y) {
    AIRealMatrix m{};
    sRealMath->AIRealMatrixSetTranslate(&m, x, y);
    return m;
}

// The deep transform.

TEST_F(ArtGeometry, ATransformReachesEveryLeafAndDeselectsEverythingItVisitsAndNoMore) {
    subhost::Art& group = Group();
    subhost::Art& path = Rect(0, 10, 10, 0, &group);
    subhost::Art& inner = Group(&group);
    subhost::Art& nested = Rect(20, 10, 30, 0, &inner);
    for (subhost::Art* art : {&group, &path, &inner, &nested}) {
        art->selected = true;
    }
    path.locked = true;
    nested.hidden = true;
    AIRealMatrix m = Translation(5, -5);
    EXPECT_EQ(TransformArtDeep(group.ref, &m, 1, kTransformObjects), 0);
    EXPECT_THAT(Bounds(path), RectIs(5, 5, 15, -5));
    EXPECT_THAT(Bounds(nested), RectIs(25, 5, 35, -5));
    for (subhost::Art* art : {&group, &path, &inner, &nested}) {
        EXPECT_FALSE(art->selected);
    }
    EXPECT_TRUE(path.locked);  // a locked or hidden leaf stays so
    EXPECT_TRUE(nested.hidden);
    EXPECT_THAT(kzntest::FailedCalls(host()), IsEmpty());
}

TEST_F(ArtGeometry, AFailingChildStopsTheTransformAndIsTracedAtTheTransformCall) {
    subhost::Art& group = Group();
    subhost::Art& first = Rect(0, 10, 10, 0, &group);
    subhost::Art& second = Rect(20, 10, 30, 0, &group);
    subhost::Art& third = Rect(40, 10, 50, 0, &group);
    for (subhost::Art* art : {&group, &first, &second, &third}) {
        art->selected = true;
    }
    host().faults().Fail("AI Transform Art Suite", "TransformArt", kFail, 2);
    AIRealMatrix m = Translation(100, 0);

    EXPECT_EQ(TransformArtDeep(group.ref, &m, 1, kTransformObjects), kFail);

    EXPECT_THAT(Bounds(first), RectIs(100, 10, 110, 0));
    EXPECT_FALSE(first.selected);
    EXPECT_THAT(Bounds(second), RectIs(20, 10, 30, 0));  // its transform failed
    EXPECT_FALSE(second.selected);                       // but it was visited
    EXPECT_THAT(Bounds(third), RectIs(40, 10, 50, 0));
    EXPECT_TRUE(third.selected);
    EXPECT_FALSE(group.selected);
    EXPECT_THAT(
        kzntest::FailedCalls(host()),
        ElementsAre(kzntest::UtilCallAt("FAIL", "KznChecked(sTransformArt->TransformArt(art")));
}

TEST_F(ArtGeometry, AFailedDeselectIsTheResultWhenTheTransformSucceeded) {
    subhost::Art& art = Rect(0, 10, 10, 0);
    host().faults().Fail("AI Art Suite", "SetArtUserAttr", kFail, 1);
    AIRealMatrix m = Translation(5, 0);
    EXPECT_EQ(TransformArtDeep(art.ref, &m, 1, kTransformObjects), kFail);
    EXPECT_THAT(Bounds(art), RectIs(5, 10, 15, 0));
}

// Placement.

TEST_F(ArtGeometry, PlacingWithoutFlagsPutsTheLowerLeftCornerAtTheOrigin) {
    subhost::Art& art = Rect(30, 80, 70, 40);
    const AIRealRect placed = PlaceArt(art.ref, 0, {500, 500}, 10, 1, false);
    EXPECT_THAT(placed, RectIs(0, 40, 40, 0));
    EXPECT_THAT(Bounds(art), RectIs(0, 40, 40, 0));
    EXPECT_EQ(art.style.stroke->width, 1);  // line scale 1
}

TEST_F(ArtGeometry, ScalingToATargetHeightScalesTheLinesByTheSameFactor) {
    subhost::Art& art = Rect(30, 80, 70, 40, nullptr, 2);  // 40 high
    const AIRealRect placed = PlaceArt(art.ref, kPlaceScale, {0, 0}, 10, 0, false);
    EXPECT_THAT(placed, RectIs(0, 10, 10, 0));
    EXPECT_THAT(Bounds(art), RectIs(0, 10, 10, 0));
    EXPECT_FLOAT_EQ(static_cast<float>(art.style.stroke->width), 0.5f);  // 2 x 0.25
}

TEST_F(ArtGeometry, AFlippedPlacementHangsTheArtFromItsTopLeftCornerAndMovesIt) {
    subhost::Art& art = Rect(30, 80, 70, 40);
    subhost::Art& group = Group();
    Rect(0, 5, 5, 0, &group);
    const AIRealRect placed = PlaceArt(art.ref, kPlaceMove, {100, 200}, 0, 0, true);
    EXPECT_THAT(placed, RectIs(100, 240, 140, 200));
    EXPECT_THAT(Bounds(art), RectIs(100, 240, 140, 200));
    EXPECT_EQ(art.transformOptions, 21);  // objects, fill patterns and line widths

    // Rotation by a quarter turn about the origin, after the flip and before the move.
    subhost::Art& turned = Rect(0, 10, 40, 0);
    const AIRealRect r = PlaceArt(turned.ref, kPlaceRotate | kPlaceMove, {100, 0}, 0,
                                  std::numbers::pi_v<float> / 2, false);
    EXPECT_THAT(r, RectIs(90, 40, 100, 0));
    EXPECT_THAT(Bounds(turned), RectIs(90, 40, 100, 0));
}

TEST_F(ArtGeometry, AnArtWithoutHeightIsNotScaledToOne) {
    subhost::Art& line = Rect(0, 5, 40, 5);
    const AIRealRect placed = PlaceArt(line.ref, kPlaceScale, {0, 0}, 10, 0, false);
    EXPECT_THAT(placed, RectIs(0, 0, 40, 0));
    EXPECT_EQ(line.style.stroke->width, 1);
}

TEST_F(ArtGeometry, AFailedPlacementIsTracedAtTheTransformAndAtThePlacementAndGivesTheBounds) {
    subhost::Art& art = Rect(30, 80, 70, 40);
    host().faults().Fail("AI Transform Art Suite", "TransformArt", kFail);
    const AIRealRect placed = PlaceArt(art.ref, 0, {0, 0}, 0, 0, false);
    EXPECT_THAT(placed, RectIs(0, 40, 40, 0));
    EXPECT_THAT(Bounds(art), RectIs(30, 80, 70, 40));
    EXPECT_THAT(
        kzntest::FailedCalls(host()),
        ElementsAre(kzntest::UtilCallAt("FAIL", "KznChecked(sTransformArt->TransformArt(art"),
                    kzntest::UtilCallAt("FAIL", "KznChecked(TransformArtDeep(art")));
}

// The row painters. A row 40 wide and 20 high in a list row drawer at (10, 32)-(210, 48).

constexpr ADMRect kDrawerBounds{10, 32, 210, 48};
constexpr ADMRect kRow{4, 2, 44, 22};

TEST_F(ArtGeometry, ThePlainPainterFitsTheArtAndPlacesItByItsOwnPortRule) {
    subhost::Art& square = Rect(50, 300, 150, 200);  // 100 by 100: the height limits
    const DrawerRef drawer = Drawer(kDrawerBounds);
    const AIRealRect result = DrawArtInRect(drawer, square.ref, kRow, 0, true);

    const subhost::ArtDrawing& d = Drawn();
    const AIDrawArtData& q = d.request;
    EXPECT_EQ(q.version, 4);
    EXPECT_EQ(q.flags, 1);
    EXPECT_EQ(q.type, kAIDrawArtPortOutput);
    EXPECT_EQ(q.art, square.ref);
    EXPECT_EQ(q.eraseDestClipRect, 1);
    EXPECT_EQ(q.greekThreshold, 10.0f);
    EXPECT_EQ(q.selectionColor.red + q.selectionColor.green + q.selectionColor.blue +
                  q.selectionColor.alpha,
              0);
    EXPECT_EQ(q.origin.h, 50.0f);  // left, bottom
    EXPECT_EQ(q.origin.v, 200.0f);
    EXPECT_THAT((std::vector<float>{q.matrix.a, q.matrix.b, q.matrix.c, q.matrix.d, q.matrix.tx,
                                    q.matrix.ty}),
                ElementsAre(FloatEq(0.2f), 0, 0, FloatEq(-0.2f), 0, 0));
    EXPECT_THAT(q.destClipRect, RectIs(50, 300, 150, 200));
    // (10 + 4) / 0.2 and (32 - 2) / 0.2.
    EXPECT_EQ(q.portBounds.left, 70);
    EXPECT_EQ(q.portBounds.top, 150);
    EXPECT_EQ(q.portBounds.right, 0);
    EXPECT_EQ(q.portBounds.bottom, 0);
    // A mirroring matrix takes the port bounds in art units: the corner is (14, -30), and the
    // art hangs from it (this drawer's top is not 0, and the module adds it).
    EXPECT_THAT(d.placed, RectIs(14, -30, 34, -10));
    EXPECT_THAT(result, RectIs(10, -40, 30, -60));  // the art under the drawing matrix

    painted_.clear();
    subhost::Art& wide = Rect(0, 10, 100, 0);  // 100 by 10: the width limits
    DrawArtInRect(drawer, wide.ref, kRow, 0, true);
    EXPECT_FLOAT_EQ(Drawn().request.matrix.a, 0.4f);
    EXPECT_EQ(Drawn().request.portBounds.left, 35);  // 14 / 0.4
    EXPECT_EQ(Drawn().request.portBounds.top, 75);   // 30 / 0.4
}

TEST_F(ArtGeometry, UnflippedThePlainPainterTakesTheTopLeftCornerAndAnUprightScale) {
    subhost::Art& square = Rect(50, 300, 150, 200);
    DrawArtInRect(Drawer(kDrawerBounds), square.ref, kRow, 0, false);
    const AIDrawArtData& q = Drawn().request;
    EXPECT_EQ(q.origin.h, 50.0f);
    EXPECT_EQ(q.origin.v, 300.0f);
    EXPECT_FLOAT_EQ(q.matrix.a, 0.2f);
    EXPECT_FLOAT_EQ(q.matrix.d, 0.2f);
}

TEST_F(ArtGeometry, ThePlainPainterTurnsByTheAngleAsGivenAfterItsScale) {
    subhost::Art& square = Rect(50, 300, 150, 200);
    DrawArtInRect(Drawer(kDrawerBounds), square.ref, kRow, std::numbers::pi_v<float> / 2, true);
    // The scale (0.2, -0.2), then a quarter turn: (x, y) goes to (0.2 y, 0.2 x).
    const AIRealMatrix& m = Drawn().request.matrix;
    EXPECT_THAT((std::vector<float>{m.a, m.b, m.c, m.d}),
                ElementsAre(FloatNear(0, 1e-6), FloatNear(0.2f, 1e-6), FloatNear(0.2f, 1e-6),
                            FloatNear(0, 1e-6)));
}

TEST_F(ArtGeometry, ThePlainPaintersPortBoundsAreTruncatedTowardZero) {
    subhost::Art& wide = Rect(0, 10, 100, 0);  // scale 0.4
    DrawArtInRect(Drawer({1, 0, 201, 16}), wide.ref, {0, 5, 40, 25}, 0, true);
    EXPECT_EQ(Drawn().request.portBounds.left, 2);   // 1 / 0.4 = 2.5
    EXPECT_EQ(Drawn().request.portBounds.top, -12);  // -5 / 0.4 = -12.5

    // Beyond the integers a bound is held to the nearer end, and none at all (0 / 0) is 0.
    subhost::Art& vast = Rect(0, 10, 1e12f, 0);  // scale 4e-11
    painted_.clear();
    DrawArtInRect(Drawer({1, 0, 201, 16}), vast.ref, {0, 5, 40, 25}, 0, true);
    EXPECT_EQ(Drawn().request.portBounds.left, INT_MAX);  // 2.5e10
    EXPECT_EQ(Drawn().request.portBounds.top, INT_MIN);   // -1.25e11
    painted_.clear();
    DrawArtInRect(Drawer({0, 0, 200, 16}), wide.ref, {0, 5, 0, 5}, 0, true);  // scale 0
    EXPECT_EQ(Drawn().request.portBounds.left, 0);
    EXPECT_EQ(Drawn().request.portBounds.top, INT_MIN);
}

TEST_F(ArtGeometry, TheRotatedPainterAddsTheRowToTheDrawerAndDoesNotDivide) {
    subhost::Art& square = Rect(50, 300, 150, 200);
    const AIRealRect result = DrawArtRotatedInRect(Drawer(kDrawerBounds), square.ref, kRow, 0);
    const subhost::ArtDrawing& d = Drawn();
    const AIDrawArtData& q = d.request;
    EXPECT_EQ(q.version, 4);
    EXPECT_EQ(q.eraseDestClipRect, 1);
    EXPECT_EQ(q.origin.h, 50.0f);  // left, top
    EXPECT_EQ(q.origin.v, 300.0f);
    EXPECT_THAT((std::vector<float>{q.matrix.a, q.matrix.b, q.matrix.c, q.matrix.d, q.matrix.tx,
                                    q.matrix.ty}),
                ElementsAre(FloatEq(0.2f), 0, 0, FloatEq(0.2f), 0, 0));
    EXPECT_THAT(q.destClipRect, RectIs(50, 300, 150, 200));
    EXPECT_EQ(q.portBounds.left, 14);  // 10 + 4
    EXPECT_EQ(q.portBounds.top, 34);   // 32 + 2
    EXPECT_EQ(q.portBounds.right, 0);
    EXPECT_EQ(q.portBounds.bottom, 0);
    EXPECT_THAT(d.placed, RectIs(14, 34, 34, 54));
    EXPECT_THAT(result, RectIs(10, 60, 30, 40));
}

TEST_F(ArtGeometry, TheRotatedPainterFitsTheArtsRotatedBoundsAndTurnsItBack) {
    subhost::Art& bar = Rect(0, 10, 100, 0);
    const float quarter = std::numbers::pi_v<float> / 2;
    DrawArtRotatedInRect(Drawer(kDrawerBounds), bar.ref, kRow, quarter);
    const subhost::ArtDrawing& d = Drawn();
    const AIDrawArtData& q = d.request;
    // Turned by a quarter the bar spans (-10, 100)-(0, 0): 100 high, scale 0.2.
    EXPECT_THAT(q.destClipRect, RectIs(-10, 100, 0, 0));
    EXPECT_NEAR(q.origin.h, 100, 1e-4);  // (-10, 100) turned back
    EXPECT_NEAR(q.origin.v, 10, 1e-4);
    EXPECT_NEAR(q.matrix.a, 0, 1e-6);
    EXPECT_NEAR(q.matrix.b, -0.2, 1e-6);
    EXPECT_NEAR(q.matrix.c, 0.2, 1e-6);
    EXPECT_NEAR(q.matrix.d, 0, 1e-6);
    EXPECT_THAT(d.placed, RectIs(14, 34, 16, 54));
}

TEST_F(ArtGeometry, AnArtWithoutWidthOrHeightGetsAFiniteScale) {
    const DrawerRef drawer = Drawer(kDrawerBounds);
    subhost::Art& point = doc().NewArt(kPathArt, layer_->group);
    point.segments = {{{7, 7}, {7, 7}, {7, 7}, true}};
    DrawArtInRect(drawer, point.ref, kRow, 0, true);
    EXPECT_EQ(Drawn().request.matrix.a, 1.0f);
    EXPECT_EQ(Drawn().request.matrix.d, -1.0f);
    EXPECT_EQ(Drawn().request.portBounds.left, 14);
    EXPECT_EQ(Drawn().request.portBounds.top, 30);
    painted_.clear();
    DrawArtRotatedInRect(drawer, point.ref, kRow, 0);
    EXPECT_EQ(Drawn().request.matrix.a, 1.0f);
    EXPECT_EQ(Drawn().request.matrix.d, 1.0f);

    // A line is fitted by the extent it has.
    painted_.clear();
    DrawArtInRect(drawer, Rect(0, 5, 100, 5).ref, kRow, 0, true);
    EXPECT_FLOAT_EQ(Drawn().request.matrix.a, 0.4f);
    painted_.clear();
    DrawArtRotatedInRect(drawer, Rect(5, 100, 5, 0).ref, kRow, 0);
    EXPECT_FLOAT_EQ(Drawn().request.matrix.a, 0.2f);
}

// The arc between symbols.

TEST_F(ArtGeometry, TheArcRisesAFifthOfTheReferenceHeightAndBulgesAQuarterOfItsSpan) {
    subhost::Art& first = Rect(-5, 100, 5, 90);
    subhost::Art& last = Rect(35, 100, 45, 90);
    const ArtHandle arc =
        MakeArcPath({first.ref, Rect(15, 60, 25, 50).ref, last.ref}, {0, 50, 100, 0});
    ASSERT_NE(arc, nullptr);
    const subhost::Art& path = doc().Get(arc);
    EXPECT_EQ(path.type, kPathArt);
    EXPECT_EQ(layer_->group->children.front(), &path);  // directly above the first
    EXPECT_EQ(layer_->group->children[1], &first);
    EXPECT_THAT(path.segments,
                ElementsAre(subhost::Segment{{0, 110}, {0, 110}, {10, 115}, false},
                            subhost::Segment{{40, 110}, {30, 115}, {40, 110}, false}));
    EXPECT_FALSE(path.closed);
    EXPECT_FALSE(path.style.fill.has_value());
    ASSERT_TRUE(path.style.stroke.has_value());
    EXPECT_EQ(path.style.stroke->gray, 65536.0);
    EXPECT_EQ(path.style.stroke->width, 0.5);
}

TEST_F(ArtGeometry, OneSymbolGivesAnArcOfOnePointAndNoSymbolNoArc) {
    subhost::Art& only = Rect(0, 20, 10, 0);
    const ArtHandle arc = MakeArcPath({only.ref}, {0, 10, 10, 0});
    const subhost::Segment at{{5, 22}, {5, 22}, {5, 22}, false};
    EXPECT_THAT(doc().Get(arc).segments, ElementsAre(at, at));

    const std::size_t mark = host().calls().size();
    EXPECT_EQ(MakeArcPath({}, {0, 10, 10, 0}), nullptr);
    EXPECT_EQ(host().calls().size(), mark);
}

}  // namespace
