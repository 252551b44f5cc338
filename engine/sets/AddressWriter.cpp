#include "AddressWriter.h"

#include <algorithm>
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
    if (writing.lineFormat != nullptr) {
        writing.lineFormat->Write(unit, out);
    } else if (writing.form == OutputForm::HostRange) {
        if (!IsIPv6<Value> && writing.ranges == RangeReading::Hosts) {
            // The host range the window writes: a /31 or /32 comes out with its ends crossed.
            AppendAddress(out, static_cast<Value>(unit.first + 1));
            out += '-';
            AppendAddress(out, static_cast<Value>(unit.last - 1));
        } else {
            AppendAddress(out, unit.first);
            out += '-';
            AppendAddress(out, unit.last);
        }
    } else {
        // A network's size is a power of two; the whole space's wraps to zero, whose zeros are the full width.
        const unsigned prefix = kAddressWidth<Value> - TrailingZeros(static_cast<Value>(unit.last - unit.first + 1));
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

void AppendTotal(std::string& out, const AddressTotal& total) { AppendDecimal(out, total.value, total.bit128); }

void WriteCount(std::string_view family, const AddressTotal& networks, const AddressTotal& addresses,
                std::string_view lineEnd, std::string& out) {
    out.append(family);
    out += ' ';
    AppendTotal(out, networks);
    out += ' ';
    AppendTotal(out, addresses);
    out.append(lineEnd);
}

std::optional<LineFormat> LineFormat::Parse(std::string_view text, std::string& error) {
    static constexpr Named kFields[] = {
        {"net", Field::Net},           {"addr", Field::Addr},   {"prefix", Field::Prefix}, {"mask", Field::Mask},
        {"wildcard", Field::Wildcard}, {"first", Field::First}, {"last", Field::Last},     {"family", Field::Family},
        {"n", Field::Number}};
    return ParseWith(text, kFields, "the line format", error);
}

std::optional<LineFormat> LineFormat::ParseFrame(std::string_view text, std::string& error) {
    static constexpr Named kFields[] = {{"count", Field::Count}};
    return ParseWith(text, kFields, "a header or footer", error);
}

std::optional<LineFormat> LineFormat::ParseWith(std::string_view text, std::span<const Named> fields,
                                                std::string_view which, std::string& error) {
    LineFormat format;
    auto literal = [&](char c) {
        if (format.pieces_.empty() || format.pieces_.back().field != Field::Text) format.pieces_.push_back({Field::Text, {}});
        format.pieces_.back().text += c;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            literal(c);
            ++i;
            continue;
        }
        if (c == '}') {
            error = "a lone } in " + std::string(which) + " (}} writes one)";
            return std::nullopt;
        }
        if (c != '{') {
            literal(c);
            continue;
        }
        const std::size_t close = text.find('}', i);
        const std::string_view name = text.substr(i + 1, close == std::string_view::npos ? close : close - i - 1);
        const auto known =
            std::find_if(fields.begin(), fields.end(), [&](const Named& field) { return field.name == name; });
        if (close == std::string_view::npos || known == fields.end()) {
            std::string names;
            for (const Named& field : fields) names += (names.empty() ? "{" : " {") + std::string(field.name) + "}";
            error = "unknown field {" + std::string(name) + (close == std::string_view::npos ? "" : "}") + " in " +
                    std::string(which) + " (fields: " + names + "; {{ and }} write braces)";
            return std::nullopt;
        }
        format.pieces_.push_back({known->field, {}});
        format.needsDottedMask_ = format.needsDottedMask_ || known->field == Field::Mask || known->field == Field::Wildcard;
        format.numbers_ = format.numbers_ || known->field == Field::Number;
        i = close;
    }
    return format;
}

void LineFormat::WriteFrame(const AddressTotal& count, std::string& out) const {
    for (const Piece& piece : pieces_) {
        if (piece.field == Field::Count) AppendTotal(out, count);
        else out += piece.text;
    }
}

template <typename Value>
void LineFormat::WriteAny(const Interval<Value>& network, std::string& out) const {
    const unsigned prefix = kAddressWidth<Value> - TrailingZeros(static_cast<Value>(network.last - network.first + 1));
    for (const Piece& piece : pieces_) {
        switch (piece.field) {
            case Field::Text: out += piece.text; break;
            case Field::Net:
                AppendAddress(out, network.first);
                out += '/';
                AppendNumber(out, prefix);
                break;
            case Field::Addr:
            case Field::First: AppendAddress(out, network.first); break;
            case Field::Last: AppendAddress(out, network.last); break;
            case Field::Prefix: AppendNumber(out, prefix); break;
            case Field::Family: out += IsIPv6<Value> ? '6' : '4'; break;
            case Field::Number: out += std::to_string(next_); break;
            case Field::Count: break;  // a header's only
            case Field::Mask:
            case Field::Wildcard:
                // The job refuses IPv6 networks for these before anything is written.
                if constexpr (!IsIPv6<Value>) {
                    const std::uint32_t hostBits = LowOnes<std::uint32_t>(32 - prefix);
                    AppendAddress(out, piece.field == Field::Mask ? static_cast<std::uint32_t>(~hostBits) : hostBits);
                }
                break;
        }
    }
    next_ += step_;
}

void LineFormat::Write(const Interval4& network, std::string& out) const { WriteAny(network, out); }
void LineFormat::Write(const Interval6& network, std::string& out) const { WriteAny(network, out); }

}  // namespace orvane
