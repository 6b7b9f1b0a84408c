#include "diff.h"

#include "subhost/document/mapfile.h"
#include "subhost/sjis.h"

#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

namespace kznhost {
namespace {

using subhost::Art;
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

// What a person recognises an art by: its kind, a text's content, a symbol's name, and for a
// group the symbols inside it.
std::string Describe(const Art& art) {
    std::string text = TypeName(art.type);
    if (art.type == kTextArt) {
        return text + " \"" + ShowSjis(art.text) + "\"";
    }
    if (const auto name = art.tags.find("kznObjectName"); name != art.tags.end()) {
        return text + " \"" + ShowSjis(name->second) + "\"";
    }
    std::string inside;
    for (const Art* child : art.children) {
        if (const auto name = child->tags.find("kznObjectName"); name != child->tags.end()) {
            inside += (inside.empty() ? "" : " ") + ShowSjis(name->second);
        }
    }
    return inside.empty() ? text : text + " [" + inside + "]";
}

// Art that is unchanged in kind, content and symbol name.
bool SameArt(const Art& a, const Art& b) {
    return a.type == b.type && a.text == b.text && a.tags == b.tags;
}

// The pairs (i, j) of the longest common subsequence of A and B under EQUAL, in order.
template <typename T, typename Equal>
std::vector<std::pair<std::size_t, std::size_t>> CommonPairs(const std::vector<T>& a,
                                                             const std::vector<T>& b, Equal equal) {
    std::vector<std::vector<std::size_t>> n(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = a.size(); i-- > 0;) {
        for (std::size_t j = b.size(); j-- > 0;) {
            n[i][j] = equal(a[i], b[j]) ? n[i + 1][j + 1] + 1 : std::max(n[i + 1][j], n[i][j + 1]);
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        if (equal(a[i], b[j])) {
            pairs.emplace_back(i++, j++);
        } else if (n[i + 1][j] >= n[i][j + 1]) {
            ++i;
        } else {
            ++j;
        }
    }
    return pairs;
}

void CompareArt(const Art& a, const Art& b, const std::string& at, std::ostream& out, int& changes);

// Compares two children lists: what stayed is matched first; between two matches, the art that
// is left is compared position by position, and what remains is new or removed.
void Compare(const std::vector<Art*>& a, const std::vector<Art*>& b, const std::string& where,
             std::ostream& out, int& changes) {
    auto pairs = CommonPairs(a, b, [](const Art* x, const Art* y) { return SameArt(*x, *y); });
    pairs.emplace_back(a.size(), b.size());
    std::size_t i = 0;
    std::size_t j = 0;
    for (const auto& [mi, mj] : pairs) {
        for (; i < mi || j < mj; ++i, ++j) {
            const std::string at = where + "[" + std::to_string(j < mj ? j : i) + "]";
            if (i >= mi) {
                out << "  " << at << ": new " << Describe(*b[j]) << "\n";
                ++changes;
            } else if (j >= mj) {
                out << "  " << at << ": " << Describe(*a[i]) << " removed\n";
                ++changes;
            } else {
                CompareArt(*a[i], *b[j], at, out, changes);
            }
        }
        if (mi < a.size()) {
            Compare(a[mi]->children, b[mj]->children, where + "[" + std::to_string(mj) + "]", out,
                    changes);
        }
        i = mi + 1;
        j = mj + 1;
    }
}

void CompareArt(const Art& a, const Art& b, const std::string& at, std::ostream& out,
                int& changes) {
    if (a.type != b.type) {
        out << "  " << at << ": " << TypeName(a.type) << " became " << TypeName(b.type) << "\n";
        ++changes;
        return;
    }
    if (a.type == kTextArt && a.text != b.text) {
        out << "  " << at << ": \"" << ShowSjis(a.text) << "\" -> \"" << ShowSjis(b.text) << "\"\n";
        ++changes;
    }
    if (a.tags != b.tags) {
        out << "  " << at << ": tags changed\n";
        ++changes;
    }
    Compare(a.children, b.children, at, out, changes);
}

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
    // Layers are matched by title, so that a layer inserted above others does not make every
    // layer below it look changed; a layer left over on both sides is compared by position.
    const auto& la = a->layers();
    const auto& lb = b->layers();
    auto pairs = CommonPairs(la, lb, [](const subhost::Layer* x, const subhost::Layer* y) {
        return x->title == y->title;
    });
    pairs.emplace_back(la.size(), lb.size());
    std::size_t i = 0;
    std::size_t j = 0;
    auto compareLayers = [&](const subhost::Layer& x, const subhost::Layer& y, std::size_t at) {
        std::ostringstream details;
        int layerChanges = 0;
        if (x.title != y.title) {
            details << "  title \"" << ShowSjis(x.title) << "\" -> \"" << ShowSjis(y.title)
                    << "\"\n";
            ++layerChanges;
        }
        Compare(x.group->children, y.group->children, "art", details, layerChanges);
        if (layerChanges > 0) {
            out << "layer " << at << " \"" << ShowSjis(y.title) << "\": " << layerChanges
                << (layerChanges == 1 ? " change\n" : " changes\n") << details.str();
            changes += layerChanges;
        }
    };
    for (const auto& [mi, mj] : pairs) {
        for (; i < mi || j < mj; ++i, ++j) {
            if (i >= mi) {
                const subhost::Layer& layer = *lb[j];
                out << "layer " << j << " \"" << ShowSjis(layer.title) << "\": new\n";
                int ignored = 0;
                Compare({}, layer.group->children, "art", out, ignored);
                ++changes;
            } else if (j >= mj) {
                out << "layer " << i << " \"" << ShowSjis(la[i]->title) << "\": removed\n";
                ++changes;
            } else {
                compareLayers(*la[i], *lb[j], j);
            }
        }
        if (mi < la.size()) {
            compareLayers(*la[mi], *lb[mj], mj);
        }
        i = mi + 1;
        j = mj + 1;
    }
    if (changes == 0) {
        out << "no changes\n";
    }
    return 0;
}

}  // namespace kznhost
