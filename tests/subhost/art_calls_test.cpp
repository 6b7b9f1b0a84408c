// The module's calls on the document's art: new, duplicated and moved art, new layers, tags.
#include <gmock/gmock.h>

#include <algorithm>

#include "subhost/error.h"
#include "support/document_host.h"

namespace {

using subhost::Art;

// Layer 0 "地点": a text, a group of a path and a text on a path, a compound path of one path.
// Every art is named by its tag "n".
const char8_t kMap[] =
    u8R"({
  "kzn-document": 1,
  "layers": [
    {"title": "地点", "art": [
      {"type": "text", "text": "A", "tags": {"n": "A"}},
      {"type": "group", "tags": {"n": "G"}, "children": [
        {"type": "path", "tags": {"n": "P"}, "closed": true,
         "segments": [{"p": [0, 0]}, {"p": [10, 0], "in": [8, 1], "corner": true}],
         "style": {"fill": {"gray": 0.25}, "stroke": {"gray": 65536.0, "width": 0.5}}},
        {"type": "text", "tags": {"n": "T"}, "text": "マイマイ", "anchor": [3, 4], "size": 9,
         "matrix": [0, 1, -1, 0], "path": {"type": "path", "segments": [{"p": [5, 6]}]}}
      ]},
      {"type": "compound", "tags": {"n": "C"}, "children": [{"type": "path", "tags": {"n": "Q"}}]}
    ]},
    {"title": "凡例", "art": []}
  ],
  "patterns": [{"name": "丸", "art": {"type": "group", "tags": {"n": "pattern"},
                "children": [{"type": "path", "tags": {"n": "dot"}, "segments": [{"p": [1, 1]}]}]}}]
})";

class ArtCalls : public kzntest::DocumentHost {
  protected:
    void SetUp() override {
        DocumentHost::SetUp();
        Open(kMap);
    }
    // The names of ART's children, front-most first; "*" for art without a name.
    static std::string Children(const Art& art) {
        std::string names;
        for (const Art* child : art.children) {
            names += (names.empty() ? "" : ",") +
                     (child->tags.contains("n") ? child->tags.at("n") : std::string("*"));
        }
        return names;
    }
    std::string Layer0() { return Children(*doc().layers()[0]->group); }
    Art& Group() { return At(0, {1}); }
    Art& PatternArt() { return *doc().patterns()[0]->art; }
};

struct Order {
    const char* name;
    ASInt32 paintOrder;
    const char* layer;  // layer 0 after the new art is placed relative to G
    const char* group;  // and G's children
};

void PrintTo(const Order& order, std::ostream* os) {
    *os << order.name;
}

class PaintOrders : public ArtCalls, public ::testing::WithParamInterface<Order> {};

TEST_P(PaintOrders, PlaceNewArtRelativeToTheGivenArt) {
    Art& group = Group();
    ArtHandle made = nullptr;
    ASSERT_EQ(art().NewArt(kPathArt, GetParam().paintOrder, group.ref, &made), 0);
    EXPECT_EQ(Layer0(), GetParam().layer);
    EXPECT_EQ(Children(group), GetParam().group);
    EXPECT_EQ(doc().Get(made).type, kPathArt);
    EXPECT_TRUE(doc().Get(made).segments.empty());
}

TEST_P(PaintOrders, PlaceMovedArtRelativeToTheGivenArt) {
    // Q leaves the compound path and goes where new art would go.
    const auto moved = [](std::string names) {
        std::replace(names.begin(), names.end(), '*', 'Q');
        return names;
    };
    Art& group = Group();
    Art& compound = At(0, {2});
    Art& q = At(0, {2, 0});
    ASSERT_EQ(art().ReorderArt(q.ref, GetParam().paintOrder, group.ref), 0);
    EXPECT_EQ(Layer0(), moved(GetParam().layer));
    EXPECT_EQ(Children(group), moved(GetParam().group));
    EXPECT_EQ(Children(compound), "");
    const bool inside =
        GetParam().paintOrder == kPlaceInsideOnTop || GetParam().paintOrder == kPlaceInsideOnBottom;
    EXPECT_EQ(q.parent, inside ? &group : doc().layers()[0]->group);
}

INSTANTIATE_TEST_SUITE_P(
    All, PaintOrders,
    ::testing::Values(Order{"Above", kPlaceAbove, "A,*,G,C", "P,T"},
                      Order{"Below", kPlaceBelow, "A,G,*,C", "P,T"},
                      Order{"InsideOnTop", kPlaceInsideOnTop, "A,G,C", "*,P,T"},
                      Order{"InsideOnBottom", kPlaceInsideOnBottom, "A,G,C", "P,T,*"}),
    [](const ::testing::TestParamInfo<Order>& info) { return std::string(info.param.name); });

TEST_F(ArtCalls, APlaceThatDoesNotExistIsRefusedAndNothingIsMade) {
    const std::size_t live = doc().liveArt();
    const ArtHandle layerGroup = doc().layers()[0]->group->ref;
    const struct {
        ASInt32 type;
        ASInt32 order;
        ArtHandle prep;
        ASErr code;
    } cases[] = {
        {kPathArt, kPlaceAbove, layerGroup, subhost::kBadPlacementErr},            // beside no list
        {kPathArt, kPlaceBelow, PatternArt().ref, subhost::kBadPlacementErr},      // outside layers
        {kPathArt, kPlaceInsideOnTop, At(0, {0}).ref, subhost::kBadPlacementErr},  // in a text
        {kTextArt, kPlaceInsideOnTop, At(0, {2}).ref, subhost::kBadPlacementErr},  // compound
        {kGroupArt, kPlaceAbove, At(0, {2, 0}).ref, subhost::kBadPlacementErr},
        {kPathArt, 0, Group().ref, subhost::kBadPlacementErr},
        {9, kPlaceAbove, Group().ref, subhost::kBadArgumentErr},
        {kPathArt, kPlaceAbove, nullptr, subhost::kBadHandleErr},
    };
    for (const auto& c : cases) {
        ArtHandle made = reinterpret_cast<ArtHandle>(0x1);
        EXPECT_EQ(art().NewArt(c.type, c.order, c.prep, &made), c.code) << c.type << " " << c.order;
        EXPECT_EQ(made, nullptr);
    }
    EXPECT_EQ(doc().liveArt(), live);
    EXPECT_EQ(Layer0(), "A,G,C");
    // A path may go into a compound path.
    ArtHandle path = nullptr;
    EXPECT_EQ(art().NewArt(kPathArt, kPlaceInsideOnBottom, At(0, {2}).ref, &path), 0);
    EXPECT_EQ(Children(At(0, {2})), "Q,*");
}

TEST_F(ArtCalls, ADuplicateCopiesEverythingInsideAndLivesOnItsOwn) {
    Art& original = Group();
    ArtHandle copy = nullptr;
    ASSERT_EQ(art().DuplicateArt(original.ref, kPlaceBelow, At(0, {0}).ref, &copy), 0);
    EXPECT_EQ(Layer0(), "A,G,G,C");
    EXPECT_EQ(&At(0, {1}), &doc().Get(copy));
    // What is done to the original afterwards does not reach the copy.
    original.children[0]->segments[0].p = {99, 99};
    original.children[1]->textPath->segments.clear();
    const std::size_t live = doc().liveArt();
    ASSERT_EQ(art().DisposeArt(original.ref), 0);
    EXPECT_EQ(doc().liveArt(), live - 4);  // the group, its path, its text and the text's path

    const Art& c = doc().Get(copy);
    ASSERT_EQ(Children(c), "P,T");
    const Art& path = *c.children[0];
    EXPECT_EQ(path.parent, &c);
    EXPECT_TRUE(path.closed);
    EXPECT_EQ(path.segments[0].p, (subhost::Point{0, 0}));
    EXPECT_EQ(path.segments[1].in, (subhost::Point{8, 1}));
    EXPECT_EQ(path.style.stroke, (subhost::Paint{65536.0, 0.5}));
    const Art& text = *c.children[1];
    EXPECT_EQ(text.text, "マイマイ");
    EXPECT_EQ(text.anchor, (subhost::Point{3, 4}));
    EXPECT_EQ(text.size, 9);
    EXPECT_EQ(text.matrix, (std::array<double, 4>{0, 1, -1, 0}));
    ASSERT_NE(text.textPath, nullptr);
    EXPECT_EQ(text.textPath->segments.at(0).p, (subhost::Point{5, 6}));
}

TEST_F(ArtCalls, APatternsArtIsCopiedIntoTheLayerAndStaysAsItIs) {
    ArtHandle copy = nullptr;
    ASSERT_EQ(art().DuplicateArt(PatternArt().ref, kPlaceAbove, At(0, {0}).ref, &copy), 0);
    EXPECT_EQ(Layer0(), "pattern,A,G,C");
    EXPECT_EQ(Children(doc().Get(copy)), "dot");
    EXPECT_EQ(Children(PatternArt()), "dot");
    // Copying a group into itself copies it as it was.
    Art& group = At(0, {2});
    ASSERT_EQ(art().DuplicateArt(group.ref, kPlaceInsideOnTop, group.ref, &copy), 0);
    EXPECT_EQ(Children(group), "G,P,T");
    EXPECT_EQ(Children(doc().Get(copy)), "P,T");
}

TEST_F(ArtCalls, ArtIsNeverMovedIntoItselfNorOutOfWhatOwnsIt) {
    const ArtHandle group = Group().ref;
    const ArtHandle inner = At(0, {1, 0}).ref;
    EXPECT_EQ(art().ReorderArt(group, kPlaceInsideOnTop, group), subhost::kBadPlacementErr);
    EXPECT_EQ(art().ReorderArt(group, kPlaceAbove, inner), subhost::kBadPlacementErr);
    EXPECT_EQ(art().ReorderArt(doc().layers()[0]->group->ref, kPlaceInsideOnTop,
                               doc().layers()[1]->group->ref),
              subhost::kBadPlacementErr);
    EXPECT_EQ(art().ReorderArt(PatternArt().ref, kPlaceAbove, group), subhost::kBadPlacementErr);
    EXPECT_EQ(art().ReorderArt(At(0, {1, 1}).textPath->ref, kPlaceAbove, group),
              subhost::kBadPlacementErr);
    EXPECT_EQ(art().ReorderArt(At(0, {0}).ref, kPlaceInsideOnTop, At(0, {2}).ref),
              subhost::kBadPlacementErr);  // a text in a compound path
    EXPECT_EQ(Layer0(), "A,G,C");
    EXPECT_EQ(Children(Group()), "P,T");
    // Beside itself is where it is.
    EXPECT_EQ(art().ReorderArt(group, kPlaceBelow, group), 0);
    EXPECT_EQ(Layer0(), "A,G,C");
}

TEST_F(ArtCalls, ArtMovesToTheTopOfAnotherLayer) {
    const ArtHandle inner = At(0, {1, 0}).ref;
    ASSERT_EQ(art().ReorderArt(inner, kPlaceInsideOnTop, doc().layers()[1]->group->ref), 0);
    EXPECT_EQ(Children(Group()), "T");
    EXPECT_EQ(Children(*doc().layers()[1]->group), "P");
    EXPECT_EQ(doc().Get(inner).parent, doc().layers()[1]->group);
}

TEST_F(ArtCalls, APatternsArtAndATextsPathGoOnlyWithTheirOwner) {
    EXPECT_EQ(art().DisposeArt(PatternArt().ref), subhost::kBadArgumentErr);
    EXPECT_EQ(art().DisposeArt(At(0, {1, 1}).textPath->ref), subhost::kBadArgumentErr);
    EXPECT_EQ(Children(PatternArt()), "dot");
    EXPECT_NE(At(0, {1, 1}).textPath, nullptr);
}

TEST_F(ArtCalls, ANewLayerTakesThePlaceOfTheOneItIsInsertedAbove) {
    LayerHandle made = nullptr;
    const LayerHandle legend = doc().layers()[1]->ref;
    const LayerHandle current = doc().layers()[doc().currentLayer()]->ref;
    ASSERT_EQ(layers().InsertLayer(legend, kPlaceAbove, &made), 0);
    ASSERT_EQ(doc().layers().size(), 3U);
    EXPECT_EQ(doc().layers()[1]->ref, made);
    EXPECT_EQ(doc().layers()[2]->ref, legend);
    EXPECT_TRUE(doc().layers()[1]->editable);
    EXPECT_TRUE(doc().layers()[1]->group->children.empty());
    EXPECT_EQ(doc().layers()[doc().currentLayer()]->ref, current);
    unsigned char title[256] = {};
    ASSERT_EQ(layers().GetLayerTitle(made, title), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(title + 1), title[0]), "レイヤー 3");

    ASSERT_EQ(layers().InsertLayer(made, kPlaceAbove, &made), 0);
    EXPECT_EQ(doc().layers()[1]->title, "レイヤー 4");
    EXPECT_EQ(doc().layers()[2]->title, "レイヤー 3");

    EXPECT_EQ(layers().InsertLayer(legend, kPlaceBelow, &made), subhost::kBadPlacementErr);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(doc().layers().size(), 4U);
}

TEST_F(ArtCalls, TagsAreStringsThatStayReadableUntilTheyChange) {
    const auto& tags = Acquire<TagSuite>(kTagSuite, kTagSuiteVersion);
    const ArtHandle a = At(0, {0}).ref;
    ASSERT_EQ(tags.SetTag(a, "kznObjectName", "string", "丸"), 0);
    const char* value = nullptr;
    ASSERT_EQ(tags.GetTag(a, "kznObjectName", "string", &value), 0);
    EXPECT_STREQ(value, "丸");
    const char* held = value;
    EXPECT_EQ(tags.SetTag(a, "BBAccumRotation", "string", "0.523599"), 0);
    EXPECT_STREQ(held, "丸");  // another tag does not move it
    EXPECT_EQ(tags.SetTag(a, "kznObjectName", "string", "四角"), 0);
    ASSERT_EQ(tags.GetTag(a, "kznObjectName", "string", &value), 0);
    EXPECT_STREQ(value, "四角");
    EXPECT_EQ(At(0, {0}).tags.at("BBAccumRotation"), "0.523599");

    value = "untouched";
    // A missing tag is an answer, not a failure the host keeps a record of.
    const std::size_t errors = host().errors().size();
    EXPECT_EQ(tags.GetTag(a, "missing", "string", &value), subhost::kNoSuchTagErr);
    EXPECT_STREQ(value, "untouched");
    EXPECT_EQ(host().errors().size(), errors);
    EXPECT_EQ(tags.GetTag(a, "kznObjectName", "integer", &value), subhost::kNotKeptErr);
    EXPECT_STREQ(value, "untouched");
    EXPECT_EQ(tags.SetTag(a, "count", "integer", "1"), subhost::kNotKeptErr);
    EXPECT_EQ(tags.SetTag(a, "\x83", "string", "cut"), subhost::kBadArgumentErr);
    EXPECT_EQ(tags.SetTag(a, "x", "string", nullptr), subhost::kBadArgumentErr);
    EXPECT_EQ(tags.GetTag(nullptr, "n", "string", &value), subhost::kBadHandleErr);
    EXPECT_FALSE(At(0, {0}).tags.contains("count"));
    EXPECT_EQ(At(0, {0}).tags.size(), 3U);  // n, kznObjectName, BBAccumRotation
}

}  // namespace

namespace {

// The names along layer 0 as the module walks it: the first child, then sibling after sibling.
std::string Walk(const ArtSuite& suite, const Art& layerGroup) {
    std::string names;
    ArtHandle at = nullptr;
    EXPECT_EQ(suite.GetArtFirstChild(layerGroup.ref, &at), 0);
    for (int guard = 0; at != nullptr && guard < 100; ++guard) {
        const auto& tags = subhost::Host::Current()->document().Get(at).tags;
        names += (names.empty() ? "" : ",") + (tags.contains("n") ? tags.at("n") : "*");
        ArtHandle next = nullptr;
        EXPECT_EQ(suite.GetArtSibling(at, &next), 0);
        at = next;
    }
    return names;
}

TEST_F(ArtCalls, SiblingsFollowEveryInsertMoveAndDeletion) {
    Art& layer = *doc().layers()[0]->group;
    Art& a = At(0, {0});
    Art& g = Group();
    Art& c = At(0, {2});
    ArtHandle made = nullptr;
    ASSERT_EQ(art().NewArt(kPathArt, kPlaceBelow, c.ref, &made), 0);  // a new last child
    doc().Get(made).tags["n"] = "N";
    EXPECT_EQ(Walk(art(), layer), "A,G,C,N");
    // Moved directly below the art above it, or above the art below it: where it was.
    ASSERT_EQ(art().ReorderArt(c.ref, kPlaceBelow, g.ref), 0);
    ASSERT_EQ(art().ReorderArt(g.ref, kPlaceAbove, c.ref), 0);
    EXPECT_EQ(Walk(art(), layer), "A,G,C,N");
    ASSERT_EQ(art().ReorderArt(a.ref, kPlaceBelow, made), 0);  // the first becomes the last
    EXPECT_EQ(Walk(art(), layer), "G,C,N,A");
    ASSERT_EQ(art().ReorderArt(made, kPlaceAbove, g.ref), 0);  // and back to the front
    EXPECT_EQ(Walk(art(), layer), "N,G,C,A");
    ASSERT_EQ(art().DisposeArt(c.ref), 0);  // from the middle
    EXPECT_EQ(Walk(art(), layer), "N,G,A");
    ASSERT_EQ(art().DisposeArt(made), 0);   // from the front
    ASSERT_EQ(art().DisposeArt(a.ref), 0);  // and the end
    EXPECT_EQ(Walk(art(), layer), "G");
    ArtHandle next = made;  // any value: the call sets it
    ASSERT_EQ(art().GetArtSibling(g.ref, &next), 0);
    EXPECT_EQ(next, nullptr);
    EXPECT_THAT(doc().Problems(), ::testing::IsEmpty());
}

TEST_F(ArtCalls, ADuplicateKnowsItsPlaceAndSoDoItsChildren) {
    Art& g = Group();
    ArtHandle copy = nullptr;
    ASSERT_EQ(art().DuplicateArt(g.ref, kPlaceBelow, g.ref, &copy), 0);
    doc().Get(copy).tags["n"] = "G2";
    EXPECT_EQ(Walk(art(), *doc().layers()[0]->group), "A,G,G2,C");
    EXPECT_EQ(Walk(art(), doc().Get(copy)), "P,T");
    ArtHandle inner = doc().Get(copy).children.back()->ref;
    ASSERT_EQ(art().DisposeArt(doc().Get(copy).children.front()->ref), 0);
    EXPECT_EQ(Walk(art(), doc().Get(copy)), "T");
    EXPECT_EQ(doc().Get(copy).children.front()->ref, inner);
    EXPECT_EQ(Children(g), "P,T");  // the original is untouched
    EXPECT_THAT(doc().Problems(), ::testing::IsEmpty());
}

}  // namespace
