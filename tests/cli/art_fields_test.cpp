// Every field a map holds reaches every form and diff: a value that differs from the default is
// written to JSON and read back, is a change diff reports, and (where SVG keeps it) is a change
// the SVG form's prints see. A field of art described nowhere fails the count.
#include <gmock/gmock.h>

#include <sstream>

#include "cli/diff.h"
#include "subhost/document/artfields.h"
#include "subhost/mapforms/jsonform.h"
#include "subhost/mapforms/svg/source.h"
#include "support/tempdir.h"

namespace subhost {
void PrintTo(const ArtField& field, std::ostream* out) {
    *out << field.key;
}
}  // namespace subhost

namespace {

using subhost::Art;
using subhost::ArtField;
using subhost::ArtFieldId;

// How many fields an aggregate has: the most initialisers it takes.
struct AnyValue {
    template <typename T>
    operator T() const;  // NOLINT: converts to every field's type, never called
};
template <typename T, typename... Given>
constexpr std::size_t FieldCount() {
    if constexpr (requires { T{Given{}..., AnyValue{}}; }) {
        return FieldCount<T, Given..., AnyValue>();
    } else {
        return sizeof...(Given);
    }
}

TEST(ArtFields, EveryFieldOfArtIsDescribedOrTheHostsOwn) {
    EXPECT_EQ(FieldCount<Art>(), subhost::kArtFields.size() + subhost::kBookkeeping)
        << "a field of Art was added: describe it in artfields.h (or count it as bookkeeping)";
}

// The first art type that holds FIELD.
ASInt32 TypeFor(const ArtField& field) {
    for (const ASInt32 type : {kGroupArt, kPathArt, kTextArt, kCompoundPathArt}) {
        if (subhost::Holds(field, type)) {
            return type;
        }
    }
    return 0;
}

// A document of one art of TYPE on one layer, its fields at their defaults but for a path's
// points and a text's characters.
std::unique_ptr<subhost::Document> OneArt(ASInt32 type) {
    auto doc = std::make_unique<subhost::Document>();
    subhost::Layer& layer = doc->AddLayer(0, "layer", true);
    Art& art = doc->NewArt(type, layer.group);
    if (type == kPathArt) {
        art.segments = {{{0, 0}, {0, 0}, {0, 0}, false}, {{10, 0}, {10, 0}, {10, 0}, false}};
        art.style.stroke = subhost::Paint{1, 1};
    }
    if (type == kTextArt) {
        art.text = "x";
    }
    return doc;
}

Art& TheArt(const subhost::Document& doc) {
    return *doc.layers()[0]->group->children.front();
}

// Gives FIELD of the only art of DOC a value other than its default. The switch names every
// field: a new one must be given a value here too.
void Change(subhost::Document& doc, const ArtField& field) {
    Art& art = TheArt(doc);
    switch (field.id) {
        case ArtFieldId::kAnchor:
            art.anchor = {5, 7};
            return;
        case ArtFieldId::kChildren:
            doc.NewArt(kPathArt, &art).segments = {{{1, 2}, {1, 2}, {1, 2}, false}};
            return;
        case ArtFieldId::kClosed:
            art.closed = true;
            return;
        case ArtFieldId::kHidden:
            art.hidden = true;
            return;
        case ArtFieldId::kLocked:
            art.locked = true;
            return;
        case ArtFieldId::kMatrix:
            art.matrix = {0, 1, -1, 0};
            return;
        case ArtFieldId::kPaint:
            art.paint = {{{"fill", "#d62728"}}, art.style};
            return;
        case ArtFieldId::kPath:
            doc.NewTextPath(art).segments = {{{0, 0}, {0, 0}, {0, 0}, false},
                                             {{30, 0}, {30, 0}, {30, 0}, false}};
            return;
        case ArtFieldId::kSegments:
            art.segments.push_back({{10, 10}, {10, 10}, {10, 10}, false});
            return;
        case ArtFieldId::kSelected:
            art.selected = true;
            return;
        case ArtFieldId::kSize:
            art.size = 20;
            return;
        case ArtFieldId::kStyle:
            art.style.fill = subhost::Paint{0.25, 0};
            return;
        case ArtFieldId::kTags:
            art.tags["name"] = "value";
            return;
        case ArtFieldId::kText:
            art.text = "changed";
            return;
        case ArtFieldId::kType:
            art.type = kCompoundPathArt;
            return;
    }
}

class EachField : public ::testing::TestWithParam<ArtField> {};

TEST_P(EachField, IsWrittenReadDiffedAndSeenInSvg) {
    const ArtField& field = GetParam();
    const auto before = OneArt(TypeFor(field));
    const auto after = OneArt(TypeFor(field));
    Change(*after, field);

    const std::string json = subhost::FormatJsonMap(*after);
    EXPECT_NE(json, subhost::FormatJsonMap(*before)) << "the JSON form leaves it out";
    EXPECT_EQ(subhost::FormatJsonMap(*subhost::ParseJsonMap(json, "map.json")), json)
        << "the JSON form does not read it back";

    kzntest::TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(kznhost::PrintDiff(dir.Write("before.json", subhost::FormatJsonMap(*before)),
                                 dir.Write("after.json", json), out, err),
              1)
        << "diff does not see it: " << err.str();

    // The SVG form tells what a command changed by its prints of the art as read.
    const auto Prints = [](const Art& art) {
        return subhost::svg::OwnPrint(art) + "|" + subhost::svg::GeometryPrint(art) + "|" +
               subhost::svg::ChildrenPrint(art) + "|" + subhost::svg::DeepPrint(art);
    };
    EXPECT_EQ(Prints(TheArt(*after)) != Prints(TheArt(*before)), field.inSvg)
        << "the SVG form's prints";
}

INSTANTIATE_TEST_SUITE_P(ArtFields, EachField, ::testing::ValuesIn(subhost::kArtFields),
                         [](const auto& info) { return std::string(info.param.key); });

}  // namespace
