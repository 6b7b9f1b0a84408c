#include "subhost/picture/svgpicture.h"

#include <gio/gio.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "subhost/mapforms/svgform.h"
#include "subhost/picture/canvas.h"
#include "subhost/picture/legend.h"
#include "subhost/picture/mappicture.h"

namespace subhost::picture {
namespace {

constexpr const char* kNameTag = "kznObjectName";

struct HandleDeleter {
    void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};
using Handle = std::unique_ptr<RsvgHandle, HandleDeleter>;

std::string Message(GError* error) {
    std::string message = error != nullptr ? error->message : "no reason given";
    g_clear_error(&error);
    return message;
}

// librsvg's reading of SVG markup. No base file: nothing the markup names outside itself is
// loaded. No bound on the size of a text or an attribute (an embedded image may be large): the
// markup already passed the map reader, which refuses what is not well-formed and entity bombs.
Handle Load(const std::string& svg) {
    GInputStream* stream =
        g_memory_input_stream_new_from_data(svg.data(), static_cast<gssize>(svg.size()), nullptr);
    GError* error = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_stream_sync(
        stream, nullptr, RSVG_HANDLE_FLAG_UNLIMITED, nullptr, &error);
    g_object_unref(stream);
    if (handle == nullptr) {
        throw PictureError("the map cannot be drawn: " + Message(error));
    }
    rsvg_handle_set_dpi(handle, 96);
    return Handle(handle);
}

// The page, in user units, and the viewport that makes librsvg draw the root's user units as
// they are (a viewBox is fitted into its viewport, a file of no size is drawn at its origin).
struct Frame {
    RsvgRectangle page{};
    RsvgRectangle viewport{};
};

Frame FrameOf(RsvgHandle* handle) {
    gboolean hasWidth = false, hasHeight = false, hasViewBox = false;
    RsvgLength width{}, height{};
    RsvgRectangle viewBox{};
    rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &width, &hasHeight, &height,
                                         &hasViewBox, &viewBox);
    double pixelsWide = 0, pixelsHigh = 0;
    const bool sized = width.unit != RSVG_UNIT_PERCENT && height.unit != RSVG_UNIT_PERCENT &&
                       rsvg_handle_get_intrinsic_size_in_pixels(handle, &pixelsWide, &pixelsHigh) &&
                       pixelsWide > 0 && pixelsHigh > 0;
    Frame frame;
    if (hasViewBox && viewBox.width > 0 && viewBox.height > 0) {
        frame.page = viewBox;
        if (sized) {
            // The viewBox stands centred in the width and height, as large as it fits.
            const double k = std::min(pixelsWide / viewBox.width, pixelsHigh / viewBox.height);
            frame.page.width = pixelsWide / k;
            frame.page.height = pixelsHigh / k;
            frame.page.x -= (frame.page.width - viewBox.width) / 2;
            frame.page.y -= (frame.page.height - viewBox.height) / 2;
        }
        frame.viewport = frame.page;
        return frame;
    }
    if (sized) {
        frame.page = {0, 0, pixelsWide, pixelsHigh};
        frame.viewport = frame.page;
        return frame;
    }
    // No size: what the file draws, with a margin.
    RsvgRectangle ink{}, logical{};
    const RsvgRectangle unit{0, 0, 1, 1};
    GError* error = nullptr;
    if (!rsvg_handle_get_geometry_for_layer(handle, nullptr, &unit, &ink, &logical, &error)) {
        throw PictureError("the bounds of the map cannot be computed: " + Message(error));
    }
    frame.page = {ink.x - kMargin, ink.y - kMargin, ink.width + 2 * kMargin,
                  ink.height + 2 * kMargin};
    frame.viewport = {0, 0, frame.page.width, frame.page.height};
    return frame;
}

SvgPage PageOf(RsvgHandle* handle, double scale, Frame& frame) {
    frame = FrameOf(handle);
    SvgPage page{frame.page.x, frame.page.y, frame.page.width, frame.page.height, scale};
    const double far = std::max({std::fabs(page.x), std::fabs(page.y),
                                 std::fabs(page.x + page.width), std::fabs(page.y + page.height)});
    const PixelSize size = PixelsOf(page.width, page.height, far, scale, "the page");
    page.pixelsWide = size.width;
    page.pixelsHigh = size.height;
    return page;
}

void Draw(RsvgHandle* handle, cairo_t* cr, const RsvgRectangle& viewport) {
    GError* error = nullptr;
    if (!rsvg_handle_render_document(handle, cr, &viewport, &error)) {
        throw PictureError("the map cannot be drawn: " + Message(error));
    }
}

// Hides, for as long as it lives, every art of a document that is neither one of the symbols
// KEPT nor holds one. Art inside a kept symbol, and art inside a named symbol that holds one
// (a symbol inside another), is left as it is.
class HideAllBut {
  public:
    HideAllBut(Document& document, const std::set<const Art*>& kept) : kept_(kept) {
        for (const Layer* layer : document.layers()) {
            Prune(*layer->group, true);
        }
    }
    ~HideAllBut() {
        for (Art* art : hidden_) {
            art->hidden = false;
        }
    }
    HideAllBut(const HideAllBut&) = delete;
    HideAllBut& operator=(const HideAllBut&) = delete;

  private:
    // Whether ART holds a kept symbol; when it does, its children that hold none are hidden.
    bool Prune(Art& art, bool layer) {
        if (art.hidden) {
            return false;
        }
        if (kept_.contains(&art)) {
            return true;
        }
        std::vector<Art*> idle;
        bool holds = false;
        for (Art* child : art.children) {
            if (Prune(*child, false)) {
                holds = true;
            } else {
                idle.push_back(child);
            }
        }
        const auto tag = art.tags.find(kNameTag);
        const bool named = tag != art.tags.end() && !tag->second.empty();
        if ((holds && !named) || layer) {
            for (Art* child : idle) {
                Hide(*child);
            }
        }
        return holds;
    }
    void Hide(Art& art) {
        if (!art.hidden) {
            art.hidden = true;
            hidden_.push_back(&art);
        }
    }

    const std::set<const Art*>& kept_;
    std::vector<Art*> hidden_;
};

bool Overlap(const geometry::Rect& a, const geometry::Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.bottom <= b.top && b.bottom <= a.top;
}

}  // namespace

SvgPage PageOfSvg(const std::string& svg, double scale) {
    Frame frame;
    return PageOf(Load(svg).get(), scale, frame);
}

void RenderSvgMap(const std::string& svg, const std::string& path, double scale) {
    Handle handle;
    SvgPage page;
    Frame frame;
    FormatOf(path);  // a name that is no picture's, before anything is drawn
    try {
        handle = Load(svg);
        page = PageOf(handle.get(), scale, frame);
    } catch (const PictureError& e) {
        throw PictureError(path + ": " + e.what());
    }
    WritePicture(path, page.pixelsWide, page.pixelsHigh, [&](cairo_t* cr) {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_scale(cr, scale, scale);
        cairo_translate(cr, -page.x, -page.y);
        Draw(handle.get(), cr, frame.viewport);
    });
}

void RenderSvgLegend(Document& document, const MapSource& source, const std::string& path) {
    const std::vector<LegendLine> lines = LegendOf(document);
    // Symbols are drawn from copies of the map in which the other art is hidden. Symbols whose
    // surroundings (what their cells show) overlap go into different copies, so that no cell
    // shows a piece of another symbol.
    std::vector<std::vector<geometry::Rect>> taken;
    std::vector<std::set<const Art*>> kept;
    std::vector<std::size_t> copyOf;
    for (const LegendLine& line : lines) {
        geometry::Rect r = VisibleBounds(*line.symbol).rect();
        const double reach = std::max(r.width(), r.height());
        r = {r.left - reach, r.top + reach, r.right + reach, r.bottom - reach};
        std::size_t copy = 0;
        while (copy < taken.size() &&
               std::any_of(taken[copy].begin(), taken[copy].end(),
                           [&](const geometry::Rect& other) { return Overlap(r, other); })) {
            ++copy;
        }
        if (copy == taken.size()) {
            taken.emplace_back();
            kept.emplace_back();
        }
        taken[copy].push_back(r);
        kept[copy].insert(line.symbol);
        copyOf.push_back(copy);
    }
    std::vector<Handle> handles;
    std::vector<Frame> frames;
    FormatOf(path);
    try {
        for (const std::set<const Art*>& symbols : kept) {
            std::string svg;
            {
                const HideAllBut hide(document, symbols);
                svg = FormatSvgMap(document, &source);
            }
            handles.push_back(Load(svg));
            frames.push_back(FrameOf(handles.back().get()));
        }
    } catch (const PictureError& e) {
        throw PictureError(path + ": " + e.what());
    }
    RenderLegend(lines, path,
                 [&](cairo_t* cr, std::size_t line, const geometry::Matrix& toPixels,
                     const LegendCell& cell) {
                     cairo_rectangle(cr, cell.left, cell.top, cell.width, cell.height);
                     cairo_clip(cr);
                     // The root's user units (x, y) are the document's (x, -y).
                     const geometry::Matrix m = geometry::Matrix::Scale(1, -1).Then(toPixels);
                     cairo_matrix_t c;
                     cairo_matrix_init(&c, m.a, m.b, m.c, m.d, m.tx, m.ty);
                     cairo_transform(cr, &c);
                     const std::size_t copy = copyOf[line];
                     Draw(handles[copy].get(), cr, frames[copy].viewport);
                 });
}

}  // namespace subhost::picture
