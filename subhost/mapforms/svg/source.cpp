#include "subhost/mapforms/svg/source.h"

#include <array>
#include <type_traits>

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

}  // namespace

std::string OwnPrint(const Art& art) {
    std::string out;
    Put(out, art.hidden);
    Put(out, art.locked);
    for (const auto& [name, value] : art.tags) {
        PutString(out, name);
        PutString(out, value);
    }
    return out;
}

std::string GeometryPrint(const Art& art) {
    std::string out;
    Put(out, art.type);
    if (art.type == kPathArt) {
        Put(out, art.closed);
        for (const Segment& s : art.segments) {  // field by field: a Segment has padding
            Put(out, s.p);
            Put(out, s.in);
            Put(out, s.out);
            Put(out, s.corner);
        }
        Put(out, art.style.fill.has_value());
        Put(out, art.style.fill.value_or(Paint{}));
        Put(out, art.style.stroke.has_value());
        Put(out, art.style.stroke.value_or(Paint{}));
    } else if (art.type == kCompoundPathArt) {
        for (const Art* child : art.children) {
            Put(out, child->ref);
            out += GeometryPrint(*child);
            out += OwnPrint(*child);
        }
    } else if (art.type == kTextArt) {
        Put(out, art.anchor);
        Put(out, art.size);
        Put(out, art.matrix);
        if (art.textPath != nullptr) {
            out += GeometryPrint(*art.textPath);
        }
    }
    return out;
}

std::string ChildrenPrint(const Art& art) {
    std::string out;
    for (const Art* child : art.children) {
        Put(out, child->ref);
    }
    return out;
}

std::string DeepPrint(const Art& art) {
    std::string out = OwnPrint(art) + GeometryPrint(art);
    PutString(out, art.text);
    for (const Art* child : art.children) {
        Put(out, child->ref);
        out += DeepPrint(*child);
    }
    return out;
}

}  // namespace subhost::svg
