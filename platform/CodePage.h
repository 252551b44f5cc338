// The one converter between the engine's Windows-1251 bytes and Unicode.
//
// A character that Windows-1251 lacks becomes "?". The undefined byte 0x98
// maps to U+0098 and back, so every byte survives a round trip.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane {

// The C library offers no Windows-1251 converter (a system without its
// character set modules): nothing can be read or written.
class ECodePageUnavailable : public std::runtime_error {
public:
    ECodePageUnavailable() : std::runtime_error("CP1251 converter is not available") {}
};

std::u16string Cp1251ToUtf16(std::string_view bytes);
std::string Utf16ToCp1251(std::u16string_view text);

std::string Cp1251ToUtf8(std::string_view bytes);
// Malformed UTF-8 becomes one "?" per byte that cannot start a character.
std::string Utf8ToCp1251(std::string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// The text with every byte that cannot start a character made U+FFFD.
std::string RepairUtf8(std::string_view text);

// One code point to its CP1251 byte, or '?' when the code page lacks it. The
// first call builds the table from the C library's converter and throws
// ECodePageUnavailable when it has none.
char CodePointToCp1251(char32_t cp);
char16_t Cp1251ToCodePoint(unsigned char byte);

// UTF-16 text as UTF-8, in pieces as they come: an unpaired surrogate and an
// odd last byte become U+FFFD.
class Utf16Decoder {
public:
    explicit Utf16Decoder(bool bigEndian) : bigEndian_(bigEndian) {}
    void Decode(std::string_view bytes, std::string& out);
    void Finish(std::string& out);

private:
    bool bigEndian_;
    bool haveByte_ = false;
    unsigned char firstByte_ = 0;
    char32_t highSurrogate_ = 0;
};

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes) noexcept;

}  // namespace orvane
