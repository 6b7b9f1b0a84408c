#include "subhost/picture/legend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "subhost/picture/canvas.h"
#include "subhost/picture/mappicture.h"
#include "subhost/sjis.h"

namespace subhost::picture {
namespace {

constexpr const char* kNameTag = "kznObjectName";

// The legend's layout, in pixels.
constexpr double kPad = 12;        // round the whole
constexpr double kTitleSize = 18;  // the title's text
constexpr double kTextSize = 14;   // names and counts
constexpr double kCell = 24;       // every symbol is drawn this large
constexpr double kRowGap = 8;      // between rows
constexpr double kColumnGap = 16;  // between symbol, name and count
constexpr double kMinRow = 24;

std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

struct Found {
    LegendLine line;
    std::set<const Art*> points;
    std::size_t first = 0;
};

void Collect(const Art& art, std::map<std::string, Found>& found, std::size_t& order) {
    if (art.hidden) {
        return;
    }
    // A symbol is a group, or a path or compound path (a pattern whose art is one path is placed
    // as one), with a name; a symbol inside another counts at that one.
    const auto tag = art.tags.find(kNameTag);
    if (art.type != kTextArt && art.layer == nullptr && tag != art.tags.end() &&
        !tag->second.empty()) {
        Found& f = found[tag->second];
        if (f.line.symbol == nullptr) {
            f.line.name = tag->second;
            f.line.symbol = &art;
            f.first = order++;
        }
        const bool onLayer = art.parent == nullptr || art.parent->layer != nullptr;
        f.points.insert(onLayer ? &art : art.parent);
    }
    for (const Art* child : art.children) {
        Collect(*child, found, order);
    }
}

// Where a symbol's visible drawing stands, and the factor that fits it into a cell.
struct Fit {
    geometry::Rect r;
    double factor = 1;
    bool anything = false;
};

Fit FitOf(const Art& symbol) {
    const geometry::Bounds b = VisibleBounds(symbol);
    Fit fit;
    fit.r = b.rect();
    const double larger = std::max(fit.r.width(), fit.r.height());
    fit.factor = larger > 0 ? kCell / larger : 1;
    // Bounds too small to enlarge to a cell (or too large to measure) show nothing.
    fit.anything = !b.empty() && std::isfinite(fit.factor) && std::isfinite(larger);
    if (!fit.anything) {
        fit = Fit{};
    }
    return fit;
}

}  // namespace

std::vector<LegendLine> LegendOf(const Document& document) {
    std::map<std::string, Found> found;
    std::size_t order = 0;
    for (const Layer* layer : document.layers()) {
        Collect(*layer->group, found, order);
    }
    std::vector<Found*> all;
    for (auto& [name, f] : found) {
        f.line.points = static_cast<int>(f.points.size());
        all.push_back(&f);
    }
    std::sort(all.begin(), all.end(), [](const Found* a, const Found* b) {
        return a->line.points != b->line.points ? a->line.points > b->line.points
                                                : a->first < b->first;
    });
    std::vector<LegendLine> lines;
    for (const Found* f : all) {
        lines.push_back(f->line);
    }
    return lines;
}

void RenderLegend(const Document& document, const std::string& path) {
    const std::vector<LegendLine> lines = LegendOf(document);
    RenderLegend(lines, path,
                 [&](cairo_t* cr, std::size_t line, const geometry::Matrix& toPixels,
                     const LegendCell&) { PaintArt(cr, *lines[line].symbol, toPixels); });
}

void RenderLegend(const std::vector<LegendLine>& lines, const std::string& path,
                  const SymbolPainter& paint) {
    const std::string title = U8(u8"凡例");
    const std::string none = U8(u8"記号はありません");

    // Measure first, on a scratch surface.
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> scratch(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1), cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> measure(cairo_create(scratch.get()),
                                                               cairo_destroy);
    double symbolColumn = 0;
    double nameColumn = TextWidth(measure.get(), lines.empty() ? none : title, kTextSize);
    double countColumn = 0;
    double height = kPad + kTitleSize * 1.5;
    std::vector<Fit> fits;
    std::vector<double> rows;
    for (const LegendLine& line : lines) {
        const Fit fit = FitOf(*line.symbol);
        fits.push_back(fit);
        symbolColumn = std::max(symbolColumn, fit.r.width() * fit.factor);
        nameColumn = std::max(nameColumn, TextWidth(measure.get(), ShowSjis(line.name), kTextSize));
        countColumn =
            std::max(countColumn, TextWidth(measure.get(), std::to_string(line.points), kTextSize));
        rows.push_back(std::max(kMinRow, fit.r.height() * fit.factor + kRowGap));
    }
    for (double row : rows) {
        height += row;
    }
    height += lines.empty() ? kMinRow + kPad : kPad;
    const double width = kPad + symbolColumn + kColumnGap + nameColumn + kColumnGap +
                         std::max(countColumn, 1.0) + kPad;
    // The bound of every picture, checked before anything is drawn or written.
    if (!(width <= kMostPixelsASide && height <= kMostPixelsASide)) {
        char why[200];
        std::snprintf(why, sizeof why,
                      ": the legend is %.6g by %.6g pixels, more than 1000000 pixels a side (the "
                      "bound of every picture)",
                      std::ceil(width), std::ceil(height));
        throw PictureError(path + why);
    }

    WritePicture(path, static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height)),
                 [&](cairo_t* cr) {
                     cairo_set_source_rgb(cr, 1, 1, 1);
                     cairo_paint(cr);
                     cairo_set_source_rgb(cr, 0, 0, 0);
                     cairo_save(cr);
                     cairo_translate(cr, kPad, kPad + kTitleSize);
                     ShowText(cr, title, kTitleSize);
                     cairo_restore(cr);
                     double top = kPad + kTitleSize * 1.5;
                     if (lines.empty()) {
                         ShowTextIn(cr, none, kTextSize, kPad, top, width - 2 * kPad, kMinRow);
                     }
                     const double nameLeft = kPad + symbolColumn + kColumnGap;
                     const double countLeft = nameLeft + nameColumn + kColumnGap;
                     for (std::size_t i = 0; i < lines.size(); ++i) {
                         const Fit& fit = fits[i];
                         if (fit.anything) {
                             const double f = fit.factor;
                             const double left = kPad + (symbolColumn - fit.r.width() * f) / 2;
                             const double up = top + (rows[i] - fit.r.height() * f) / 2;
                             cairo_save(cr);
                             paint(
                                 cr, i,
                                 geometry::Matrix::Translation(-fit.r.left, -fit.r.top)
                                     .Then(geometry::Matrix::Scale(f, -f))
                                     .Then(geometry::Matrix::Translation(left, up)),
                                 {kPad - kColumnGap / 2, top, symbolColumn + kColumnGap, rows[i]});
                             cairo_restore(cr);
                         }
                         cairo_set_source_rgb(cr, 0, 0, 0);
                         ShowTextIn(cr, ShowSjis(lines[i].name), kTextSize, nameLeft, top,
                                    nameColumn, rows[i]);
                         const std::string count = std::to_string(lines[i].points);
                         const double countWidth = TextWidth(cr, count, kTextSize);
                         ShowTextIn(cr, count, kTextSize,
                                    countLeft + std::max(countColumn, 1.0) - countWidth, top,
                                    countWidth + 1, rows[i]);
                         top += rows[i];
                     }
                 });
}

}  // namespace subhost::picture
