#include "CodePage.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <unordered_map>

namespace orvane {
namespace {

struct Cp1251Table {
    std::array<char16_t, 256> toUnicode{};
    std::unordered_map<char32_t, unsigned char> fromUnicode;
};

// Built from the C library's converter rather than typed in, once per process.
Cp1251Table BuildTable() {
    Cp1251Table t;
    iconv_t cd = iconv_open("UTF-16LE", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw ECodePageUnavailable();
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char* inp = &in;
        char* outp = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char16_t u = static_cast<char16_t>(b);  // undefined bytes keep their value (0x98 -> U+0098)
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1) &&
            sizeof out - outLeft == 2)
            u = static_cast<char16_t>(out[0] | (out[1] << 8));
        t.toUnicode[b] = u;
        t.fromUnicode.emplace(u, static_cast<unsigned char>(b));
    }
    iconv_close(cd);
    return t;
}

const Cp1251Table& Table() {
    static const Cp1251Table table = BuildTable();
    return table;
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when malformed.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp) noexcept {
    const auto c0 = static_cast<unsigned char>(s[i]);
    if (c0 < 0x80) {
        cp = c0;
        return 1;
    }
    std::size_t len;
    char32_t min;
    if (c0 >= 0xC2 && c0 <= 0xDF) len = 2, min = 0x80, cp = c0 & 0x1F;
    else if (c0 >= 0xE0 && c0 <= 0xEF) len = 3, min = 0x800, cp = c0 & 0x0F;
    else if (c0 >= 0xF0 && c0 <= 0xF4) len = 4, min = 0x10000, cp = c0 & 0x07;
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

// The one walk over UTF-8 text: character(cp) for every well-formed
// sequence, malformed() for every byte that starts none; the walk stops
// where malformed() answers false.
template <typename Character, typename Malformed>
void ForEachUtf8Character(std::string_view text, Character&& character, Malformed&& malformed) {
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp;
        const std::size_t len = DecodeUtf8(text, i, cp);
        if (len != 0) {
            character(cp);
            i += len;
        } else if (malformed()) {
            ++i;
        } else {
            return;
        }
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

void Utf16Decoder::Decode(std::string_view bytes, std::string& out) {
    for (const char byte : bytes) {
        if (!haveByte_) {
            firstByte_ = static_cast<unsigned char>(byte);
            haveByte_ = true;
            continue;
        }
        haveByte_ = false;
        const auto second = static_cast<unsigned char>(byte);
        const char32_t unit = bigEndian_ ? (char32_t{firstByte_} << 8 | second) : (char32_t{second} << 8 | firstByte_);
        if (highSurrogate_ != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
                highSurrogate_ = 0;
                continue;
            }
            AppendUtf8(out, U'\uFFFD');
            highSurrogate_ = 0;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) highSurrogate_ = unit;
        else AppendUtf8(out, unit >= 0xDC00 && unit <= 0xDFFF ? U'\uFFFD' : unit);
    }
}

void Utf16Decoder::Finish(std::string& out) {
    if (highSurrogate_ != 0 || haveByte_) AppendUtf8(out, U'\uFFFD');
    highSurrogate_ = 0;
    haveByte_ = false;
}

char16_t Cp1251ToCodePoint(unsigned char byte) { return Table().toUnicode[byte]; }

char CodePointToCp1251(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    const auto& map = Table().fromUnicode;
    const auto it = map.find(cp);
    return it == map.end() ? '?' : static_cast<char>(it->second);
}

std::u16string Cp1251ToUtf16(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    const auto& t = Table().toUnicode;
    for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = t[static_cast<unsigned char>(bytes[i])];
    return out;
}

std::string Utf16ToCp1251(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        // A surrogate pair is one character outside the code page: one "?".
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        out += CodePointToCp1251(u);
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    const auto& t = Table().toUnicode;
    for (char b : bytes) AppendUtf8(out, t[static_cast<unsigned char>(b)]);
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachUtf8Character(
        text, [&](char32_t cp) { out += CodePointToCp1251(cp); },
        [&] {
            out += '?';
            return true;
        });
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    ForEachUtf8Character(
        text,
        [&](char32_t cp) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (cp >> 10));
                out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            } else {
                out += static_cast<char16_t>(cp);
            }
        },
        [&] {
            out += u'\uFFFD';
            return true;
        });
    return out;
}

std::string RepairUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachUtf8Character(
        text, [&](char32_t cp) { AppendUtf8(out, cp); },
        [&] {
            AppendUtf8(out, U'\uFFFD');
            return true;
        });
    return out;
}

bool IsValidUtf8(std::string_view bytes) noexcept {
    bool valid = true;
    ForEachUtf8Character(
        bytes, [](char32_t) {}, [&] { return valid = false; });
    return valid;
}

}  // namespace orvane
