#include "diff.h"

#include "subhost/document/mapfile.h"
#include "subhost/sjis.h"

#include <sstream>

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

// Compares two children lists position by position.
void Compare(const std::vector<Art*>& a, const std::vector<Art*>& b, const std::string& where,
             std::ostream& out, int& changes) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string at = where + "[" + std::to_string(i) + "]";
        if (i >= a.size()) {
            out << "  " << at << ": new " << TypeName(b[i]->type) << "\n";
            ++changes;
            continue;
        }
        if (i >= b.size()) {
            out << "  " << at << ": " << TypeName(a[i]->type) << " removed\n";
            ++changes;
            continue;
        }
        if (a[i]->type != b[i]->type) {
            out << "  " << at << ": " << TypeName(a[i]->type) << " became " << TypeName(b[i]->type)
                << "\n";
            ++changes;
            continue;
        }
        if (a[i]->type == kTextArt && a[i]->text != b[i]->text) {
            out << "  " << at << ": \"" << ShowSjis(a[i]->text) << "\" -> \""
                << ShowSjis(b[i]->text) << "\"\n";
            ++changes;
        }
        if (a[i]->tags != b[i]->tags) {
            out << "  " << at << ": tags changed\n";
            ++changes;
        }
        Compare(a[i]->children, b[i]->children, at, out, changes);
    }
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
    const std::size_t n = std::max(a->layers().size(), b->layers().size());
    for (std::size_t i = 0; i < n; ++i) {
        if (i >= a->layers().size()) {
            out << "layer " << i << " \"" << ShowSjis(b->layers()[i]->title) << "\": new\n";
            ++changes;
            continue;
        }
        if (i >= b->layers().size()) {
            out << "layer " << i << " \"" << ShowSjis(a->layers()[i]->title) << "\": removed\n";
            ++changes;
            continue;
        }
        const subhost::Layer& la = *a->layers()[i];
        const subhost::Layer& lb = *b->layers()[i];
        std::ostringstream details;
        int layerChanges = 0;
        if (la.title != lb.title) {
            details << "  title \"" << ShowSjis(la.title) << "\" -> \"" << ShowSjis(lb.title)
                    << "\"\n";
            ++layerChanges;
        }
        Compare(la.group->children, lb.group->children, "art", details, layerChanges);
        if (layerChanges > 0) {
            out << "layer " << i << " \"" << ShowSjis(lb.title) << "\": " << layerChanges
                << (layerChanges == 1 ? " change\n" : " changes\n") << details.str();
            changes += layerChanges;
        }
    }
    if (changes == 0) {
        out << "no changes\n";
    }
    return 0;
}

}  // namespace kznhost
