#include "subhost/picture/canvas.h"

#include <cairo-svg.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "subhost/files.h"
#include "subhost/picture/mappicture.h"

namespace subhost::picture {
namespace {

// A PNG is held in memory whole before it is written: this many pixels at most (256 MiB).
constexpr long long kMostPixels = 64LL * 1024 * 1024;
constexpr int kMostSide = 32767;  // what cairo's image surfaces take
// An SVG picture: at most this many pixels (SVG units) a side, as every picture.
constexpr int kMostSvgSide = static_cast<int>(kMostPixelsASide);

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

void Check(cairo_status_t status, const char* what) {
    if (status != CAIRO_STATUS_SUCCESS) {
        throw PictureError(std::string(what) + ": " + cairo_status_to_string(status));
    }
}

void Paint(cairo_surface_t* surface, const Painter& paint) {
    Check(cairo_surface_status(surface), "the picture cannot be made");
    Context cr(cairo_create(surface));
    paint(cr.get());
    Check(cairo_status(cr.get()), "the picture cannot be drawn");
}

struct LayoutDeleter {
    void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using Layout = std::unique_ptr<PangoLayout, LayoutDeleter>;

// The largest size a layout is set at: pango counts sizes in ints of 1/1024 pixel.
constexpr double kMostLayoutSize = 1e6;

// A one-line layout of TEXT at SIZE pixels. Metrics are not hinted, so that a text measures the
// same at every scale.
Layout LineLayout(cairo_t* cr, const std::string& text, double size) {
    Layout layout(pango_cairo_create_layout(cr));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout.get());
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFontFamily);
    // Pango takes sizes from 0 to a few million (in its units, 1024 to a pixel): a size out of
    // that, or not a number, would be refused with a CRITICAL on standard error. What is drawn is
    // decided by ShowText: these sizes only measure.
    const double settable = size >= 0.01 ? std::min(size, kMostLayoutSize) : 0.01;
    pango_font_description_set_absolute_size(font, settable * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), font);
    pango_font_description_free(font);
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    return layout;
}

// Lines end at CR, as in the host's text boxes; a line feed is not drawn.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\r') {
            lines.emplace_back();
        } else if (c != '\n') {
            lines.back() += c;
        }
    }
    return lines;
}

// How many pixels a unit of the context's user space is.
double PixelsPerUnit(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return std::sqrt(std::abs(m.xx * m.yy - m.xy * m.yx));
}

double Baseline(PangoLayout* layout) {
    return static_cast<double>(pango_layout_get_baseline(layout)) / PANGO_SCALE;
}

}  // namespace

Format FormatOf(const std::string& path) {
    std::string ending = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ending == ".png") {
        return Format::Png;
    }
    if (ending == ".svg") {
        return Format::Svg;
    }
    throw PictureError(path + ": a picture is written as .png or .svg");
}

std::string PictureBytes(Format format, int width, int height, const Painter& paint) {
    if (width <= 0 || height <= 0) {
        throw PictureError("a picture needs a width and a height");
    }
    std::string bytes;
    if (format == Format::Svg) {
        if (width > kMostSvgSide || height > kMostSvgSide) {
            throw PictureError("a picture of " + std::to_string(width) + " by " +
                               std::to_string(height) + " pixels is too large (at most " +
                               std::to_string(kMostSvgSide) +
                               " pixels a side, the bound of every picture)");
        }
        Surface surface(cairo_svg_surface_create_for_stream(Append, &bytes, width, height));
        cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
        Paint(surface.get(), paint);
        cairo_surface_finish(surface.get());
        Check(cairo_surface_status(surface.get()), "the picture cannot be written");
        return bytes;
    }
    if (width > kMostSide || height > kMostSide ||
        static_cast<long long>(width) * height > kMostPixels) {
        throw PictureError("a picture of " + std::to_string(width) + " by " +
                           std::to_string(height) + " pixels is too large for a PNG (at most " +
                           std::to_string(kMostSide) + " pixels a side and " +
                           std::to_string(kMostPixels / 1024 / 1024) +
                           " million pixels; an SVG, 1000000 pixels a side)");
    }
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    Paint(surface.get(), paint);
    cairo_surface_flush(surface.get());
    Check(cairo_surface_write_to_png_stream(surface.get(), Append, &bytes),
          "the picture cannot be written");
    return bytes;
}

void WritePicture(const std::string& path, int width, int height, const Painter& paint) {
    const Format format = FormatOf(path);
    std::string bytes;
    try {
        bytes = PictureBytes(format, width, height, paint);
    } catch (const PictureError& e) {
        throw PictureError(path + ": " + e.what());
    }
    WriteWholeFile(path, bytes);
}

void ShowText(cairo_t* cr, const std::string& utf8, double size) {
    const double pixels = size * PixelsPerUnit(cr);
    if (!(pixels >= kLeastTextPixels) || !std::isfinite(pixels)) {
        return;  // too small to see, or flattened
    }
    // The font engine takes glyphs up to a few hundred pixels: larger text is set at kOutlinePixels
    // and its outlines are drawn enlarged.
    const double shrink = pixels > kOutlinePixels ? pixels / kOutlinePixels : 1;
    const std::vector<std::string> lines = Lines(utf8);
    cairo_new_path(cr);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) {
            continue;
        }
        cairo_save(cr);
        cairo_scale(cr, 1 / shrink, 1 / shrink);
        Layout layout = LineLayout(cr, lines[i], size);
        cairo_move_to(cr, 0, 1.2 * size * static_cast<double>(i) - Baseline(layout.get()));
        if (shrink == 1) {
            pango_cairo_show_layout(cr, layout.get());
            cairo_restore(cr);
            continue;
        }
        pango_cairo_layout_path(cr, layout.get());
        cairo_path_t* outlines = cairo_copy_path(cr);
        cairo_new_path(cr);
        cairo_restore(cr);
        cairo_append_path(cr, outlines);
        cairo_path_destroy(outlines);
        cairo_fill(cr);
    }
    cairo_new_path(cr);  // no current point left for what is drawn next
}

double TextWidth(cairo_t* cr, const std::string& utf8, double size) {
    double widest = 0;
    for (const std::string& line : Lines(utf8)) {
        Layout layout = LineLayout(cr, line, size);
        PangoRectangle logical;
        pango_layout_get_extents(layout.get(), nullptr, &logical);
        widest = std::max(widest, static_cast<double>(logical.width) / PANGO_SCALE);
    }
    return widest;
}

void ShowTextIn(cairo_t* cr, const std::string& utf8, double size, double left, double top,
                double width, double height, bool centred) {
    cairo_save(cr);
    cairo_rectangle(cr, left, top, width, height);
    cairo_clip(cr);
    const double x = centred ? left + (width - TextWidth(cr, utf8, size)) / 2 : left;
    // The em box (0.8 above the baseline, 0.2 below) centred down the rectangle.
    cairo_translate(cr, x, top + height / 2 + 0.3 * size);
    ShowText(cr, utf8, size);
    cairo_restore(cr);
}

}  // namespace subhost::picture
