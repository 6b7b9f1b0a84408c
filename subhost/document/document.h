// The host's document: layers, the art tree, text objects, patterns and swatches. Handles stay
// valid while their object lives; a handle of an object that is gone is refused.
#pragma once

#include <array>
#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ai.h"
#include "subhost/geometry/geometry.h"
#include "subhost/handles.h"
#include "subhost/values.h"

namespace subhost {

// How deep art may be nested: a layer's or a pattern's own art is 1 deep, a child of a group 2
// deep. Reading, writing and comparing maps, the host's walks over art and the module's own walks
// recurse once per level; this bound keeps all of them far from the end of the smallest stack
// they run on (1 MB on 32-bit Windows), sanitizers included. A deeper map is refused, and the
// host makes no art deeper: what it writes always reads back.
constexpr int kMaxArtDepth = 100;

// The largest magnitude a number a map reader puts into the document may have (coordinates,
// orientations, sizes, widths). The module computes in 32-bit floats, which end at 3.4e38: a
// map of a continent in points spans about 1e7, this bound is 1e8 times that, and even a product
// of two numbers within it (1e30) stays a float.
constexpr double kMaxMapNumber = 1e15;

// Whether V is a number a map may hold: finite and within kMaxMapNumber.
inline bool MapNumber(double v) {
    return v >= -kMaxMapNumber && v <= kMaxMapNumber;
}

// What a map being read may hold, all told, so that reading it takes memory in proportion to what
// it holds, and a few GB at most (docs/maps.md gives the bounds and what they cost). The readers
// take from it before they make what they take for, copies an SVG <use> makes included.
class MapBudget {
  public:
    enum Kind {
        kElements,    // of an SVG file: its tags, comments and other markup
        kAttributes,  // of an SVG file
        kObjects,     // art objects, layers, patterns, swatches
        kPoints,      // of paths
        kValues,      // tags and kept paint properties
        kCharacters,  // of texts, tags and kept paint
        kCopies,      // nodes an SVG <use> copies (the time copying takes)
        kKinds
    };
    static constexpr std::array<std::size_t, kKinds> kBounds = {
        5'000'000, 10'000'000, 1'000'000, 5'000'000, 2'000'000, 100'000'000, 10'000'000};

    // Takes N of KIND; false, and nothing taken, where the map would then hold more than its bound.
    bool Take(Kind kind, std::size_t n = 1) {
        if (n > kBounds[kind] - held_[kind]) {
            return false;
        }
        held_[kind] += n;
        return true;
    }
    // How many more of KIND the map may hold.
    std::size_t Left(Kind kind) const { return kBounds[kind] - held_[kind]; }
    // What a person is told when KIND ran out ("the map would hold more than 5,000,000 path
    // points").
    static std::string Exceeded(Kind kind);

  private:
    std::array<std::size_t, kKinds> held_{};
};

using geometry::Point;

struct Segment {
    Point p;
    Point in;
    Point out;
    bool corner = false;
    bool operator==(const Segment&) const = default;
};

struct Paint {
    double gray = 0;
    double width = 0;  // strokes only
    bool operator==(const Paint&) const = default;
};

struct PathStyle {
    std::optional<Paint> fill;
    std::optional<Paint> stroke;
    bool operator==(const PathStyle&) const = default;
};

// How a path is painted in the map it was read from, as CSS properties resolved for the path
// itself (what it inherits and what class rules give it included: a copy of it is painted the
// same wherever it stands), beside the gray tints the module reads and sets (paint.h). Empty for
// art the host made.
struct KeptPaint {
    std::map<std::string, std::string> properties;  // "fill" -> "#d62728", ...
    PathStyle tints;  // the tints the host gave the path from these properties
    bool operator==(const KeptPaint&) const = default;
};

struct Layer;
struct Art;

// The children of a group or compound path, the front-most first. Each art knows its place in
// its parent's list, so that its neighbours are found, and art is inserted, moved or removed
// anywhere in the list, at the same cost whatever the list's length. Counting from the front
// (operator[], at) walks the list.
class ChildList {
  public:
    using List = std::list<Art*>;
    using value_type = Art*;
    using iterator = List::iterator;
    using const_iterator = List::const_iterator;
    using reverse_iterator = List::reverse_iterator;
    using const_reverse_iterator = List::const_reverse_iterator;

    iterator begin() { return list_.begin(); }
    iterator end() { return list_.end(); }
    const_iterator begin() const { return list_.begin(); }
    const_iterator end() const { return list_.end(); }
    reverse_iterator rbegin() { return list_.rbegin(); }
    reverse_iterator rend() { return list_.rend(); }
    const_reverse_iterator rbegin() const { return list_.rbegin(); }
    const_reverse_iterator rend() const { return list_.rend(); }
    std::size_t size() const { return list_.size(); }
    bool empty() const { return list_.empty(); }
    Art* front() const { return list_.front(); }
    Art* back() const { return list_.back(); }
    Art* operator[](std::size_t index) const { return *std::next(list_.begin(), Offset(index)); }
    // The child at INDEX; throws std::out_of_range past the end.
    Art* at(std::size_t index) const;

    // Puts ART before POSITION (or last) and records its place there.
    iterator insert(const_iterator position, Art* art);
    void push_back(Art* art) { insert(list_.end(), art); }
    void erase(const_iterator position) { list_.erase(position); }
    void pop_back() { list_.pop_back(); }
    void clear() { list_.clear(); }

  private:
    static std::ptrdiff_t Offset(std::size_t index) { return static_cast<std::ptrdiff_t>(index); }
    List list_;
};

// How a text was written in the map it was read from, where that is not how its Shift-JIS bytes
// are written (code page 932 gives several characters one form: ¥ and \, 〜 and ～): it is
// written back so while the text holds the same bytes.
struct Spelling {
    std::string bytes;    // Shift-JIS, as read
    std::string written;  // UTF-8, as the map had it
};
using Spellings = std::map<std::string, Spelling>;

struct Art {
    ArtHandle ref = nullptr;
    ASInt32 type = kGroupArt;
    Art* parent = nullptr;
    Layer* layer = nullptr;                   // set on a layer's top-level group
    ChildList children;                       // groups and compound paths; the first is in front
    ChildList::iterator place;                // where it is in its parent's children
    std::map<std::string, std::string> tags;  // Shift-JIS names and values
    Spellings spellings;  // of the text ("") and of tag values (by tag name), where they differ
    bool locked = false;
    bool hidden = false;
    bool selected = false;
    // The option bits of the last transform it was given (0 before any), as they were given.
    ASInt32 transformOptions = 0;
    // Paths.
    bool closed = false;
    std::vector<Segment> segments;
    PathStyle style;
    KeptPaint paint;  // in force while the module has not set other tints (paint.h)
    // Texts.
    std::string text;  // Shift-JIS
    Point anchor;
    double size = 12;
    // The text's orientation [a, b, c, d]: its writing direction (a, b) and its up direction
    // (c, d) as the document sees them.
    std::array<double, 4> matrix{1, 0, 0, 1};
    Art* textPath = nullptr;  // a path the text runs along (owned by this text)
    bool area = false;        // the text fills the inside of textPath instead (an area text)
};

struct Layer {
    LayerHandle ref = nullptr;
    std::string title;    // Shift-JIS
    Spellings spellings;  // of the title (""), where it differs
    bool editable = true;
    Art* group = nullptr;
};

struct Pattern {
    PatternHandle ref = nullptr;
    std::string name;     // Shift-JIS
    Spellings spellings;  // of the name (""), where it differs
    Art* art = nullptr;
};

struct Swatch {
    SwatchHandle ref = nullptr;
    std::size_t index = 0;       // in the document's swatch list
    Pattern* pattern = nullptr;  // a pattern swatch; otherwise a gray
    double gray = 0;
};

// The layout of a text object (its text path) and its first line: the module's handles on them
// stay valid while the text lives.
struct TextLayout {
    ArtHandle text = nullptr;
    TextPathRef path = nullptr;
    TextLineRef firstLine = nullptr;
};

struct TextLine {
    ArtHandle text = nullptr;
};

// An open text stream on a text object.
struct TextStream {
    ArtHandle art = nullptr;
    ASInt32 mode = 0;
    std::size_t position = 0;
};

class Document {
  public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Layers from the top one down.
    const std::vector<Layer*>& layers() const { return layers_; }
    std::size_t currentLayer() const { return current_; }
    void SetCurrentLayer(std::size_t index);
    const std::vector<Pattern*>& patterns() const { return patterns_; }
    const std::vector<Swatch*>& swatches() const { return swatches_; }

    // Building. A new layer goes at INDEX (0 = top); art is added as the last child of PARENT.
    Layer& AddLayer(std::size_t index, const std::string& title, bool editable);
    Art& NewArt(ASInt32 type, Art* parent);
    Art& NewTextPath(Art& text);
    Pattern& AddPattern(const std::string& name);
    Swatch& AddSwatch(Pattern* pattern, double gray);

    // What the module's art calls do. PAINTORDER places art relative to PREP: kPlaceAbove
    // directly before PREP in its parent's children (the children list has the front-most
    // first), kPlaceBelow directly after it, kPlaceInsideOnTop / kPlaceInsideOnBottom first / last
    // child of PREP (a group, or a compound path, which holds only paths). A place that does not
    // exist throws HostError and changes nothing.
    Art& NewArt(ASInt32 type, ASInt32 paintOrder, Art& prep);
    // A deep copy of ART (which may be a pattern's art) placed relative to PREP.
    Art& Duplicate(const Art& art, ASInt32 paintOrder, Art& prep);
    // Moves ART; a layer's group, a pattern's art and a text's path stay where they are, and art
    // is never moved into itself.
    void Reorder(Art& art, ASInt32 paintOrder, Art& prep);
    // A new layer above BASE with the host's default title (DefaultLayerTitle).
    Layer& InsertLayer(const Layer& base, ASInt32 paintOrder);
    // The title the host gives a layer it makes: "レイヤー N" (Shift-JIS), N being the number of
    // layers the document has once the layer is in.
    static std::string DefaultLayerTitle(std::size_t layers);

    // Objects by handle; a null, unknown or disposed handle throws HostError.
    Art& Get(ArtHandle ref) const { return art_.Get(ref); }
    Layer& Get(LayerHandle ref) const { return layerTable_.Get(ref); }
    Pattern& Get(PatternHandle ref) const { return patternTable_.Get(ref); }
    Swatch& Get(SwatchHandle ref) const { return swatchTable_.Get(ref); }
    TextStream& Get(TextStreamRef ref) const { return streams_.Get(ref); }
    TextLayout& Get(TextPathRef ref) const { return layouts_.Get(ref); }
    TextLine& Get(TextLineRef ref) const { return lines_.Get(ref); }
    bool Alive(ArtHandle ref) const { return art_.Find(ref) != nullptr; }

    // Removes ART and everything in it from the document. A layer's group goes only with its
    // layer, a pattern's art with its pattern and a text's path with its text.
    void Dispose(Art& art);

    // The layout of text object TEXT, made when first asked for.
    TextLayout& LayoutOf(Art& text);

    TextStreamRef OpenStream(Art& text, ASInt32 mode);
    void CloseStream(TextStreamRef stream);
    std::size_t openStreams() const { return streams_.size(); }
    // What is wrong with the document's structure, one line each (none when it is sound): every
    // art object in exactly one place (a children list, a layer, a pattern or a text), its parent
    // and handle as the host knows them, and no art that is in no place at all.
    std::vector<std::string> Problems() const;
    std::size_t liveArt() const { return art_.size(); }

  private:
    void Forget(Art& art);
    // A copy of FROM and everything in it, in no children list yet.
    Art& Copy(const Art& from);
    // Where PAINTORDER puts art relative to PREP: the list and the child it goes before.
    struct Slot {
        Art* parent;
        ChildList::iterator before;
    };
    Slot Place(ASInt32 paintOrder, Art& prep, ASInt32 type) const;
    // Refuses to put ART (with everything in it) into SLOT when that would nest it deeper than
    // kMaxArtDepth.
    static void CheckDepth(const Art& art, Slot slot);
    static void Insert(Art& art, Slot slot);

    std::vector<Layer*> layers_;
    std::size_t current_ = 0;
    std::vector<Pattern*> patterns_;
    std::vector<Swatch*> swatches_;
    HandleTable<ArtHandle, Art> art_{"art"};
    HandleTable<LayerHandle, Layer> layerTable_{"layer"};
    HandleTable<PatternHandle, Pattern> patternTable_{"pattern"};
    HandleTable<SwatchHandle, Swatch> swatchTable_{"swatch"};
    HandleTable<TextStreamRef, TextStream> streams_{"text stream"};
    HandleTable<TextPathRef, TextLayout> layouts_{"text path"};
    HandleTable<TextLineRef, TextLine> lines_{"text line"};
    std::map<ArtHandle, TextPathRef> layoutOf_;
};

}  // namespace subhost
