// Fewer distinct prefix lengths for the same addresses: each distinct length
// of an ipset hash:net set is one more lookup per packet, traded against
// more entries.
#pragma once

#include <cstdint>
#include <vector>

#include "AddressSet.h"

namespace orvane {

// The entries a reduction may always grow to, whatever the percentage:
// iprange's budget, which small sets would otherwise never reach.
inline constexpr std::uint64_t kDefaultReduceEntries = 16384;

struct Reduction {
    PrefixLengths lengths;        // to write with: the kept ones
    std::vector<unsigned> kept;   // ascending
    std::uint64_t before = 0, after = 0;  // entries (networks), saturating at 2^63
};

// As few distinct lengths as possible while the networks stay within
// max(entries before × (1 + percent / 100), entries), the addresses exactly
// the same; found exactly, by a small dynamic programme over the lengths the
// set has (a length given up is written as networks of the next longer one
// kept). allowed: the lengths the networks may have to begin with.
template <typename Value>
Reduction ReducePrefixLengths(const std::vector<Interval<Value>>& set, const PrefixLengths& allowed, double percent,
                              std::uint64_t entries);

}  // namespace orvane
