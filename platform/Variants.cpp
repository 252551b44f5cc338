#include "Variants.h"

#include <cstdlib>
#include <optional>

namespace orvane {
namespace {

constexpr const char* kBooleanMessage = "Could not convert variant of type (String) into type (Boolean)";
constexpr const char* kOverflowMessage = "Overflow while converting variant of type (String) into type (Integer)";

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

enum class Number { None, Fits, Overflow };

// An optionally signed run of decimal digits.
Number ReadDecimal(std::string_view s, std::int32_t& value) {
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return Number::None;
    std::int64_t v = 0;
    bool overflow = false;
    for (char c : s) {
        if (c < '0' || c > '9') return Number::None;
        if (!overflow) v = v * 10 + (c - '0');
        if (v > 2147483648LL) overflow = true;
    }
    if (negative) v = -v;
    if (overflow || v > INT32_MAX || v < INT32_MIN) return Number::Overflow;
    value = static_cast<std::int32_t>(v);
    return Number::Fits;
}

// Hexadecimal digits after "$", "x" or "0x" (either case), as signed 32 bits.
Number ReadHex(std::string_view s, std::int32_t& value) {
    if (s.starts_with('$') || s.starts_with('x') || s.starts_with('X')) s.remove_prefix(1);
    else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    else return Number::None;
    if (s.empty()) return Number::None;
    std::uint64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return Number::None;
        v = v << 4 | static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFull) return Number::Overflow;
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return Number::Fits;
}

// A decimal number with an optional fraction, for the Boolean reading.
std::optional<bool> ReadNonZero(std::string_view s) {
    std::int32_t whole = 0;
    switch (ReadHex(s, whole)) {
        case Number::Fits: return whole != 0;
        case Number::Overflow: return true;  // too large to be zero
        case Number::None: break;
    }
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
    bool digits = false, nonZero = false, point = false;
    for (char c : s) {
        if (c >= '0' && c <= '9') {
            digits = true;
            nonZero = nonZero || c != '0';
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return nonZero;
}

}  // namespace

std::string BoolToText(bool value) { return value ? "True" : "False"; }

bool TextToBool(std::string_view text) {
    text = TrimBlanks(text);
    if (EqualNoCase(text, "true")) return true;
    if (EqualNoCase(text, "false")) return false;
    if (const auto number = ReadNonZero(text)) return *number;
    throw EVariantTypeCastError(kBooleanMessage);
}

std::int32_t TextToInt(std::string_view text) {
    text = TrimBlanks(text);
    std::int32_t value = 0;
    switch (ReadDecimal(text, value)) {
        case Number::Fits: return value;
        case Number::Overflow: throw EVariantOverflowError(kOverflowMessage);
        case Number::None: break;
    }
    switch (ReadHex(text, value)) {
        case Number::Fits: return value;
        case Number::Overflow: throw EVariantOverflowError(kOverflowMessage);
        case Number::None: break;
    }
    return TextToBool(text) ? 1 : 0;
}

std::int32_t TextToVersion(std::string_view text) noexcept {
    std::int32_t value = 0;
    if (ReadDecimal(text, value) == Number::Fits || ReadHex(text, value) == Number::Fits) return value;
    return 0;
}

}  // namespace orvane
