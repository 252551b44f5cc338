#include "AddressWriter.h"

#include <array>
#include <vector>

#include "AddressText.h"

namespace orvane {
namespace {

void AppendNumber(std::string& out, unsigned n) {
    char digits[3];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (count > 0) out += digits[--count];
}

// A value of up to 129 bits (2^128 is the size of the IPv6 space) in decimal;
// carry is the 129th.
void AppendDecimal(std::string& out, Uint128 value, bool carry) {
    // Five 32-bit limbs, most significant first, divided by 10^9 in turn.
    std::array<std::uint64_t, 5> limbs{carry ? 1u : 0u, value.high >> 32, value.high & 0xFFFFFFFF, value.low >> 32,
                                       value.low & 0xFFFFFFFF};
    std::vector<std::uint32_t> chunks;  // base 10^9, least significant first
    auto isZero = [&] { return std::all_of(limbs.begin(), limbs.end(), [](std::uint64_t l) { return l == 0; }); };
    do {
        std::uint64_t remainder = 0;
        for (std::uint64_t& limb : limbs) {
            const std::uint64_t current = remainder << 32 | limb;
            limb = current / 1000000000;
            remainder = current % 1000000000;
        }
        chunks.push_back(static_cast<std::uint32_t>(remainder));
    } while (!isZero());
    out += std::to_string(chunks.back());
    for (std::size_t k = chunks.size() - 1; k-- > 0;) {
        const std::string part = std::to_string(chunks[k]);
        out.append(9 - part.size(), '0');
        out += part;
    }
}

template <typename Value>
constexpr bool IsIPv6 = std::is_same_v<Value, Uint128>;

template <typename Value>
void WriteAny(const Interval<Value>& unit, const SetWriting& writing, std::string& out) {
    if (WritesWholeIntervals<Value>(writing)) {
        AppendAddress(out, unit.first);
        out += '-';
        AppendAddress(out, unit.last);
    } else {
        // A network's size is a power of two; the whole space's wraps to zero, whose zeros are the full width.
        const unsigned prefix = kAddressWidth<Value> - TrailingZeros(static_cast<Value>(unit.last - unit.first + 1));
        if constexpr (!IsIPv6<Value>) {
            if (writing.form == OutputForm::HostRange) {
                // The host range the window writes: a /31 or /32 comes out with its ends crossed.
                AppendAddress(out, static_cast<std::uint32_t>(unit.first + 1));
                out += '-';
                AppendAddress(out, static_cast<std::uint32_t>(unit.last - 1));
                out.append(writing.lineEnd);
                return;
            }
        }
        AppendAddress(out, unit.first);
        out.append(writing.delimiter);
        if (IsIPv6<Value> || writing.form == OutputForm::ShortMask) AppendNumber(out, prefix);
        else AppendAddress(out, static_cast<std::uint32_t>(~LowOnes<std::uint32_t>(32 - prefix)));
    }
    out.append(writing.lineEnd);
}

}  // namespace

void WriteUnit(const Interval4& unit, const SetWriting& writing, std::string& out) { WriteAny(unit, writing, out); }
void WriteUnit(const Interval6& unit, const SetWriting& writing, std::string& out) { WriteAny(unit, writing, out); }

void WriteSets(const AddressSets& sets, const SetWriting& writing, std::string& out) {
    for (const Interval4& interval : sets.v4)
        ForEachUnit(interval, writing, [&](const Interval4& unit) { WriteUnit(unit, writing, out); });
    for (const Interval6& interval : sets.v6)
        ForEachUnit(interval, writing, [&](const Interval6& unit) { WriteUnit(unit, writing, out); });
}

void WriteCount(std::string_view family, std::size_t networks, const AddressTotal& addresses, std::string_view lineEnd,
                std::string& out) {
    out.append(family);
    out += ' ';
    out += std::to_string(networks);
    out += ' ';
    AppendDecimal(out, addresses.value, addresses.bit128);
    out.append(lineEnd);
}

}  // namespace orvane
