#include "PrefixReduction.h"

#include <cmath>
#include <limits>

namespace orvane {
namespace {

// Counts past any list's size stay there: 2^63.
constexpr std::uint64_t kSaturated = std::uint64_t{1} << 63;

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) { return a >= kSaturated - b ? kSaturated : a + b; }

// n × 2^bits.
std::uint64_t SaturatingShift(std::uint64_t n, unsigned bits) {
    if (n == 0) return 0;
    if (bits >= 63 || n > (kSaturated >> bits)) return kSaturated;
    return n << bits;
}

}  // namespace

template <typename Value>
Reduction ReducePrefixLengths(const std::vector<Interval<Value>>& set, const PrefixLengths& allowed, double percent,
                              std::uint64_t entries) {
    constexpr unsigned width = kAddressWidth<Value>;
    // How many networks of each length the set is written with now.
    std::vector<std::uint64_t> count(width + 1);
    for (const Interval<Value>& interval : set)
        ForEachNetwork(interval, [&](Value, unsigned prefix) {
            const unsigned length = AllowedPrefix(prefix, allowed, width);
            count[length] = SaturatingAdd(count[length], SaturatingShift(1, length - prefix));
        });
    std::vector<unsigned> present;
    Reduction reduction;
    for (unsigned p = 0; p <= width; ++p) {
        if (count[p] == 0) continue;
        present.push_back(p);
        reduction.before = SaturatingAdd(reduction.before, count[p]);
    }
    const long double grown = static_cast<long double>(reduction.before) * (1.0L + percent / 100.0L);
    const std::uint64_t budget =
        std::max<std::uint64_t>(entries, grown >= static_cast<long double>(kSaturated) ? kSaturated
                                                                                        : static_cast<std::uint64_t>(grown));

    // cost(i, j): the lengths present[i..j] all written as present[j].
    const std::size_t k = present.size();
    auto cost = [&](std::size_t i, std::size_t j) {
        std::uint64_t total = 0;
        for (std::size_t t = i; t <= j; ++t)
            total = SaturatingAdd(total, SaturatingShift(count[present[t]], present[j] - present[t]));
        return total;
    };
    // best[m][j]: the fewest entries for present[0..j] with m lengths kept, present[j] among them.
    std::vector<std::vector<std::uint64_t>> best(k + 1, std::vector<std::uint64_t>(k, kSaturated));
    std::vector<std::vector<std::size_t>> from(k + 1, std::vector<std::size_t>(k, 0));
    std::size_t kept = k;
    for (std::size_t m = 1; m <= k; ++m) {
        for (std::size_t j = m - 1; j < k; ++j) {
            if (m == 1) {
                best[m][j] = cost(0, j);
                continue;
            }
            for (std::size_t i = m - 2; i < j; ++i) {
                const std::uint64_t total = SaturatingAdd(best[m - 1][i], cost(i + 1, j));
                if (total < best[m][j]) {
                    best[m][j] = total;
                    from[m][j] = i;
                }
            }
        }
        if (k > 0 && best[m][k - 1] <= budget) {
            kept = m;
            break;
        }
    }
    reduction.lengths.set(width);
    if (k == 0) return reduction;
    reduction.after = best[kept][k - 1];
    for (std::size_t m = kept, j = k - 1;; --m) {
        reduction.kept.insert(reduction.kept.begin(), present[j]);
        reduction.lengths.set(present[j]);
        if (m == 1) break;
        j = from[m][j];
    }
    return reduction;
}

template Reduction ReducePrefixLengths(const std::vector<Interval4>&, const PrefixLengths&, double, std::uint64_t);
template Reduction ReducePrefixLengths(const std::vector<Interval6>&, const PrefixLengths&, double, std::uint64_t);

}  // namespace orvane
