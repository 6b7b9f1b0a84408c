// Reading a map's JSON text straight into a document. The parser's events are followed knowing
// what each value is for, so no tree of the whole text is made (such a tree took several times
// the map's bytes and most of the reading time). Each value is checked where it stands, and
// what is wrong is named with its JSON path.
#include <algorithm>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "subhost/document/artfields.h"
#include "subhost/document/artgeometry.h"
#include "subhost/document/paint.h"
#include "subhost/mapforms/jsonform.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

using nlohmann::json;

// A value that cannot be made sense of, at a JSON path.
struct Malformed {
    std::string path;
    std::string what;
};

// Where the parser is, so that a value can be named by its JSON path.
class Whereabouts {
  public:
    void Open(bool array) {
        // Frames are kept when closed, with what they hold, so that a map of many small objects
        // does not allocate for each.
        if (depth_ == frames_.size()) {
            frames_.emplace_back();
        }
        Frame& f = frames_[depth_++];
        f.array = array;
        f.index = 0;
        f.key.clear();
        f.keys.clear();
        if (!f.many.empty()) {
            f.many = {};  // its buckets go too: clearing them would cost their number each time
        }
    }
    // Whether KEY is new to the object it is in.
    bool Key(const std::string& key) {
        Frame& frame = frames_[depth_ - 1];
        frame.key = key;
        if (!frame.many.empty()) {
            return frame.many.insert(key).second;
        }
        if (std::find(frame.keys.begin(), frame.keys.end(), key) != frame.keys.end()) {
            return false;
        }
        frame.keys.push_back(key);
        // Objects of this form have a few keys; one with many (tags, or a map made to be slow)
        // is looked up through a hash.
        if (frame.keys.size() > 16) {
            frame.many.insert(frame.keys.begin(), frame.keys.end());
        }
        return true;
    }
    void Close() { --depth_; }
    // A value ended.
    void Done() {
        if (depth_ > 0 && frames_[depth_ - 1].array) {
            ++frames_[depth_ - 1].index;
        }
    }

    // The path of the value the parser is at.
    std::string Path() const { return PathIn(depth_); }
    // The path of the object or array the parser is in.
    std::string Container() const { return PathIn(depth_ - 1); }

  private:
    std::string PathIn(std::size_t frames) const {
        std::string path = "$";
        for (std::size_t i = 0; i < frames; ++i) {
            const Frame& f = frames_[i];
            path += f.array ? "[" + std::to_string(f.index) + "]" : "." + f.key;
        }
        return path;
    }

    struct Frame {
        bool array = false;
        std::size_t index = 0;
        std::string key;
        std::vector<std::string> keys;         // of an object, those met so far
        std::unordered_set<std::string> many;  // the same, once they are many
    };
    std::vector<Frame> frames_;
    std::size_t depth_ = 0;
};

// The keys of an ART are those of its fields (artfields.h), in alphabetical order (the order a
// wrong one is named in); those given are noted as bits of their places there.
constexpr unsigned Bit(std::size_t key) {
    return 1U << key;
}
constexpr unsigned KeysOf(ASInt32 type) {
    unsigned keys = 0;
    for (std::size_t i = 0; i < kArtFields.size(); ++i) {
        keys |= Holds(kArtFields[i], type) ? Bit(i) : 0;
    }
    return keys;
}

// What a value is read as.
enum class Kind {
    Document,
    Version,  // kzn-document
    Index,    // currentLayer
    Layers,   // the list of layers, of patterns, of swatches
    Patterns,
    Swatches,
    Layer,
    Pattern,
    Swatch,
    Arts,  // a layer's art or a group's children
    Art,
    TextPath,  // a text's path: an ART that must be a path
    Segments,
    Segment,
    Point,
    Matrix,
    Style,
    Paint,  // or null
    Tags,
    Css,       // a path's kept paint: CSS properties
    CssValue,  // one of its values: a string
    Text,      // a string, or {"sjis": "HEX BYTES"}
    Sjis,      // that object
    Number,
    Boolean,
    Type,  // an ART's type
};

// What the value of an ART's FIELD is read as.
Kind KindOf(ArtFieldId field) {
    switch (field) {
        case ArtFieldId::kAnchor:
            return Kind::Point;
        case ArtFieldId::kChildren:
            return Kind::Arts;
        case ArtFieldId::kClosed:
        case ArtFieldId::kHidden:
        case ArtFieldId::kLocked:
        case ArtFieldId::kSelected:
            return Kind::Boolean;
        case ArtFieldId::kMatrix:
            return Kind::Matrix;
        case ArtFieldId::kPaint:
            return Kind::Css;
        case ArtFieldId::kPath:
            return Kind::TextPath;
        case ArtFieldId::kSegments:
            return Kind::Segments;
        case ArtFieldId::kSize:
            return Kind::Number;
        case ArtFieldId::kStyle:
            return Kind::Style;
        case ArtFieldId::kTags:
            return Kind::Tags;
        case ArtFieldId::kText:
            return Kind::Text;
        case ArtFieldId::kType:
            break;
    }
    return Kind::Type;
}

// What is said of a value that is not what KIND wants.
const char* Wrong(Kind kind) {
    switch (kind) {
        case Kind::Version:
            return "must be 1 (the version of this map form)";
        case Kind::Index:
            return "must be a whole number";
        case Kind::Layers:
        case Kind::Patterns:
        case Kind::Swatches:
        case Kind::Arts:
        case Kind::Segments:
            return "must be an array";
        case Kind::Art:
        case Kind::Type:
            return "must be an object with a \"type\"";
        case Kind::TextPath:
            return "must be a path ART";
        case Kind::Point:
            return "must be a point [x, y]";
        case Kind::Matrix:
            return "must be an orientation [a, b, c, d]";
        case Kind::Tags:
            return "must be an object of tag values";
        case Kind::Css:
            return "must be an object of paint properties";
        case Kind::CssValue:
            return "must be a string (a CSS value)";
        case Kind::Text:
        case Kind::Sjis:
            return "must be a string (or {\"sjis\": \"HEX BYTES\"})";
        case Kind::Number:
            return "must be a number";
        case Kind::Boolean:
            return "must be true or false";
        default:
            return "must be an object";
    }
}

bool IsObject(Kind kind) {
    switch (kind) {
        case Kind::Document:
        case Kind::Layer:
        case Kind::Pattern:
        case Kind::Swatch:
        case Kind::Art:
        case Kind::TextPath:
        case Kind::Segment:
        case Kind::Style:
        case Kind::Paint:
        case Kind::Tags:
        case Kind::Css:
            return true;
        default:
            return false;
    }
}

bool IsArray(Kind kind) {
    switch (kind) {
        case Kind::Layers:
        case Kind::Patterns:
        case Kind::Swatches:
        case Kind::Arts:
        case Kind::Segments:
        case Kind::Point:
        case Kind::Matrix:
            return true;
        default:
            return false;
    }
}

// A text as read: its Shift-JIS bytes and, for a string, how it was written.
struct TextValue {
    std::string sjis;
    std::optional<std::string> written;
};

// Notes in SPELLINGS under KEY how TEXT was written, where writing its bytes would not give it
// back.
void Spell(const TextValue& text, Spellings& spellings, const std::string& key) {
    if (text.written && SjisToUtf8(text.sjis) != *text.written) {
        spellings[key] = {text.sjis, *text.written};
    }
}

// A swatch as read; it is added when the document ends, as it may name a pattern that follows.
struct SwatchValue {
    std::string path;
    std::optional<TextValue> pattern;
    std::optional<double> gray;
};

// The parser's events, in the form nlohmann's sax_parse gives them, read into a document.
class MapReader {
  public:
    explicit MapReader(Document& document) : doc_(document) {}

    bool null() {
        if (Wanted() == Kind::Paint) {
            return Value();
        }
        Refuse();
    }
    bool boolean(bool value) {
        const Kind kind = Wanted();
        if (kind != Kind::Boolean) {
            Refuse();
        }
        Object& o = stack_.back();
        if (o.kind == Kind::Layer) {
            doc_.layers().back()->editable = value;
        } else if (o.kind == Kind::Segment) {
            o.art->segments.back().corner = value;
        } else {
            VisitField(
                o.field->id,
                [&](auto& flag) {
                    if constexpr (std::is_same_v<decltype(flag), bool&>) {
                        flag = value;
                    }
                },
                *o.art);
        }
        return Value();
    }
    bool number_integer(json::number_integer_t value) { return Integer(value); }
    bool number_unsigned(json::number_unsigned_t value) {
        if (Wanted() == Kind::Number) {
            Put(static_cast<double>(value));
            return Value();
        }
        // Past the largest signed number it is neither 1 nor a layer's index.
        return Integer(value > static_cast<json::number_unsigned_t>(
                                   std::numeric_limits<json::number_integer_t>::max())
                           ? std::numeric_limits<json::number_integer_t>::max()
                           : static_cast<json::number_integer_t>(value));
    }
    bool number_float(json::number_float_t value, const json::string_t&) {
        const Kind kind = Wanted();
        if (kind != Kind::Number) {
            Refuse();
        }
        Put(value);
        return Value();
    }
    bool string(json::string_t& value) {
        const Kind kind = Wanted();
        if (kind == Kind::Type) {
            Object& o = stack_.back();
            o.type = value == "group"      ? kGroupArt
                     : value == "compound" ? kCompoundPathArt
                     : value == "path"     ? kPathArt
                     : value == "text"     ? kTextArt
                                           : 0;
            if (o.kind == Kind::TextPath && o.type != kPathArt) {
                Fail(where_.Container(), Wrong(Kind::TextPath));
            }
            if (o.type == 0) {
                Fail(where_.Path(), "is not one of group, compound, path, text");
            }
            CheckKeys(o);
            return Value();
        }
        if (kind == Kind::CssValue) {
            // Kept as the file spells it: the module never sees it, and a map writes it back.
            if (!IsUtf8(value) || value.find('\0') != std::string::npos) {
                Fail(where_.Path(), Wrong(kind));
            }
            Take(MapBudget::kCharacters, value.size());
            stack_.back().art->paint.properties[stack_.back().key] = value;
            return Value();
        }
        if (kind == Kind::Sjis) {
            Take(MapBudget::kCharacters, value.size());
            stack_.back().text.sjis = Hex(value);
            stack_.back().sjis = true;
            return Value();
        }
        if (kind != Kind::Text) {
            Refuse();
        }
        if (value.find('\0') != std::string::npos) {
            Fail(where_.Path(), "holds a NUL character (\\u0000), which a text cannot hold");
        }
        Take(MapBudget::kCharacters, value.size());
        std::optional<std::string> sjis = Utf8ToSjis(value);
        if (!sjis) {
            Fail(where_.Path(), "holds a character that has no Shift-JIS form");
        }
        Deliver(stack_.back(), TextValue{std::move(*sjis), std::move(value)});
        return Value();
    }
    bool binary(json::binary_t&) { Refuse(); }

    bool start_object(std::size_t) {
        const Kind kind = Wanted();
        if (!IsObject(kind) && kind != Kind::Text) {
            Refuse(true);
        }
        Object o;
        o.kind = kind == Kind::Text ? Kind::Sjis : kind;
        if (kind == Kind::Art || kind == Kind::TextPath) {
            Take(MapBudget::kObjects);
            StartArt(o, kind);
        } else if (kind == Kind::Layer) {
            Take(MapBudget::kObjects, 2);  // the layer and its group
            doc_.AddLayer(doc_.layers().size(), "", true);
        } else if (kind == Kind::Pattern) {
            Take(MapBudget::kObjects);
            o.pattern = &doc_.AddPattern("");
        } else if (kind == Kind::Swatch) {
            Take(MapBudget::kObjects);
            swatches_.push_back({where_.Path(), {}, {}});
        } else if (kind == Kind::Segment) {
            Take(MapBudget::kPoints);
            o.art = stack_.back().art;
            if (o.art->segments.empty()) {
                o.art->segments.reserve(4);  // a path has a few (JSON does not say how many)
            }
            o.art->segments.emplace_back();
        } else if (kind == Kind::Style || kind == Kind::Tags || kind == Kind::Css) {
            o.art = stack_.back().art;
        } else if (kind == Kind::Paint) {
            o.art = stack_.back().art;
            const bool fill = stack_.back().key == "fill";
            (fill ? o.art->style.fill : o.art->style.stroke) = Paint{0, fill ? 0.0 : 1.0};
            o.fill = fill;
        }
        where_.Open(false);
        stack_.push_back(std::move(o));
        return true;
    }
    bool key(json::string_t& key) {
        if (!where_.Key(key)) {
            Fail(where_.Path(), "is given twice in its object");
        }
        Object& o = stack_.back();
        o.key = key;
        if (o.kind == Kind::Art || o.kind == Kind::TextPath) {
            const auto* found = std::find_if(kArtFields.begin(), kArtFields.end(),
                                             [&](const ArtField& f) { return key == f.key; });
            if (found == kArtFields.end()) {
                Fail(where_.Path(), "is not a key of this object");
            }
            o.field = found;
            // A text's path is a path: one that holds a path of its own is refused at once, so
            // that paths inside paths cannot run on.
            if (o.kind == Kind::TextPath && key == "path") {
                Fail(where_.Container(), Wrong(Kind::TextPath));
            }
            o.keys |= Bit(static_cast<std::size_t>(found - kArtFields.begin()));
            if (o.type != 0) {
                CheckKeys(o);
            }
        } else if (o.kind == Kind::Tags) {
            Take(MapBudget::kValues);
            Take(MapBudget::kCharacters, key.size());
            if (key.find('\0') != std::string::npos) {
                Fail(where_.Path(), "has a name with a NUL character (\\u0000)");
            }
            std::optional<std::string> name = Utf8ToSjis(key);
            if (!name) {
                Fail(where_.Path(), "has a name with no Shift-JIS form");
            }
            // Two names of one Shift-JIS form (¥ and \\) would be one tag, a value lost.
            if (o.art->tags.count(*name) != 0) {
                Fail(where_.Path(),
                     "names a tag another name of this object names (Shift-JIS has one form for "
                     "both)");
            }
            o.tag = std::move(*name);
        } else if (o.kind == Kind::Css) {
            Take(MapBudget::kValues);
            Take(MapBudget::kCharacters, key.size());
            if (std::find_if(std::begin(kPaintProperties), std::end(kPaintProperties),
                             [&](const char* p) { return key == p; }) ==
                std::end(kPaintProperties)) {
                Fail(where_.Path(), "is not a paint property this map form keeps");
            }
        } else if (o.kind == Kind::Sjis) {
            if (key != "sjis") {
                Fail(where_.Container(), Wrong(Kind::Text));
            }
        } else if (!Known(o, key)) {
            Fail(where_.Path(), "is not a key of this object");
        } else if (o.kind == Kind::Segment) {
            o.keys |= key == "p" ? kP : key == "in" ? kIn : key == "out" ? kOut : 0;
        } else if (o.kind == Kind::Document && key == "layers") {
            o.layers = true;
        }
        return true;
    }
    bool end_object() {
        Object& o = stack_.back();
        EndObject(o);
        stack_.pop_back();
        where_.Close();
        return Value();
    }
    bool start_array(std::size_t) {
        const Kind kind = Wanted();
        if (!IsArray(kind)) {
            Refuse(true);
        }
        Object o;
        o.kind = kind;
        Object& owner = stack_.back();
        o.art = owner.art;
        o.depth = owner.depth;
        if (kind == Kind::Arts) {
            o.art = owner.kind == Kind::Layer ? doc_.layers().back()->group : owner.art;
        } else if (kind == Kind::Point) {
            o.point = owner.kind == Kind::Segment
                          ? (owner.key == "p"    ? &o.art->segments.back().p
                             : owner.key == "in" ? &o.art->segments.back().in
                                                 : &o.art->segments.back().out)
                          : &o.art->anchor;
        }
        where_.Open(true);
        stack_.push_back(std::move(o));
        return true;
    }
    bool end_array() {
        Object& o = stack_.back();
        if (o.kind == Kind::Point && o.count != 2) {
            Fail(where_.Container(), Wrong(Kind::Point));
        }
        if (o.kind == Kind::Matrix && o.count != 4) {
            Fail(where_.Container(), Wrong(Kind::Matrix));
        }
        stack_.pop_back();
        where_.Close();
        return Value();
    }
    template <typename Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& e) {
        if constexpr (std::is_same_v<Exception, json::out_of_range>) {
            Fail(where_.Path(), "is a number out of range");
        }
        throw e;
    }

  private:
    // An object or array being read.
    struct Object {
        Kind kind = Kind::Document;
        std::string key;     // of an object, the one whose value is read
        Art* art = nullptr;  // the ART read or the one this value belongs to
        int depth = 0;       // of that ART: 1 for a layer's or pattern's own art
        unsigned keys = 0;   // of an ART, those given (bits of their places in kArtFields)
        const ArtField* field = nullptr;  // of an ART, the field whose value is read
        ASInt32 type = 0;                 // of an ART, once given
        Pattern* pattern = nullptr;
        Point* point = nullptr;  // where a point's numbers go
        std::size_t count = 0;   // values of an array so far
        bool fill = false;       // of a paint: a fill's, which has no width
        bool given = false;      // of a layer its title, of a pattern its name
        std::string tag;         // of tags, the name (Shift-JIS) whose value is read
        TextValue text;          // of {"sjis": ...}
        bool sjis = false;       // and whether it was given
        // Of the document.
        bool version = false;
        bool layers = false;
        std::optional<long long> current;
    };

    // The points a segment was given.
    static constexpr unsigned kP = 1, kIn = 2, kOut = 4;

    [[noreturn]] static void Fail(const std::string& path, const std::string& what) {
        throw Malformed{path, what};
    }
    // Takes N of KIND from the map's budget for the value at hand, before it is made.
    void Take(MapBudget::Kind kind, std::size_t n = 1) {
        if (!budget_.Take(kind, n)) {
            Fail(where_.Path(),
                 "is more than a map may hold: with it " + MapBudget::Exceeded(kind));
        }
    }
    // The value at hand is not what its place wants.
    // STRUCTURED: the value is an object or an array.
    [[noreturn]] void Refuse(bool structured = false) const {
        const Kind kind = Wanted();
        if (kind == Kind::Type || kind == Kind::Sjis) {
            Fail(where_.Container(), Wrong(kind));
        }
        // A point or an orientation that holds anything but numbers is not one.
        if (!stack_.empty() && structured &&
            (stack_.back().kind == Kind::Point || stack_.back().kind == Kind::Matrix)) {
            Fail(where_.Container(), Wrong(stack_.back().kind));
        }
        Fail(where_.Path(), Wrong(kind));
    }

    bool Value() {
        where_.Done();
        if (!stack_.empty()) {
            ++stack_.back().count;
        }
        return true;
    }

    // What the next value must be, from where it stands.
    Kind Wanted() const {
        if (stack_.empty()) {
            return Kind::Document;
        }
        const Object& o = stack_.back();
        const std::string& k = o.key;
        switch (o.kind) {
            case Kind::Document:
                return k == "kzn-document"   ? Kind::Version
                       : k == "currentLayer" ? Kind::Index
                       : k == "layers"       ? Kind::Layers
                       : k == "patterns"     ? Kind::Patterns
                                             : Kind::Swatches;
            case Kind::Layers:
                return Kind::Layer;
            case Kind::Patterns:
                return Kind::Pattern;
            case Kind::Swatches:
                return Kind::Swatch;
            case Kind::Layer:
                return k == "title" ? Kind::Text : k == "editable" ? Kind::Boolean : Kind::Arts;
            case Kind::Pattern:
                return k == "name" ? Kind::Text : Kind::Art;
            case Kind::Swatch:
                return k == "pattern" ? Kind::Text : Kind::Number;
            case Kind::Arts:
                return Kind::Art;
            case Kind::Art:
            case Kind::TextPath:
                return KindOf(o.field->id);
            case Kind::Segments:
                return Kind::Segment;
            case Kind::Segment:
                return k == "corner" ? Kind::Boolean : Kind::Point;
            case Kind::Style:
                return Kind::Paint;
            case Kind::Tags:
                return Kind::Text;
            case Kind::Css:
                return Kind::CssValue;
            case Kind::Sjis:
                return Kind::Sjis;
            default:  // a point's, a matrix's or a paint's numbers
                return Kind::Number;
        }
    }

    // Whether KEY belongs in an object of O's kind (other than an ART's, tags, {"sjis"}).
    static bool Known(const Object& o, const std::string& key) {
        static const std::vector<std::string> kDocument = {"kzn-document", "currentLayer", "layers",
                                                           "patterns", "swatches"};
        switch (o.kind) {
            case Kind::Document:
                return std::find(kDocument.begin(), kDocument.end(), key) != kDocument.end();
            case Kind::Layer:
                return key == "title" || key == "editable" || key == "art";
            case Kind::Pattern:
                return key == "name" || key == "art";
            case Kind::Swatch:
                return key == "pattern" || key == "gray";
            case Kind::Segment:
                return key == "p" || key == "in" || key == "out" || key == "corner";
            case Kind::Style:
                return key == "fill" || key == "stroke";
            case Kind::Paint:
                return key == "gray" || (key == "width" && !o.fill);
            default:
                return false;
        }
    }

    void StartArt(Object& o, Kind kind) {
        const Object* owner = stack_.empty() ? nullptr : &stack_.back();
        o.depth = kind == Kind::TextPath                                      ? owner->depth
                  : owner->kind == Kind::Arts && owner->art->layer == nullptr ? owner->depth + 1
                                                                              : 1;
        if (o.depth > kMaxArtDepth) {
            // The path to so deep a place is long: it is shown up to where the nesting starts.
            const std::string at = where_.Path();
            const std::size_t nesting = at.find(".children[");
            Fail(
                nesting == std::string::npos ? at : at.substr(0, at.find(']', nesting) + 1) + "...",
                "is nested " + std::to_string(o.depth) + " deep; a map holds art nested at most " +
                    std::to_string(kMaxArtDepth) + " deep");
        }
        // A text's path belongs to the text and is in no children list; a pattern's art is in
        // none either.
        Art* parent = owner->kind == Kind::Arts ? owner->art : nullptr;
        o.art = &doc_.NewArt(kGroupArt, parent);
        if (kind == Kind::TextPath) {
            owner->art->textPath = o.art;
        } else if (owner->kind == Kind::Pattern) {
            owner->pattern->art = o.art;
        }
    }

    void EndObject(Object& o) {
        switch (o.kind) {
            case Kind::Document:
                EndDocument(o);
                break;
            case Kind::Layer:
                if (!o.given) {
                    Fail(where_.Container(), "has no \"title\"");
                }
                break;
            case Kind::Pattern:
                if (!o.given || o.pattern->art == nullptr) {
                    Fail(where_.Container(), "needs a \"name\" and an \"art\"");
                }
                // The host keeps a pattern's art in the pattern's own space, whose y grows
                // downwards.
                TransformArt(*o.pattern->art, geometry::Matrix::Scale(1, -1), 1, kTransformObjects);
                break;
            case Kind::Swatch:
                if (swatches_.back().pattern.has_value() == swatches_.back().gray.has_value()) {
                    Fail(where_.Container(), "must name either a \"pattern\" or a \"gray\"");
                }
                break;
            case Kind::Art:
            case Kind::TextPath:
                EndArt(o);
                break;
            case Kind::Segment: {
                if (!(o.keys & kP)) {
                    Fail(where_.Container(), "has no point \"p\"");
                }
                Segment& s = o.art->segments.back();
                s.in = o.keys & kIn ? s.in : s.p;
                s.out = o.keys & kOut ? s.out : s.p;
                break;
            }
            case Kind::Sjis:
                if (!o.sjis) {
                    Fail(where_.Container(), Wrong(Kind::Text));
                }
                Deliver(stack_[stack_.size() - 2], std::move(o.text));
                break;
            default:
                break;
        }
    }

    void EndArt(Object& o) {
        if (o.type == 0) {
            Fail(where_.Container(), Wrong(o.kind));
        }
        o.art->type = o.type;
        // A kept paint gave the tints the map holds with it.
        if (!o.art->paint.properties.empty()) {
            o.art->paint.tints = o.art->style;
        }
    }

    // Refuses a key of O that its type does not have (the first by name).
    void CheckKeys(const Object& o) const {
        if (const unsigned extra = o.keys & ~KeysOf(o.type)) {
            for (std::size_t i = 0; i < kArtFields.size(); ++i) {
                if (extra & Bit(i)) {
                    Fail(where_.Container() + "." + kArtFields[i].key,
                         "is not a key of this object");
                }
            }
        }
    }

    void EndDocument(const Object& o) {
        if (!o.version) {
            Fail("$.kzn-document", Wrong(Kind::Version));
        }
        if (!o.layers) {
            Fail("$", "has no \"layers\"");
        }
        for (SwatchValue& s : swatches_) {
            if (s.gray) {
                doc_.AddSwatch(nullptr, *s.gray);
                continue;
            }
            const auto p =
                std::find_if(doc_.patterns().begin(), doc_.patterns().end(),
                             [&](const Pattern* p) { return p->name == s.pattern->sjis; });
            if (p == doc_.patterns().end()) {
                Fail(s.path + ".pattern", "names no pattern of the document");
            }
            doc_.AddSwatch(*p, 0);
        }
        // The host's document, as the drawing application's, has a layer at least: the
        // commands work on one.
        if (doc_.layers().empty()) {
            Fail("$.layers", "holds no layer; a document has one at least");
        }
        if (o.current) {
            if (*o.current < 0 || *o.current >= static_cast<long long>(doc_.layers().size())) {
                Fail("$.currentLayer", "is not the index of a layer");
            }
            doc_.SetCurrentLayer(static_cast<std::size_t>(*o.current));
        }
    }

    // A text read for OWNER's value at hand.
    void Deliver(Object& owner, TextValue text) {
        switch (owner.kind) {
            case Kind::Layer: {
                Layer& layer = *doc_.layers().back();
                layer.title = text.sjis;
                Spell(text, layer.spellings, "");
                owner.given = true;
                break;
            }
            case Kind::Pattern:
                owner.pattern->name = text.sjis;
                Spell(text, owner.pattern->spellings, "");
                owner.given = true;
                break;
            case Kind::Swatch:
                swatches_.back().pattern = std::move(text);
                break;
            case Kind::Tags:
                owner.art->tags[owner.tag] = text.sjis;
                Spell(text, owner.art->spellings, owner.tag);
                break;
            default:  // an ART's text
                owner.art->text = text.sjis;
                // Tag names have no spelling of their own, so "" is the text's.
                Spell(text, owner.art->spellings, "");
                break;
        }
    }

    // The bytes of {"sjis": HEX}: two hexadecimal digits each, written apart ("8C BE") or
    // together ("8CBE").
    std::string Hex(const std::string& written) const {
        std::istringstream hex(written);
        std::string bytes;
        std::string word;
        while (hex >> word) {
            const bool digits = std::all_of(word.begin(), word.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            });
            if (!digits || word.size() % 2 != 0) {
                Fail(where_.Path(),
                     "must be bytes of two hexadecimal digits each, such as \"8C BE\"");
            }
            for (std::size_t i = 0; i < word.size(); i += 2) {
                bytes += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
            }
        }
        if (bytes.find('\0') != std::string::npos) {
            Fail(where_.Path(), "holds a NUL byte (00), which a text cannot hold");
        }
        return bytes;
    }

    bool Integer(json::number_integer_t value) {
        const Kind kind = Wanted();
        if (kind == Kind::Version) {
            if (value != 1) {
                Refuse();
            }
            stack_.back().version = true;
        } else if (kind == Kind::Index) {
            stack_.back().current = value;
        } else if (kind == Kind::Number) {
            Put(static_cast<double>(value));
        } else {
            Refuse();
        }
        return Value();
    }

    // A number where a number is wanted.
    void Put(double value) {
        if (!MapNumber(value)) {
            Fail(where_.Path(),
                 "is a number too large for a map: a map's numbers stay between -1e15 and 1e15 "
                 "(the plug-in computes in 32-bit floats)");
        }
        Object& o = stack_.back();
        switch (o.kind) {
            case Kind::Point:
                if (o.count >= 2) {
                    Fail(where_.Container(), Wrong(Kind::Point));
                }
                (o.count == 0 ? o.point->x : o.point->y) = value;
                break;
            case Kind::Matrix:
                if (o.count >= 4) {
                    Fail(where_.Container(), Wrong(Kind::Matrix));
                }
                o.art->matrix[o.count] = value;
                break;
            case Kind::Paint: {
                Paint& paint = *(o.fill ? o.art->style.fill : o.art->style.stroke);
                (o.key == "gray" ? paint.gray : paint.width) = value;
                break;
            }
            case Kind::Swatch:
                swatches_.back().gray = value;
                break;
            default:  // an ART's size
                o.art->size = value;
                break;
        }
    }

    Document& doc_;
    std::vector<Object> stack_;
    std::vector<SwatchValue> swatches_;
    Whereabouts where_;
    MapBudget budget_;
};

}  // namespace

std::unique_ptr<Document> ParseJsonMap(const std::string& text, const std::string& name) {
    // A byte-order mark some editors put at the start is no part of the JSON.
    const std::string_view json_text = std::string_view(text).starts_with("\xEF\xBB\xBF")
                                           ? std::string_view(text).substr(3)
                                           : std::string_view(text);
    auto document = std::make_unique<Document>();
    try {
        MapReader reader(*document);
        json::sax_parse(json_text, &reader);
    } catch (const Malformed& m) {
        throw MapError(name + ": " + m.path + " " + m.what);
    } catch (const json::exception& e) {
        throw MapError(name + ": not JSON: " + e.what());
    }
    return document;
}

}  // namespace subhost
