// Plane geometry of the host's document: points, affine matrices, rectangles and the bounds of
// cubic Bézier curves. Document coordinates have y growing upwards; everything here is in double
// precision (the suites convert from and to the module's single precision at their edge).
#pragma once

#include <optional>
#include <vector>

namespace geometry {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

// Takes (x, y) to (a x + c y + tx, b x + d y + ty).
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    bool operator==(const Matrix&) const = default;

    static Matrix Scale(double h, double v) { return {h, 0, 0, v, 0, 0}; }
    static Matrix Translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    // Rotation by ANGLE radians about the origin, counter-clockwise with y up.
    static Matrix Rotation(double angle);

    // The matrix that applies this one first, then NEXT.
    Matrix Then(const Matrix& next) const;
    Point Apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // Without the translation: how the matrix turns and scales a direction.
    Matrix Linear() const { return {a, b, c, d, 0, 0}; }
};

double Distance(Point p, Point q);
// The point at T of the way from P to Q (0: P, 1: Q).
Point Interpolate(Point p, Point q, double t);

// A rectangle as the document gives it: left, top, right, bottom with top above bottom.
struct Rect {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
    double width() const { return right - left; }
    double height() const { return top - bottom; }
};

// Bounds that grow point by point; empty until the first point.
class Bounds {
  public:
    void Add(Point p);
    void Add(const Bounds& other);
    bool empty() const { return !rect_; }
    // The rectangle; all zeros when nothing was added.
    Rect rect() const { return rect_.value_or(Rect{}); }

  private:
    std::optional<Rect> rect_;
};

// The bounds of the cubic Bézier curve from P0 to P3 with control points P1 and P2: its end
// points and the extremes between them, which may lie beyond the control polygon's end points.
Bounds CubicBounds(Point p0, Point p1, Point p2, Point p3);

// A path's anchor points with their handles, as the document keeps them.
struct Knot {
    Point p;
    Point in;   // handle of the curve that arrives at p
    Point out;  // handle of the curve that leaves p
};

// The bounds of the curve through KNOTS (closed: back to the first), each point first taken
// through M. Bézier curves keep their form under affine maps, so this is exact.
Bounds PathBounds(const std::vector<Knot>& knots, bool closed, const Matrix& m = {});

}  // namespace geometry
