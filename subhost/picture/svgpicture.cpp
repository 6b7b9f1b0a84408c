#include "subhost/picture/svgpicture.h"

#include <gio/gio.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "subhost/mapforms/svgform.h"
#include "subhost/picture/canvas.h"
#include "subhost/picture/legend.h"
#include "subhost/picture/mappicture.h"

namespace subhost::picture {
namespace {

struct HandleDeleter {
    void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};
using Handle = std::unique_ptr<RsvgHandle, HandleDeleter>;

std::string Message(GError* error) {
    std::string message = error != nullptr ? error->message : "no reason given";
    g_clear_error(&error);
    return message;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimmedStart(std::string_view v) {
    while (!v.empty() && IsBlank(v.front())) {
        v.remove_prefix(1);
    }
    return v;
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

// Whether a length, as the markup spells it (a character reference for its sign included), is a
// negative number.
bool NegativeLength(std::string_view v) {
    v = TrimmedStart(v);
    if (v.starts_with('-')) {
        v.remove_prefix(1);
    } else if (v.starts_with("&#")) {
        v.remove_prefix(2);
        const int base = StartsNoCase(v, "x") ? 16 : 10;
        v.remove_prefix(base == 16 ? 1 : 0);
        unsigned code = 0;
        const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), code, base);
        if (error != std::errc() || end == v.data() + v.size() || *end != ';' || code != '-') {
            return false;
        }
        v.remove_prefix(static_cast<std::size_t>(end - v.data()) + 1);
    } else {
        return false;
    }
    return !v.empty() && (std::isdigit(static_cast<unsigned char>(v.front())) || v.front() == '.');
}

// The value of the font shorthand with a negative size (and its line height) made 0.
std::string ShorthandWithoutNegativeSize(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t end = std::min(value.find_first_of(" \t\r\n", i), value.size());
        const std::string_view word = value.substr(i, end - i);
        out += NegativeLength(word) ? std::string_view("0") : word;
        const std::size_t next = std::min(value.find_first_not_of(" \t\r\n", end), value.size());
        out += value.substr(end, next - end);
        i = next;
    }
    return out;
}

// CSS (declarations, or a style sheet's rules) with each negative font size, of font-size or of
// the font shorthand, made 0.
std::string CssWithoutNegativeFontSizes(std::string_view css) {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = 0; at < css.size(); ++at) {
        const bool nameStarts = at == 0 || IsBlank(css[at - 1]) || css[at - 1] == ';' ||
                                css[at - 1] == '{' || css[at - 1] == '/';
        if (!nameStarts || !StartsNoCase(css.substr(at), "font")) {
            continue;
        }
        const bool size = StartsNoCase(css.substr(at), "font-size");
        std::size_t colon = at + (size ? 9 : 4);
        while (colon < css.size() && IsBlank(css[colon])) {
            ++colon;
        }
        if (colon >= css.size() || css[colon] != ':') {
            continue;
        }
        const std::size_t begin = colon + 1;
        // The value ends at ';', '}' or '!', but not at the end of a character reference.
        std::size_t end = begin;
        while (end < css.size() && css[end] != '}' && css[end] != '!' && css[end] != ';') {
            const std::size_t reference =
                css.substr(end).starts_with("&#") ? css.find(';', end) : std::string_view::npos;
            end = reference == std::string_view::npos ? end + 1 : reference + 1;
        }
        const std::string_view value = css.substr(begin, end - begin);
        const std::string fixed =
            size ? (NegativeLength(value) ? std::string("0") : std::string(value))
                 : ShorthandWithoutNegativeSize(value);
        if (fixed != value) {
            out.append(css.substr(copied, begin - copied)).append(fixed);
            copied = end;
        }
        at = end;
    }
    if (copied == 0) {
        return std::string(css);
    }
    return out.append(css.substr(copied));
}

// Where the markup of SVG starting at AT ends, past ENDING (or the end of SVG).
std::size_t Past(const std::string& svg, std::size_t at, std::string_view ending) {
    const std::size_t found = svg.find(ending, at);
    return found == std::string::npos ? svg.size() : found + ending.size();
}

// Where the start tag that begins at a '<' of markup ends (past its '>'), and whether the element
// ends with it (<g/>).
struct TagEnd {
    std::size_t end = 0;
    bool empty = false;
};

// Hands each attribute of the start tag that begins at TAG in SVG to SEE: its name, and where its
// value lies (quotes left out); SEE returns true to look no further.
template <typename See>
TagEnd Attributes(const std::string& svg, std::size_t tag, See see) {
    std::size_t j = std::min(svg.find_first_of(" \t\r\n/>", tag), svg.size());
    for (;;) {
        while (j < svg.size() && IsBlank(svg[j])) {
            ++j;
        }
        if (j >= svg.size() || svg[j] == '>' || svg[j] == '/') {
            return {Past(svg, j, ">"), j < svg.size() && svg[j] == '/'};
        }
        const std::size_t equals = svg.find('=', j);
        const std::size_t open = svg.find_first_of("\"'", equals);
        const std::size_t close = open == std::string::npos ? open : svg.find(svg[open], open + 1);
        if (close == std::string::npos) {
            return {svg.size(), false};
        }
        std::string_view name = std::string_view(svg).substr(j, equals - j);
        while (!name.empty() && IsBlank(name.back())) {
            name.remove_suffix(1);
        }
        if (see(name, open + 1, close)) {
            return {close + 1, false};
        }
        j = close + 1;
    }
}

// What librsvg is given of a map's markup. librsvg hands a text's font size to pango as it is,
// and pango refuses a negative one (with a CRITICAL on standard error) and sets the text at its
// own default size. A negative font size draws nothing here, as a JSON map's text too small to see
// draws nothing (canvas.h): each one the markup gives, in a font-size attribute, a style attribute
// or a style sheet (librsvg reads no font attribute), is made 0. Null where there is none (the
// markup is given as it is).
std::optional<std::string> WithoutNegativeFontSizes(const std::string& svg) {
    struct Edit {
        std::size_t begin, end;
        std::string text;
    };
    std::vector<Edit> edits;
    const auto edit = [&](std::size_t begin, std::size_t end, std::string text) {
        if (std::string_view(svg).substr(begin, end - begin) != text) {
            edits.push_back({begin, end, std::move(text)});
        }
    };
    for (std::size_t i = 0; (i = svg.find('<', i)) != std::string::npos;) {
        const std::string_view rest = std::string_view(svg).substr(i);
        if (rest.starts_with("<!--")) {
            i = Past(svg, i + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            i = Past(svg, i, "]]>");
        } else if (rest.starts_with("<?")) {
            i = Past(svg, i, "?>");
        } else if (rest.starts_with("<!")) {
            // A document type: its internal subset in brackets may hold '>' in quotes.
            char quote = 0;
            int depth = 0;
            for (++i; i < svg.size(); ++i) {
                const char c = svg[i];
                if (quote != 0) {
                    quote = c == quote ? 0 : quote;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '[' || c == ']') {
                    depth += c == '[' ? 1 : -1;
                } else if (c == '>' && depth <= 0) {
                    break;
                }
            }
            ++i;
        } else if (rest.starts_with("</")) {
            i = Past(svg, i, ">");
        } else {
            // A start tag: its name, then its attributes.
            const std::string_view name = std::string_view(svg).substr(
                i + 1, std::min(svg.find_first_of(" \t\r\n/>", i), svg.size()) - i - 1);
            const auto [tagEnd, empty] = Attributes(
                svg, i, [&](std::string_view attribute, std::size_t begin, std::size_t end) {
                    const std::string_view value = std::string_view(svg).substr(begin, end - begin);
                    if (attribute == "font-size" && NegativeLength(value)) {
                        edit(begin, end, "0");
                    } else if (attribute == "style") {
                        edit(begin, end, CssWithoutNegativeFontSizes(value));
                    }
                    return false;
                });
            std::size_t j = tagEnd;
            const std::size_t colon = name.rfind(':');
            if (!empty && name.substr(colon == std::string_view::npos ? 0 : colon + 1) == "style") {
                // A style sheet: CSS up to its end tag, CDATA sections and comments included.
                std::size_t end = j;
                while ((end = svg.find('<', end)) != std::string::npos) {
                    const std::string_view at = std::string_view(svg).substr(end);
                    if (!at.starts_with("<![CDATA[") && !at.starts_with("<!--")) {
                        break;
                    }
                    end = Past(svg, end, at.starts_with("<!--") ? "-->" : "]]>");
                }
                end = std::min(end, svg.size());
                edit(j, end, CssWithoutNegativeFontSizes(std::string_view(svg).substr(j, end - j)));
                j = end;
            }
            i = j;
        }
    }
    if (edits.empty()) {
        return std::nullopt;
    }
    std::string fixed;
    std::size_t copied = 0;
    for (const Edit& e : edits) {
        fixed.append(svg, copied, e.begin - copied).append(e.text);
        copied = e.end;
    }
    return fixed.append(svg, copied);
}

// librsvg's reading of SVG markup. No base file: nothing the markup names outside itself is
// loaded. No bound on the size of a text or an attribute (an embedded image may be large): the
// markup already passed the map reader, which refuses what is not well-formed and entity bombs.
Handle Load(const std::string& markup) {
    const std::optional<std::string> fixed = WithoutNegativeFontSizes(markup);
    const std::string& svg = fixed ? *fixed : markup;
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

// ---- The legend's symbols

// The tag a symbol carries while the map is written for its legend.
constexpr const char* kMarkTag = "kznLegendLine";

// A value of kMarkTag that no map holds: random, so that a map cannot hold it beforehand.
std::string NewMark() {
    std::random_device random;
    char mark[40];
    std::snprintf(mark, sizeof mark, "kzn-legend-%08x%08x-", random(), random());
    return mark;
}

// Tags each line's symbol, for as long as it lives, with the mark and the line's number, so that
// the map's markup tells which element each symbol is; the tags are put back as they were.
class MarkSymbols {
  public:
    MarkSymbols(const std::vector<LegendLine>& lines, const std::string& mark) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // The symbols are art of the document RenderSvgLegend was given to change.
            Art* art = const_cast<Art*>(lines[i].symbol);
            const auto tag = art->tags.find(kMarkTag);
            before_.emplace_back(
                art, tag == art->tags.end() ? std::nullopt : std::optional(tag->second));
            art->tags[kMarkTag] = mark + std::to_string(i);
        }
    }
    ~MarkSymbols() {
        for (auto& [art, tag] : before_) {
            if (tag) {
                art->tags[kMarkTag] = *tag;
            } else {
                art->tags.erase(kMarkTag);
            }
        }
    }
    MarkSymbols(const MarkSymbols&) = delete;
    MarkSymbols& operator=(const MarkSymbols&) = delete;

  private:
    std::vector<std::pair<Art*, std::optional<std::string>>> before_;
};

// The id of the element whose start tag begins at TAG in SVG: where its value lies, if it has one.
std::optional<std::pair<std::size_t, std::size_t>> IdOf(const std::string& svg, std::size_t tag) {
    std::optional<std::pair<std::size_t, std::size_t>> id;
    Attributes(svg, tag, [&](std::string_view name, std::size_t begin, std::size_t end) {
        if (name == "id") {
            id = std::pair{begin, end};
        }
        return id.has_value();
    });
    return id;
}

// Where SVG first gives an element the id ID, as librsvg finds elements by id (the first of an
// id): the start of its value.
std::size_t FirstWithId(const std::string& svg, const std::string& id) {
    std::size_t first = std::string::npos;
    for (const char quote : {'"', '\''}) {
        const std::string attribute = std::string("id=") + quote + id + quote;
        for (std::size_t at = 0; (at = svg.find(attribute, at)) != std::string::npos; ++at) {
            if (at > 0 && IsBlank(svg[at - 1])) {
                first = std::min(first, at + 4);
                break;
            }
        }
    }
    return first;
}

// Takes the marks MarkSymbols put into SVG out of it, and gives the id by which librsvg finds each
// of the LINES symbols' elements: the element's own id, where librsvg finds the element by it, or
// the mark made its id where it has none. Empty for a symbol whose element cannot be found so.
std::vector<std::string> TakeMarks(std::string& svg, const std::string& mark, std::size_t lines) {
    std::vector<std::string> ids(lines);
    const std::string value = std::string(kMarkTag) + "=\"" + mark;
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = 0; (at = svg.find(value, at)) != std::string::npos; ++at) {
        // The attribute, its prefix and the blank before it.
        std::size_t begin = at;
        while (begin > 0 && !IsBlank(svg[begin - 1])) {
            --begin;
        }
        const std::size_t close = svg.find('"', at + value.size());
        const std::size_t tag = svg.rfind('<', begin);
        std::size_t line = lines;
        std::from_chars(svg.data() + at + value.size(), svg.data() + close, line);
        if (begin == 0 || close == std::string::npos || tag == std::string::npos || line >= lines) {
            continue;
        }
        std::string replacement;
        if (const auto id = IdOf(svg, tag)) {
            const std::string own = svg.substr(id->first, id->second - id->first);
            if (own.find_first_of("&\t\r\n") == std::string::npos &&
                FirstWithId(svg, own) == id->first) {
                ids[line] = own;
            }
        } else {
            ids[line] =
                svg.substr(at + std::strlen(kMarkTag) + 2, close - at - std::strlen(kMarkTag) - 2);
            replacement = " id=\"" + ids[line] + "\"";
        }
        out.append(svg, copied, begin - 1 - copied).append(replacement);
        copied = close + 1;
    }
    out.append(svg, copied);
    svg = std::move(out);
    return ids;
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
    FormatOf(path);  // a name that is no picture's, before anything is drawn
    // The map is written once, each symbol marked, and read by librsvg once, however many symbols
    // stand near each other: each cell shows its symbol's element alone, as librsvg draws one
    // element of a map (in its place, with what its ancestors give it), and nothing round it. That
    // is done as the legend is drawn, once its size is known to be within the bounds.
    Handle handle;
    Frame frame;
    std::vector<std::string> ids;
    const auto read = [&] {
        const std::string mark = NewMark();
        std::string svg;
        {
            const MarkSymbols marked(lines, mark);
            svg = FormatSvgMap(document, &source);
        }
        ids = TakeMarks(svg, mark, lines.size());
        handle = Load(svg);
        frame = FrameOf(handle.get());
    };
    RenderLegend(lines, path,
                 [&](cairo_t* cr, std::size_t line, const geometry::Matrix& toPixels,
                     const LegendCell& cell) {
                     if (handle == nullptr) {
                         read();
                     }
                     cairo_rectangle(cr, cell.left, cell.top, cell.width, cell.height);
                     cairo_clip(cr);
                     if (ids[line].empty()) {
                         // An element librsvg cannot be asked for: the symbol as the host holds it.
                         PaintArt(cr, *lines[line].symbol, toPixels);
                         return;
                     }
                     // The root's user units (x, y) are the document's (x, -y).
                     const geometry::Matrix m = geometry::Matrix::Scale(1, -1).Then(toPixels);
                     cairo_matrix_t c;
                     cairo_matrix_init(&c, m.a, m.b, m.c, m.d, m.tx, m.ty);
                     cairo_transform(cr, &c);
                     GError* error = nullptr;
                     if (!rsvg_handle_render_layer(handle.get(), cr, ("#" + ids[line]).c_str(),
                                                   &frame.viewport, &error)) {
                         throw PictureError("the map cannot be drawn: " + Message(error));
                     }
                 });
}

}  // namespace subhost::picture
