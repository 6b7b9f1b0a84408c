// Pairing the entries of two lists in order, for kznhost diff.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kznhost {

// Pairs (i, j) of an entry i of list A and an entry j of list B, both increasing.
using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;

// Pairs the N entries of A with the M entries of B in order so that WEIGHT(i, j) (an
// std::int64_t, 0 for two entries that cannot pair) adds up to the most it can. Of several such
// pairings it gives the one that leaves entries of A unpaired as early and entries of B unpaired
// as late as it can: the one a walk from the front of the whole table of best sums takes when at
// each step it prefers, among the steps that keep the sum the most, to leave A's entry unpaired,
// then to pair the two, then to leave B's entry unpaired.
//
// The table of the best sums is never held whole: its middle row is found from both ends, the
// lists are cut where the best pairing crosses it, and each half is paired the same way. Memory
// grows with M (plus a frame per halving), time with N x M (twice the weights of the whole table).
template <typename Weight>
Pairs PairInOrder(std::size_t n, std::size_t m, const Weight& weight);

namespace pairing {

template <typename Weight>
class Halving {
  public:
    Halving(const Weight& weight, std::size_t m) : weight_(weight), ahead_(m + 1), behind_(m + 1) {}

    void Pair(std::size_t i0, std::size_t i1, std::size_t j0, std::size_t j1, Pairs& out) {
        if (i0 == i1 || j0 == j1) {
            return;
        }
        if (i1 - i0 == 1) {
            // One entry of A: the first entry of B it is worth most with.
            std::int64_t most = 0;
            std::size_t at = j1;
            for (std::size_t j = j0; j < j1; ++j) {
                if (const std::int64_t w = weight_(i0, j); w > most) {
                    most = w;
                    at = j;
                }
            }
            if (at != j1) {
                out.emplace_back(i0, at);
            }
            return;
        }
        const std::size_t mid = i0 + (i1 - i0) / 2;
        const std::size_t width = j1 - j0;
        // ahead_[k]: the most A's entries i0..mid-1 pair up with B's j0..j0+k-1.
        std::fill(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(width) + 1, 0);
        for (std::size_t i = i0; i < mid; ++i) {
            std::int64_t diagonal = ahead_[0];
            for (std::size_t k = 1; k <= width; ++k) {
                const std::int64_t above = ahead_[k];
                ahead_[k] = std::max({ahead_[k - 1], above, diagonal + weight_(i, j0 + k - 1)});
                diagonal = above;
            }
        }
        // behind_[k]: the most A's entries mid..i1-1 pair up with B's j0+k..j1-1.
        std::fill(behind_.begin(), behind_.begin() + static_cast<std::ptrdiff_t>(width) + 1, 0);
        for (std::size_t i = i1; i-- > mid;) {
            std::int64_t diagonal = behind_[width];
            for (std::size_t k = width; k-- > 0;) {
                const std::int64_t below = behind_[k];
                behind_[k] = std::max({behind_[k + 1], below, diagonal + weight_(i, j0 + k)});
                diagonal = below;
            }
        }
        // The pairing described above reaches A's entry mid at the first place in B where a
        // best sum does.
        std::size_t cut = 0;
        for (std::size_t k = 1; k <= width; ++k) {
            if (ahead_[k] + behind_[k] > ahead_[cut] + behind_[cut]) {
                cut = k;
            }
        }
        Pair(i0, mid, j0, j0 + cut, out);
        Pair(mid, i1, j0 + cut, j1, out);
    }

  private:
    const Weight& weight_;
    std::vector<std::int64_t> ahead_;
    std::vector<std::int64_t> behind_;
};

}  // namespace pairing

template <typename Weight>
Pairs PairInOrder(std::size_t n, std::size_t m, const Weight& weight) {
    Pairs out;
    pairing::Halving<Weight>(weight, m).Pair(0, n, 0, m, out);
    return out;
}

}  // namespace kznhost
