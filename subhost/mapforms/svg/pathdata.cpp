// Path data and basic shapes as the subpaths a viewer draws.

#include "subhost/mapforms/svg/pathdata.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/values.h"

namespace subhost::svg {
namespace {

// Subpaths as the commands of path data draw them, or only their count.
class PathBuilder {
  public:
    // MAXPOINTS: the points it may make. COUNTING: it counts them and makes none.
    PathBuilder(std::size_t maxPoints, bool counting) : max_(maxPoints), counting_(counting) {}

    std::vector<Subpath> subpaths;  // none while counting
    PathSize size;                  // of what it drew so far

    void MoveTo(Point p) {
        Finish();
        ++size.subpaths;
        inSubpath_ = 0;
        if (!counting_) {
            subpaths.push_back({});
        }
        Add({p, p, p, false});
        start_ = current_ = p;
    }
    void LineTo(Point p) {
        Open();
        Add({p, p, p, false});
        current_ = p;
    }
    void CurveTo(Point c1, Point c2, Point p) {
        Open();
        if (!counting_) {
            subpaths.back().segments.back().out = c1;
        }
        Add({p, c2, p, false});
        current_ = p;
    }
    void Close() {
        if (size.subpaths > 0 && !closed_) {
            closed_ = true;
            // A last point on the first is the same point: the closing segment joins them.
            const bool joined = inSubpath_ > 1 && current_ == start_;
            if (joined) {
                --size.points;
                --inSubpath_;
            }
            if (!counting_) {
                subpaths.back().closed = true;
                std::vector<Segment>& s = subpaths.back().segments;
                if (joined) {
                    s.front().in = s.back().in;
                    s.pop_back();
                }
            }
        }
        current_ = start_;
    }
    Point current() const { return current_; }
    void Finish() { closed_ = false; }

  private:
    void Add(const Segment& s) {
        if (size.points == max_) {
            throw TooManyPoints{};
        }
        ++size.points;
        ++inSubpath_;
        if (!counting_) {
            subpaths.back().segments.push_back(s);
        }
    }
    // Drawing after a close starts a new subpath at the point closed to.
    void Open() {
        if (size.subpaths == 0 || closed_) {
            const Point at = current_;
            MoveTo(at);
        }
    }
    std::size_t max_;
    bool counting_;
    std::size_t inSubpath_ = 0;  // points of the last subpath
    Point start_{};
    Point current_{};
    bool closed_ = false;
};

// The arc of SVG's endpoint form as cubic Béziers, each at most a quarter turn. Worked in units
// of the radii, and halves before sums, so that radii of any size give finite points wherever the
// arc itself is finite (radii too small to reach are scaled up to reach, as SVG says).
void ArcTo(PathBuilder& b, double rx, double ry, double angle, bool large, bool sweep, Point to) {
    const Point from = b.current();
    if (from == to) {
        return;
    }
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0 || ry == 0) {
        b.LineTo(to);
        return;
    }
    const double phi = std::fmod(angle, 360) * std::numbers::pi / 180;
    const double cs = std::cos(phi);
    const double sn = std::sin(phi);
    // Half the chord, in the ellipse's axes, and in units of the radii.
    const double dx = from.x / 2 - to.x / 2;
    const double dy = from.y / 2 - to.y / 2;
    const double x1 = cs * dx + sn * dy;
    const double y1 = -sn * dx + cs * dy;
    double ux = x1 / rx;
    double uy = y1 / ry;
    const double lambda = ux * ux + uy * uy;
    double coef = 0;  // how far the centre is off the chord's middle
    if (!(lambda <= 1)) {
        // Radii too small (or so small that lambda is past doubles): the ellipse of their ratio
        // that just reaches, its centre the chord's middle.
        const double ratio = ry / rx;
        rx = std::hypot(x1, y1 / ratio);
        ry = std::hypot(x1 * ratio, y1);
        ux = x1 / rx;
        uy = y1 / ry;
    } else if (lambda == 0) {
        // A chord too short to tell beside the radii.
        b.LineTo(to);
        return;
    } else {
        coef = std::sqrt((1 - lambda) / lambda);
        coef = large == sweep ? -coef : coef;
    }
    const double cxp = coef * uy * rx;
    const double cyp = -coef * ux * ry;
    const double cx = cs * cxp - sn * cyp + (from.x / 2 + to.x / 2);
    const double cy = sn * cxp + cs * cyp + (from.y / 2 + to.y / 2);
    auto angleOf = [](double px, double py, double qx, double qy) {
        return std::atan2(px * qy - py * qx, px * qx + py * qy);
    };
    const double theta1 = angleOf(1, 0, ux - coef * uy, uy + coef * ux);
    double delta = angleOf(ux - coef * uy, uy + coef * ux, -ux - coef * uy, -uy + coef * ux);
    if (!sweep && delta > 0) {
        delta -= 2 * std::numbers::pi;
    } else if (sweep && delta < 0) {
        delta += 2 * std::numbers::pi;
    }
    // An arc that is not finite (its radii's ratio past doubles) is drawn in one piece, whose
    // points say so.
    const double quarters = std::fabs(delta) / (std::numbers::pi / 2);
    const int pieces =
        std::isfinite(quarters) ? std::max(1, static_cast<int>(std::ceil(quarters - 1e-9))) : 1;
    const double step = delta / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    auto point = [&](double t) {
        return Point{cx + rx * std::cos(t) * cs - ry * std::sin(t) * sn,
                     cy + rx * std::cos(t) * sn + ry * std::sin(t) * cs};
    };
    auto derivative = [&](double t) {
        return Point{-rx * std::sin(t) * cs - ry * std::cos(t) * sn,
                     -rx * std::sin(t) * sn + ry * std::cos(t) * cs};
    };
    double t = theta1;
    for (int i = 0; i < pieces; ++i) {
        const double t2 = t + step;
        const Point p1 = point(t);
        const Point p2 = i + 1 == pieces ? to : point(t2);
        const Point d1 = derivative(t);
        const Point d2 = derivative(t2);
        b.CurveTo({p1.x + k * d1.x, p1.y + k * d1.y}, {p2.x - k * d2.x, p2.y - k * d2.y}, p2);
        t = t2;
    }
}

// Path data read command by command, as far as it is well-formed.
class PathDataReader {
  public:
    PathDataReader(std::string_view d, std::size_t maxPoints, bool counting)
        : d_(d), b_(maxPoints, counting) {}

    // What the data draws, read as far as it is well-formed.
    PathBuilder& Read() {
        while (true) {
            Blanks();
            if (i_ >= d_.size()) {
                break;
            }
            if (std::isalpha(static_cast<unsigned char>(d_[i_]))) {
                command_ = d_[i_++];
            } else if (command_ == 0 || command_ == 'Z' || command_ == 'z') {
                // Numbers need a command that takes them; a close takes none.
                break;
            }
            const bool rel = std::islower(static_cast<unsigned char>(command_)) != 0;
            const char upper =
                static_cast<char>(std::toupper(static_cast<unsigned char>(command_)));
            if (!Draw(upper, rel)) {
                break;
            }
            lastCommand_ = upper;
        }
        return b_;
    }

  private:
    // Draws one command's worth of the data (UPPER: the command; REL: relative to the current
    // point); false where the data does not read.
    bool Draw(char upper, bool rel) {
        switch (upper) {
            case 'M':
            case 'L':
            case 'H':
            case 'V':
                return Line(upper, rel);
            case 'C':
            case 'S':
                return Cubic(upper, rel);
            case 'Q':
            case 'T':
                return Quadratic(upper, rel);
            case 'A':
                return Arc(rel);
            case 'Z':
                b_.Close();
                return true;
            default:
                return false;
        }
    }

    bool Line(char upper, bool rel) {
        Point p;
        if (upper == 'H') {
            if (!Number(p.x)) {
                return false;
            }
            b_.LineTo({rel ? b_.current().x + p.x : p.x, b_.current().y});
            return true;
        }
        if (upper == 'V') {
            if (!Number(p.y)) {
                return false;
            }
            b_.LineTo({b_.current().x, rel ? b_.current().y + p.y : p.y});
            return true;
        }
        if (!At(p, rel)) {
            return false;
        }
        if (upper == 'M') {
            b_.MoveTo(p);
            // Pairs after the first are lines.
            command_ = rel ? 'l' : 'L';
        } else {
            b_.LineTo(p);
        }
        return true;
    }

    // C, and S, whose first control point mirrors the last curve's second.
    bool Cubic(char upper, bool rel) {
        const Point at = b_.current();
        Point c1;
        Point c2;
        Point p;
        if (upper == 'C' && !(Number(c1.x) && Number(c1.y))) {
            return false;
        }
        if (!(Number(c2.x) && Number(c2.y) && At(p, rel))) {
            return false;
        }
        if (rel) {
            c1 = {c1.x + at.x, c1.y + at.y};
            c2 = {c2.x + at.x, c2.y + at.y};
        }
        if (upper == 'S') {
            c1 = lastCommand_ == 'C' || lastCommand_ == 'S' ? Mirrored(at) : at;
        }
        b_.CurveTo(c1, c2, p);
        lastControl_ = c2;
        return true;
    }

    // Q, and T, whose control point mirrors the last quadratic curve's; drawn as cubics.
    bool Quadratic(char upper, bool rel) {
        const Point at = b_.current();
        Point q;
        if (upper == 'Q') {
            if (!(Number(q.x) && Number(q.y))) {
                return false;
            }
            if (rel) {
                q = {q.x + at.x, q.y + at.y};
            }
        } else {
            q = lastCommand_ == 'Q' || lastCommand_ == 'T' ? Mirrored(at) : at;
        }
        Point p;
        if (!At(p, rel)) {
            return false;
        }
        b_.CurveTo({at.x + 2.0 / 3 * (q.x - at.x), at.y + 2.0 / 3 * (q.y - at.y)},
                   {p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y)}, p);
        lastControl_ = q;
        return true;
    }

    bool Arc(bool rel) {
        double rx = 0;
        double ry = 0;
        double angle = 0;
        bool large = false;
        bool sweep = false;
        Point p;
        if (!(Number(rx) && Number(ry) && Number(angle) && Flag(large) && Flag(sweep) &&
              At(p, rel))) {
            return false;
        }
        ArcTo(b_, rx, ry, angle, large, sweep, p);
        return true;
    }

    // The last control point turned about AT.
    Point Mirrored(Point at) const {
        return {2 * at.x - lastControl_.x, 2 * at.y - lastControl_.y};
    }

    void Blanks() {
        while (i_ < d_.size() &&
               (std::isspace(static_cast<unsigned char>(d_[i_])) || d_[i_] == ',')) {
            ++i_;
        }
    }

    bool Number(double& v) {
        Blanks();
        if (i_ >= d_.size()) {
            return false;
        }
        const char* start = d_.data() + i_;
        if (*start == '+') {
            ++start;
        }
        const auto r = std::from_chars(start, d_.data() + d_.size(), v);
        if (r.ec != std::errc() || !std::isfinite(v)) {
            return false;
        }
        i_ = static_cast<std::size_t>(r.ptr - d_.data());
        return true;
    }

    bool Flag(bool& f) {
        Blanks();
        if (i_ < d_.size() && (d_[i_] == '0' || d_[i_] == '1')) {
            f = d_[i_++] == '1';
            return true;
        }
        return false;
    }

    // A point, relative to the current one where RELATIVE.
    bool At(Point& p, bool relative) {
        if (!Number(p.x) || !Number(p.y)) {
            return false;
        }
        if (relative) {
            p.x += b_.current().x;
            p.y += b_.current().y;
        }
        return true;
    }

    std::string_view d_;
    std::size_t i_ = 0;
    PathBuilder b_;
    char command_ = 0;      // the command whose numbers are read
    char lastCommand_ = 0;  // the last one drawn (upper case)
    Point lastControl_{};   // its last control point, for S and T
};

}  // namespace

std::vector<Subpath> ParsePathData(std::string_view d, std::size_t maxPoints) {
    PathDataReader reader(d, maxPoints, false);
    return std::move(reader.Read().subpaths);
}

PathSize MeasurePathData(std::string_view d) {
    PathDataReader reader(d, std::numeric_limits<std::size_t>::max(), true);
    return reader.Read().size;
}

// The path data of a basic shape, or of a <path>.
std::optional<std::string> ShapeData(pugi::xml_node node) {
    const std::string_view name = LocalName(node.name());
    auto n = [&](const char* attr) { return Number(Length(node, attr)); };
    if (name == "path") {
        return std::string(node.attribute("d").value());
    }
    if (name == "rect") {
        const double x = Length(node, "x");
        const double y = Length(node, "y");
        const double w = Length(node, "width");
        const double h = Length(node, "height");
        if (w <= 0 || h <= 0) {
            return std::string();
        }
        double rx = Length(node, "rx", -1);
        double ry = Length(node, "ry", -1);
        rx = rx < 0 ? (ry < 0 ? 0 : ry) : rx;
        ry = ry < 0 ? rx : ry;
        rx = std::min(rx, w / 2);
        ry = std::min(ry, h / 2);
        if (rx <= 0 || ry <= 0) {
            return "M" + Number(x) + "," + Number(y) + " H" + Number(x + w) + " V" + Number(y + h) +
                   " H" + Number(x) + " Z";
        }
        const std::string a = " A" + Number(rx) + "," + Number(ry) + " 0 0 1 ";
        return "M" + Number(x + rx) + "," + Number(y) + " H" + Number(x + w - rx) + a +
               Number(x + w) + "," + Number(y + ry) + " V" + Number(y + h - ry) + a +
               Number(x + w - rx) + "," + Number(y + h) + " H" + Number(x + rx) + a + Number(x) +
               "," + Number(y + h - ry) + " V" + Number(y + ry) + a + Number(x + rx) + "," +
               Number(y) + " Z";
    }
    if (name == "circle" || name == "ellipse") {
        const double cx = Length(node, "cx");
        const double cy = Length(node, "cy");
        const double rx = name == "circle" ? Length(node, "r") : Length(node, "rx");
        const double ry = name == "circle" ? rx : Length(node, "ry");
        if (rx <= 0 || ry <= 0) {
            return std::string();
        }
        const std::string a = " A" + Number(rx) + "," + Number(ry) + " 0 0 1 ";
        return "M" + Number(cx + rx) + "," + Number(cy) + a + Number(cx) + "," + Number(cy + ry) +
               a + Number(cx - rx) + "," + Number(cy) + a + Number(cx) + "," + Number(cy - ry) + a +
               Number(cx + rx) + "," + Number(cy) + " Z";
    }
    if (name == "line") {
        return "M" + n("x1") + "," + n("y1") + " L" + n("x2") + "," + n("y2");
    }
    if (name == "polyline" || name == "polygon") {
        const std::vector<double> v = Numbers(node.attribute("points").value());
        std::string d;
        for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
            d += (i == 0 ? "M" : " L") + Number(v[i]) + "," + Number(v[i + 1]);
        }
        return d.empty() || name == "polyline" ? d : d + " Z";
    }
    return std::nullopt;
}

}  // namespace subhost::svg
