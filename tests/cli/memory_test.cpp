// kznhost on a machine whose memory runs out: every command says so in words, and what it was
// doing, on one line, ends with exit status 2 and writes nothing.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>

#include "support/limited.h"

namespace {

using kzntest::TempDir;
using ::testing::HasSubstr;

// A JSON map of one path of SEGMENTS points: a dozen bytes each in the file, many times that
// once read.
std::string LargeMap(const TempDir& dir, int segments) {
    std::string json = R"({"kzn-document": 1, "layers": [{"title": "a", "art": [)"
                       R"({"type": "path", "segments": [)";
    for (int i = 0; i < segments; ++i) {
        json += (i == 0 ? "" : ",") + std::string(R"({"p":[)") + std::to_string(i % 97) + "," +
                std::to_string(i % 89) + "]}";
    }
    return dir.Write("large.json", json + "]}]}]}");
}

TEST(OutOfMemory, EveryCommandSaysWhatItWasDoingAndEndsWithStatusTwo) {
    KZN_SKIP_UNLESS_ADDRESS_SPACE_BOUNDABLE();
    TempDir dir;
    // 45 MB of map, some 400 MB read; kznhost itself starts in less than 100.
    const std::string map = LargeMap(dir, 3'500'000);
    const std::string script = dir.Write("session.txt", "filter t2t\n");
    const std::string reading = "reading the map " + map;
    struct Case {
        std::vector<std::string> args;
        std::string doing;
    };
    for (const Case& c : std::vector<Case>{
             {{"convert", map, dir / "out.svg"}, reading},
             {{"render", map, "--out", dir / "out.png"}, reading},
             {{"legend", map, "--out", dir / "out.png"}, reading},
             {{"run", "--doc", map, "--script", script, "--out", dir / "out.svg"}, reading},
             {{"diff", map, map}, reading},
             {{"trace", "--doc", map}, reading},
             {{"serve", map}, "loading the module and reading the map " + map},
         }) {
        const kzntest::Ended ended = kzntest::RunKznhostWithin(std::uint64_t{250} << 20, c.args);
        EXPECT_EQ(ended.status, 2) << c.args[0] << ": " << ended.err;
        EXPECT_EQ(ended.err, "kznhost: the machine ran out of memory while " + c.doing + "\n")
            << c.args[0];
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.svg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
}

}  // namespace
