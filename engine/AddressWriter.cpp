#include "AddressWriter.h"

#include <array>
#include <unordered_set>

#include "Memory.h"
#include "unCommon.h"

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

// A value of up to 129 bits (2^128 is the size of the IPv6 space) in decimal.
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
bool WholeIntervals(const SetWriting& writing) {
    return writing.form == OutputForm::HostRange && (IsIPv6<Value> || writing.ranges == RangeReading::Addresses);
}

// Calls visit(unit) for every interval written for one interval: itself, or
// each of its networks.
template <typename Value, typename Visit>
void ForEachUnit(Interval<Value> interval, const SetWriting& writing, Visit&& visit) {
    if (WholeIntervals<Value>(writing)) return visit(interval);
    ForEachNetwork(interval, [&](Value network, unsigned prefix) { visit(NetworkOf(network, prefix)); });
}

template <typename Value>
void WriteUnit(Interval<Value> unit, const SetWriting& writing, std::string& out) {
    if (WholeIntervals<Value>(writing)) {
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

template <typename Value>
void WriteSet(const std::vector<Interval<Value>>& set, const SetWriting& writing, std::string& out) {
    for (const Interval<Value>& interval : set)
        ForEachUnit(interval, writing, [&](Interval<Value> unit) { WriteUnit(unit, writing, out); });
}

template <typename Value>
std::vector<Interval<Value>> NetworksOf(const std::vector<Interval<Value>>& set) {
    std::vector<Interval<Value>> networks;
    for (const Interval<Value>& interval : set)
        ForEachNetwork(interval, [&](Value network, unsigned prefix) { networks.push_back(NetworkOf(network, prefix)); });
    return networks;
}

template <typename Value>
void WriteCount(std::string_view family, const std::vector<Interval<Value>>& networks, std::string_view lineEnd,
                std::string& out) {
    if (networks.empty()) return;
    Uint128 total;
    bool carry = false;
    for (const Interval<Value>& interval : UnionOf(networks)) {
        const Uint128 size = Uint128(interval.last - interval.first) + 1;  // at most 2^128 - 1 + 1
        const Uint128 sum = total + size;
        carry = carry || sum < total || size == Uint128{};
        total = sum;
    }
    out.append(family);
    out += ' ';
    out += std::to_string(networks.size());
    out += ' ';
    AppendDecimal(out, total, carry);
    out.append(lineEnd);
}

// By address; on equal addresses the larger first.
template <typename Value>
void SortByAddress(std::vector<Interval<Value>>& units, bool removeDuplicates) {
    std::sort(units.begin(), units.end(), [](const Interval<Value>& a, const Interval<Value>& b) {
        return a.first != b.first ? a.first < b.first : a.last > b.last;
    });
    if (removeDuplicates) units.erase(std::unique(units.begin(), units.end()), units.end());
}

struct UnitHash {
    std::size_t operator()(const Interval4& u) const noexcept {
        return std::hash<std::uint64_t>()(std::uint64_t{u.first} << 32 | u.last);
    }
    std::size_t operator()(const Interval6& u) const noexcept {
        const std::uint64_t mixed = (u.first.high * 0x9E3779B97F4A7C15ull) ^ u.first.low ^
                                    (u.last.high * 0xC2B2AE3D27D4EB4Full) ^ (u.last.low >> 7);
        return std::hash<std::uint64_t>()(mixed);
    }
};

// Every line of the texts that names addresses, visited as visit(line) in
// order; what the reading found in each text is kept in read.
template <typename Visit>
void ForEachSetLine(std::span<const std::string_view> texts, RangeReading ranges, std::vector<LinesRead>& read,
                    Visit&& visit) {
    for (std::string_view text : texts) ForEachSetLine(text, ranges, read.emplace_back(), visit);
}

// Every unit ConvertExact writes for the lines of the texts, per family in
// address order.
AddressSets ExactUnits(std::span<const std::string_view> texts, bool removeDuplicates, const SetWriting& writing,
                       std::vector<LinesRead>& read) {
    AddressSets units;
    ForEachSetLine(texts, writing.ranges, read, [&](const SetLine& line) {
        if (line.kind == SetLine::Kind::IPv4)
            ForEachUnit(line.v4, writing, [&](Interval4 unit) { units.v4.push_back(unit); });
        else
            ForEachUnit(line.v6, writing, [&](Interval6 unit) { units.v6.push_back(unit); });
    });
    SortByAddress(units.v4, removeDuplicates);
    SortByAddress(units.v6, removeDuplicates);
    return units;
}

}  // namespace

void AppendAddress(std::string& out, std::uint32_t address) { AppendHostOrderAddress(out, address); }

// The text inet_ntop writes, without its printf: the longest run of two or
// more zero groups (the first of equal runs) as "::", lower-case hex, and the
// last 32 bits as a dotted quad after ::ffff: or after six zero groups.
void AppendAddress(std::string& out, const Uint128& address) {
    std::uint16_t groups[8];
    for (int k = 0; k < 4; ++k) {
        groups[k] = static_cast<std::uint16_t>(address.high >> (48 - 16 * k));
        groups[k + 4] = static_cast<std::uint16_t>(address.low >> (48 - 16 * k));
    }
    int best = -1, bestLength = 0;
    for (int k = 0; k < 8;) {
        if (groups[k] != 0) {
            ++k;
            continue;
        }
        int end = k;
        while (end < 8 && groups[end] == 0) ++end;
        if (end - k >= 2 && end - k > bestLength) {
            best = k;
            bestLength = end - k;
        }
        k = end;
    }
    char text[48];
    char* p = text;
    for (int k = 0; k < 8; ++k) {
        if (best >= 0 && k >= best && k < best + bestLength) {
            if (k == best) *p++ = ':';
            continue;
        }
        if (k != 0) *p++ = ':';
        if (k == 6 && best == 0 && (bestLength == 6 || (bestLength == 5 && groups[5] == 0xFFFF))) {
            out.append(text, static_cast<std::size_t>(p - text));
            return AppendAddress(out, static_cast<std::uint32_t>(address.low));
        }
        bool leading = true;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned digit = groups[k] >> shift & 0xF;
            if (leading && digit == 0 && shift > 0) continue;
            leading = false;
            *p++ = "0123456789abcdef"[digit];
        }
    }
    if (best >= 0 && best + bestLength == 8) *p++ = ':';
    out.append(text, static_cast<std::size_t>(p - text));
}

void WriteSets(const AddressSets& sets, const SetWriting& writing, std::string& out) {
    // Room for one line an interval, the usual case: a large result is then
    // written into memory asked for once, not copied as it grows.
    const std::size_t extra = writing.delimiter.size() + writing.lineEnd.size() + 3;
    ReserveLarge(out, out.size() + sets.v4.size() * (2 * 15 + extra) + sets.v6.size() * (2 * 39 + extra));
    WriteSet(sets.v4, writing, out);
    WriteSet(sets.v6, writing, out);
}

AddressSets NetworksOf(const AddressSets& sets) { return {NetworksOf(sets.v4), NetworksOf(sets.v6)}; }

void WriteCounts(const AddressSets& networks, std::string_view lineEnd, std::string& out) {
    WriteCount("IPv4", networks.v4, lineEnd, out);
    WriteCount("IPv6", networks.v6, lineEnd, out);
}

std::vector<LinesRead> ConvertExact(std::span<const std::string_view> texts, LineOrder order, bool removeDuplicates,
                                    const SetWriting& writing, std::string& out) {
    std::vector<LinesRead> read;
    if (order == LineOrder::Address) {
        const AddressSets units = ExactUnits(texts, removeDuplicates, writing, read);
        for (const Interval4& unit : units.v4) WriteUnit(unit, writing, out);
        for (const Interval6& unit : units.v6) WriteUnit(unit, writing, out);
        return read;
    }

    // The lines as read, kept end to end, for the list's own text order and duplicate rule.
    struct Line {
        SetLine::Kind kind;
        Interval4 v4;
        Interval6 v6;
        std::size_t offset, length;
    };
    std::vector<Line> lines;
    std::string keptText;
    ForEachSetLine(texts, writing.ranges, read, [&](const SetLine& line) {
        lines.push_back({line.kind, line.v4, line.v6, keptText.size(), line.text.size()});
        keptText.append(line.text);
    });
    std::vector<std::string_view> cleaned;
    cleaned.reserve(lines.size());
    for (const Line& line : lines) cleaned.emplace_back(keptText.data() + line.offset, line.length);

    std::unordered_set<Interval4, UnitHash> written4;
    std::unordered_set<Interval6, UnitHash> written6;
    for (const std::size_t k : CleanedListOrder(cleaned, removeDuplicates, order == LineOrder::Text)) {
        if (lines[k].kind == SetLine::Kind::IPv4) {
            ForEachUnit(lines[k].v4, writing, [&](Interval4 unit) {
                if (!removeDuplicates || written4.insert(unit).second) WriteUnit(unit, writing, out);
            });
        } else {
            ForEachUnit(lines[k].v6, writing, [&](Interval6 unit) {
                if (!removeDuplicates || written6.insert(unit).second) WriteUnit(unit, writing, out);
            });
        }
    }
    return read;
}

AddressSets ExactNetworks(std::span<const std::string_view> texts, RangeReading ranges, bool removeDuplicates,
                          std::vector<LinesRead>& read) {
    return ExactUnits(texts, removeDuplicates, SetWriting{.form = OutputForm::ShortMask, .ranges = ranges}, read);
}

}  // namespace orvane
