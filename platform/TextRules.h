// Small text rules that several layers share: blanks, ASCII letter case and
// integer texts, each written once.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvane {

// The text without spaces and tabs at either end.
std::string_view TrimBlanks(std::string_view text) noexcept;

// Only blanks and control characters (DEL too): a line nobody means as a
// network, so it is dropped without counting as rejected.
bool IsBlankLine(std::string_view line) noexcept;

// Equal but for the case of ASCII letters.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;

enum class IntegerText { None, Fits, Overflow };

// An optional sign and decimal digits, as a signed 32-bit value.
IntegerText ReadDecimalText(std::string_view text, std::int32_t& value) noexcept;

// Hexadecimal digits after "$", "x", "X", "0x" or "0X", as the 32 bits of a
// signed value ("$FFFFFFFF" is -1); more than 32 bits overflow.
IntegerText ReadHexText(std::string_view text, std::int32_t& value) noexcept;

}  // namespace orvane
