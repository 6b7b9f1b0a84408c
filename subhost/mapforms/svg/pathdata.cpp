#include "subhost/mapforms/svg/pathdata.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>

#include "subhost/mapforms/svg/names.h"
#include "subhost/mapforms/svg/values.h"

namespace subhost::svg {
namespace {

// Subpaths as the commands of path data draw them.
class PathBuilder {
  public:
    std::vector<Subpath> subpaths;

    void MoveTo(Point p) {
        Finish();
        subpaths.push_back({});
        subpaths.back().segments.push_back({p, p, p, false});
        start_ = current_ = p;
    }
    void LineTo(Point p) {
        Open();
        subpaths.back().segments.push_back({p, p, p, false});
        current_ = p;
    }
    void CurveTo(Point c1, Point c2, Point p) {
        Open();
        subpaths.back().segments.back().out = c1;
        subpaths.back().segments.push_back({p, c2, p, false});
        current_ = p;
    }
    void Close() {
        if (!subpaths.empty() && !closed_) {
            subpaths.back().closed = true;
            closed_ = true;
            std::vector<Segment>& s = subpaths.back().segments;
            // A last point on the first is the same point: the closing segment joins them.
            if (s.size() > 1 && s.back().p == s.front().p) {
                s.front().in = s.back().in;
                s.pop_back();
            }
        }
        current_ = start_;
    }
    Point current() const { return current_; }
    void Finish() { closed_ = false; }

  private:
    // Drawing after a close starts a new subpath at the point closed to.
    void Open() {
        if (subpaths.empty() || closed_) {
            const Point at = current_;
            MoveTo(at);
        }
    }
    Point start_{};
    Point current_{};
    bool closed_ = false;
};

// The arc of SVG's endpoint form as cubic Béziers, each at most a quarter turn.
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
    const double phi = angle * std::numbers::pi / 180;
    const double cs = std::cos(phi);
    const double sn = std::sin(phi);
    const double dx = (from.x - to.x) / 2;
    const double dy = (from.y - to.y) / 2;
    const double x1 = cs * dx + sn * dy;
    const double y1 = -sn * dx + cs * dy;
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    double coef = den == 0 ? 0 : std::sqrt(std::max(0.0, num / den));
    if (large == sweep) {
        coef = -coef;
    }
    const double cxp = coef * rx * y1 / ry;
    const double cyp = -coef * ry * x1 / rx;
    const double cx = cs * cxp - sn * cyp + (from.x + to.x) / 2;
    const double cy = sn * cxp + cs * cyp + (from.y + to.y) / 2;
    auto angleOf = [](double ux, double uy, double vx, double vy) {
        return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double theta1 = angleOf(1, 0, (x1 - cxp) / rx, (y1 - cyp) / ry);
    double delta = angleOf((x1 - cxp) / rx, (y1 - cyp) / ry, (-x1 - cxp) / rx, (-y1 - cyp) / ry);
    if (!sweep && delta > 0) {
        delta -= 2 * std::numbers::pi;
    } else if (sweep && delta < 0) {
        delta += 2 * std::numbers::pi;
    }
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (std::numbers::pi / 2) - 1e-9)));
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

}  // namespace

std::vector<Subpath> ParsePathData(std::string_view d) {
    PathBuilder b;
    std::size_t i = 0;
    char command = 0;
    Point lastControl{};
    char lastCommand = 0;
    auto blanks = [&] {
        while (i < d.size() && (std::isspace(static_cast<unsigned char>(d[i])) || d[i] == ',')) {
            ++i;
        }
    };
    auto number = [&](double& v) {
        blanks();
        if (i >= d.size()) {
            return false;
        }
        const char* start = d.data() + i;
        if (*start == '+') {
            ++start;
        }
        const auto r = std::from_chars(start, d.data() + d.size(), v);
        if (r.ec != std::errc() || !std::isfinite(v)) {
            return false;
        }
        i = static_cast<std::size_t>(r.ptr - d.data());
        return true;
    };
    auto flag = [&](bool& f) {
        blanks();
        if (i < d.size() && (d[i] == '0' || d[i] == '1')) {
            f = d[i++] == '1';
            return true;
        }
        return false;
    };
    auto point = [&](Point& p, bool relative) {
        if (!number(p.x) || !number(p.y)) {
            return false;
        }
        if (relative) {
            p.x += b.current().x;
            p.y += b.current().y;
        }
        return true;
    };
    while (true) {
        blanks();
        if (i >= d.size()) {
            break;
        }
        if (std::isalpha(static_cast<unsigned char>(d[i]))) {
            command = d[i++];
        } else if (command == 0 || command == 'Z' || command == 'z') {
            // Numbers need a command that takes them; a close takes none.
            break;
        }
        const bool rel = std::islower(static_cast<unsigned char>(command)) != 0;
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(command)));
        Point p;
        Point c1;
        Point c2;
        bool ok = true;
        switch (upper) {
            case 'M':
                ok = point(p, rel);
                if (ok) {
                    b.MoveTo(p);
                    // Pairs after the first are lines.
                    command = rel ? 'l' : 'L';
                }
                break;
            case 'L':
                ok = point(p, rel);
                if (ok) {
                    b.LineTo(p);
                }
                break;
            case 'H':
                ok = number(p.x);
                if (ok) {
                    b.LineTo({rel ? b.current().x + p.x : p.x, b.current().y});
                }
                break;
            case 'V':
                ok = number(p.y);
                if (ok) {
                    b.LineTo({b.current().x, rel ? b.current().y + p.y : p.y});
                }
                break;
            case 'C': {
                const Point at = b.current();
                ok = number(c1.x) && number(c1.y) && number(c2.x) && number(c2.y) && point(p, rel);
                if (ok) {
                    if (rel) {
                        c1 = {c1.x + at.x, c1.y + at.y};
                        c2 = {c2.x + at.x, c2.y + at.y};
                    }
                    b.CurveTo(c1, c2, p);
                    lastControl = c2;
                }
                break;
            }
            case 'S': {
                const Point at = b.current();
                ok = number(c2.x) && number(c2.y) && point(p, rel);
                if (ok) {
                    if (rel) {
                        c2 = {c2.x + at.x, c2.y + at.y};
                    }
                    c1 = (lastCommand == 'C' || lastCommand == 'S')
                             ? Point{2 * at.x - lastControl.x, 2 * at.y - lastControl.y}
                             : at;
                    b.CurveTo(c1, c2, p);
                    lastControl = c2;
                }
                break;
            }
            case 'Q':
            case 'T': {
                const Point at = b.current();
                Point q;
                if (upper == 'Q') {
                    ok = number(q.x) && number(q.y);
                    if (rel) {
                        q = {q.x + at.x, q.y + at.y};
                    }
                } else {
                    q = (lastCommand == 'Q' || lastCommand == 'T')
                            ? Point{2 * at.x - lastControl.x, 2 * at.y - lastControl.y}
                            : at;
                }
                ok = ok && point(p, rel);
                if (ok) {
                    b.CurveTo({at.x + 2.0 / 3 * (q.x - at.x), at.y + 2.0 / 3 * (q.y - at.y)},
                              {p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y)}, p);
                    lastControl = q;
                }
                break;
            }
            case 'A': {
                double rx = 0;
                double ry = 0;
                double angle = 0;
                bool large = false;
                bool sweep = false;
                ok = number(rx) && number(ry) && number(angle) && flag(large) && flag(sweep) &&
                     point(p, rel);
                if (ok) {
                    ArcTo(b, rx, ry, angle, large, sweep, p);
                }
                break;
            }
            case 'Z':
                b.Close();
                break;
            default:
                ok = false;
        }
        if (!ok) {
            break;
        }
        lastCommand = upper;
    }
    return std::move(b.subpaths);
}

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
