// The one converter between the engine's Windows-1251 bytes and Unicode.
//
// A character that Windows-1251 lacks becomes "?". The undefined byte 0x98
// maps to U+0098 and back, so every byte survives a round trip.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

std::u16string Cp1251ToUtf16(std::string_view bytes);
std::string Utf16ToCp1251(std::u16string_view text);

std::string Cp1251ToUtf8(std::string_view bytes);
// Malformed UTF-8 becomes one "?" per byte that cannot start a character.
std::string Utf8ToCp1251(std::string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// One code point to its CP1251 byte, or '?' when the code page lacks it. The
// first call builds the table from the C library's converter and throws
// std::runtime_error when it has none.
char CodePointToCp1251(char32_t cp);
char16_t Cp1251ToCodePoint(unsigned char byte);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes) noexcept;

}  // namespace orvane
