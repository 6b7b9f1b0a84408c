// The prints of art that tell the writer what a command changed.

#include "subhost/mapforms/svg/source.h"

#include <array>
#include <type_traits>

#include "subhost/document/artfields.h"

namespace subhost::svg {
namespace {

template <typename T>
void Put(std::string& out, const T& value) {
    // Only types without padding: bytes a padding holds are not the value's.
    static_assert(std::has_unique_object_representations_v<T> || std::is_floating_point_v<T> ||
                  std::is_same_v<T, Point> || std::is_same_v<T, Paint> ||
                  std::is_same_v<T, std::array<double, 4>>);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutString(std::string& out, const std::string& s) {
    Put(out, s.size());
    out += s;
}

std::string GeometryPrintOf(const Art& art);

// What a print holds of each kind of value a field of art has.
struct Printer {
    std::string& out;

    void operator()(bool v) const { Put(out, v); }
    void operator()(double v) const { Put(out, v); }
    void operator()(ASInt32 v) const { Put(out, v); }
    void operator()(const Point& p) const { Put(out, p); }
    void operator()(const std::array<double, 4>& m) const { Put(out, m); }
    void operator()(const std::vector<Segment>& segments) const {
        for (const Segment& s : segments) {  // field by field: a Segment has padding
            Put(out, s.p);
            Put(out, s.in);
            Put(out, s.out);
            Put(out, s.corner);
        }
    }
    void operator()(const PathStyle& style) const {
        for (const std::optional<Paint>& paint : {style.fill, style.stroke}) {
            Put(out, paint.has_value());
            Put(out, paint.value_or(Paint{}));
        }
    }
    void operator()(const KeptPaint& paint) const {
        (*this)(paint.properties);
        (*this)(paint.tints);
    }
    void operator()(const std::map<std::string, std::string>& tags) const {
        for (const auto& [name, value] : tags) {
            PutString(out, name);
            PutString(out, value);
        }
    }
    void operator()(const std::string& text) const { PutString(out, text); }
    void operator()(const Art* path) const {
        if (path != nullptr) {
            out += GeometryPrintOf(*path);
        }
    }
    void operator()(const ChildList& children) const {
        for (const Art* child : children) {
            Put(out, child->ref);
        }
    }
};

// The fields of ART that say ROLE and an SVG file keeps.
std::string Print(const Art& art, ArtFieldRole role) {
    std::string out;
    ForEachField(art, [&](const ArtField& field, const auto& value) {
        if (field.role == role && field.inSvg) {
            Printer{out}(value);
        }
    });
    return out;
}

std::string GeometryPrintOf(const Art& art) {
    std::string out;
    Put(out, art.type);
    out += Print(art, ArtFieldRole::kGeometry);
    // The paths of a compound path are one element: their geometry is its.
    if (art.type == kCompoundPathArt) {
        for (const Art* child : art.children) {
            Put(out, child->ref);
            out += GeometryPrintOf(*child);
            out += Print(*child, ArtFieldRole::kOwn);
        }
    }
    return out;
}

}  // namespace

std::string OwnPrint(const Art& art) {
    return Print(art, ArtFieldRole::kOwn);
}

std::string GeometryPrint(const Art& art) {
    return GeometryPrintOf(art);
}

std::string ChildrenPrint(const Art& art) {
    return Print(art, ArtFieldRole::kChildren);
}

std::string DeepPrint(const Art& art) {
    std::string out = OwnPrint(art) + GeometryPrint(art) + Print(art, ArtFieldRole::kContent);
    for (const Art* child : art.children) {
        Put(out, child->ref);
        out += DeepPrint(*child);
    }
    return out;
}

}  // namespace subhost::svg
