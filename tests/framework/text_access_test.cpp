// Reading and writing the text of text objects through the host's text streams.
#include "fixture.h"
#include "util/kznAIutil.h"

namespace {

class TextAccess : public kzntest::LinkedModule {
  protected:
    void SetUp() override {
        LinkedModule::SetUp();
        ASSERT_EQ(AcquireSuites(host().basicSuite()), 0);
        layer_ = &host().document().AddLayer(0, "layer", true);
    }
    ArtHandle Text(const std::string& content) {
        subhost::Art& art = host().document().NewArt(kTextArt, layer_->group);
        art.text = content;
        return art.ref;
    }
    std::string Read(ArtHandle art, ASInt32 count, ASInt32* read = nullptr) {
        std::string buffer(static_cast<std::size_t>(count) + 1, '\x7F');
        ASInt32 n = count;
        EXPECT_EQ(GetArtText(art, buffer.data(), &n), 0);
        if (read != nullptr) {
            *read = n;
        }
        return buffer.c_str();
    }
    subhost::Layer* layer_ = nullptr;
};

TEST_F(TextAccess, OneTrailingCRIsDroppedAndTheCountKeepsIt) {
    ASInt32 n = 0;
    EXPECT_EQ(Read(Text("マイマイ\r"), 256, &n), "マイマイ");
    EXPECT_EQ(n, 9);
    EXPECT_EQ(Read(Text("\r"), 256, &n), "");
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Read(Text("a\r\r"), 256), "a\r");
    EXPECT_EQ(Read(Text("a\rb"), 256), "a\rb");
    EXPECT_EQ(Read(Text(""), 256, &n), "");
    EXPECT_EQ(n, 0);
}

TEST_F(TextAccess, ALongTextIsCutAtTheCountAndTerminatedThere) {
    const std::string text(300, 'k');
    ASInt32 n = 0;
    std::string buffer(257, '\x7F');
    n = 256;
    GetArtText(Text(text), buffer.data(), &n);
    EXPECT_EQ(n, 256);
    EXPECT_EQ(buffer[256], '\0');
    EXPECT_EQ(std::string(buffer.c_str()), text.substr(0, 256));
}

TEST_F(TextAccess, WritingReplacesTheWholeTextAndLeavesNoStreamOpen) {
    const ArtHandle art = Text("デンデンムシ");
    EXPECT_EQ(SetArtText(art, "dendenmushi"), 0);
    EXPECT_EQ(host().document().Get(art).text, "dendenmushi");
    EXPECT_EQ(SetArtText(art, ""), 0);
    EXPECT_EQ(host().document().Get(art).text, "");
    EXPECT_EQ(host().document().openStreams(), 0U);
}

TEST_F(TextAccess, AFailedReadGivesAnEmptyTextNotWhatTheBufferHeld) {
    host().faults().Fail("AI Text Stream Suite", "ReadTextStream",
                         FourCharCode('F', 'A', 'I', 'L'));
    ASInt32 n = 0;
    EXPECT_EQ(Read(Text("text"), 256, &n), "");
    EXPECT_EQ(n, 0);
    EXPECT_EQ(host().document().openStreams(), 0U);
}

TEST_F(TextAccess, ADisposedObjectIsAHostErrorAndReadsAsEmpty) {
    const ArtHandle art = Text("gone");
    host().document().Dispose(host().document().Get(art));
    EXPECT_EQ(Read(art, 256), "");
    EXPECT_EQ(SetArtText(art, "x"), 0);
    EXPECT_EQ(host().errors().front(),
              "AI Text Stream Suite/OpenTextStream: not a live art handle");
}

}  // namespace
