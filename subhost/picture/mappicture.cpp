#include "subhost/picture/mappicture.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "subhost/document/artgeometry.h"
#include "subhost/document/paint.h"
#include "subhost/picture/canvas.h"
#include "subhost/sjis.h"

namespace subhost::picture {
namespace {

using geometry::Matrix;
using geometry::Point;

// How much M enlarges lengths (the square root of its area factor).
double LengthScale(const Matrix& m) {
    return std::sqrt(std::abs(m.a * m.d - m.b * m.c));
}

cairo_matrix_t ToCairo(const Matrix& m) {
    cairo_matrix_t c;
    cairo_matrix_init(&c, m.a, m.b, m.c, m.d, m.tx, m.ty);
    return c;
}

// Adds PATH's curve, in pixels, to the context's current path.
void AddPath(cairo_t* cr, const Art& path, const Matrix& m) {
    const std::vector<Segment>& s = path.segments;
    if (s.empty()) {
        return;
    }
    const auto move = [&](Point p) {
        const Point q = m.Apply(p);
        cairo_move_to(cr, q.x, q.y);
    };
    const auto curve = [&](const Segment& from, const Segment& to) {
        const Point c = m.Apply(to.p);
        if (from.out == from.p && to.in == to.p) {
            cairo_line_to(cr, c.x, c.y);  // a straight segment
            return;
        }
        const Point a = m.Apply(from.out);
        const Point b = m.Apply(to.in);
        cairo_curve_to(cr, a.x, a.y, b.x, b.y, c.x, c.y);
    };
    move(s.front().p);
    for (std::size_t i = 1; i < s.size(); ++i) {
        curve(s[i - 1], s[i]);
    }
    if (path.closed) {
        curve(s.back(), s.front());
        cairo_close_path(cr);
    }
}

void SetColour(cairo_t* cr, const Rgba& c) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

// Fills and strokes the current path as PATH is painted (its kept paint's colours, where in
// force, as the drawing program draws art in its colours; its gray tints otherwise), then
// clears it.
void PaintShape(cairo_t* cr, const Art& path, const Matrix& m) {
    if (const std::optional<Rgba> fill = FillColour(path)) {
        SetColour(cr, *fill);
        cairo_fill_preserve(cr);
    }
    if (const std::optional<Rgba> stroke = StrokeColour(path);
        stroke && path.style.stroke && path.style.stroke->width > 0) {
        SetColour(cr, *stroke);
        cairo_set_line_width(cr, path.style.stroke->width * LengthScale(m));
        cairo_stroke_preserve(cr);
    }
    cairo_new_path(cr);
}

std::string Utf8(const std::string& sjis) {
    return ShowSjis(sjis);
}

// A point text: its own frame (x along the writing direction, y down from the baseline) taken
// into the document at the anchor, then into pixels.
void PaintPointText(cairo_t* cr, const Art& text, const Matrix& m) {
    const auto& o = text.matrix;
    const Matrix frame{o[0], o[1], -o[2], -o[3], text.anchor.x, text.anchor.y};
    const Matrix toPixels = frame.Then(m);
    if (std::abs(toPixels.a * toPixels.d - toPixels.b * toPixels.c) < 1e-12) {
        return;  // flattened to a line: nothing to see
    }
    cairo_save(cr);
    const cairo_matrix_t c = ToCairo(toPixels);
    cairo_transform(cr, &c);
    cairo_set_source_rgb(cr, 0, 0, 0);
    ShowText(cr, Utf8(text.text), text.size);
    cairo_restore(cr);
}

// The points of PATH's curve in pixels, as straight pieces.
std::vector<Point> Flattened(cairo_t* cr, const Art& path, const Matrix& m) {
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_new_path(cr);
    AddPath(cr, path, m);
    cairo_path_t* flat = cairo_copy_path_flat(cr);
    std::vector<Point> points;
    for (int i = 0; i < flat->num_data; i += flat->data[i].header.length) {
        const cairo_path_data_t& d = flat->data[i];
        if (d.header.type == CAIRO_PATH_MOVE_TO || d.header.type == CAIRO_PATH_LINE_TO) {
            points.push_back({flat->data[i + 1].point.x, flat->data[i + 1].point.y});
        } else if (d.header.type == CAIRO_PATH_CLOSE_PATH && !points.empty()) {
            points.push_back(points.front());
        }
    }
    cairo_path_destroy(flat);
    cairo_new_path(cr);
    cairo_restore(cr);
    return points;
}

// Splits UTF-8 text into its characters.
std::vector<std::string> Characters(const std::string& utf8) {
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        characters.push_back(utf8.substr(i, length));
        i += length;
    }
    return characters;
}

// A text on a path: each character stands on the path at the distance the characters before it
// take, turned along the piece of the path it starts on. What does not fit on the path is not
// shown.
void PaintPathText(cairo_t* cr, const Art& text, const Matrix& m) {
    const std::vector<Point> points = Flattened(cr, *text.textPath, m);
    const double size = text.size * LengthScale(m);
    if (points.size() < 2 || size <= 0) {
        return;
    }
    std::size_t piece = 1;
    double walked = 0;  // along the pieces before PIECE
    double at = 0;      // where the next character starts
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (const std::string& character : Characters(Utf8(text.text))) {
        if (character == "\r" || character == "\n") {
            continue;
        }
        while (piece < points.size() &&
               walked + geometry::Distance(points[piece - 1], points[piece]) <= at) {
            walked += geometry::Distance(points[piece - 1], points[piece]);
            ++piece;
        }
        if (piece >= points.size()) {
            return;
        }
        const Point p = points[piece - 1];
        const Point q = points[piece];
        const double length = geometry::Distance(p, q);
        const double t = length > 0 ? (at - walked) / length : 0;
        cairo_save(cr);
        cairo_translate(cr, p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t);
        cairo_rotate(cr, std::atan2(q.y - p.y, q.x - p.x));
        ShowText(cr, character, size);
        cairo_restore(cr);
        at += TextWidth(cr, character, size);
    }
}

void PaintLeaf(cairo_t* cr, const Art& art, const Matrix& m) {
    if (art.type == kPathArt) {
        AddPath(cr, art, m);
        cairo_set_fill_rule(cr, EvenOdd(art) ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        PaintShape(cr, art, m);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    } else if (art.type == kTextArt) {
        if (art.textPath != nullptr) {
            PaintPathText(cr, art, m);
        } else {
            PaintPointText(cr, art, m);
        }
    }
}

void PaintCompound(cairo_t* cr, const Art& compound, const Matrix& m) {
    const Art* styled = nullptr;
    cairo_new_path(cr);
    for (const Art* child : compound.children) {
        if (child->hidden || child->type != kPathArt) {
            continue;
        }
        styled = styled != nullptr ? styled : child;
        AddPath(cr, *child, m);
    }
    if (styled == nullptr) {
        return;
    }
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    PaintShape(cr, *styled, m);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

}  // namespace

geometry::Bounds VisibleBounds(const Art& art, const Matrix& m) {
    geometry::Bounds bounds;
    if (art.hidden) {
        return bounds;
    }
    if (art.type == kGroupArt || art.type == kCompoundPathArt) {
        for (const Art* child : art.children) {
            bounds.Add(VisibleBounds(*child, m));
        }
        return bounds;
    }
    if (art.type != kTextArt) {
        return ArtBounds(art, m);
    }
    // A text's glyphs reach beyond its box: a quarter em round it, a whole em round a path.
    const geometry::Rect box = ArtBounds(art).rect();
    const double em = std::abs(art.size) * (art.textPath != nullptr ? 1 : 0.25) *
                      std::max(std::hypot(art.matrix[0], art.matrix[1]),
                               std::hypot(art.matrix[2], art.matrix[3]));
    for (const Point corner :
         {Point{box.left - em, box.top + em}, Point{box.right + em, box.top + em},
          Point{box.right + em, box.bottom - em}, Point{box.left - em, box.bottom - em}}) {
        bounds.Add(m.Apply(corner));
    }
    return bounds;
}

void PaintArt(cairo_t* cr, const Art& art, const Matrix& toPixels) {
    if (art.hidden) {
        return;
    }
    if (art.type == kGroupArt) {
        for (auto child = art.children.rbegin(); child != art.children.rend(); ++child) {
            PaintArt(cr, **child, toPixels);
        }
    } else if (art.type == kCompoundPathArt) {
        PaintCompound(cr, art, toPixels);
    } else {
        PaintLeaf(cr, art, toPixels);
    }
}

PixelSize PixelsOf(double width, double height, double far, double scale, const std::string& what) {
    char why[300];
    if (!std::isfinite(far)) {
        throw PictureError(what + " reaches coordinates too large to compute with");
    }
    const double exactWidth = width * scale;
    const double exactHeight = height * scale;
    const auto refuse = [&](const char* cause) {
        std::snprintf(why, sizeof why,
                      "%s spans %.6g by %.6g units: at scale %.6g that is %.6g by %.6g pixels, %s",
                      what.c_str(), width, height, scale, exactWidth, exactHeight, cause);
        throw PictureError(why);
    };
    if (!(exactWidth <= kMostPixelsASide && exactHeight <= kMostPixelsASide)) {
        refuse("more than 1000000 pixels a side (the bound of every picture)");
    }
    // Where neighbouring numbers lie more than half a pixel apart, a pixel cannot be placed.
    if ((std::nextafter(far, HUGE_VAL) - far) * scale > 0.5) {
        std::snprintf(why, sizeof why,
                      "%s reaches %.6g units from the origin: at scale %.6g a pixel cannot be "
                      "placed among numbers that large",
                      what.c_str(), far, scale);
        throw PictureError(why);
    }
    if (!(exactWidth >= 1 && exactHeight >= 1)) {
        refuse("less than one pixel a side");
    }
    return {static_cast<int>(std::ceil(exactWidth)), static_cast<int>(std::ceil(exactHeight))};
}

Page PageOf(const Document& document, double scale) {
    geometry::Bounds bounds;
    for (const Layer* layer : document.layers()) {
        bounds.Add(VisibleBounds(*layer->group));
    }
    geometry::Rect r = bounds.rect();  // the origin alone when nothing is visible
    Page page;
    page.area = {r.left - kMargin, r.top + kMargin, r.right + kMargin, r.bottom - kMargin};
    page.scale = scale;
    const double far = std::max({std::fabs(page.area.left), std::fabs(page.area.right),
                                 std::fabs(page.area.top), std::fabs(page.area.bottom)});
    const PixelSize size =
        PixelsOf(page.area.width(), page.area.height(), far, scale, "the visible art");
    page.width = size.width;
    page.height = size.height;
    page.toPixels =
        Matrix::Translation(-page.area.left, -page.area.top).Then(Matrix::Scale(scale, -scale));
    return page;
}

void PaintMap(cairo_t* cr, const Document& document, const Page& page) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    const auto& layers = document.layers();
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        PaintArt(cr, *(*layer)->group, page.toPixels);
    }
}

void RenderMap(const Document& document, const std::string& path, double scale) {
    Page page;
    try {
        page = PageOf(document, scale);
    } catch (const PictureError& e) {
        throw PictureError(path + ": " + e.what());
    }
    WritePicture(path, page.width, page.height, [&](cairo_t* cr) { PaintMap(cr, document, page); });
}

}  // namespace subhost::picture
