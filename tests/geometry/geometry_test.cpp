// The host's plane geometry: the order of matrix products, rotations, and the bounds of curves.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "subhost/geometry/geometry.h"

namespace {

using geometry::Bounds;
using geometry::Knot;
using geometry::Matrix;
using geometry::Point;
using geometry::Rect;

void ExpectNear(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

void ExpectNear(const Rect& actual, const Rect& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.left, expected.left, tolerance);
    EXPECT_NEAR(actual.top, expected.top, tolerance);
    EXPECT_NEAR(actual.right, expected.right, tolerance);
    EXPECT_NEAR(actual.bottom, expected.bottom, tolerance);
}

TEST(Matrices, ThenAppliesTheFirstMatrixFirst) {
    const Point p{1, 1};
    ExpectNear(Matrix::Scale(2, 1).Then(Matrix::Translation(3, 0)).Apply(p), {5, 1});
    ExpectNear(Matrix::Translation(3, 0).Then(Matrix::Scale(2, 1)).Apply(p), {8, 1});
    // A rotation by a quarter turn takes the x axis to the y axis (y grows upwards).
    ExpectNear(Matrix::Rotation(std::numbers::pi / 2).Apply({1, 0}), {0, 1});
    // Three steps at once, as a module builds a placement: to the origin, turned, to the anchor.
    const Matrix m = Matrix::Translation(-24, 5)
                         .Then(Matrix::Rotation(std::numbers::pi))
                         .Then(Matrix::Translation(100, 200));
    ExpectNear(m.Apply({24, -5}), {100, 200});
    ExpectNear(m.Apply({34, -5}), {90, 200});
    ExpectNear(m.Linear().Apply({34, -5}), {-34, 5});
}

TEST(Matrices, DistanceAndInterpolation) {
    EXPECT_DOUBLE_EQ(geometry::Distance({0, 110}, {40, 110}), 40);
    EXPECT_DOUBLE_EQ(geometry::Distance({0, 0}, {3, 4}), 5);
    ExpectNear(geometry::Interpolate({0, 110}, {20, 120}, 0.5), {10, 115});
    ExpectNear(geometry::Interpolate({40, 110}, {20, 120}, 0.5), {30, 115});
    ExpectNear(geometry::Interpolate({1, 2}, {5, 10}, 0), {1, 2});
    ExpectNear(geometry::Interpolate({1, 2}, {5, 10}, 1), {5, 10});
}

TEST(CurveBounds, ReachTheCurvesExtremesBeyondItsEndPoints) {
    // An arch from (0, 0) to (10, 0) whose handles stand 10 high: it peaks at 7.5, not at 10
    // (the handles) and not at 0 (the ends).
    ExpectNear(geometry::CubicBounds({0, 0}, {0, 10}, {10, 10}, {10, 0}).rect(), {0, 7.5, 10, 0});
    // An S whose handles pull sideways: it swings out beyond both ends in x.
    const Rect s = geometry::CubicBounds({0, 0}, {10, 0}, {-10, 10}, {0, 10}).rect();
    EXPECT_GT(s.right, 0.1);
    EXPECT_LT(s.left, -0.1);
    EXPECT_NEAR(s.right, -s.left, 1e-9);
    // A straight curve is its end points.
    ExpectNear(geometry::CubicBounds({0, 0}, {1, 1}, {2, 2}, {3, 3}).rect(), {0, 3, 3, 0});
}

TEST(CurveBounds, OfPathsOpenClosedAndTransformed) {
    // Two points with a handle bulging down on the way back: only a closed path takes that way.
    const std::vector<Knot> knots = {{{0, 0}, {5, -10}, {0, 0}}, {{10, 0}, {10, 0}, {5, -10}}};
    ExpectNear(geometry::PathBounds(knots, false).rect(), {0, 0, 10, 0});
    ExpectNear(geometry::PathBounds(knots, true).rect(), {0, 0, 10, -7.5});
    // A 10 by 10 square turned by 45 degrees is 10√2 wide and high.
    const std::vector<Knot> square = {{{0, 0}, {0, 0}, {0, 0}},
                                      {{10, 0}, {10, 0}, {10, 0}},
                                      {{10, 10}, {10, 10}, {10, 10}},
                                      {{0, 10}, {0, 10}, {0, 10}}};
    const double h = 10 / std::numbers::sqrt2;
    ExpectNear(geometry::PathBounds(square, true, Matrix::Rotation(std::numbers::pi / 4)).rect(),
               {-h, 2 * h, h, 0});
    // One point has bounds of no extent; no point has none at all.
    EXPECT_FALSE(geometry::PathBounds({{{3, 4}, {3, 4}, {3, 4}}}, false).empty());
    ExpectNear(geometry::PathBounds({{{3, 4}, {3, 4}, {3, 4}}}, false).rect(), {3, 4, 3, 4});
    EXPECT_TRUE(geometry::PathBounds({}, true).empty());
    ExpectNear(Bounds().rect(), {0, 0, 0, 0});
}

}  // namespace
