// The fuzzers' corpora replayed through the same entry functions: every input that once found a
// fault, and the seeds, must be read without one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "entries.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

class Replay : public ::testing::TestWithParam<kznfuzz::Target> {};

TEST_P(Replay, EveryInputOfTheCorpusIsReadWithoutAFault) {
    const fs::path folder = kzntest::SourcePath("tests/fuzz/corpus/") + GetParam().name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    int inputs = 0;
    for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        SCOPED_TRACE(file.path().string());
        GetParam().entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

INSTANTIATE_TEST_SUITE_P(Corpora, Replay, ::testing::ValuesIn(kznfuzz::Targets()),
                         [](const ::testing::TestParamInfo<kznfuzz::Target>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
