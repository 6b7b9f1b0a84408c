#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace geometry {

Matrix Matrix::Rotation(double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return {c, s, -s, c, 0, 0};
}

Matrix Matrix::Then(const Matrix& n) const {
    return {n.a * a + n.c * b, n.b * a + n.d * b,          n.a * c + n.c * d,
            n.b * c + n.d * d, n.a * tx + n.c * ty + n.tx, n.b * tx + n.d * ty + n.ty};
}

double Distance(Point p, Point q) {
    return std::hypot(q.x - p.x, q.y - p.y);
}

Point Interpolate(Point p, Point q, double t) {
    return {p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
}

void Bounds::Add(Point p) {
    if (!rect_) {
        rect_ = Rect{p.x, p.y, p.x, p.y};
        return;
    }
    rect_->left = std::min(rect_->left, p.x);
    rect_->right = std::max(rect_->right, p.x);
    rect_->top = std::max(rect_->top, p.y);
    rect_->bottom = std::min(rect_->bottom, p.y);
}

void Bounds::Add(const Bounds& other) {
    if (other.rect_) {
        Add(Point{other.rect_->left, other.rect_->top});
        Add(Point{other.rect_->right, other.rect_->bottom});
    }
}

namespace {

// The parameters in (0, 1) where one coordinate of the cubic with coefficients V0..V3 turns:
// the roots of its derivative, a quadratic.
std::vector<double> Turns(double v0, double v1, double v2, double v3) {
    // B'(t) / 3 = a t^2 + b t + c, computed on the values scaled to at most 1, so that no
    // coordinate short of infinity overflows on the way (the roots do not change).
    const double largest = std::max({std::fabs(v0), std::fabs(v1), std::fabs(v2), std::fabs(v3)});
    if (!(largest > 0) || !std::isfinite(largest)) {
        return {};
    }
    v0 /= largest;
    v1 /= largest;
    v2 /= largest;
    v3 /= largest;
    const double a = -v0 + 3 * v1 - 3 * v2 + v3;
    const double b = 2 * (v0 - 2 * v1 + v2);
    const double c = v1 - v0;
    std::vector<double> roots;
    const double scale = std::max({std::fabs(a), std::fabs(b), std::fabs(c), 1e-300});
    if (std::fabs(a) <= 1e-12 * scale) {
        if (std::fabs(b) > 1e-12 * scale) {
            roots.push_back(-c / b);
        }
    } else {
        const double discriminant = b * b - 4 * a * c;
        if (discriminant >= 0) {
            const double root = std::sqrt(discriminant);
            roots.push_back((-b + root) / (2 * a));
            roots.push_back((-b - root) / (2 * a));
        }
    }
    std::erase_if(roots, [](double t) { return !(t > 0 && t < 1); });
    return roots;
}

double At(double v0, double v1, double v2, double v3, double t) {
    const double u = 1 - t;
    // Each weight is at most 1 and they add up to 1: weighted first, no term overflows.
    return (u * u * u) * v0 + (3 * u * u * t) * v1 + (3 * u * t * t) * v2 + (t * t * t) * v3;
}

}  // namespace

Bounds CubicBounds(Point p0, Point p1, Point p2, Point p3) {
    Bounds bounds;
    bounds.Add(p0);
    bounds.Add(p3);
    for (double t : Turns(p0.x, p1.x, p2.x, p3.x)) {
        bounds.Add(Point{At(p0.x, p1.x, p2.x, p3.x, t), At(p0.y, p1.y, p2.y, p3.y, t)});
    }
    for (double t : Turns(p0.y, p1.y, p2.y, p3.y)) {
        bounds.Add(Point{At(p0.x, p1.x, p2.x, p3.x, t), At(p0.y, p1.y, p2.y, p3.y, t)});
    }
    return bounds;
}

Bounds PathBounds(const std::vector<Knot>& knots, bool closed, const Matrix& m) {
    Bounds bounds;
    if (knots.size() == 1) {
        bounds.Add(m.Apply(knots[0].p));
    }
    const std::size_t curves = knots.size() < 2 ? 0 : knots.size() - (closed ? 0 : 1);
    for (std::size_t i = 0; i < curves; ++i) {
        const Knot& from = knots[i];
        const Knot& to = knots[(i + 1) % knots.size()];
        bounds.Add(CubicBounds(m.Apply(from.p), m.Apply(from.out), m.Apply(to.in), m.Apply(to.p)));
    }
    return bounds;
}

}  // namespace geometry
