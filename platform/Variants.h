// Text forms of stored Booleans and integers, and reading them back.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane {

// "Could not convert variant of type (String) into type (Boolean)".
class EVariantTypeCastError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};
// "Overflow while converting variant of type (String) into type (Integer)".
class EVariantOverflowError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string BoolToText(bool value);  // "True" or "False"

// "True"/"False" in any letter case, or a number (true unless zero).
// Throws EVariantTypeCastError.
bool TextToBool(std::string_view text);

// A decimal integer (EVariantOverflowError outside 32 bits), hexadecimal
// after $, x or 0x read as signed 32 bits, or else a Boolean as 1 or 0.
std::int32_t TextToInt(std::string_view text);

// The settings file's version number: decimal within 32 bits or hexadecimal
// that fits 32 bits; anything else counts as 0.
std::int32_t TextToVersion(std::string_view text) noexcept;

}  // namespace orvane
