// The art tree utilities against the host's document: tags on leaves, rotations read back from
// tags, patterns found by name and the anchor of a text, with the trace of their failed calls.
#include <gmock/gmock.h>

#include "fixture.h"
#include "util/kznAIutil.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const ASErr kFail = FourCharCode('F', 'A', 'I', 'L');

// The document is built as the host numbers art types, so that the module's copies are put to
// the test.
using subhost::kCompoundPathArt;
using subhost::kGroupArt;
using subhost::kPathArt;
using subhost::kTextArt;

class ArtTree : public kzntest::LinkedModule {
  protected:
    void SetUp() override {
        LinkedModule::SetUp();
        ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
        layer_ = &host().document().AddLayer(0, "layer", true);
    }
    subhost::Document& doc() { return host().document(); }
    subhost::Art& New(ASInt32 type, subhost::Art* parent = nullptr) {
        return doc().NewArt(type, parent != nullptr ? parent : layer_->group);
    }
    subhost::Art& Tagged(ASInt32 type, subhost::Art* parent, const std::string& rotation) {
        subhost::Art& art = New(type, parent);
        art.tags[kAccumRotationTag] = rotation;
        return art;
    }

    subhost::Layer* layer_ = nullptr;
};

// Writing a tag on every leaf.

TEST_F(ArtTree, ATagGoesOnEveryLeafUnderAGroupAndOnNoContainer) {
    subhost::Art& group = New(kGroupArt);
    subhost::Art& path1 = New(kPathArt, &group);
    subhost::Art& path2 = New(kPathArt, &group);
    subhost::Art& inner = New(kGroupArt, &group);
    subhost::Art& text = New(kTextArt, &inner);
    subhost::Art& compound = New(kCompoundPathArt, &group);
    subhost::Art& part = New(kPathArt, &compound);

    EXPECT_EQ(SetTagDeep(group.ref, kObjectNameTag, "マーク"), 0);

    for (const subhost::Art* leaf : {&path1, &path2, &text, &part}) {
        EXPECT_EQ(leaf->tags, (std::map<std::string, std::string>{{"kznObjectName", "マーク"}}));
    }
    for (const subhost::Art* container : {&group, &inner, &compound}) {
        EXPECT_THAT(container->tags, IsEmpty());
    }
    EXPECT_THAT(kzntest::FailedCalls(host()), IsEmpty());
}

TEST_F(ArtTree, ALeafIsTaggedItselfAndNoArtIsLeftAlone) {
    subhost::Art& text = New(kTextArt);
    EXPECT_EQ(SetTagDeep(text.ref, kAccumRotationTag, "0.523599"), 0);
    EXPECT_EQ(text.tags.at("BBAccumRotation"), "0.523599");

    const std::size_t mark = host().calls().size();
    EXPECT_EQ(SetTagDeep(nullptr, kObjectNameTag, "x"), 0);
    EXPECT_EQ(host().calls().size(), mark);
}

TEST_F(ArtTree, AFailedSiblingQueryEndsTheWalkIsTracedAtItsLineAndReturned) {
    subhost::Art& group = New(kGroupArt);
    subhost::Art& first = New(kPathArt, &group);
    subhost::Art& second = New(kPathArt, &group);
    host().faults().Fail("AI Art Suite", "GetArtSibling", kFail);

    EXPECT_EQ(SetTagDeep(group.ref, kObjectNameTag, "x"), kFail);

    EXPECT_EQ(first.tags.size(), 1U);
    EXPECT_THAT(second.tags, IsEmpty());
    EXPECT_THAT(kzntest::FailedCalls(host()),
                ElementsAre(kzntest::UtilCallAt("FAIL", "KznChecked(sArt->GetArtSibling")));
    ASSERT_EQ(host().assertions().size(), 1U);
    EXPECT_EQ(host().assertions()[0].expression, "NULL");
    EXPECT_EQ(host().assertions()[0].file, "kznAIutil");
}

TEST_F(ArtTree, AFailedTagIsTracedAtItsLineAndReturnedAndTheWalkGoesOnToTheNextChild) {
    subhost::Art& path = New(kPathArt);
    host().faults().Fail("AI Tag Suite", "SetTag", kFail);
    EXPECT_EQ(SetTagDeep(path.ref, kObjectNameTag, "x"), kFail);
    EXPECT_THAT(path.tags, IsEmpty());
    EXPECT_THAT(kzntest::FailedCalls(host()),
                ElementsAre(kzntest::UtilCallAt("FAIL", "KznChecked(sTag->SetTag")));

    subhost::Art& group = New(kGroupArt);
    subhost::Art& first = New(kPathArt, &group);
    subhost::Art& second = New(kPathArt, &group);
    host().faults().Fail("AI Tag Suite", "SetTag", kFail);
    EXPECT_EQ(SetTagDeep(group.ref, kObjectNameTag, "x"), 0);
    EXPECT_THAT(first.tags, IsEmpty());
    EXPECT_EQ(second.tags.at("kznObjectName"), "x");
}

// Reading the accumulated rotation.

TEST_F(ArtTree, AGroupGivesTheRotationItsLeavesAgreeOnExactly) {
    subhost::Art& group = New(kGroupArt);
    Tagged(kPathArt, &group, "0.523599");
    subhost::Art& inner = New(kGroupArt, &group);
    Tagged(kTextArt, &inner, "0.523599");
    subhost::Art& last = Tagged(kPathArt, &group, "0.523599");
    EXPECT_FLOAT_EQ(GetAccumRotation(group.ref), 0.523599f);

    last.tags[kAccumRotationTag] = "0.5";
    EXPECT_EQ(GetAccumRotation(group.ref), 0.0f);
    last.tags[kAccumRotationTag] = "0.5236";  // near is not equal
    EXPECT_EQ(GetAccumRotation(group.ref), 0.0f);

    last.tags.clear();  // no tag: no rotation
    EXPECT_EQ(GetAccumRotation(group.ref), 0.0f);
    EXPECT_EQ(GetAccumRotation(inner.ref), 0.523599f);
    EXPECT_EQ(host().trace().Text(), "");  // a missing tag is not traced

    // A failing host call reads as no rotation, even after children that agreed.
    last.tags[kAccumRotationTag] = "0.523599";
    host().faults().Fail("AI Art Suite", "GetArtSibling", FourCharCode('F', 'A', 'I', 'L'), 2);
    EXPECT_EQ(GetAccumRotation(group.ref), 0.0f);
    host().faults().Fail("AI Art Suite", "GetArtType", FourCharCode('F', 'A', 'I', 'L'), 1);
    EXPECT_EQ(GetAccumRotation(inner.children[0]->ref), 0.0f);
}

TEST_F(ArtTree, OnceTheChildrenDisagreeTheRotationStaysZero) {
    subhost::Art& group = New(kGroupArt);
    Tagged(kPathArt, &group, "0.5");
    Tagged(kPathArt, &group, "0.25");
    Tagged(kPathArt, &group, "0.5");
    EXPECT_EQ(GetAccumRotation(group.ref), 0.0f);

    subhost::Art& compound = New(kCompoundPathArt);
    Tagged(kPathArt, &compound, "-1.5");
    Tagged(kPathArt, &compound, "-1.5");
    EXPECT_EQ(GetAccumRotation(compound.ref), -1.5f);
}

TEST_F(ArtTree, AnEmptyGroupOrATextThatIsNoNumberHasNoRotation) {
    EXPECT_EQ(GetAccumRotation(New(kGroupArt).ref), 0.0f);
    EXPECT_EQ(GetAccumRotation(Tagged(kPathArt, nullptr, "abc").ref), 0.0f);
    EXPECT_EQ(GetAccumRotation(Tagged(kPathArt, nullptr, "").ref), 0.0f);
    EXPECT_EQ(GetAccumRotation(Tagged(kPathArt, nullptr, "2.5deg").ref), 2.5f);
    host().faults().Fail("AI Tag Suite", "GetTag", kFail);
    EXPECT_EQ(GetAccumRotation(Tagged(kPathArt, nullptr, "1.0").ref), 0.0f);
}

// Patterns by name.

class Patterns : public ArtTree {
  protected:
    PatternHandle Add(const std::string& name, bool swatch = true) {
        subhost::Pattern& p = doc().AddPattern(name);
        if (swatch) {
            doc().AddSwatch(&p, 0);
        }
        return p.ref;
    }
    ASErr Find(const char* name, PatternHandle* found) {
        return FindPatternByName(CLengthString(name), found);
    }
    PatternHandle const kUntouched = reinterpret_cast<PatternHandle>(0x5EED);
};

TEST_F(Patterns, ANameIsComparedUpToItsFirstLineFeedAndWithItsLetterCase) {
    doc().AddSwatch(nullptr, 0.5);  // a gray swatch is passed over
    Add("Other");
    const PatternHandle mark = Add("Mark");
    const PatternHandle star = Add("星\n旧版");

    PatternHandle found = kUntouched;
    EXPECT_EQ(Find("Mark\nmore text", &found), 0);
    EXPECT_EQ(found, mark);
    EXPECT_EQ(Find("星", &found), 0);
    EXPECT_EQ(found, star);

    found = kUntouched;
    EXPECT_EQ(Find("mark", &found), kPatternNameErr);
    EXPECT_EQ(Find("Mar", &found), kPatternNameErr);
    EXPECT_EQ(found, kUntouched);
    EXPECT_EQ(kPatternNameErr, 0x4E414D3F);
}

TEST_F(Patterns, OnlyPatternsTheSwatchListShowsAreFoundAndTheFirstWins) {
    Add("Hidden", false);
    const PatternHandle first = Add("Dup");
    Add("Dup");
    PatternHandle found = kUntouched;
    EXPECT_EQ(Find("Hidden", &found), kPatternNameErr);
    EXPECT_EQ(Find("Dup", &found), 0);
    EXPECT_EQ(found, first);
    EXPECT_EQ(host().trace().Text(), "");
}

// The anchor of a text.

TEST_F(ArtTree, PointAndAreaTextsAreAnchoredAtTheirFirstLineAndATextOnAPathAtThePathsStart) {
    subhost::Art& point = New(kTextArt);
    point.text = "地点";
    point.anchor = {12.5, -3};
    AIRealPoint p = GetTextAnchor(point.ref);
    EXPECT_EQ(p.h, 12.5f);
    EXPECT_EQ(p.v, -3.0f);

    subhost::Art& onPath = New(kTextArt);
    onPath.text = "道";
    onPath.anchor = {1, 1};
    doc().NewTextPath(onPath).segments = {{{40, 20}, {40, 20}, {40, 20}}, {{80, 20}, {}, {}}};
    const std::size_t mark = host().calls().size();
    p = GetTextAnchor(onPath.ref);
    EXPECT_EQ(p.h, 40.0f);
    EXPECT_EQ(p.v, 20.0f);
    EXPECT_EQ(kzntest::CountCalls(host(), "AI Path Suite", "GetPathSegments", mark), 1);
    EXPECT_EQ(kzntest::CountCalls(host(), "AI Text Line Suite", "GetTextLineRecord", mark), 0);

    // An area text runs inside its path: it is anchored at its first line, as a point text.
    subhost::Art& area = New(kTextArt);
    area.anchor = {5, 6};
    doc().NewTextPath(area).segments = {{{40, 20}, {40, 20}, {40, 20}}, {{80, 0}, {}, {}}};
    area.area = true;
    p = GetTextAnchor(area.ref);
    EXPECT_EQ(p.h, 5.0f);
    EXPECT_EQ(p.v, 6.0f);
    EXPECT_THAT(kzntest::FailedCalls(host()), IsEmpty());
}

TEST_F(ArtTree, EveryFailedCallOfTheAnchorIsTracedAtItsOwnLineAndTheWalkGoesOn) {
    subhost::Art& text = New(kTextArt);
    text.anchor = {5, 6};
    host().faults().Fail("AI Text Path Suite", "GetTextPath", kFail);
    const AIRealPoint p = GetTextAnchor(text.ref);
    EXPECT_EQ(p.h, 0.0f);
    EXPECT_EQ(p.v, 0.0f);
    // No text path: the line calls that follow are refused by the host and traced too.
    EXPECT_THAT(
        kzntest::FailedCalls(host()),
        ElementsAre(kzntest::UtilCallAt("FAIL", "KznChecked(sTextPath->GetTextPath("),
                    kzntest::UtilCallAt("HND?", "KznChecked(sTextLine->GetFirstTextLine"),
                    kzntest::UtilCallAt("HND?", "KznChecked(sTextLine->GetTextLineRecord")));

    host().trace().Clear();
    host().faults().Fail("AI Text Suite", "GetTextType", kFail);
    const AIRealPoint q = GetTextAnchor(text.ref);
    EXPECT_EQ(q.h, 5.0f);  // taken for a point text
    EXPECT_THAT(kzntest::FailedCalls(host()),
                ElementsAre(kzntest::UtilCallAt("FAIL", "KznChecked(sText->GetTextType")));
}

TEST_F(ArtTree, AFailedPathQueryOfATextOnAPathIsTraced) {
    subhost::Art& text = New(kTextArt);
    doc().NewTextPath(text).segments = {{{7, 8}, {}, {}}};
    host().faults().Fail("AI Text Path Suite", "GetTextPathArt", kFail);
    const AIRealPoint p = GetTextAnchor(text.ref);
    EXPECT_EQ(p.h, 0.0f);
    EXPECT_THAT(kzntest::FailedCalls(host()),
                ElementsAre(kzntest::UtilCallAt("FAIL", "KznChecked(sTextPath->GetTextPathArt")));
}

}  // namespace
