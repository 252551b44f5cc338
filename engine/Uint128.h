// The value type of an IPv6 address.
#pragma once

#include <compare>
#include <cstdint>

namespace orvane {

// An unsigned 128-bit value in two words. GCC 12 refuses std::countr_zero
// and std::hash for unsigned __int128 in strict C++20, and the sets need only
// these few operations.
struct Uint128 {
    std::uint64_t high = 0, low = 0;

    constexpr Uint128() = default;
    constexpr Uint128(std::uint64_t value) : low(value) {}  // NOLINT: widening, as for built-in types
    constexpr Uint128(std::uint64_t high_, std::uint64_t low_) : high(high_), low(low_) {}

    friend constexpr auto operator<=>(const Uint128&, const Uint128&) = default;
    friend constexpr Uint128 operator+(Uint128 a, Uint128 b) {
        const std::uint64_t low = a.low + b.low;
        return {a.high + b.high + (low < a.low ? 1 : 0), low};
    }
    friend constexpr Uint128 operator-(Uint128 a, Uint128 b) {
        return {a.high - b.high - (a.low < b.low ? 1 : 0), a.low - b.low};
    }
    friend constexpr Uint128 operator&(Uint128 a, Uint128 b) { return {a.high & b.high, a.low & b.low}; }
    friend constexpr Uint128 operator|(Uint128 a, Uint128 b) { return {a.high | b.high, a.low | b.low}; }
    friend constexpr Uint128 operator~(Uint128 a) { return {~a.high, ~a.low}; }
};

}  // namespace orvane
