// Every symbol of the symbol sets Inkscape ships, placed on a map as text to object places a
// symbol, draws as the symbol drawn by itself: librsvg draws the copy the host writes and a <use>
// of the symbol at the same place, and the two show the same colours and the same amount of ink.
#include <cairo.h>
#include <gmock/gmock.h>
#include <librsvg/rsvg.h>

#include <filesystem>
#include <sstream>

#include "subhost/document/artgeometry.h"
#include "subhost/files.h"
#include "subhost/mapforms/svgform.h"

namespace {

using subhost::Art;

// What a picture holds: how much ink (alpha summed over the pixels) and of which colour (the
// colour channels summed, premultiplied).
struct Ink {
    double alpha = 0, r = 0, g = 0, b = 0;
};

// Draws SVG with librsvg, the user units of AREA (x, y, width, height) scaled by 4 into pixels.
Ink Draw(const std::string& svg, const geometry::Rect& area, std::string& error) {
    constexpr double kScale = 4;
    GError* e = nullptr;
    RsvgHandle* handle =
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &e);
    if (handle == nullptr) {
        error = e != nullptr ? e->message : "librsvg cannot read it";
        g_clear_error(&e);
        return {};
    }
    const int width = static_cast<int>(std::ceil(area.width() * kScale));
    const int height = static_cast<int>(std::ceil(area.height() * kScale));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, kScale, kScale);
    cairo_translate(cr, -area.left, -area.bottom);
    // A viewport as large as the user units it shows: no viewBox maps them one to one.
    gdouble w = 0, h = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &w, &h)) {
        w = h = 1000;
    }
    const RsvgRectangle viewport{0, 0, w, h};
    if (!rsvg_handle_render_document(handle, cr, &viewport, &e)) {
        error = e != nullptr ? e->message : "librsvg cannot draw it";
        g_clear_error(&e);
    }
    cairo_surface_flush(surface);
    Ink ink;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) {
            ink.alpha += (row[x] >> 24) / 255.0;
            ink.r += ((row[x] >> 16) & 255) / 255.0;
            ink.g += ((row[x] >> 8) & 255) / 255.0;
            ink.b += (row[x] & 255) / 255.0;
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    g_object_unref(handle);
    return ink;
}

// The id of the K-th <symbol> of the file BYTES (in file order, as the patterns are).
std::string SymbolId(const std::string& bytes, std::size_t k) {
    std::size_t at = 0;
    for (std::size_t i = 0; i <= k; ++i) {
        at = bytes.find("<symbol", at + 1);
    }
    const std::size_t end = bytes.find('>', at);
    const std::size_t id = bytes.find(" id=\"", at);
    if (at == std::string::npos || id == std::string::npos || id > end) {
        return "";
    }
    return bytes.substr(id + 5, bytes.find('"', id + 5) - id - 5);
}

// Within a few percent of the symbol's own ink (and a few pixels, for the smallest).
bool Near(double copy, double own, double ink) {
    return std::abs(copy - own) <= 0.04 * ink + 16;
}

TEST(InkscapeSymbolSets, EverySymbolPlacedDrawsAsItself) {
    const std::string folder = "/usr/share/inkscape/symbols";
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << "the inkscape package is not installed";
    int symbols = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".svg") {
            continue;
        }
        const std::string file = entry.path().string();
        const std::string bytes = subhost::ReadWholeFile(file, subhost::kMapBound);
        std::size_t count = 0;
        {
            const auto doc = subhost::ParseSvgMap(bytes, file);
            count = doc->patterns().size();
        }
        for (std::size_t k = 0; k < count; ++k) {
            std::shared_ptr<const subhost::MapSource> source;
            const auto doc = subhost::ParseSvgMap(bytes, file, &source);
            const subhost::Pattern& pattern = *doc->patterns()[k];
            SCOPED_TRACE(file + ": " + pattern.name);
            // The symbol's place on the page (the pattern's own space is SVG's, y down), with
            // room for its strokes.
            geometry::Rect area = subhost::ArtBounds(*pattern.art).rect();
            if (area.right <= area.left) {
                continue;
            }
            const double room = 2 + 0.1 * std::max(area.right - area.left, area.top - area.bottom);
            area = {area.left - room, area.top + room, area.right + room, area.bottom - room};
            // Placed as text to object places it: a copy of the pattern's art turned into the
            // document's y up, where a <use> of the symbol puts it.
            Art& layer = *doc->layers().front()->group;
            Art& copy = doc->Duplicate(*pattern.art, kPlaceInsideOnTop, layer);
            subhost::TransformArt(copy, geometry::Matrix::Scale(1, -1), 1, kTransformObjects);
            copy.tags["kznObjectName"] = pattern.name;
            const std::string placed = subhost::FormatSvgMap(*doc, source.get());
            // The symbol itself: the file with a <use> of it in the same place.
            const std::string own = bytes.substr(0, bytes.rfind("</svg>")) + "<use href=\"#" +
                                    SymbolId(bytes, k) + "\"/></svg>\n";
            std::string error;
            const Ink mine = Draw(own, area, error);
            const Ink drawn = Draw(placed, area, error);
            EXPECT_EQ(error, "");
            EXPECT_GT(mine.alpha, 0);
            EXPECT_TRUE(Near(drawn.alpha, mine.alpha, mine.alpha))
                << "ink " << drawn.alpha << ", its own " << mine.alpha;
            EXPECT_TRUE(Near(drawn.r, mine.r, mine.alpha) && Near(drawn.g, mine.g, mine.alpha) &&
                        Near(drawn.b, mine.b, mine.alpha))
                << "colour " << drawn.r << "," << drawn.g << "," << drawn.b << ", its own "
                << mine.r << "," << mine.g << "," << mine.b;
            ++symbols;
        }
    }
    EXPECT_GT(symbols, 250);
}

}  // namespace
