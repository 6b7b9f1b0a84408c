// Pairing the entries of two lists in order, for kznhost diff.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
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

// The most cells (pairs of entries weighed) of one table of PairInOrder that the pairings below
// allow themselves: about a second of weighing.
constexpr std::size_t kMostCells = std::size_t{1} << 24;

// As PairInOrder where N x M is at most MOSTCELLS. Larger lists are cut into as many pieces as
// keep the cells within that bound, the k-th piece of A paired with the k-th piece of B (each the
// same share of its list): entries far apart in their lists are not paired, so the time grows
// with N + M.
template <typename Weight>
Pairs PairInWindows(std::size_t n, std::size_t m, const Weight& weight,
                    std::size_t mostCells = kMostCells) {
    if (n == 0 || m == 0 || n <= mostCells / m) {
        return PairInOrder(n, m, weight);
    }
    const std::size_t pieces = std::min(std::max(n, m), (n * m + mostCells - 1) / mostCells);
    Pairs out;
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::size_t i0 = n * k / pieces;
        const std::size_t i1 = n * (k + 1) / pieces;
        const std::size_t j0 = m * k / pieces;
        const std::size_t j1 = m * (k + 1) / pieces;
        const auto shifted = [&](std::size_t i, std::size_t j) { return weight(i0 + i, j0 + j); };
        for (const auto& [i, j] : PairInOrder(i1 - i0, j1 - j0, shifted)) {
            out.emplace_back(i0 + i, j0 + j);
        }
    }
    return out;
}

namespace detail {

// A stretch of two lists: entries [i0, i1) of A and [j0, j1) of B.
struct Stretch {
    std::size_t i0, i1, j0, j1;
};

// The places (in A, in B) of the numbers that stand once in each list within S, by their place
// in A.
inline std::vector<std::pair<std::size_t, std::size_t>> UniqueInBoth(
    const std::vector<std::size_t>& na, const std::vector<std::size_t>& nb, const Stretch& s) {
    struct Count {
        std::size_t inA = 0, inB = 0, i = 0, j = 0;
    };
    std::unordered_map<std::size_t, Count> counts;
    for (std::size_t i = s.i0; i < s.i1; ++i) {
        Count& c = counts[na[i]];
        ++c.inA;
        c.i = i;
    }
    for (std::size_t j = s.j0; j < s.j1; ++j) {
        if (auto found = counts.find(nb[j]); found != counts.end()) {
            ++found->second.inB;
            found->second.j = j;
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> unique;
    for (const auto& [number, c] : counts) {
        if (c.inA == 1 && c.inB == 1) {
            unique.emplace_back(c.i, c.j);
        }
    }
    std::sort(unique.begin(), unique.end());
    return unique;
}

// The longest run of PLACES (increasing in A) that increases in B too (patience sorting).
inline std::vector<std::pair<std::size_t, std::size_t>> LongestIncreasingRun(
    const std::vector<std::pair<std::size_t, std::size_t>>& places) {
    std::vector<std::size_t> tops;  // tops[k]: the index in PLACES ending a run of k + 1
    std::vector<std::size_t> before(places.size());
    for (std::size_t u = 0; u < places.size(); ++u) {
        const auto at = std::lower_bound(
            tops.begin(), tops.end(), places[u].second,
            [&](std::size_t top, std::size_t j) { return places[top].second < j; });
        before[u] = at == tops.begin() ? u : *(at - 1);
        if (at == tops.end()) {
            tops.push_back(u);
        } else {
            *at = u;
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> run;
    if (tops.empty()) {
        return run;
    }
    for (std::size_t u = tops.back();; u = before[u]) {
        run.push_back(places[u]);
        if (before[u] == u) {
            break;
        }
    }
    std::reverse(run.begin(), run.end());
    return run;
}

// Pairs each entry of A in S with the first equal entry of B after the last pair.
inline void PairFirstEqual(const std::vector<std::size_t>& na, const std::vector<std::size_t>& nb,
                           const Stretch& s, Pairs& out) {
    std::unordered_map<std::size_t, std::vector<std::size_t>> places;  // latest last
    for (std::size_t j = s.j1; j-- > s.j0;) {
        places[nb[j]].push_back(j);
    }
    std::size_t last = s.j0;
    for (std::size_t i = s.i0; i < s.i1; ++i) {
        auto found = places.find(na[i]);
        if (found == places.end()) {
            continue;
        }
        std::vector<std::size_t>& js = found->second;
        while (!js.empty() && js.back() < last) {
            js.pop_back();
        }
        if (!js.empty()) {
            out.emplace_back(i, js.back());
            last = js.back() + 1;
            js.pop_back();
        }
    }
}

}  // namespace detail

// Pairs entries of A and B that hold the same number (NA[i] == NB[j]), in order: as many as a
// longest common subsequence where the lists are small or alike, and otherwise as many as the
// following finds in time near-linear in their lengths. Runs of equal entries at both ends pair
// first; then the numbers that stand once in each list, of which the longest run increasing in
// both lists pairs, and the stretches between those pairs are paired the same way; a stretch
// with no such number pairs each entry of A with the first equal entry of B after the last pair.
inline Pairs PairEqual(const std::vector<std::size_t>& na, const std::vector<std::size_t>& nb,
                       std::size_t mostCells = kMostCells) {
    Pairs out;
    std::vector<detail::Stretch> todo{{0, na.size(), 0, nb.size()}};
    while (!todo.empty()) {
        auto [i0, i1, j0, j1] = todo.back();
        todo.pop_back();
        while (i0 < i1 && j0 < j1 && na[i0] == nb[j0]) {
            out.emplace_back(i0++, j0++);
        }
        while (i0 < i1 && j0 < j1 && na[i1 - 1] == nb[j1 - 1]) {
            out.emplace_back(--i1, --j1);
        }
        const std::size_t n = i1 - i0;
        const std::size_t m = j1 - j0;
        if (n == 0 || m == 0) {
            continue;
        }
        if (n <= mostCells / m) {
            const auto same = [&](std::size_t i, std::size_t j) -> std::int64_t {
                return na[i0 + i] == nb[j0 + j] ? 1 : 0;
            };
            for (const auto& [i, j] : PairInOrder(n, m, same)) {
                out.emplace_back(i0 + i, j0 + j);
            }
            continue;
        }
        const detail::Stretch stretch{i0, i1, j0, j1};
        const auto anchors = detail::LongestIncreasingRun(detail::UniqueInBoth(na, nb, stretch));
        if (anchors.empty()) {
            detail::PairFirstEqual(na, nb, stretch, out);
            continue;
        }
        std::size_t i = i0;
        std::size_t j = j0;
        for (const auto& [ai, aj] : anchors) {
            todo.push_back({i, ai, j, aj});
            out.emplace_back(ai, aj);
            i = ai + 1;
            j = aj + 1;
        }
        todo.push_back({i, i1, j, j1});
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace kznhost
