#include "subhost/mapforms/jsonform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "subhost/document/artfields.h"
#include "subhost/document/paint.h"
#include "subhost/sjis.h"

namespace subhost {
namespace {

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
    // space). Its fields by name, those that hold their defaults left out.
    void Art(const subhost::Art& art, bool mirrored) {
        out_ += "{";
        const char* comma = "";
        ForEachField(art, [&](const ArtField& field, const auto& value) {
            if (Given(art, value, mirrored)) {
                out_ += comma;
                out_ += '"';
                out_ += field.key;
                out_ += "\":";
                comma = ",";
                Value(art, value, mirrored);
            }
        });
        out_ += "}";
    }

    // Whether a field's value is written: each but the type, the children and the segments is
    // left out where it holds its default.
    static bool Given(const subhost::Art&, bool flag, bool) { return flag; }
    static bool Given(const subhost::Art&, const subhost::Point& anchor, bool) {
        return !(anchor.x == 0 && anchor.y == 0 && !std::signbit(anchor.x) &&
                 !std::signbit(anchor.y));
    }
    static bool Given(const subhost::Art&, double size, bool) { return size != kDefaultSize; }
    static bool Given(const subhost::Art&, const std::array<double, 4>& matrix, bool mirrored) {
        return Shown(matrix, mirrored) != kIdentity;
    }
    static bool Given(const subhost::Art&, subhost::Art* path, bool) { return path != nullptr; }
    static bool Given(const subhost::Art&, const PathStyle& style, bool) {
        return style.fill || style.stroke;
    }
    static bool Given(const subhost::Art&, const std::map<std::string, std::string>& tags, bool) {
        return !tags.empty();
    }
    static bool Given(const subhost::Art&, const std::string& text, bool) { return !text.empty(); }
    // A kept paint goes with the tints it gave: once the module sets others, theirs win.
    static bool Given(const subhost::Art& art, const KeptPaint&, bool) {
        return PaintInForce(art) != nullptr;
    }
    template <typename Always>
    static bool Given(const subhost::Art&, const Always&, bool) {
        return true;
    }

    // A text's orientation as a person sees it.
    static std::array<double, 4> Shown(const std::array<double, 4>& m, bool mirrored) {
        return mirrored ? std::array<double, 4>{m[0], -m[1], m[2], -m[3]} : m;
    }

    void Value(const subhost::Art&, bool, bool) { out_ += "true"; }
    void Value(const subhost::Art&, const subhost::Point& anchor, bool mirrored) {
        Point(anchor, mirrored);
    }
    void Value(const subhost::Art&, double size, bool) { Number(size); }
    void Value(const subhost::Art&, const std::array<double, 4>& matrix, bool mirrored) {
        const std::array<double, 4> m = Shown(matrix, mirrored);
        out_ += "[";
        for (std::size_t i = 0; i < m.size(); ++i) {
            out_ += i == 0 ? "" : ",";
            Number(m[i]);
        }
        out_ += "]";
    }
    void Value(const subhost::Art&, subhost::Art* path, bool mirrored) { Art(*path, mirrored); }
    void Value(const subhost::Art&, const PathStyle& style, bool) { Style(style); }
    void Value(const subhost::Art&, const KeptPaint& paint, bool) {
        out_ += "{";
        const char* separator = "";
        for (const auto& [name, value] : paint.properties) {
            out_ += separator;
            separator = ",";
            String(name);
            out_ += ":";
            String(value);
        }
        out_ += "}";
    }
    void Value(const subhost::Art& art, const std::map<std::string, std::string>&, bool) {
        Tags(art);
    }
    void Value(const subhost::Art& art, const std::string& text, bool) {
        Text(text, &art.spellings, "");
    }
    void Value(const subhost::Art&, const ChildList& children, bool mirrored) {
        out_ += "[";
        const char* separator = "";
        for (const subhost::Art* child : children) {
            out_ += separator;
            Art(*child, mirrored);
            separator = ",";
        }
        out_ += "]";
    }
    void Value(const subhost::Art&, const std::vector<Segment>& segments, bool mirrored) {
        Segments(segments, mirrored);
    }
    void Value(const subhost::Art&, ASInt32 type, bool) {
        static const char* const kTypes[] = {"", "group", "path", "compound", "text"};
        out_ += '"';
        out_ += kTypes[type >= 1 && type <= 4 ? type : 0];
        out_ += '"';
    }

    void Segments(const std::vector<Segment>& segments, bool mirrored) {
        out_ += "[";
        const char* separator = "";
        for (const Segment& s : segments) {
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
            tags.emplace_back(WritableText(name), &name);
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
        out_ += ShortestNumber(value);
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
        // Bytes that are not Shift-JIS (a name cut inside a character) are kept as they are:
        // the JSON form has a form for them that reads back.
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
                case '"':
                    out_ += "\\\"";
                    break;
                case '\\':
                    out_ += "\\\\";
                    break;
                case '\b':
                    out_ += "\\b";
                    break;
                case '\f':
                    out_ += "\\f";
                    break;
                case '\n':
                    out_ += "\\n";
                    break;
                case '\r':
                    out_ += "\\r";
                    break;
                case '\t':
                    out_ += "\\t";
                    break;
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

}  // namespace

std::string FormatJsonMap(const Document& document) {
    std::string text;
    MapText(text).Document(document);
    return text;
}

}  // namespace subhost
