#include "subhost/mapforms/jsonform.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "subhost/document/artgeometry.h"
#include "subhost/files.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

using nlohmann::json;

// A value that cannot be made sense of, at a JSON path.
struct Malformed {
    std::string path;
    std::string what;
};

class Reader {
  public:
    explicit Reader(Document& document) : doc_(document) {}

    void ReadDocument(const json& j) {
        const std::string at = "$";
        Keys(j, at, {"kzn-document", "currentLayer", "layers", "patterns", "swatches"});
        if (!j.contains("kzn-document") || !j["kzn-document"].is_number_integer() ||
            j["kzn-document"].get<long long>() != 1) {
            Fail(at + ".kzn-document", "must be 1 (the version of this map form)");
        }
        if (!j.contains("layers")) {
            Fail(at, "has no \"layers\"");
        }
        // Patterns first: swatches name them.
        if (j.contains("patterns")) {
            const json& patterns = Array(j["patterns"], at + ".patterns");
            for (std::size_t i = 0; i < patterns.size(); ++i) {
                ReadPattern(patterns[i], at + ".patterns[" + std::to_string(i) + "]");
            }
        }
        if (j.contains("swatches")) {
            const json& swatches = Array(j["swatches"], at + ".swatches");
            for (std::size_t i = 0; i < swatches.size(); ++i) {
                ReadSwatch(swatches[i], at + ".swatches[" + std::to_string(i) + "]");
            }
        }
        const json& layers = Array(j["layers"], at + ".layers");
        // The host's document, as the drawing application's, has a layer at least: the commands
        // work on one.
        if (layers.empty()) {
            Fail(at + ".layers", "holds no layer; a document has one at least");
        }
        for (std::size_t i = 0; i < layers.size(); ++i) {
            ReadLayer(layers[i], at + ".layers[" + std::to_string(i) + "]");
        }
        if (j.contains("currentLayer")) {
            const long long current = Integer(j["currentLayer"], at + ".currentLayer");
            if (current < 0 || current >= static_cast<long long>(layers.size())) {
                Fail(at + ".currentLayer", "is not the index of a layer");
            }
            doc_.SetCurrentLayer(static_cast<std::size_t>(current));
        }
    }

  private:
    [[noreturn]] static void Fail(const std::string& path, const std::string& what) {
        throw Malformed{path, what};
    }

    static void Keys(const json& j, const std::string& at,
                     std::initializer_list<const char*> known) {
        if (!j.is_object()) {
            Fail(at, "must be an object");
        }
        for (const auto& [key, value] : j.items()) {
            bool ok = false;
            for (const char* k : known) {
                ok = ok || key == k;
            }
            if (!ok) {
                Fail(at + "." + key, "is not a key of this object");
            }
        }
    }

    static const json& Array(const json& j, const std::string& at) {
        if (!j.is_array()) {
            Fail(at, "must be an array");
        }
        return j;
    }

    static double Number(const json& j, const std::string& at) {
        if (!j.is_number()) {
            Fail(at, "must be a number");
        }
        return j.get<double>();
    }

    static long long Integer(const json& j, const std::string& at) {
        if (!j.is_number_integer()) {
            Fail(at, "must be a whole number");
        }
        return j.get<long long>();
    }

    static bool Boolean(const json& j, const std::string& at) {
        if (!j.is_boolean()) {
            Fail(at, "must be true or false");
        }
        return j.get<bool>();
    }

    static bool Flag(const json& j, const char* key, const std::string& at) {
        return j.contains(key) ? Boolean(j[key], at + "." + key) : false;
    }

    static Point ReadPoint(const json& j, const std::string& at) {
        if (!j.is_array() || j.size() != 2) {
            Fail(at, "must be a point [x, y]");
        }
        return {Number(j[0], at + "[0]"), Number(j[1], at + "[1]")};
    }

    // A UTF-8 string, or {"sjis": "HEX BYTES"} for bytes that are not valid Shift-JIS.
    static std::string Text(const json& j, const std::string& at) {
        if (j.is_string()) {
            if (j.get_ref<const std::string&>().find('\0') != std::string::npos) {
                Fail(at, "holds a NUL character (\\u0000), which a text cannot hold");
            }
            std::optional<std::string> sjis = Utf8ToSjis(j.get<std::string>());
            if (!sjis) {
                Fail(at, "holds a character that has no Shift-JIS form");
            }
            return *sjis;
        }
        if (j.is_object() && j.size() == 1 && j.contains("sjis") && j["sjis"].is_string()) {
            // Bytes of two hexadecimal digits each, written apart ("8C BE") or together ("8CBE").
            std::istringstream hex(j["sjis"].get<std::string>());
            std::string bytes;
            std::string word;
            while (hex >> word) {
                const bool digits = std::all_of(word.begin(), word.end(), [](char c) {
                    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
                           (c >= 'A' && c <= 'F');
                });
                if (!digits || word.size() % 2 != 0) {
                    Fail(at + ".sjis",
                         "must be bytes of two hexadecimal digits each, such as \"8C BE\"");
                }
                for (std::size_t i = 0; i < word.size(); i += 2) {
                    bytes += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
                }
            }
            if (bytes.find('\0') != std::string::npos) {
                Fail(at + ".sjis", "holds a NUL byte (00), which a text cannot hold");
            }
            return bytes;
        }
        Fail(at, "must be a string (or {\"sjis\": \"HEX BYTES\"})");
    }

    // Notes in SPELLINGS under KEY how J wrote the text read as SJIS, where writing SJIS would
    // not give it back.
    static void Spell(const json& j, const std::string& sjis, Spellings& spellings,
                      const std::string& key) {
        if (j.is_string() && SjisToUtf8(sjis) != j.get_ref<const std::string&>()) {
            spellings[key] = {sjis, j.get<std::string>()};
        }
    }

    void ReadLayer(const json& j, const std::string& at) {
        Keys(j, at, {"title", "editable", "art"});
        if (!j.contains("title")) {
            Fail(at, "has no \"title\"");
        }
        Layer& layer =
            doc_.AddLayer(doc_.layers().size(), Text(j["title"], at + ".title"),
                          j.contains("editable") ? Boolean(j["editable"], at + ".editable") : true);
        Spell(j["title"], layer.title, layer.spellings, "");
        if (j.contains("art")) {
            const json& art = Array(j["art"], at + ".art");
            for (std::size_t i = 0; i < art.size(); ++i) {
                ReadArt(art[i], at + ".art[" + std::to_string(i) + "]", layer.group, 1);
            }
        }
    }

    void ReadPattern(const json& j, const std::string& at) {
        Keys(j, at, {"name", "art"});
        if (!j.contains("name") || !j.contains("art")) {
            Fail(at, "needs a \"name\" and an \"art\"");
        }
        Pattern& pattern = doc_.AddPattern(Text(j["name"], at + ".name"));
        Spell(j["name"], pattern.name, pattern.spellings, "");
        pattern.art = &ReadArt(j["art"], at + ".art", nullptr, 1);
        // The host keeps a pattern's art in the pattern's own space, whose y grows downwards.
        TransformArt(*pattern.art, geometry::Matrix::Scale(1, -1), 1, kTransformObjects);
    }

    void ReadSwatch(const json& j, const std::string& at) {
        Keys(j, at, {"pattern", "gray"});
        if (j.contains("pattern") == j.contains("gray")) {
            Fail(at, "must name either a \"pattern\" or a \"gray\"");
        }
        if (j.contains("gray")) {
            doc_.AddSwatch(nullptr, Number(j["gray"], at + ".gray"));
            return;
        }
        const std::string name = Text(j["pattern"], at + ".pattern");
        for (Pattern* p : doc_.patterns()) {
            if (p->name == name) {
                doc_.AddSwatch(p, 0);
                return;
            }
        }
        Fail(at + ".pattern", "names no pattern of the document");
    }

    // Every kind of art is read by a piece of its own, after the keys all kinds share.
    // DEPTH counts the art's nesting: 1 for a layer's or a pattern's own art.
    Art& ReadArt(const json& j, const std::string& at, Art* parent, int depth) {
        if (depth > kMaxArtDepth) {
            // The path to so deep a place is long: it is shown up to where the nesting starts.
            const std::size_t nesting = at.find(".children[");
            Fail(
                nesting == std::string::npos ? at : at.substr(0, at.find(']', nesting) + 1) + "...",
                "is nested " + std::to_string(depth) + " deep; a map holds art nested at most " +
                    std::to_string(kMaxArtDepth) + " deep");
        }
        if (!j.is_object() || !j.contains("type") || !j["type"].is_string()) {
            Fail(at, "must be an object with a \"type\"");
        }
        const std::string type = j["type"].get<std::string>();
        if (type == "group") {
            return ReadContainer(j, at, NewArt(j, at, kGroupArt, parent), depth);
        }
        if (type == "compound") {
            return ReadContainer(j, at, NewArt(j, at, kCompoundPathArt, parent), depth);
        }
        if (type == "path") {
            return ReadPath(j, at, NewArt(j, at, kPathArt, parent));
        }
        if (type == "text") {
            return ReadText(j, at, NewArt(j, at, kTextArt, parent));
        }
        Fail(at + ".type", "is not one of group, compound, path, text");
    }

    // The keys of each kind, the shared ones first.
    static void ArtKeys(const json& j, const std::string& at, ASInt32 kind) {
        switch (kind) {
            case kGroupArt:
            case kCompoundPathArt:
                Keys(j, at, {"type", "tags", "locked", "hidden", "selected", "children"});
                break;
            case kPathArt:
                Keys(j, at,
                     {"type", "tags", "locked", "hidden", "selected", "closed", "segments",
                      "style"});
                break;
            default:
                Keys(j, at,
                     {"type", "tags", "locked", "hidden", "selected", "text", "anchor", "size",
                      "matrix", "path"});
                break;
        }
    }

    // A new art of KIND with what every kind has: user attributes and tags.
    Art& NewArt(const json& j, const std::string& at, ASInt32 kind, Art* parent) {
        ArtKeys(j, at, kind);
        Art& art = doc_.NewArt(kind, parent);
        art.locked = Flag(j, "locked", at);
        art.hidden = Flag(j, "hidden", at);
        art.selected = Flag(j, "selected", at);
        if (j.contains("tags")) {
            const json& tags = j["tags"];
            if (!tags.is_object()) {
                Fail(at + ".tags", "must be an object of tag values");
            }
            for (const auto& [name, value] : tags.items()) {
                const std::string where = at + ".tags." + name;
                std::optional<std::string> key = Utf8ToSjis(name);
                if (name.find('\0') != std::string::npos) {
                    Fail(where, "has a name with a NUL character (\\u0000)");
                }
                if (!key) {
                    Fail(where, "has a name with no Shift-JIS form");
                }
                art.tags[*key] = Text(value, where);
                Spell(value, art.tags[*key], art.spellings, *key);
            }
        }
        return art;
    }

    // Groups and compound paths.
    Art& ReadContainer(const json& j, const std::string& at, Art& art, int depth) {
        if (j.contains("children")) {
            const json& children = Array(j["children"], at + ".children");
            for (std::size_t i = 0; i < children.size(); ++i) {
                ReadArt(children[i], at + ".children[" + std::to_string(i) + "]", &art, depth + 1);
            }
        }
        return art;
    }

    static Art& ReadPath(const json& j, const std::string& at, Art& art) {
        art.closed = Flag(j, "closed", at);
        if (j.contains("segments")) {
            const json& segments = Array(j["segments"], at + ".segments");
            for (std::size_t i = 0; i < segments.size(); ++i) {
                art.segments.push_back(
                    ReadSegment(segments[i], at + ".segments[" + std::to_string(i) + "]"));
            }
        }
        if (j.contains("style")) {
            art.style = ReadStyle(j["style"], at + ".style");
        }
        return art;
    }

    static Segment ReadSegment(const json& s, const std::string& at) {
        Keys(s, at, {"p", "in", "out", "corner"});
        if (!s.contains("p")) {
            Fail(at, "has no point \"p\"");
        }
        Segment segment;
        segment.p = ReadPoint(s["p"], at + ".p");
        segment.in = s.contains("in") ? ReadPoint(s["in"], at + ".in") : segment.p;
        segment.out = s.contains("out") ? ReadPoint(s["out"], at + ".out") : segment.p;
        segment.corner = s.contains("corner") ? Boolean(s["corner"], at + ".corner") : false;
        return segment;
    }

    static PathStyle ReadStyle(const json& style, const std::string& at) {
        Keys(style, at, {"fill", "stroke"});
        PathStyle out;
        if (style.contains("fill") && !style["fill"].is_null()) {
            Keys(style["fill"], at + ".fill", {"gray"});
            out.fill = Paint{Number(style["fill"].value("gray", json(0)), at + ".fill.gray"), 0};
        }
        if (style.contains("stroke") && !style["stroke"].is_null()) {
            Keys(style["stroke"], at + ".stroke", {"gray", "width"});
            out.stroke =
                Paint{Number(style["stroke"].value("gray", json(0)), at + ".stroke.gray"),
                      Number(style["stroke"].value("width", json(1)), at + ".stroke.width")};
        }
        return out;
    }

    Art& ReadText(const json& j, const std::string& at, Art& art) {
        art.text = j.contains("text") ? Text(j["text"], at + ".text") : std::string();
        if (j.contains("text")) {
            // Tag names have no spelling of their own, so "" is the text's.
            Spell(j["text"], art.text, art.spellings, "");
        }
        if (j.contains("anchor")) {
            art.anchor = ReadPoint(j["anchor"], at + ".anchor");
        }
        if (j.contains("size")) {
            art.size = Number(j["size"], at + ".size");
        }
        if (j.contains("matrix")) {
            const json& m = j["matrix"];
            if (!m.is_array() || m.size() != 4) {
                Fail(at + ".matrix", "must be an orientation [a, b, c, d]");
            }
            for (std::size_t i = 0; i < 4; ++i) {
                art.matrix[i] = Number(m[i], at + ".matrix[" + std::to_string(i) + "]");
            }
        }
        if (j.contains("path")) {
            // The path the text runs along belongs to the text and is in no children list.
            const std::string where = at + ".path";
            const json& p = j["path"];
            if (!p.is_object() || p.value("type", "") != "path") {
                Fail(where, "must be a path ART");
            }
            Art& path = NewArt(p, where, kPathArt, nullptr);
            art.textPath = &path;
            ReadPath(p, where, path);
        }
        return art;
    }

    Document& doc_;
};

// The map's text, written straight from the document (a tree of the whole map in the JSON
// library's form would cost several times the map's bytes and most of the writing time). The
// frame of the map (the document, its layers, patterns and swatches) is indented by two blanks a
// level; every ART is one line, compact, so that a map's size grows with its art and not with
// its depth, and a line of a written map is an object of it. Keys are in alphabetical order, and
// an ART leaves out the keys that hold their defaults.
class MapText {
  public:
    explicit MapText(std::string& out) : out_(out) {}

    void Document(const subhost::Document& document) {
        out_ += "{\n  \"currentLayer\": " + std::to_string(document.currentLayer()) +
                ",\n  \"kzn-document\": 1,\n  \"layers\": ";
        List(document.layers(), 1, [&](const Layer* layer) {
            out_ += "{\n      \"art\": ";
            List(layer->group->children, 3, [&](const subhost::Art* art) { Art(*art, false); });
            out_ += ",\n      \"editable\": ";
            out_ += layer->editable ? "true" : "false";
            out_ += ",\n      \"title\": ";
            Text(layer->title, &layer->spellings, "");
            out_ += "\n    }";
        });
        out_ += ",\n  \"patterns\": ";
        List(document.patterns(), 1, [&](const Pattern* p) {
            out_ += "{\n      \"art\": ";
            if (p->art != nullptr) {
                Art(*p->art, true);
            } else {
                out_ += "null";
            }
            out_ += ",\n      \"name\": ";
            Text(p->name, &p->spellings, "");
            out_ += "\n    }";
        });
        out_ += ",\n  \"swatches\": ";
        List(document.swatches(), 1, [&](const Swatch* s) {
            if (s->pattern != nullptr) {
                out_ += "{\"pattern\":";
                Text(s->pattern->name, &s->pattern->spellings, "");
            } else {
                out_ += "{\"gray\":";
                Number(s->gray);
            }
            out_ += "}";
        });
        out_ += "\n}\n";
    }

  private:
    // ITEMS one a line, LEVEL levels in, each written by WRITE.
    template <typename Items, typename Write>
    void List(const Items& items, int level, Write write) {
        if (items.begin() == items.end()) {
            out_ += "[]";
            return;
        }
        const std::string indent(2 * static_cast<std::size_t>(level + 1), ' ');
        out_ += "[";
        const char* separator = "\n";
        for (const auto* item : items) {
            out_ += separator;
            out_ += indent;
            write(item);
            separator = ",\n";
        }
        out_ += "\n" + indent.substr(2) + "]";
    }

    // MIRRORED: pattern art, written as a person sees it (y turned out of the pattern's own
    // space).
    void Art(const subhost::Art& art, bool mirrored) {
        static const char* const kTypes[] = {"", "group", "path", "compound", "text"};
        // Keys by name: anchor, children, closed, hidden, locked, matrix, path, segments,
        // selected, size, style, tags, text, type.
        out_ += "{";
        const char* comma = "";
        const auto key = [&](const char* name) {
            out_ += comma;
            out_ += '"';
            out_ += name;
            out_ += "\":";
            comma = ",";
        };
        const bool text = art.type == kTextArt;
        if (text && !(art.anchor.x == 0 && art.anchor.y == 0 && !std::signbit(art.anchor.x) &&
                      !std::signbit(art.anchor.y))) {
            key("anchor");
            Point(art.anchor, mirrored);
        }
        if (art.type == kGroupArt || art.type == kCompoundPathArt) {
            key("children");
            out_ += "[";
            const char* separator = "";
            for (const subhost::Art* child : art.children) {
                out_ += separator;
                Art(*child, mirrored);
                separator = ",";
            }
            out_ += "]";
        }
        if (art.type == kPathArt && art.closed) {
            key("closed");
            out_ += "true";
        }
        if (art.hidden) {
            key("hidden");
            out_ += "true";
        }
        if (art.locked) {
            key("locked");
            out_ += "true";
        }
        if (text) {
            const std::array<double, 4> m =
                mirrored ? std::array<double, 4>{art.matrix[0], -art.matrix[1], art.matrix[2],
                                                 -art.matrix[3]}
                         : art.matrix;
            if (m != kIdentity) {
                key("matrix");
                out_ += "[";
                for (std::size_t i = 0; i < m.size(); ++i) {
                    out_ += i == 0 ? "" : ",";
                    Number(m[i]);
                }
                out_ += "]";
            }
            if (art.textPath != nullptr) {
                key("path");
                Art(*art.textPath, mirrored);
            }
        }
        if (art.type == kPathArt) {
            key("segments");
            Segments(art, mirrored);
        }
        if (art.selected) {
            key("selected");
            out_ += "true";
        }
        if (text && art.size != kDefaultSize) {
            key("size");
            Number(art.size);
        }
        if (art.type == kPathArt && (art.style.fill || art.style.stroke)) {
            key("style");
            Style(art.style);
        }
        if (!art.tags.empty()) {
            key("tags");
            Tags(art);
        }
        if (text && !art.text.empty()) {
            key("text");
            Text(art.text, &art.spellings, "");
        }
        key("type");
        out_ += '"';
        out_ += kTypes[art.type >= 1 && art.type <= 4 ? art.type : 0];
        out_ += '"';
        out_ += "}";
    }

    void Segments(const subhost::Art& art, bool mirrored) {
        out_ += "[";
        const char* separator = "";
        for (const Segment& s : art.segments) {
            out_ += separator;
            separator = ",";
            out_ += "{";
            if (s.corner) {
                out_ += "\"corner\":true,";
            }
            if (!(s.in == s.p)) {
                out_ += "\"in\":";
                Point(s.in, mirrored);
                out_ += ",";
            }
            if (!(s.out == s.p)) {
                out_ += "\"out\":";
                Point(s.out, mirrored);
                out_ += ",";
            }
            out_ += "\"p\":";
            Point(s.p, mirrored);
            out_ += "}";
        }
        out_ += "]";
    }

    // A paint's gray and a stroke's width are written even where they hold their defaults.
    void Style(const PathStyle& style) {
        out_ += "{";
        if (style.fill) {
            out_ += "\"fill\":{\"gray\":";
            Number(style.fill->gray);
            out_ += "}";
        }
        if (style.stroke) {
            out_ += style.fill ? "," : "";
            out_ += "\"stroke\":{\"gray\":";
            Number(style.stroke->gray);
            out_ += ",\"width\":";
            Number(style.stroke->width);
            out_ += "}";
        }
        out_ += "}";
    }

    // Tags in the alphabetical order of their names as written (UTF-8).
    void Tags(const subhost::Art& art) {
        std::vector<std::pair<std::string, const std::string*>> tags;
        for (const auto& [name, value] : art.tags) {
            tags.emplace_back(SjisToUtf8(name).value_or(ShowSjis(name)), &name);
        }
        std::sort(tags.begin(), tags.end());
        out_ += "{";
        const char* separator = "";
        for (const auto& [written, name] : tags) {
            out_ += separator;
            separator = ",";
            String(written);
            out_ += ":";
            Text(art.tags.at(*name), &art.spellings, *name);
        }
        out_ += "}";
    }

    void Point(const subhost::Point& p, bool mirrored) {
        out_ += "[";
        Number(p.x);
        out_ += ",";
        Number(mirrored ? -p.y : p.y);
        out_ += "]";
    }

    // The shortest text that reads back as the same number; null for what JSON has no number
    // for (as the JSON library writes it).
    void Number(double value) {
        if (!std::isfinite(value)) {
            out_ += "null";
            return;
        }
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, value);
        out_.append(text, written.ptr);
    }

    // SJIS as it is written: as the map it was read from spelled it (SPELLINGS under KEY) while
    // the bytes are those read; otherwise converted.
    void Text(const std::string& sjis, const Spellings* spellings, const std::string& key) {
        if (spellings != nullptr && !spellings->empty()) {
            if (const auto it = spellings->find(key);
                it != spellings->end() && it->second.bytes == sjis) {
                // Read from an SVG map, a text may hold characters that Shift-JIS has no form
                // for, which a JSON map cannot hold: writing it otherwise would lose them.
                if (!Utf8ToSjis(it->second.written)) {
                    std::string shown;  // on one line
                    for (const char c : it->second.written) {
                        shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
                    }
                    throw MapError("\"" + shown +
                                   "\" has characters that Shift-JIS has no form for, which a "
                                   "JSON map cannot hold; write the map as SVG");
                }
                String(it->second.written);
                return;
            }
        }
        if (const std::optional<std::string> utf8 = SjisToUtf8(sjis)) {
            String(*utf8);
            return;
        }
        out_ += "{\"sjis\":\"";
        const char* separator = "";
        for (const unsigned char c : sjis) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02X", c);
            out_ += separator;
            out_ += pair;
            separator = " ";
        }
        out_ += "\"}";
    }

    // A JSON string of UTF8, escaped as the JSON library escapes it.
    void String(const std::string& utf8) {
        out_ += '"';
        for (const char c : utf8) {
            switch (c) {
                case '"': out_ += "\\\""; break;
                case '\\': out_ += "\\\\"; break;
                case '\b': out_ += "\\b"; break;
                case '\f': out_ += "\\f"; break;
                case '\n': out_ += "\\n"; break;
                case '\r': out_ += "\\r"; break;
                case '\t': out_ += "\\t"; break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        char escape[8];
                        std::snprintf(escape, sizeof escape, "\\u%04x", c);
                        out_ += escape;
                    } else {
                        out_ += c;
                    }
            }
        }
        out_ += '"';
    }

    // A text's orientation is written when it is not the identity.
    static constexpr std::array<double, 4> kIdentity{1, 0, 0, 1};
    static constexpr double kDefaultSize = 12;

    std::string& out_;
};

// Follows the parser through the document, so that a value it refuses (a number out of range,
// a key given twice) can be named by its JSON path.
class Whereabouts {
  public:
    void Open(bool array) { frames_.push_back({array, 0, {}, {}, {}}); }
    // Whether KEY is new to the object it is in.
    bool Key(const std::string& key) {
        if (frames_.empty()) {
            return true;
        }
        Frame& frame = frames_.back();
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
    void Close() {
        if (!frames_.empty()) {
            frames_.pop_back();
        }
        Done();
    }
    // A value ended.
    void Done() {
        if (!frames_.empty() && frames_.back().array) {
            ++frames_.back().index;
        }
    }

    // The path of the value the parser is at.
    std::string Path() const {
        std::string path = "$";
        for (const Frame& f : frames_) {
            path += f.array ? "[" + std::to_string(f.index) + "]" : "." + f.key;
        }
        return path;
    }

  private:
    struct Frame {
        bool array;
        std::size_t index;
        std::string key;
        std::vector<std::string> keys;         // of an object, those met so far
        std::unordered_set<std::string> many;  // the same, once they are many
    };
    std::vector<Frame> frames_;
};

// Builds the document as the library's own parser does, following it: an object that gives a
// key twice is refused (the library would keep the last value without a word), and so is a
// number out of range, each with its path.
class Builder {
  public:
    explicit Builder(json& result) : dom_(result) {}

    bool null() { return Value(dom_.null()); }
    bool boolean(bool value) { return Value(dom_.boolean(value)); }
    bool number_integer(json::number_integer_t value) { return Value(dom_.number_integer(value)); }
    bool number_unsigned(json::number_unsigned_t value) {
        return Value(dom_.number_unsigned(value));
    }
    bool number_float(json::number_float_t value, const json::string_t& text) {
        return Value(dom_.number_float(value, text));
    }
    bool string(json::string_t& value) { return Value(dom_.string(value)); }
    bool binary(json::binary_t& value) { return Value(dom_.binary(value)); }
    bool start_object(std::size_t size) {
        where_.Open(false);
        return dom_.start_object(size);
    }
    bool key(json::string_t& key) {
        if (!where_.Key(key)) {
            throw Malformed{where_.Path(), "is given twice in its object"};
        }
        return dom_.key(key);
    }
    bool end_object() {
        where_.Close();
        return dom_.end_object();
    }
    bool start_array(std::size_t size) {
        where_.Open(true);
        return dom_.start_array(size);
    }
    bool end_array() {
        where_.Close();
        return dom_.end_array();
    }
    template <typename Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& e) {
        if constexpr (std::is_same_v<Exception, json::out_of_range>) {
            throw Malformed{where_.Path(), "is a number out of range"};
        }
        return dom_.parse_error(position, token, e);
    }

  private:
    bool Value(bool built) {
        where_.Done();
        return built;
    }

    nlohmann::detail::json_sax_dom_parser<json> dom_;
    Whereabouts where_;
};

}  // namespace

std::unique_ptr<Document> ParseMap(const std::string& text, const std::string& name) {
    // A byte-order mark some editors put at the start is no part of the JSON.
    const std::string_view json_text = std::string_view(text).starts_with("\xEF\xBB\xBF")
                                           ? std::string_view(text).substr(3)
                                           : std::string_view(text);
    json j;
    try {
        Builder builder(j);
        json::sax_parse(json_text, &builder);
    } catch (const Malformed& m) {
        throw MapError(name + ": " + m.path + " " + m.what);
    } catch (const json::exception& e) {
        throw MapError(name + ": not JSON: " + e.what());
    }
    auto document = std::make_unique<Document>();
    try {
        Reader(*document).ReadDocument(j);
    } catch (const Malformed& m) {
        throw MapError(name + ": " + m.path + " " + m.what);
    }
    return document;
}

std::unique_ptr<Document> ReadJsonMap(const std::string& path) {
    std::string text;
    try {
        text = ReadWholeFile(path, kMapBound);
    } catch (const FileError& e) {
        throw MapError(e.what());
    }
    return ParseMap(text, path);
}

std::string FormatMap(const Document& document) {
    std::string text;
    MapText(text).Document(document);
    return text;
}

void WriteJsonMap(const Document& document, const std::string& path) {
    std::string text;
    try {
        text = FormatMap(document);
    } catch (const MapError& e) {
        throw MapError(path + ": " + e.what());
    }
    try {
        WriteWholeFile(path, text);
    } catch (const FileError& e) {
        throw MapError(e.what());
    }
}

}  // namespace subhost
