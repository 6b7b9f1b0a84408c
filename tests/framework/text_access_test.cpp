// Reading and writing the text of text objects through the host's text streams.
#include <cstring>

#include "fixture.h"
#include "host/lengthstring.h"
#include "host/suites.h"
#include "util/kznAIutil.h"

namespace {

TEST(LengthString, KeepsAtMost255BytesAndItsLengthByteCountsThem) {
    for (const std::size_t length : {0, 1, 254, 255, 256, 300}) {
        const std::string text(length, 'a');
        CLengthString s(text.c_str());
        const std::size_t kept = std::min<std::size_t>(length, 255);
        EXPECT_EQ(s.Pascal()[0], kept) << length;
        EXPECT_EQ(std::string(s.Text()), text.substr(0, kept)) << length;
    }
}

TEST(LengthString, AFullStringsTerminatorStaysInsideIt) {
    // 256 bytes are the host's (length byte and 255 characters); the terminator behind them must
    // not land on what follows the string.
    struct Guarded {
        CLengthString s;
        unsigned char guard[16];
    } g;
    std::memset(g.guard, 0x5A, sizeof g.guard);
    g.s = std::string(255, 'b').c_str();
    EXPECT_EQ(std::string(g.s.Text()), std::string(255, 'b'));
    for (const unsigned char byte : g.guard) {
        EXPECT_EQ(byte, 0x5A);
    }
}

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

// A host that reports more bytes than it was asked for.
ASErr KZN_API OverReportingRead(TextStreamRef, char* buffer, ASInt32* count) {
    std::memset(buffer, 'x', static_cast<std::size_t>(*count));
    *count += 100;
    return kNoErr;
}

TEST_F(TextAccess, ACountLargerThanTheBufferIsRefusedAndReadsAsEmpty) {
    TextStreamSuite lying = *sTextStream;
    lying.ReadTextStream = OverReportingRead;
    const TextStreamSuite* saved = sTextStream;
    sTextStream = &lying;
    std::string buffer(200, '\x7F');
    ASInt32 n = 16;
    GetArtText(Text("text"), buffer.data(), &n);
    sTextStream = saved;
    EXPECT_EQ(n, 0);
    EXPECT_EQ(buffer[0], '\0');
    // Nothing was written behind the buffer's 17 bytes.
    EXPECT_EQ(buffer.substr(17), std::string(183, '\x7F'));
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
