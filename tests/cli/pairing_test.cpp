// Pairing the children of two lists for kznhost diff, at the sizes of real maps.
#include "cli/pairing.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using kznhost::PairEqual;
using kznhost::PairInOrder;
using kznhost::PairInWindows;
using kznhost::Pairs;

// Whether PAIRS pair equal entries, each once, in order in both lists.
bool InOrderAndEqual(const Pairs& pairs, const std::vector<std::size_t>& a,
                     const std::vector<std::size_t>& b) {
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const auto [i, j] = pairs[k];
        if (i >= a.size() || j >= b.size() || a[i] != b[j] ||
            (k > 0 && (i <= pairs[k - 1].first || j <= pairs[k - 1].second))) {
            return false;
        }
    }
    return true;
}

// Small lists: as many pairs as a longest common subsequence, whichever way they are found.
TEST(Pairing, SmallListsPairAsManyAsTheLongestCommonSubsequence) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::size_t> a(random() % 40);
        std::vector<std::size_t> b(random() % 40);
        for (auto& x : a) {
            x = random() % 6;
        }
        for (auto& x : b) {
            x = random() % 6;
        }
        const auto same = [&](std::size_t i, std::size_t j) -> std::int64_t {
            return a[i] == b[j] ? 1 : 0;
        };
        const Pairs exact = PairInOrder(a.size(), b.size(), same);
        // A bound of a few cells makes it take the near-linear road on these lists too.
        for (const std::size_t cells : {kznhost::kMostCells, std::size_t{4}}) {
            const Pairs found = PairEqual(a, b, cells);
            EXPECT_TRUE(InOrderAndEqual(found, a, b)) << round;
            if (cells == kznhost::kMostCells) {
                EXPECT_EQ(found.size(), exact.size()) << round;
            }
        }
    }
}

// A map and its text-to-object result on the same layer: every label kept, a group beside each.
// Distinct labels pair by the numbers that stand once; labels all alike, one after another.
TEST(Pairing, EveryKeptEntryOfLargeListsPairsInTimeNearTheirLength) {
    constexpr std::size_t n = 200'000;
    for (const bool alike : {false, true}) {
        std::vector<std::size_t> a(n);
        std::vector<std::size_t> b;
        for (std::size_t i = 0; i < n; ++i) {
            a[i] = alike ? 0 : i;
            b.push_back(n + 1);  // the new group before each label
            if (i % 7 != 0) {
                b.push_back(a[i]);
            }
        }
        const Pairs pairs = PairEqual(a, b);
        EXPECT_TRUE(InOrderAndEqual(pairs, a, b)) << alike;
        EXPECT_EQ(pairs.size(), n - (n + 6) / 7) << alike;
    }
}

// Long lists of entries alike in part are weighed piece by piece, each entry with the ones at its
// share of the other list: the pairs found are those near the diagonal.
TEST(Pairing, LongListsAreWeighedInWindowsAlongTheDiagonal) {
    constexpr std::size_t n = 3000;
    std::size_t weighed = 0;
    const auto weight = [&](std::size_t i, std::size_t j) -> std::int64_t {
        ++weighed;
        return i == j ? 1 : 0;
    };
    const Pairs pairs = PairInWindows(n, n, weight, 100'000);
    EXPECT_EQ(pairs.size(), n);
    EXPECT_LE(weighed, 2 * 100'000U + 2 * n);
}

}  // namespace
