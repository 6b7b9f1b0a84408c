#include "diff.h"

#include "failure.h"
#include "output.h"
#include "pairing.h"
#include "subhost/document/artfields.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/sjis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <iomanip>
#include <map>
#include <sstream>
#include <type_traits>
#include <unordered_map>

namespace kznhost {
namespace {

using subhost::Art;
using subhost::Point;
using subhost::ShowSjis;

const char* TypeName(ASInt32 type) {
    switch (type) {
        case kGroupArt:
            return "group";
        case kPathArt:
            return "path";
        case kCompoundPathArt:
            return "compound path";
        case kTextArt:
            return "text";
        default:
            return "art";
    }
}

std::string Quoted(const std::string& sjis) {
    return "\"" + ShowSjis(sjis) + "\"";
}

// SJIS as its map spelled it (SPELLINGS under KEY), quoted: code page 932 gives several
// characters one form (¥ and \, 〜 and ～), and the map tells them apart.
std::string Quoted(const std::string& sjis, const subhost::Spellings& spellings,
                   const std::string& key = "") {
    const auto it = spellings.find(key);
    return it != spellings.end() && it->second.bytes == sjis ? "\"" + it->second.written + "\""
                                                             : Quoted(sjis);
}

// Whether A and B, holding the same text and tags, spell them alike.
bool SpelledAlike(const Art& a, const Art& b) {
    const auto alike = [&](const std::string& key) {
        const std::string& x = key.empty() ? a.text : a.tags.at(key);
        const std::string& y = key.empty() ? b.text : b.tags.at(key);
        return Quoted(x, a.spellings, key) == Quoted(y, b.spellings, key);
    };
    return std::all_of(a.spellings.begin(), a.spellings.end(),
                       [&](const auto& s) { return alike(s.first); }) &&
           std::all_of(b.spellings.begin(), b.spellings.end(),
                       [&](const auto& s) { return alike(s.first); });
}

// Whether X and Y (of kinds with a name and its spelling) are named alike.
template <typename Named, typename Name>
bool NamedAlike(const Named& x, const Named& y, const Name& name) {
    return Quoted(name(x), x.spellings) == Quoted(name(y), y.spellings);
}

// What names an art for a person: a text's content, a group's tags.
std::string Described(const Art& art) {
    std::string out = TypeName(art.type);
    if (art.type == kTextArt) {
        out += " " + Quoted(art.text, art.spellings);
    } else if (!art.tags.empty()) {
        std::string tags;
        for (const auto& [name, value] : art.tags) {
            tags += (tags.empty() ? "" : ", ") + ShowSjis(name) + " " +
                    Quoted(value, art.spellings, name);
        }
        out += " (" + tags + ")";
    }
    return out;
}

// VALUE to PRECISION significant digits, as a person reads it (what is nearly 0 is 0).
std::string Significant(double value, int precision = 6) {
    std::ostringstream out;
    out << std::setprecision(precision) << (std::abs(value) < 1e-9 ? 0.0 : value);
    return out.str();
}

std::string Numbers(const std::vector<double>& values, int precision) {
    std::string out;
    for (const double value : values) {
        out += (out.empty() ? "" : ", ") + Significant(value, precision);
    }
    return out;
}

// "A -> B" for two lists of numbers, each written as short as it can be while the two still read
// apart (a size of 12 that the host's single precision made 12.0000001 is no longer 12).
std::string Change(const std::vector<double>& a, const std::vector<double>& b, const char* open,
                   const char* close) {
    int precision = 6;
    while (precision < 17 && Numbers(a, precision) == Numbers(b, precision)) {
        ++precision;
    }
    return open + Numbers(a, precision) + close + " -> " + open + Numbers(b, precision) + close;
}

std::string Offset(double dx, double dy) {
    return "(" + Significant(dx) + ", " + Significant(dy) + ")";
}

// How a path's points changed: nothing, a move by one offset, or anything else. FLIP is -1 for
// art kept upside down (a pattern's), so that the offset is the one the map file shows.
std::string PathChange(const Art& a, const Art& b, double flip) {
    if (a.segments == b.segments) {
        return a.closed == b.closed ? "" : "path reshaped";
    }
    if (a.segments.size() != b.segments.size() || a.closed != b.closed || a.segments.empty()) {
        return "path reshaped";
    }
    const double dx = b.segments[0].p.x - a.segments[0].p.x;
    const double dy = b.segments[0].p.y - a.segments[0].p.y;
    // Points go through the host's single-precision reals: offsets within that are the same.
    const auto same = [&](const Point& p, const Point& q) {
        const double tolerance = 1e-5 * std::max({1.0, std::abs(p.x), std::abs(p.y)});
        return std::abs(q.x - p.x - dx) <= tolerance && std::abs(q.y - p.y - dy) <= tolerance;
    };
    for (std::size_t i = 0; i < a.segments.size(); ++i) {
        const subhost::Segment& s = a.segments[i];
        const subhost::Segment& t = b.segments[i];
        if (!same(s.p, t.p) || !same(s.in, t.in) || !same(s.out, t.out) || s.corner != t.corner) {
            return "path reshaped";
        }
    }
    return "path moved by " + Offset(dx, flip * dy);
}

// What art holds, all that the map form has of it: compared whole, first by a hash of it.
class Contents {
  public:
    std::uint64_t Hash(const Art& art) { return Hashed(art).whole; }

    // A and B hold the same: everything the map form has of them, their children too.
    bool Same(const Art& a, const Art& b) {
        if (&a == &b) {
            return true;
        }
        if (Hash(a) != Hash(b) || a.type != b.type || !SpelledAlike(a, b)) {
            return false;
        }
        return std::all_of(subhost::kArtFields.begin(), subhost::kArtFields.end(),
                           [&](const subhost::ArtField& field) {
                               return !subhost::Holds(field, a.type) || SameField(field, a, b);
                           });
    }

    // A and B (of one type, which holds FIELD) hold the same value of FIELD: children and a
    // text's path compared whole.
    bool SameField(const subhost::ArtField& field, const Art& a, const Art& b) {
        return subhost::VisitField(
            field.id,
            [&](const auto& x, const auto& y) {
                if constexpr (std::is_same_v<std::decay_t<decltype(x)>, subhost::ChildList>) {
                    return SameChildren(a, b);
                } else if constexpr (std::is_same_v<std::decay_t<decltype(x)>, Art*>) {
                    return SamePath(x, y);
                } else {
                    return x == y;
                }
            },
            a, b);
    }

    bool SamePath(const Art* a, const Art* b) {
        return a == nullptr || b == nullptr ? a == b : Same(*a, *b);
    }

    bool SameChildren(const Art& a, const Art& b) {
        return Hashed(a).children == Hashed(b).children &&
               std::equal(a.children.begin(), a.children.end(), b.children.begin(),
                          b.children.end(),
                          [&](const Art* x, const Art* y) { return Same(*x, *y); });
    }

  private:
    struct Hashes {
        std::uint64_t whole;
        std::uint64_t children;
    };

    const Hashes& Hashed(const Art& art) {
        if (const auto known = hashes_.find(&art); known != hashes_.end()) {
            return known->second;
        }
        std::uint64_t children = Mix(0, art.children.size());
        for (const Art* child : art.children) {
            children = Mix(children, Hash(*child));
        }
        std::uint64_t h = children;
        subhost::ForEachField(
            art, [&](const subhost::ArtField&, const auto& value) { h = Mix(h, Of(value)); });
        return hashes_.emplace(&art, Hashes{h, children}).first->second;
    }

    // Each field's value hashed (children apart: Hashes.children).
    std::uint64_t Of(const subhost::ChildList&) { return 0; }
    std::uint64_t Of(const Art* path) { return path != nullptr ? Hash(*path) : 0; }
    static std::uint64_t Of(bool flag) { return flag ? 1 : 2; }
    static std::uint64_t Of(ASInt32 type) { return static_cast<std::uint64_t>(type); }
    static std::uint64_t Of(const std::string& text) { return std::hash<std::string>{}(text); }
    static std::uint64_t Of(const std::map<std::string, std::string>& tags) {
        std::uint64_t h = 0;
        for (const auto& [name, value] : tags) {
            h = Mix(Mix(h, Of(name)), Of(value));
        }
        return h;
    }
    static std::uint64_t Of(const std::vector<subhost::Segment>& segments) {
        std::uint64_t h = 0;
        for (const subhost::Segment& s : segments) {
            h = Mix(Mix(Mix(h, Of(s.p)), Of(s.in)), Mix(Of(s.out), s.corner ? 1 : 0));
        }
        return h;
    }
    static std::uint64_t Of(const subhost::PathStyle& style) {
        std::uint64_t h = 0;
        for (const auto& paint : {style.fill, style.stroke}) {
            h = paint ? Mix(Mix(h, Of(paint->gray)), Of(paint->width)) : Mix(h, 0);
        }
        return h;
    }
    static std::uint64_t Of(const subhost::KeptPaint& paint) {
        return Mix(Of(paint.properties), Of(paint.tints));
    }
    static std::uint64_t Of(const std::array<double, 4>& m) {
        std::uint64_t h = 0;
        for (const double value : m) {
            h = Mix(h, Of(value));
        }
        return h;
    }

    static std::uint64_t Mix(std::uint64_t h, std::uint64_t value) {
        std::uint64_t z = h ^ (value + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    static std::uint64_t Of(double value) {
        value = value == 0 ? 0.0 : value;  // -0 == 0
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    static std::uint64_t Of(const Point& p) { return Mix(Of(p.x), Of(p.y)); }

    std::unordered_map<const Art*, Hashes> hashes_;
};

// Where art stands: the box around its points (a path's anchors and handles, a text's anchor),
// none for art with no points.
struct Box {
    bool empty = true;
    double left = 0, bottom = 0, right = 0, top = 0;

    void Add(const Point& p) {
        left = empty ? p.x : std::min(left, p.x);
        right = empty ? p.x : std::max(right, p.x);
        bottom = empty ? p.y : std::min(bottom, p.y);
        top = empty ? p.y : std::max(top, p.y);
        empty = false;
    }
    void Add(const Box& box) {
        if (!box.empty) {
            Add(Point{box.left, box.bottom});
            Add(Point{box.right, box.top});
        }
    }
    // The same place, as far as the host's single-precision reals tell places apart.
    bool Near(const Box& other) const {
        const auto near = [](double a, double b) {
            return std::abs(a - b) <= 1e-5 * std::max({1.0, std::abs(a), std::abs(b)});
        };
        return empty || other.empty ? empty == other.empty
                                    : near(left, other.left) && near(right, other.right) &&
                                          near(bottom, other.bottom) && near(top, other.top);
    }
};

class Places {
  public:
    const Box& Of(const Art& art) {
        if (const auto known = boxes_.find(&art); known != boxes_.end()) {
            return known->second;
        }
        Box box;
        if (art.type == kTextArt) {
            box.Add(art.anchor);
        }
        for (const subhost::Segment& s : art.segments) {
            box.Add(s.p);
            box.Add(s.in);
            box.Add(s.out);
        }
        for (const Art* child : art.children) {
            box.Add(Of(*child));
        }
        return boxes_.emplace(&art, box).first->second;
    }

  private:
    std::unordered_map<const Art*, Box> boxes_;
};

// How alike two arts that do not hold the same are, for pairing the children of two lists: 0
// for two kinds of art, which never pair; otherwise 10, plus 20 for each trait that tells one
// object from another and agrees (the place where it stands; a text's content; a group's tags),
// less 1 for each other key of the map form that differs (never more than 9 of them), so that one
// pair alike in such a trait is worth more than two pairs alike in none.
std::int64_t Likeness(const Art& a, const Box& placeA, const Art& b, const Box& placeB,
                      Contents& contents) {
    if (a.type != b.type) {
        return 0;
    }
    std::int64_t telling = 0;
    std::int64_t other = 0;
    const auto tells = [&](bool same) { telling += same ? 1 : 0; };
    const auto differs = [&](bool same) { other += same ? 0 : 1; };
    tells(placeA.Near(placeB));
    const bool grouping = a.type == kGroupArt || a.type == kCompoundPathArt;
    for (const subhost::ArtField& field : subhost::kArtFields) {
        if (!subhost::Holds(field, a.type)) {
            continue;
        }
        switch (field.id) {
            case subhost::ArtFieldId::kType:    // the same: art of two types never pairs
            case subhost::ArtFieldId::kAnchor:  // where a text stands: its place, above
            case subhost::ArtFieldId::kClosed:  // a path's outline, with its segments
                break;
            case subhost::ArtFieldId::kText:
                tells(contents.SameField(field, a, b));
                break;
            case subhost::ArtFieldId::kTags:  // what tells one group from another
                if (grouping) {
                    tells(contents.SameField(field, a, b));
                } else {
                    differs(contents.SameField(field, a, b));
                }
                break;
            case subhost::ArtFieldId::kSegments:
                differs(a.closed == b.closed && contents.SameField(field, a, b));
                break;
            default:
                differs(contents.SameField(field, a, b));
                break;
        }
    }
    return 10 + 20 * telling - other;
}

class Comparison {
  public:
    // FLIP is -1 for art kept upside down (a pattern's): places are then shown as the file has
    // them.
    Comparison(std::ostream& out, Contents& contents, Places& places, double flip = 1)
        : out_(out), contents_(contents), places_(places), flip_(flip) {}
    int changes() const { return changes_; }

    // Pairs the children of two lists and names what is left over: removed (by its place in A)
    // or new (by its place in B).
    void Lists(const subhost::ChildList& first, const subhost::ChildList& second,
               const std::string& where) {
        const std::vector<const Art*> a(first.begin(), first.end());
        const std::vector<const Art*> b(second.begin(), second.end());
        std::size_t i = 0;
        std::size_t j = 0;
        const auto upTo = [&](std::size_t ei, std::size_t ej) {
            for (; i < ei; ++i) {
                Line(At(where, i), Described(*a[i]) + " removed");
            }
            for (; j < ej; ++j) {
                Line(At(where, j), "new " + Described(*b[j]));
            }
        };
        for (const auto& [pi, pj] : PairChildren(a, b)) {
            upTo(pi, pj);
            Pair(*a[i++], *b[j++], At(where, pj));
        }
        upTo(a.size(), b.size());
    }

    // A single art in each (a pattern's), either of which may be missing.
    void One(const Art* a, const Art* b, const std::string& at) {
        if (a != nullptr && b != nullptr && a->type == b->type) {
            Pair(*a, *b, at);
            return;
        }
        if (a != nullptr) {
            Line(at, Described(*a) + " removed");
        }
        if (b != nullptr) {
            Line(at, "new " + Described(*b));
        }
    }

    void Line(const std::string& at, const std::string& what) {
        out_ << "  " << at << ": " << what << "\n";
        ++changes_;
    }

  private:
    static std::string At(const std::string& where, std::size_t index) {
        return where + "[" + std::to_string(index) + "]";
    }

    // Children that hold exactly the same are paired first, as many as can be in order; between
    // two such pairs, the rest are paired as alike as they can be.
    Pairs PairChildren(const std::vector<const Art*>& a, const std::vector<const Art*>& b) {
        // Each child numbered by what it holds: the same number, the same contents.
        std::unordered_map<std::uint64_t, std::vector<std::pair<const Art*, std::size_t>>> seen;
        std::size_t kinds = 0;
        const auto number = [&](const Art* art) {
            auto& alike = seen[contents_.Hash(*art)];
            for (const auto& [other, n] : alike) {
                if (contents_.Same(*other, *art)) {
                    return n;
                }
            }
            alike.emplace_back(art, kinds);
            return kinds++;
        };
        std::vector<std::size_t> na(a.size());
        std::vector<std::size_t> nb(b.size());
        std::transform(a.begin(), a.end(), na.begin(), number);
        std::transform(b.begin(), b.end(), nb.begin(), number);
        Pairs pairs;
        if (na == nb) {
            for (std::size_t i = 0; i < a.size(); ++i) {
                pairs.emplace_back(i, i);
            }
            return pairs;
        }
        std::size_t i = 0;
        std::size_t j = 0;
        const auto alikeUpTo = [&](std::size_t ei, std::size_t ej) {
            if (i == ei || j == ej) {
                return;
            }
            std::vector<const Box*> placesA;
            std::vector<const Box*> placesB;
            for (std::size_t x = i; x < ei; ++x) {
                placesA.push_back(&places_.Of(*a[x]));
            }
            for (std::size_t y = j; y < ej; ++y) {
                placesB.push_back(&places_.Of(*b[y]));
            }
            const auto weight = [&](std::size_t x, std::size_t y) {
                return Likeness(*a[i + x], *placesA[x], *b[j + y], *placesB[y], contents_);
            };
            for (const auto& [x, y] : PairInWindows(ei - i, ej - j, weight)) {
                pairs.emplace_back(i + x, j + y);
            }
        };
        for (const auto& [si, sj] : PairEqual(na, nb)) {
            alikeUpTo(si, sj);
            pairs.emplace_back(si, sj);
            i = si + 1;
            j = sj + 1;
        }
        alikeUpTo(a.size(), b.size());
        return pairs;
    }

    void Pair(const Art& a, const Art& b, const std::string& at) {
        if (contents_.Same(a, b)) {
            return;
        }
        if (a.type == kTextArt) {
            Text(a, b, at);
        }
        if (a.type == kPathArt) {
            if (const std::string change = PathChange(a, b, flip_); !change.empty()) {
                Line(at, change);
            }
            if (!(a.style == b.style)) {
                Line(at, "path style changed");
            }
            if (!(a.paint == b.paint)) {
                Line(at, "paint changed");
            }
        }
        Flag(at, "hidden", a.hidden, b.hidden);
        Flag(at, "locked", a.locked, b.locked);
        Flag(at, "selected", a.selected, b.selected);
        Tags(a, b, at);
        Lists(a.children, b.children, at);
    }

    void Text(const Art& a, const Art& b, const std::string& at) {
        if (Quoted(a.text, a.spellings) != Quoted(b.text, b.spellings)) {
            Line(at, Quoted(a.text, a.spellings) + " -> " + Quoted(b.text, b.spellings));
        }
        if (!(a.anchor == b.anchor)) {
            Line(at, "text moved by " +
                         Offset(b.anchor.x - a.anchor.x, flip_ * (b.anchor.y - a.anchor.y)));
        }
        if (a.size != b.size) {
            Line(at, "size " + Change({a.size}, {b.size}, "", ""));
        }
        if (a.matrix != b.matrix) {
            // As the file has it: a pattern's text turned back upright.
            const auto shown = [&](const std::array<double, 4>& m) {
                return std::vector<double>{m[0], flip_ * m[1], m[2], flip_ * m[3]};
            };
            Line(at, "matrix " + Change(shown(a.matrix), shown(b.matrix), "[", "]"));
        }
        One(a.textPath, b.textPath, at + ".path");
    }

    void Flag(const std::string& at, const char* name, bool a, bool b) {
        if (a != b) {
            Line(at, std::string(name) + (a ? " true -> false" : " false -> true"));
        }
    }

    void Tags(const Art& a, const Art& b, const std::string& at) {
        for (const auto& [name, value] : b.tags) {
            const auto old = a.tags.find(name);
            if (old == a.tags.end()) {
                Line(at, "tag " + ShowSjis(name) + " set to " + Quoted(value, b.spellings, name));
            } else if (Quoted(old->second, a.spellings, name) != Quoted(value, b.spellings, name)) {
                Line(at, "tag " + ShowSjis(name) + " " + Quoted(old->second, a.spellings, name) +
                             " -> " + Quoted(value, b.spellings, name));
            }
        }
        for (const auto& [name, value] : a.tags) {
            if (!b.tags.contains(name)) {
                Line(at, "tag " + ShowSjis(name) + " removed");
            }
        }
    }

    std::ostream& out_;
    Contents& contents_;
    Places& places_;
    double flip_;
    int changes_ = 0;
};

// How the entries of two lists known by a key (layers by title, patterns by name, swatches by
// what they hold) correspond, in the order they are told.
struct Step {
    enum Kind { kKept, kMoved, kRemoved, kNew } kind;
    std::size_t a = 0;  // in A (kept, moved, removed)
    std::size_t b = 0;  // in B (kept, moved, new)
};

// Entries of the same key are the same entry: as many as can be are paired in order, nearest
// their old places; a key left over on both sides is an entry moved; between two pairs in order,
// the rest are paired by place (a layer renamed), and what is left over is removed or new.
std::vector<Step> Correspond(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    // One more pair in order outweighs any distance between the places of all.
    const std::int64_t whole = static_cast<std::int64_t>(a.size() + b.size() + 1);
    const auto weight = [&](std::size_t i, std::size_t j) -> std::int64_t {
        const std::int64_t distance =
            i < j ? static_cast<std::int64_t>(j - i) : static_cast<std::int64_t>(i - j);
        return a[i] == b[j] ? whole * whole - distance : 0;
    };
    const Pairs kept = PairInOrder(a.size(), b.size(), weight);
    // Keys left over on both sides: each entry of B takes the first of A of its key.
    std::vector<bool> pairedA(a.size());
    std::vector<bool> pairedB(b.size());
    for (const auto& [i, j] : kept) {
        pairedA[i] = pairedB[j] = true;
    }
    std::map<std::string, std::deque<std::size_t>> left;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!pairedA[i]) {
            left[a[i]].push_back(i);
        }
    }
    std::vector<std::size_t> movedFrom(b.size(), a.size());
    for (std::size_t j = 0; j < b.size(); ++j) {
        if (auto found = left.find(b[j]);
            !pairedB[j] && found != left.end() && !found->second.empty()) {
            movedFrom[j] = found->second.front();
            found->second.pop_front();
            pairedA[movedFrom[j]] = pairedB[j] = true;
        }
    }
    std::vector<Step> steps;
    std::size_t i = 0;
    std::size_t j = 0;
    const auto upTo = [&](std::size_t ei, std::size_t ej) {
        std::vector<std::size_t> restA;
        for (; i < ei; ++i) {
            if (!pairedA[i]) {
                restA.push_back(i);
            }
        }
        // What is left over in A goes first, then B's entries in order: paired by place while
        // A has entries left over, else moved here or new.
        std::size_t byPlace = 0;
        for (std::size_t k = j; k < ej; ++k) {
            byPlace += pairedB[k] ? 0 : 1;
        }
        byPlace = std::min(byPlace, restA.size());
        for (std::size_t k = byPlace; k < restA.size(); ++k) {
            steps.push_back({Step::kRemoved, restA[k], 0});
        }
        for (std::size_t placed = 0; j < ej; ++j) {
            if (!pairedB[j] && placed < byPlace) {
                steps.push_back({Step::kKept, restA[placed++], j});
            } else {
                steps.push_back(movedFrom[j] < a.size() ? Step{Step::kMoved, movedFrom[j], j}
                                                        : Step{Step::kNew, 0, j});
            }
        }
    };
    for (const auto& [ki, kj] : kept) {
        upTo(ki, kj);
        steps.push_back({Step::kKept, i++, j++});
    }
    upTo(a.size(), b.size());
    return steps;
}

// Prints the lines of two lists known by a key: "KIND INDEX NAME: new", "...: removed",
// "...: moved from INDEX", and for every entry of B paired with one of A what COMPARE finds (its
// lines, or a header and its lines). Returns how many changes it printed.
template <typename Compare>
int Entries(const std::vector<std::string>& keysA, const std::vector<std::string>& keysB,
            const std::function<std::string(bool, std::size_t)>& name, std::ostream& out,
            const Compare& compare) {
    int changes = 0;
    for (const Step& step : Correspond(keysA, keysB)) {
        switch (step.kind) {
            case Step::kRemoved:
                out << name(false, step.a) << ": removed\n";
                ++changes;
                break;
            case Step::kNew:
                out << name(true, step.b) << ": new\n";
                ++changes;
                break;
            case Step::kMoved:
                out << name(true, step.b) << ": moved from " << step.a << "\n";
                changes += 1 + compare(step.a, step.b);
                break;
            case Step::kKept:
                changes += compare(step.a, step.b);
                break;
        }
    }
    return changes;
}

// Prints a block of changes found by a Comparison under HEADER: "HEADER: N changes".
int Block(std::ostream& out, const std::string& header, const Comparison& comparison,
          const std::ostringstream& details) {
    if (comparison.changes() > 0) {
        out << header << ": " << comparison.changes()
            << (comparison.changes() == 1 ? " change\n" : " changes\n") << details.str();
    }
    return comparison.changes();
}

template <typename Entry, typename Key>
std::vector<std::string> Keys(const std::vector<Entry*>& entries, const Key& key) {
    std::vector<std::string> keys;
    for (const Entry* entry : entries) {
        keys.push_back(key(*entry));
    }
    return keys;
}

std::string SwatchKey(const subhost::Swatch& swatch) {
    if (swatch.pattern != nullptr) {
        return "pattern " + swatch.pattern->name;
    }
    const double gray = swatch.gray == 0 ? 0.0 : swatch.gray;
    std::string key = "gray ";
    key.append(reinterpret_cast<const char*>(&gray), sizeof gray);
    return key;
}

std::string SwatchShown(const subhost::Swatch& swatch) {
    return swatch.pattern != nullptr
               ? "pattern " + Quoted(swatch.pattern->name, swatch.pattern->spellings)
               : "gray " + Significant(swatch.gray);
}

// What differs between two maps, part by part; each part prints its changes and says how many.
class MapComparison {
  public:
    MapComparison(const subhost::Document& a, const subhost::Document& b, std::ostream& out)
        : a_(a), b_(b), out_(out) {}

    // Prints the changes, in this order, and says how many there are.
    int Changes() {
        int changes = Layers();
        changes += CurrentLayer();
        changes += Patterns();
        changes += Swatches();
        return changes;
    }

  private:
    static std::string Title(const subhost::Layer& layer) { return layer.title; }
    static std::string Name(const subhost::Pattern& pattern) { return pattern.name; }

    // Layers: of the same title, the same layer (a new layer moves the ones below it down).
    int Layers() {
        const auto& la = a_.layers();
        const auto& lb = b_.layers();
        layerIn_.assign(la.size(), lb.size());
        return Entries(
            Keys(la, Title), Keys(lb, Title),
            [&](bool inB, std::size_t index) {
                const subhost::Layer& layer = *(inB ? lb : la)[index];
                return "layer " + std::to_string(index) + " " +
                       Quoted(layer.title, layer.spellings);
            },
            out_,
            [&](std::size_t i, std::size_t j) {
                const subhost::Layer& x = *la[i];
                const subhost::Layer& y = *lb[j];
                layerIn_[i] = j;
                std::ostringstream details;
                Comparison layer(details, contents_, places_);
                if (!NamedAlike(x, y, Title)) {
                    layer.Line("title", Quoted(x.title, x.spellings) + " -> " +
                                            Quoted(y.title, y.spellings));
                }
                if (x.editable != y.editable) {
                    layer.Line("editable", x.editable ? "true -> false" : "false -> true");
                }
                layer.Lists(x.group->children, y.group->children, "art");
                return Block(out_,
                             "layer " + std::to_string(j) + " " + Quoted(y.title, y.spellings),
                             layer, details);
            });
    }

    // The current layer, unless it is the same layer at its new place.
    int CurrentLayer() {
        const auto& la = a_.layers();
        const auto& lb = b_.layers();
        const std::size_t currentA = a_.currentLayer();
        const std::size_t currentB = b_.currentLayer();
        if (!la.empty() && !lb.empty() && layerIn_[currentA] != currentB) {
            out_ << "current layer: " << currentA << " "
                 << Quoted(la[currentA]->title, la[currentA]->spellings) << " -> " << currentB
                 << " " << Quoted(lb[currentB]->title, lb[currentB]->spellings) << "\n";
            return 1;
        }
        return 0;
    }

    // Patterns, known by their names; their art is kept upside down.
    int Patterns() {
        const auto& pa = a_.patterns();
        const auto& pb = b_.patterns();
        return Entries(
            Keys(pa, Name), Keys(pb, Name),
            [&](bool inB, std::size_t index) {
                const subhost::Pattern& pattern = *(inB ? pb : pa)[index];
                return "pattern " + std::to_string(index) + " " +
                       Quoted(pattern.name, pattern.spellings);
            },
            out_,
            [&](std::size_t i, std::size_t j) {
                std::ostringstream details;
                Comparison pattern(details, contents_, places_, -1);
                if (!NamedAlike(*pa[i], *pb[j], Name)) {
                    pattern.Line("name", Quoted(pa[i]->name, pa[i]->spellings) + " -> " +
                                             Quoted(pb[j]->name, pb[j]->spellings));
                }
                pattern.One(pa[i]->art, pb[j]->art, "art");
                return Block(
                    out_,
                    "pattern " + std::to_string(j) + " " + Quoted(pb[j]->name, pb[j]->spellings),
                    pattern, details);
            });
    }

    // Swatches, known by what they hold.
    int Swatches() {
        const auto& sa = a_.swatches();
        const auto& sb = b_.swatches();
        const std::vector<std::string> swatchesA = Keys(sa, SwatchKey);
        const std::vector<std::string> swatchesB = Keys(sb, SwatchKey);
        return Entries(
            swatchesA, swatchesB,
            [&](bool inB, std::size_t index) {
                return "swatch " + std::to_string(index) + " (" +
                       SwatchShown(*(inB ? sb : sa)[index]) + ")";
            },
            out_,
            [&](std::size_t i, std::size_t j) {
                if (swatchesA[i] == swatchesB[j]) {
                    return 0;
                }
                const subhost::Swatch& x = *sa[i];
                const subhost::Swatch& y = *sb[j];
                std::string change;
                if (x.pattern == nullptr && y.pattern == nullptr) {
                    change = Change({x.gray}, {y.gray}, "gray ", "");
                } else {
                    change = SwatchShown(x) + " -> " + SwatchShown(y);
                }
                out_ << "swatch " << j << ": " << change << "\n";
                return 1;
            });
    }

    const subhost::Document& a_;
    const subhost::Document& b_;
    std::ostream& out_;
    Contents contents_;
    Places places_;
    std::vector<std::size_t> layerIn_;  // each layer of A's place in B
};

}  // namespace

int PrintDiff(const std::string& before, const std::string& after, std::ostream& out,
              std::ostream& err) {
    std::unique_ptr<subhost::Document> a;
    std::unique_ptr<subhost::Document> b;
    std::string doing = "reading the map " + before;
    try {
        a = subhost::ReadMap(before);
        doing = "reading the map " + after;
        b = subhost::ReadMap(after);
    } catch (const std::exception& e) {
        err << "kznhost: " << Said(e, doing) << "\n";
        return 2;
    }
    const int changes = MapComparison(*a, *b, out).Changes();
    if (changes == 0) {
        out << "no changes\n";
    }
    return Written(out, err, changes == 0 ? 0 : 1);
}

}  // namespace kznhost
