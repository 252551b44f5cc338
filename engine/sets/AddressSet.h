// Networks as sets of addresses, IPv4 and IPv6: intervals of addresses, the
// fewest networks that cover an interval, and union, intersection and
// difference of interval lists.
//
// Each family has a value type of its own width: std::uint32_t for IPv4,
// Uint128 for IPv6. Nothing here shifts by the full width or steps past
// either end of the address space, so the first and the last address of a
// family are intervals like any other.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <compare>
#include <cstddef>
#include <type_traits>
#include <cstdint>
#include <vector>

#include "SetOptions.h"
#include "Uint128.h"

namespace orvane {

template <typename Value>
inline constexpr unsigned kAddressWidth = 0;
template <>
inline constexpr unsigned kAddressWidth<std::uint32_t> = 32;
template <>
inline constexpr unsigned kAddressWidth<Uint128> = 128;

// The value whose lowest bits ones are set, 0 to the full width.
template <typename Value>
constexpr Value LowOnes(unsigned bits) {
    if constexpr (std::is_same_v<Value, Uint128>) {
        if (bits >= 128) return {~std::uint64_t{0}, ~std::uint64_t{0}};
        if (bits >= 64) return {LowOnes<std::uint64_t>(bits - 64), ~std::uint64_t{0}};
        return {0, LowOnes<std::uint64_t>(bits)};
    } else {
        return bits >= sizeof(Value) * 8 ? static_cast<Value>(~Value{0}) : static_cast<Value>((Value{1} << bits) - 1);
    }
}

template <typename Value>
inline constexpr Value kLastAddress = LowOnes<Value>(kAddressWidth<Value>);

// Zero bits below the lowest one; the full width for zero.
constexpr unsigned TrailingZeros(std::uint32_t v) { return static_cast<unsigned>(std::countr_zero(v)); }
constexpr unsigned TrailingZeros(Uint128 v) {
    return v.low != 0 ? static_cast<unsigned>(std::countr_zero(v.low))
                      : 64 + static_cast<unsigned>(std::countr_zero(v.high));
}
// Bits needed to write the value: 0 for zero.
constexpr unsigned BitWidth(std::uint32_t v) { return static_cast<unsigned>(std::bit_width(v)); }
constexpr unsigned BitWidth(Uint128 v) {
    return v.high != 0 ? 64 + static_cast<unsigned>(std::bit_width(v.high))
                       : static_cast<unsigned>(std::bit_width(v.low));
}

// Every address from first to last, both included.
template <typename Value>
struct Interval {
    Value first{}, last{};
    friend constexpr bool operator==(const Interval&, const Interval&) = default;
};
using Interval4 = Interval<std::uint32_t>;
using Interval6 = Interval<Uint128>;

// The network of the given prefix length that holds the address.
template <typename Value>
constexpr Interval<Value> NetworkOf(Value address, unsigned prefixLength) {
    const Value hostBits = LowOnes<Value>(kAddressWidth<Value> - prefixLength);
    return {address & ~hostBits, address | hostBits};
}

// Calls visit(network, prefixLength) for the fewest networks that cover
// exactly the interval, in address order.
template <typename Value, typename Visit>
void ForEachNetwork(Interval<Value> interval, Visit&& visit) {
    constexpr unsigned width = kAddressWidth<Value>;
    Value at = interval.first;
    for (;;) {
        // The largest block that starts here (its alignment) and stays inside (its size).
        const Value rest = interval.last - at;
        const unsigned fits = rest == kLastAddress<Value> ? width : BitWidth(static_cast<Value>(rest + 1)) - 1;
        const unsigned bits = std::min(TrailingZeros(at), fits);
        visit(at, width - bits);
        const Value end = at + LowOnes<Value>(bits);
        if (end == interval.last) return;
        at = end + 1;
    }
}

// The shortest prefix length at least prefixLength among lengths; the full
// width when none is.
inline unsigned AllowedPrefix(unsigned prefixLength, const PrefixLengths& lengths, unsigned width) {
    for (unsigned p = prefixLength; p < width; ++p)
        if (lengths.test(p)) return p;
    return width;
}

// Calls visit(network, prefixLength) for the fewest networks of the allowed
// lengths that cover exactly the interval, in address order: each of the
// fewest networks, split into networks of the next allowed length.
template <typename Value, typename Visit>
void ForEachNetwork(Interval<Value> interval, const PrefixLengths& lengths, Visit&& visit) {
    constexpr unsigned width = kAddressWidth<Value>;
    ForEachNetwork(interval, [&](Value network, unsigned prefix) {
        const unsigned allowed = AllowedPrefix(prefix, lengths, width);
        const Value step = static_cast<Value>(LowOnes<Value>(width - allowed) + 1);
        const Value last = network | LowOnes<Value>(width - prefix);
        for (Value at = network;; at = at + step) {
            visit(at, allowed);
            if (static_cast<Value>(at | LowOnes<Value>(width - allowed)) == last) break;
        }
    });
}

// The same addresses as the fewest disjoint intervals, in address order:
// overlapping and adjacent intervals joined.
template <typename Value>
std::vector<Interval<Value>> UnionOf(std::vector<Interval<Value>> intervals);
// The same for two lists as UnionOf() gives them, in one pass.
template <typename Value>
std::vector<Interval<Value>> UnionOfSorted(const std::vector<Interval<Value>>& a, const std::vector<Interval<Value>>& b);

// A union built as intervals come: they are gathered and joined into the
// union kept so far a batch at a time, so that memory follows the distinct
// intervals, not the lines read.
template <typename Value>
class UnionBuilder {
public:
    void Add(const Interval<Value>& interval) {
        if (fresh_.size() == fresh_.capacity()) Reserve();
        fresh_.push_back(interval);
        if (fresh_.size() >= batch_) Join();
    }
    // The union of everything added; the builder is empty afterwards.
    std::vector<Interval<Value>> Take();

private:
    void Join();
    void Reserve();

    std::vector<Interval<Value>> kept_, fresh_;
    std::size_t batch_ = kFirstBatch;
    // Large enough that joining costs little beside reading the lines (each
    // join moves the whole union), small beside a list of millions: 32 MiB,
    // four million IPv4 intervals.
    static constexpr std::size_t kFirstBatch = (std::size_t{32} << 20) / sizeof(Interval<Value>);
};

// How many addresses (or networks) a set holds: up to 2^128, one bit more
// than a Uint128.
struct AddressTotal {
    Uint128 value;
    bool bit128 = false;  // the whole IPv6 space: value is then zero

    void Add(Uint128 n) {
        const Uint128 sum = value + n;
        bit128 = bit128 || sum < value;
        value = sum;
    }
    // 2^bits, 0 to 128.
    void AddPowerOfTwo(unsigned bits) {
        if (bits >= 128) bit128 = true;
        else Add(LowOnes<Uint128>(bits) + 1);
    }
    bool Exceeds(Uint128 n) const { return bit128 || value > n; }
};

// The count as a long double, near enough for shares and percentages.
inline long double Approximately(const AddressTotal& total) {
    if (total.bit128) return std::ldexp(1.0L, 128);
    return std::ldexp(static_cast<long double>(total.value.high), 64) + static_cast<long double>(total.value.low);
}

// For disjoint intervals, as UnionOf() gives them.
template <typename Value>
AddressTotal TotalOf(const std::vector<Interval<Value>>& disjoint);

// How many networks ForEachNetwork() gives for all of the intervals, with
// the lengths allowed: without making them, as there may be 2^128.
template <typename Value>
AddressTotal NetworkCountOf(const std::vector<Interval<Value>>& intervals, const PrefixLengths& lengths);

// For lists as UnionOf() gives them.
template <typename Value>
std::vector<Interval<Value>> IntersectionOf(const std::vector<Interval<Value>>& a,
                                            const std::vector<Interval<Value>>& b);
template <typename Value>
std::vector<Interval<Value>> DifferenceOf(const std::vector<Interval<Value>>& a,
                                          const std::vector<Interval<Value>>& b);

// The addresses of both families, kept apart: they never join.
struct AddressSets {
    std::vector<Interval4> v4{};
    std::vector<Interval6> v6{};
};

}  // namespace orvane
