#include "Variants.h"

#include <cstdlib>
#include <optional>

#include "TextRules.h"

namespace orvane {
namespace {

constexpr const char* kBooleanMessage = "Could not convert variant of type (String) into type (Boolean)";
constexpr const char* kOverflowMessage = "Overflow while converting variant of type (String) into type (Integer)";

// A decimal number with an optional fraction, for the Boolean reading.
std::optional<bool> ReadNonZero(std::string_view s) {
    std::int32_t whole = 0;
    switch (ReadHexText(s, whole)) {
        case IntegerText::Fits: return whole != 0;
        case IntegerText::Overflow: return true;  // too large to be zero
        case IntegerText::None: break;
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
    if (EqualsIgnoringAsciiCase(text, "true")) return true;
    if (EqualsIgnoringAsciiCase(text, "false")) return false;
    if (const auto number = ReadNonZero(text)) return *number;
    throw EVariantTypeCastError(kBooleanMessage);
}

std::int32_t TextToInt(std::string_view text) {
    text = TrimBlanks(text);
    std::int32_t value = 0;
    switch (ReadDecimalText(text, value)) {
        case IntegerText::Fits: return value;
        case IntegerText::Overflow: throw EVariantOverflowError(kOverflowMessage);
        case IntegerText::None: break;
    }
    switch (ReadHexText(text, value)) {
        case IntegerText::Fits: return value;
        case IntegerText::Overflow: throw EVariantOverflowError(kOverflowMessage);
        case IntegerText::None: break;
    }
    return TextToBool(text) ? 1 : 0;
}

std::int32_t TextToVersion(std::string_view text) noexcept {
    std::int32_t value = 0;
    if (ReadDecimalText(text, value) == IntegerText::Fits || ReadHexText(text, value) == IntegerText::Fits) return value;
    return 0;
}

}  // namespace orvane
