#include "diff.h"

#include "output.h"
#include "subhost/document/mapfile.h"
#include "subhost/sjis.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace kznhost {
namespace {

using subhost::Art;
using subhost::ShowSjis;

const char* TypeName(ASInt32 type) {
    switch (type) {
        case subhost::kGroupArt:
            return "group";
        case subhost::kPathArt:
            return "path";
        case subhost::kCompoundPathArt:
            return "compound path";
        case subhost::kTextArt:
            return "text";
        default:
            return "art";
    }
}

std::string Quoted(const std::string& sjis) {
    return "\"" + ShowSjis(sjis) + "\"";
}

// What names an art for a person: a text's content, a group's tags.
std::string Described(const Art& art) {
    std::string out = TypeName(art.type);
    if (art.type == subhost::kTextArt) {
        out += " " + Quoted(art.text);
    } else if (!art.tags.empty()) {
        std::string tags;
        for (const auto& [name, value] : art.tags) {
            tags += (tags.empty() ? "" : ", ") + ShowSjis(name) + " " + Quoted(value);
        }
        out += " (" + tags + ")";
    }
    return out;
}

// How alike two arts are, for pairing the children of two lists: 0 not the same object, 1 the
// same kind, 2 also alike in what changes least (a text's content or place, a path's points, a
// group's tags).
int Likeness(const Art& a, const Art& b) {
    if (a.type != b.type) {
        return 0;
    }
    switch (a.type) {
        case subhost::kTextArt:
            return a.text == b.text || a.anchor == b.anchor ? 2 : 1;
        case subhost::kPathArt:
            return a.segments == b.segments ? 2 : 1;
        default:
            return a.tags == b.tags ? 2 : 1;
    }
}

std::string Number(double value) {
    std::ostringstream out;
    out << (std::abs(value) < 1e-9 ? 0.0 : value);
    return out.str();
}

// How a path's points changed: nothing, a move by one offset, or anything else.
std::string PathChange(const Art& a, const Art& b) {
    if (a.segments == b.segments) {
        return a.closed == b.closed ? "" : "path reshaped";
    }
    if (a.segments.size() != b.segments.size() || a.closed != b.closed || a.segments.empty()) {
        return "path reshaped";
    }
    const double dx = b.segments[0].p.x - a.segments[0].p.x;
    const double dy = b.segments[0].p.y - a.segments[0].p.y;
    // Points go through the host's single-precision reals: offsets within that are the same.
    const auto same = [&](const subhost::Point& p, const subhost::Point& q) {
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
    return "path moved by (" + Number(dx) + ", " + Number(dy) + ")";
}

class Comparison {
  public:
    explicit Comparison(std::ostream& out) : out_(out) {}
    int changes() const { return changes_; }

    // Pairs the children of two lists so that the pairs are as alike as can be, in order; what
    // is left over was removed (named by its place in A) or is new (by its place in B).
    void Lists(const subhost::ChildList& first, const subhost::ChildList& second,
               const std::string& where) {
        const std::vector<Art*> a(first.begin(), first.end());
        const std::vector<Art*> b(second.begin(), second.end());
        const std::size_t n = a.size();
        const std::size_t m = b.size();
        // best[i][j]: the most likeness the lists from a[i] and b[j] on can pair up.
        std::vector<std::vector<int>> best(n + 1, std::vector<int>(m + 1, 0));
        for (std::size_t i = n; i-- > 0;) {
            for (std::size_t j = m; j-- > 0;) {
                const int pair = Likeness(*a[i], *b[j]);
                best[i][j] = std::max(
                    {best[i + 1][j], best[i][j + 1], pair > 0 ? pair + best[i + 1][j + 1] : 0});
            }
        }
        std::size_t i = 0;
        std::size_t j = 0;
        while (i < n || j < m) {
            const int pair = i < n && j < m ? Likeness(*a[i], *b[j]) : 0;
            if (pair > 0 && best[i][j] == pair + best[i + 1][j + 1]) {
                Pair(*a[i], *b[j], At(where, j));
                ++i;
                ++j;
            } else if (i < n && (j == m || best[i][j] == best[i + 1][j])) {
                Line(At(where, i), Described(*a[i]) + " removed");
                ++i;
            } else {
                Line(At(where, j), "new " + Described(*b[j]));
                ++j;
            }
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

    void Pair(const Art& a, const Art& b, const std::string& at) {
        if (a.type == subhost::kTextArt && a.text != b.text) {
            Line(at, Quoted(a.text) + " -> " + Quoted(b.text));
        }
        if (a.type == subhost::kPathArt) {
            if (const std::string change = PathChange(a, b); !change.empty()) {
                Line(at, change);
            }
            if (!(a.style == b.style)) {
                Line(at, "path style changed");
            }
        }
        Tags(a, b, at);
        Lists(a.children, b.children, at);
    }

    void Tags(const Art& a, const Art& b, const std::string& at) {
        for (const auto& [name, value] : b.tags) {
            const auto old = a.tags.find(name);
            if (old == a.tags.end()) {
                Line(at, "tag " + ShowSjis(name) + " set to " + Quoted(value));
            } else if (old->second != value) {
                Line(at,
                     "tag " + ShowSjis(name) + " " + Quoted(old->second) + " -> " + Quoted(value));
            }
        }
        for (const auto& [name, value] : a.tags) {
            if (!b.tags.contains(name)) {
                Line(at, "tag " + ShowSjis(name) + " removed");
            }
        }
    }

    std::ostream& out_;
    int changes_ = 0;
};

}  // namespace

int PrintDiff(const std::string& before, const std::string& after, std::ostream& out,
              std::ostream& err) {
    std::unique_ptr<subhost::Document> a;
    std::unique_ptr<subhost::Document> b;
    try {
        a = subhost::ReadMap(before);
        b = subhost::ReadMap(after);
    } catch (const subhost::MapError& e) {
        err << "kznhost: " << e.what() << "\n";
        return 2;
    }
    int changes = 0;
    const auto& la = a->layers();
    const auto& lb = b->layers();
    const auto layerLine = [&](std::size_t index, const subhost::Layer& layer, const char* what) {
        out << "layer " << index << " \"" << ShowSjis(layer.title) << "\": " << what << "\n";
        ++changes;
    };
    const auto compareLayers = [&](std::size_t index, const subhost::Layer& x,
                                   const subhost::Layer& y) {
        std::ostringstream details;
        Comparison layer(details);
        if (x.title != y.title) {
            layer.Line("title", Quoted(x.title) + " -> " + Quoted(y.title));
        }
        layer.Lists(x.group->children, y.group->children, "art");
        if (layer.changes() > 0) {
            out << "layer " << index << " \"" << ShowSjis(y.title) << "\": " << layer.changes()
                << (layer.changes() == 1 ? " change\n" : " changes\n") << details.str();
            changes += layer.changes();
        }
    };
    // Layers of the same title are the same layer (a new layer moves the ones below it down);
    // between those, layers are paired by place, and what is left over is new or removed.
    std::vector<std::vector<int>> best(la.size() + 1, std::vector<int>(lb.size() + 1, 0));
    for (std::size_t i = la.size(); i-- > 0;) {
        for (std::size_t j = lb.size(); j-- > 0;) {
            best[i][j] = la[i]->title == lb[j]->title ? best[i + 1][j + 1] + 1
                                                      : std::max(best[i + 1][j], best[i][j + 1]);
        }
    }
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < la.size() || j < lb.size()) {
        if (i < la.size() && j < lb.size() && la[i]->title == lb[j]->title) {
            compareLayers(j, *la[i], *lb[j]);
            ++i;
            ++j;
            continue;
        }
        // The unpaired layers up to the next pair of the same title.
        std::size_t ei = i;
        std::size_t ej = j;
        while (ei < la.size() && ej < lb.size() && best[ei][ej] == best[i][j] &&
               !(la[ei]->title == lb[ej]->title)) {
            if (best[ei + 1][ej] == best[i][j]) {
                ++ei;
            } else {
                ++ej;
            }
        }
        if (best[i][j] == 0) {
            ei = la.size();
            ej = lb.size();
        }
        for (; i < ei && j < ej; ++i, ++j) {
            compareLayers(j, *la[i], *lb[j]);
        }
        for (; i < ei; ++i) {
            layerLine(i, *la[i], "removed");
        }
        for (; j < ej; ++j) {
            layerLine(j, *lb[j], "new");
        }
    }
    if (changes == 0) {
        out << "no changes\n";
    }
    return Written(out, err, changes == 0 ? 0 : 1);
}

}  // namespace kznhost
