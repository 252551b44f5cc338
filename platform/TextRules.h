// Small text rules that several layers share: blanks, ASCII letter case and
// integer texts, each written once.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orvane {

// A space or a tab: the blanks a person types between the parts of a line,
// such as around "/" and "-".
inline bool IsSpaceOrTab(char c) noexcept { return c == ' ' || c == '\t'; }

// The text without spaces and tabs at either end.
std::string_view TrimBlanks(std::string_view text) noexcept;

// The em dash of Windows-1251, which the engine's texts are in: word
// processors put it between the ends of a range, where a hyphen belongs.
inline constexpr char kEmDash = '\x97';
// The en dash of Windows-1251: what office programs write between the ends
// of a range.
inline constexpr char kEnDash = '\x96';

// An ASCII decimal digit: what address and prefix texts are made of.
inline bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// By table: IPv6 texts are read a character at a time.
inline constexpr auto kHexDigitValues = [] {
    std::array<signed char, 256> digits{};
    for (auto& d : digits) d = -1;
    for (int c = 0; c < 10; ++c) digits['0' + c] = static_cast<signed char>(c);
    for (int c = 0; c < 6; ++c) digits['a' + c] = digits['A' + c] = static_cast<signed char>(10 + c);
    return digits;
}();

// The value of an ASCII hexadecimal digit, -1 for any other byte.
inline int HexDigit(char c) noexcept { return kHexDigitValues[static_cast<unsigned char>(c)]; }

// A byte that shows nothing: a blank or a control character below 0x20.
// The bytes of characters beyond ASCII all show. (DEL shows as a box.)
inline bool IsBlankByte(char c) noexcept { return static_cast<unsigned char>(c) <= 0x20; }

// Only such bytes: a line nobody means as a network, dropped without
// counting as rejected, and a list box the Transform button ignores.
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
