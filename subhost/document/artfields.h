// What each kind of art holds in a map, said once. The JSON form reads and writes these fields
// and no others, diff compares them, and the SVG form prints them to tell what a command changed:
// a field of Art that a map holds is described here, and each of them follows. The rest of Art
// is the host's own bookkeeping (kBookkeeping below); a field that is in neither list fails the
// field count's check, so that none is forgotten.
#pragma once

#include <array>
#include <cstddef>

#include "subhost/document/document.h"

namespace subhost {

enum class ArtFieldId {
    kAnchor,
    kChildren,
    kClosed,
    kHidden,
    kLocked,
    kMatrix,
    kPaint,
    kPath,
    kSegments,
    kSelected,
    kSize,
    kStyle,
    kTags,
    kText,
    kType,
};

// What a field says of its art, as the SVG form fingerprints it: its own state (kept on the
// element whatever its kind), its geometry and paint, a text's characters, the art inside it.
enum class ArtFieldRole { kOwn, kGeometry, kContent, kChildren, kType };

struct ArtField {
    ArtFieldId id;
    const char* key;  // its name in the JSON form
    unsigned types;   // the art types that hold it, as bits 1 << type
    ArtFieldRole role;
    bool inSvg;  // the SVG form keeps it (a selection is not part of an SVG file)
};

constexpr unsigned ArtTypeBit(ASInt32 type) {
    return type > 0 && type < 32 ? 1U << static_cast<unsigned>(type) : 0;
}

inline constexpr unsigned kEveryArtType = ArtTypeBit(kGroupArt) | ArtTypeBit(kPathArt) |
                                          ArtTypeBit(kCompoundPathArt) | ArtTypeBit(kTextArt);

// The fields, in the alphabetical order of their keys (the order the JSON form writes them in).
inline constexpr std::array<ArtField, 15> kArtFields = {{
    {ArtFieldId::kAnchor, "anchor", ArtTypeBit(kTextArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kChildren, "children", ArtTypeBit(kGroupArt) | ArtTypeBit(kCompoundPathArt),
     ArtFieldRole::kChildren, true},
    {ArtFieldId::kClosed, "closed", ArtTypeBit(kPathArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kHidden, "hidden", kEveryArtType, ArtFieldRole::kOwn, true},
    {ArtFieldId::kLocked, "locked", kEveryArtType, ArtFieldRole::kOwn, true},
    {ArtFieldId::kMatrix, "matrix", ArtTypeBit(kTextArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kPaint, "paint", ArtTypeBit(kPathArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kPath, "path", ArtTypeBit(kTextArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kSegments, "segments", ArtTypeBit(kPathArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kSelected, "selected", kEveryArtType, ArtFieldRole::kOwn, false},
    {ArtFieldId::kSize, "size", ArtTypeBit(kTextArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kStyle, "style", ArtTypeBit(kPathArt), ArtFieldRole::kGeometry, true},
    {ArtFieldId::kTags, "tags", kEveryArtType, ArtFieldRole::kOwn, true},
    {ArtFieldId::kText, "text", ArtTypeBit(kTextArt), ArtFieldRole::kContent, true},
    {ArtFieldId::kType, "type", kEveryArtType, ArtFieldRole::kType, true},
}};

// The fields of Art that are not the map's but the host's: its handle and its place in the tree,
// the spellings of its texts (kept with the text and tags they spell), the options of its last
// transform, and whether a text fills its path (no map form has area texts).
inline constexpr std::size_t kBookkeeping = 7;  // ref, parent, layer, place, spellings,
                                                // transformOptions, area

constexpr bool Holds(const ArtField& field, ASInt32 type) {
    return (field.types & ArtTypeBit(type)) != 0;
}

// Calls VISIT with the member that field ID is of each of ARTS (one art, or two to compare): a
// bool (closed, hidden, locked, selected), a Point (anchor), a double (size), the orientation's
// std::array<double, 4>, the segments' vector, the PathStyle, the KeptPaint, the tags' map, the
// text's std::string, the text path's Art*, the ChildList of children, or the ASInt32 type.
template <typename Visit, typename... A>
decltype(auto) VisitField(ArtFieldId id, Visit&& visit, A&... arts) {
    switch (id) {
        case ArtFieldId::kAnchor:
            return visit(arts.anchor...);
        case ArtFieldId::kChildren:
            return visit(arts.children...);
        case ArtFieldId::kClosed:
            return visit(arts.closed...);
        case ArtFieldId::kHidden:
            return visit(arts.hidden...);
        case ArtFieldId::kLocked:
            return visit(arts.locked...);
        case ArtFieldId::kMatrix:
            return visit(arts.matrix...);
        case ArtFieldId::kPaint:
            return visit(arts.paint...);
        case ArtFieldId::kPath:
            return visit(arts.textPath...);
        case ArtFieldId::kSegments:
            return visit(arts.segments...);
        case ArtFieldId::kSelected:
            return visit(arts.selected...);
        case ArtFieldId::kSize:
            return visit(arts.size...);
        case ArtFieldId::kStyle:
            return visit(arts.style...);
        case ArtFieldId::kTags:
            return visit(arts.tags...);
        case ArtFieldId::kText:
            return visit(arts.text...);
        case ArtFieldId::kType:
            break;
    }
    return visit(arts.type...);
}

// Calls VISIT(field, value) for each field ART holds, in the order of kArtFields.
template <typename A, typename Visit>
void ForEachField(A& art, Visit&& visit) {
    for (const ArtField& field : kArtFields) {
        if (Holds(field, art.type)) {
            VisitField(
                field.id, [&](auto& value) { visit(field, value); }, art);
        }
    }
}

// Calls VISIT(field, a, b) for each field that A holds, with the values of A and of B (art of
// the same type), in the order of kArtFields.
template <typename A, typename Visit>
void ForEachFieldPair(A& a, A& b, Visit&& visit) {
    for (const ArtField& field : kArtFields) {
        if (Holds(field, a.type)) {
            VisitField(
                field.id, [&](auto& x, auto& y) { visit(field, x, y); }, a, b);
        }
    }
}

}  // namespace subhost
