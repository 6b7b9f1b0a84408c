#include "subhost/document/artgeometry.h"

#include <algorithm>
#include <cmath>

namespace subhost {
namespace {

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

geometry::Matrix Orientation(const Art& text) {
    return {text.matrix[0], text.matrix[1], text.matrix[2], text.matrix[3], 0, 0};
}

}  // namespace

std::array<geometry::Point, 4> TextBox(const Art& text) {
    double widest = 0;  // in ems
    double line = 0;
    int lines = 1;
    for (std::size_t i = 0; i < text.text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text.text[i]);
        if (c == '\r') {
            widest = std::max(widest, line);
            line = 0;
            ++lines;
        } else if (IsLeadByte(c) && i + 1 < text.text.size()) {
            line += 1;
            ++i;
        } else {
            line += 0.5;
        }
    }
    widest = std::max(widest, line);
    const double em = text.size;
    const double right = widest * em;
    const double top = 0.8 * em;
    const double bottom = -0.2 * em - (lines - 1) * 1.2 * em;
    const geometry::Matrix place =
        Orientation(text).Then(geometry::Matrix::Translation(text.anchor.x, text.anchor.y));
    return {place.Apply({0, top}), place.Apply({right, top}), place.Apply({right, bottom}),
            place.Apply({0, bottom})};
}

geometry::Bounds ArtBounds(const Art& art, const geometry::Matrix& m) {
    geometry::Bounds bounds;
    switch (art.type) {
        case kGroupArt:
        case kCompoundPathArt:
            for (const Art* child : art.children) {
                bounds.Add(ArtBounds(*child, m));
            }
            break;
        case kPathArt: {
            std::vector<geometry::Knot> knots;
            knots.reserve(art.segments.size());
            for (const Segment& s : art.segments) {
                knots.push_back({s.p, s.in, s.out});
            }
            bounds = geometry::PathBounds(knots, art.closed, m);
            break;
        }
        case kTextArt:
            if (art.textPath != nullptr) {
                bounds = ArtBounds(*art.textPath, m);
            } else {
                for (const geometry::Point& corner : TextBox(art)) {
                    bounds.Add(m.Apply(corner));
                }
            }
            break;
        default:
            break;
    }
    return bounds;
}

void TransformArt(Art& art, const geometry::Matrix& m, double lineScale, ASInt32 flags) {
    art.transformOptions = flags;
    if (art.type == kGroupArt || art.type == kCompoundPathArt) {
        for (Art* child : art.children) {
            TransformArt(*child, m, lineScale, flags);
        }
        return;
    }
    if (flags & kTransformObjects) {
        for (Segment& s : art.segments) {
            s.p = m.Apply(s.p);
            s.in = m.Apply(s.in);
            s.out = m.Apply(s.out);
        }
        if (art.type == kTextArt) {
            art.anchor = m.Apply(art.anchor);
            const geometry::Matrix turned = Orientation(art).Then(m.Linear());
            art.matrix = {turned.a, turned.b, turned.c, turned.d};
            if (art.textPath != nullptr) {
                TransformArt(*art.textPath, m, lineScale, flags);
            }
        }
    }
    if ((flags & kScaleLines) && art.style.stroke) {
        art.style.stroke->width *= std::fabs(lineScale);
    }
}

namespace {

bool Finite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool Finite(const std::optional<Paint>& paint) {
    return !paint || (std::isfinite(paint->gray) && std::isfinite(paint->width));
}

// Whether ART's own numbers (not its children's) are finite.
bool OwnNumbersFinite(const Art& art) {
    for (const Segment& s : art.segments) {
        if (!Finite(s.p) || !Finite(s.in) || !Finite(s.out)) {
            return false;
        }
    }
    if (!Finite(art.style.fill) || !Finite(art.style.stroke) || !Finite(art.paint.tints.fill) ||
        !Finite(art.paint.tints.stroke)) {
        return false;
    }
    if (art.type == kTextArt) {
        return Finite(art.anchor) && std::isfinite(art.size) &&
               std::all_of(art.matrix.begin(), art.matrix.end(),
                           [](double v) { return std::isfinite(v); });
    }
    return true;
}

}  // namespace

bool TransformStaysFinite(const Art& art, const geometry::Matrix& m, double lineScale,
                          ASInt32 flags) {
    if (!std::isfinite(m.a) || !std::isfinite(m.b) || !std::isfinite(m.c) || !std::isfinite(m.d) ||
        !std::isfinite(m.tx) || !std::isfinite(m.ty) || !std::isfinite(lineScale)) {
        return false;
    }
    if (art.type == kGroupArt || art.type == kCompoundPathArt) {
        return std::all_of(art.children.begin(), art.children.end(), [&](const Art* child) {
            return TransformStaysFinite(*child, m, lineScale, flags);
        });
    }
    if (flags & kTransformObjects) {
        for (const Segment& s : art.segments) {
            if (!Finite(m.Apply(s.p)) || !Finite(m.Apply(s.in)) || !Finite(m.Apply(s.out))) {
                return false;
            }
        }
        if (art.type == kTextArt) {
            const geometry::Matrix turned = Orientation(art).Then(m.Linear());
            if (!Finite(m.Apply(art.anchor)) || !std::isfinite(turned.a) ||
                !std::isfinite(turned.b) || !std::isfinite(turned.c) || !std::isfinite(turned.d) ||
                (art.textPath != nullptr &&
                 !TransformStaysFinite(*art.textPath, m, lineScale, flags))) {
                return false;
            }
        }
    }
    return !((flags & kScaleLines) && art.style.stroke &&
             !std::isfinite(art.style.stroke->width * std::fabs(lineScale)));
}

const Art* FirstNonFinite(const Art& root) {
    if (!OwnNumbersFinite(root)) {
        return &root;
    }
    if (root.textPath != nullptr) {
        if (const Art* found = FirstNonFinite(*root.textPath)) {
            return found;
        }
    }
    for (const Art* child : root.children) {
        if (const Art* found = FirstNonFinite(*child)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace subhost
