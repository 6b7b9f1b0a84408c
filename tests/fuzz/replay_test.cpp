// Every input of the fuzzers' corpora, read again by the same entries: what a fuzzer once found
// stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/targets.h"
#include "support/harness.h"

namespace {

using Entry = int (*)(const std::uint8_t*, std::size_t);

void Replay(const char* target, Entry entry) {
    const std::filesystem::path folder = kzntest::SourcePath("tests/fuzz/corpus/") + target;
    int inputs = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        SCOPED_TRACE(file.path().string());
        EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << "no corpus in " << folder;
}

TEST(FuzzCorpus, Table) {
    Replay("table", kznfuzz::Table);
}
TEST(FuzzCorpus, Map) {
    Replay("map", kznfuzz::Map);
}
TEST(FuzzCorpus, Svg) {
    Replay("svg", kznfuzz::Svg);
}
TEST(FuzzCorpus, Script) {
    Replay("script", kznfuzz::Script);
}
TEST(FuzzCorpus, Elf) {
    Replay("elf", kznfuzz::Elf);
}
TEST(FuzzCorpus, Resources) {
    Replay("resources", kznfuzz::Resources);
}
TEST(FuzzCorpus, Pe) {
    Replay("pe", kznfuzz::Pe);
}

}  // namespace
