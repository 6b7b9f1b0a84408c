// The host's geometry as the module reaches it: real math, bounds, transforming art, and where a
// draw request puts art in a drawer's pixels.
#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "host/suitenames.h"
#include "subhost/dialogs/dialogs.h"
#include "subhost/error.h"
#include "subhost/mapforms/mapforms.h"
#include "support/harness.h"
#include "support/maps.h"

namespace {

using kzntest::Map;

// A path 10 wide between (0, 0) and (10, 0) whose handles pull it up to 7.5; a text "あa" of
// size 10 at (100, 200); a 10 by 20 rectangle from (30, 40) with a stroke of 2.
const char8_t kShapes[] =
    u8R"({
  "kzn-document": 1,
  "layers": [{"title": "L", "art": [
    {"type": "group", "children": [
      {"type": "path", "segments": [{"p": [0, 0], "out": [0, 10]}, {"p": [10, 0], "in": [10, 10]}]},
      {"type": "text", "text": "あa", "anchor": [100, 200], "size": 10}
    ]},
    {"type": "path", "closed": true,
     "segments": [{"p": [30, 40]}, {"p": [40, 40]}, {"p": [40, 60]}, {"p": [30, 60]}],
     "style": {"fill": null, "stroke": {"gray": 1, "width": 2}}}
  ]}]
})";

class Geometry : public ::testing::Test {
  protected:
    void SetUp() override {
        host_ = kzntest::LoadedHost();
        host_->SetDocument(Map(kShapes));
        art_ = Suite<ArtSuite>(kArtSuite, kArtSuiteVersion);
        math_ = Suite<RealMathSuite>(kRealMathSuite, kRealMathSuiteVersion);
    }

    template <typename T>
    const T* Suite(const char* name, ASInt32 version) {
        const void* table = nullptr;
        EXPECT_EQ(host_->basicSuite()->AcquireSuite(name, version, &table), kNoErr);
        return static_cast<const T*>(table);
    }

    subhost::Art& Top(std::size_t i) { return *host_->document().layers()[0]->group->children[i]; }
    AIRealRect Bounds(subhost::Art& art) {
        AIRealRect r{};
        EXPECT_EQ(art_->GetArtBounds(art.ref, &r), kNoErr);
        return r;
    }

    std::unique_ptr<subhost::Host> host_;
    const ArtSuite* art_ = nullptr;
    const RealMathSuite* math_ = nullptr;
};

void ExpectRect(const AIRealRect& r, double left, double top, double right, double bottom) {
    EXPECT_NEAR(r.left, left, 1e-4);
    EXPECT_NEAR(r.top, top, 1e-4);
    EXPECT_NEAR(r.right, right, 1e-4);
    EXPECT_NEAR(r.bottom, bottom, 1e-4);
}

TEST_F(Geometry, RealMathConcatenatesInTheOrderOfTheCalls) {
    AIRealMatrix m{};
    // To the origin, turned by a quarter turn, to (100, 200): (24, 5) lands on (100, 200) and
    // (34, 5) ten units above it.
    EXPECT_EQ(math_->AIRealMatrixSetTranslate(&m, -24, -5), kNoErr);
    EXPECT_EQ(math_->AIRealMatrixConcatRotate(&m, static_cast<AIReal>(std::numbers::pi / 2)), 0);
    EXPECT_EQ(math_->AIRealMatrixConcatTranslate(&m, 100, 200), kNoErr);
    AIRealPoint p{34, 5};
    EXPECT_EQ(math_->AIRealMatrixXformPoint(&m, &p, &p), kNoErr);
    EXPECT_NEAR(p.h, 100, 1e-4);
    EXPECT_NEAR(p.v, 210, 1e-4);

    EXPECT_EQ(math_->AIRealMatrixSetScale(&m, 1, -1), kNoErr);
    EXPECT_EQ(math_->AIRealMatrixConcatScale(&m, 0.25f, 0.25f), kNoErr);
    p = {8, 8};
    EXPECT_EQ(math_->AIRealMatrixXformPoint(&m, &p, &p), kNoErr);
    EXPECT_FLOAT_EQ(p.h, 2);
    EXPECT_FLOAT_EQ(p.v, -2);

    const AIRealPoint a{0, 110}, b{40, 110};
    AIReal length = 0;
    AIRealPoint half{};
    EXPECT_EQ(math_->AIRealPointLength(&a, &b, &length), kNoErr);
    EXPECT_EQ(math_->AIRealPointInterpolate(&a, &b, 0.5f, &half), kNoErr);
    EXPECT_FLOAT_EQ(length, 40);
    EXPECT_FLOAT_EQ(half.h, 20);
    EXPECT_EQ(math_->AIRealMatrixXformPoint(&m, nullptr, &p), subhost::kBadArgumentErr);
}

TEST_F(Geometry, BoundsOfCurvesTextsAndGroups) {
    subhost::Art& group = Top(0);
    ExpectRect(Bounds(*group.children[0]), 0, 7.5, 10, 0);  // the curve's peak, not its handles
    // The text box: "あ" one em, "a" half an em; 0.8 em above the baseline, 0.2 em below.
    ExpectRect(Bounds(*group.children[1]), 100, 208, 115, 198);
    ExpectRect(Bounds(group), 0, 208, 115, 0);
    ExpectRect(Bounds(Top(1)), 30, 60, 40, 40);  // the stroke does not count

    // A text turned a quarter turn reads upwards: its box stands on the anchor.
    group.children[1]->matrix = {0, 1, -1, 0};
    ExpectRect(Bounds(*group.children[1]), 92, 215, 102, 200);
}

TEST_F(Geometry, RotatedAndTransformBoundsLeaveTheArtAsItWas) {
    subhost::Art& rect = Top(1);
    const auto before = rect.segments;
    AIRealRect r{};
    // Turned a quarter turn about the origin, the rectangle lies left of the y axis.
    EXPECT_EQ(art_->GetArtRotatedBounds(rect.ref, static_cast<AIReal>(std::numbers::pi / 2), 0, &r),
              kNoErr);
    ExpectRect(r, -60, 40, -40, 30);
    AIRealMatrix m{2, 0, 0, 2, 1, 1};
    EXPECT_EQ(art_->GetArtTransformBounds(rect.ref, &m, 0, &r), kNoErr);
    ExpectRect(r, 61, 121, 81, 81);
    EXPECT_EQ(rect.segments, before);
    EXPECT_EQ(art_->GetArtRotatedBounds(rect.ref, 0, 1, &r), subhost::kBadArgumentErr);

    // A square turned by 30 degrees, measured at -30 degrees, is the square again.
    const double t = std::numbers::pi / 6;
    for (subhost::Segment& s : rect.segments) {
        s.p = {s.p.x * std::cos(t) - s.p.y * std::sin(t),
               s.p.x * std::sin(t) + s.p.y * std::cos(t)};
        s.in = s.out = s.p;
    }
    EXPECT_EQ(art_->GetArtRotatedBounds(rect.ref, static_cast<AIReal>(-t), 0, &r), kNoErr);
    ExpectRect(r, 30, 60, 40, 40);
}

TEST_F(Geometry, TransformingMovesPointsHandlesAnchorsAndScalesLinesWhenAsked) {
    const auto* transform = Suite<TransformArtSuite>(kTransformArtSuite, kTransformArtSuiteVersion);
    subhost::Art& rect = Top(1);
    subhost::Art& curve = *Top(0).children[0];
    subhost::Art& text = *Top(0).children[1];
    AIRealMatrix move{1, 0, 0, 1, 5, -5};
    EXPECT_EQ(transform->TransformArt(Top(0).ref, &move, 3, kTransformObjects), kNoErr);
    EXPECT_EQ(curve.segments[0].out, (subhost::Point{5, 5}));
    EXPECT_EQ(text.anchor, (subhost::Point{105, 195}));

    AIRealMatrix turn{0, 1, -1, 0, 0, 0};  // a quarter turn
    EXPECT_EQ(transform->TransformArt(text.ref, &turn, 1, 21), kNoErr);
    EXPECT_EQ(text.anchor, (subhost::Point{-195, 105}));
    EXPECT_EQ(text.matrix, (std::array<double, 4>{0, 1, -1, 0}));

    AIRealMatrix twice{2, 0, 0, 2, 0, 0};
    EXPECT_EQ(transform->TransformArt(rect.ref, &twice, 2, kTransformObjects), kNoErr);
    EXPECT_EQ(rect.style.stroke->width, 2);  // lines keep their width without kScaleLines
    EXPECT_EQ(transform->TransformArt(rect.ref, &twice, 2, 21), kNoErr);
    EXPECT_EQ(rect.style.stroke->width, 4);
    EXPECT_EQ(rect.segments[2].p, (subhost::Point{160, 240}));
}

// A map holds finite numbers only: a transform that is not finite, or that would take a point
// past what a number holds, is refused before it changes anything, and the map still writes.
TEST_F(Geometry, TransformsThatLeaveFiniteNumbersBehindAreRefusedWhole) {
    const auto* transform = Suite<TransformArtSuite>(kTransformArtSuite, kTransformArtSuiteVersion);
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<subhost::Segment> curve = Top(0).children[0]->segments;
    for (AIRealMatrix m : {AIRealMatrix{1, 0, 0, 1, inf, 0}, AIRealMatrix{1, 0, 0, 1, 0, NAN},
                           AIRealMatrix{inf, 0, 0, 1, 0, 0}}) {
        EXPECT_EQ(transform->TransformArt(Top(0).ref, &m, 1, kTransformObjects),
                  subhost::kBadArgumentErr);
    }
    EXPECT_EQ(Top(0).children[0]->segments, curve);
    EXPECT_EQ(Top(0).children[1]->anchor, (subhost::Point{100, 200}));

    // Every number finite, the product not: the whole rectangle stays as it was.
    subhost::Art& rect = Top(1);
    rect.segments[1].p.x = 1e300;
    const std::vector<subhost::Segment> corners = rect.segments;
    AIRealMatrix grow{1e10F, 0, 0, 1, 0, 0};
    EXPECT_EQ(transform->TransformArt(rect.ref, &grow, 1, kTransformObjects),
              subhost::kBadArgumentErr);
    EXPECT_EQ(rect.segments, corners);
    EXPECT_THAT(host_->errors().back(), ::testing::HasSubstr("not a finite number"));
    AIRealMatrix same{1, 0, 0, 1, 0, 0};
    EXPECT_EQ(transform->TransformArt(rect.ref, &same, inf, 21), subhost::kBadArgumentErr);
    EXPECT_EQ(rect.style.stroke->width, 2);

    // What cannot be written is not: the map is refused whole, in either form.
    rect.segments[1].p.x = std::numeric_limits<double>::infinity();
    for (const subhost::MapForm form : {subhost::MapForm::kJson, subhost::MapForm::kSvg}) {
        EXPECT_THROW(subhost::FormatMap(host_->document(), form, nullptr), subhost::MapError);
    }
}

// Where a draw request puts the art: the rule of the draw-art suite, seen in an image's record.
TEST_F(Geometry, ADrawRequestLandsWhereTheRuleSays) {
    const auto* images = Suite<ADMImageSuite>(kADMImageSuite, kADMImageSuiteVersion);
    const auto* drawers = Suite<ADMDrawerSuite>(kADMDrawerSuite, kADMDrawerSuiteVersion);
    const auto* draw = Suite<DrawArtSuite>(kDrawArtSuite, kDrawArtSuiteVersion);
    ImageRef image = nullptr;
    DrawerRef drawer = nullptr;
    PortRef port = nullptr;
    ASSERT_EQ(images->Create(40, 40, &image), kNoErr);
    ASSERT_EQ(images->BeginADMDrawer(image, &drawer), kNoErr);
    ASSERT_EQ(drawers->GetPortRef(drawer, &port), kNoErr);

    // The 10 by 20 rectangle, origin at its top-left corner, half size, port corner (2, 3):
    // upright in the pixels (2, 3) to (7, 13).
    AIDrawArtData request{};
    request.version = 4;
    request.flags = 1;
    request.type = kAIDrawArtPortOutput;
    request.origin = {30, 60};
    request.matrix = {0.5f, 0, 0, 0.5f, 0, 0};
    request.art = Top(1).ref;
    request.destClipRect = {30, 60, 40, 40};
    request.eraseDestClipRect = 1;
    request.port = port;
    request.portBounds = {2, 3, 0, 0};
    EXPECT_EQ(draw->DrawArt(&request), kNoErr);
    // Mirrored by the matrix about a bottom-left origin, as the pattern previews ask: the port
    // bounds are in art units, mapped by the matrix to the corner (2, 3); the same pixels, upside
    // down (the rule turns y down before the matrix turns it again), which is upright for pattern
    // art, whose own y grows downwards.
    request.origin = {30, 40};
    request.matrix = {0.5f, 0, 0, -0.5f, 0, 0};
    request.portBounds = {4, -6, 0, 0};
    EXPECT_EQ(draw->DrawArt(&request), kNoErr);
    ASSERT_EQ(images->EndADMDrawer(image), kNoErr);

    const subhost::DisplayList& painted = host_->dialogs().Get(image).painted;
    ASSERT_EQ(painted.size(), 2U);
    EXPECT_EQ(painted[0].Show(),
              "art origin (30.00,60.00) matrix [0.50 0.00 0.00 0.50 0.00 0.00] clip "
              "(30.00,60.00,40.00,40.00) port (2,3) -> pixels (2.00,3.00)-(7.00,13.00) clipped "
              "to (2.00,3.00)-(7.00,13.00)");
    EXPECT_THAT(painted[1].Show(), ::testing::HasSubstr("pixels (2.00,3.00)-(7.00,13.00)"));
    const geometry::Point top = painted[1].art->toPixels.Apply({30, 60});
    EXPECT_DOUBLE_EQ(top.x, 2);
    EXPECT_DOUBLE_EQ(top.y, 13);

    // A port no drawer has, or another kind of output, is refused.
    request.port = reinterpret_cast<PortRef>(0x1);
    EXPECT_EQ(draw->DrawArt(&request), subhost::kBadArgumentErr);
    request.port = port;
    request.type = 1;
    EXPECT_EQ(draw->DrawArt(&request), subhost::kBadArgumentErr);
    EXPECT_EQ(images->Destroy(image), kNoErr);
}

}  // namespace
