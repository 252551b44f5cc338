// The address text codec: dotted texts to values and back.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <array>
#include <cstring>
#include <vector>

#include "AddressText.h"
#include "EngineParts.h"
#include "TextRules.h"
#include "unCommon.h"

namespace orvane {
namespace {

// The four bytes that inet_addr/inet_aton store, read least significant first.
HostOrderValue FromNetworkBytes(in_addr_t address) noexcept {
    unsigned char b[4];
    std::memcpy(b, &address, 4);
    return HostOrderValue(b[0]) | HostOrderValue(b[1]) << 8 | HostOrderValue(b[2]) << 16 |
           HostOrderValue(b[3]) << 24;
}

// Calls visit(piece) for every non-empty piece of text, in order, until it
// returns false. The pieces are views into text: splitting allocates nothing.
template <typename Visit>
void ForEachPiece(std::string_view text, Visit&& visit) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && (text[i] == '\r' || text[i] == '\n')) ++i;
        const std::size_t start = i;
        char quote = 0;
        for (; i < n; ++i) {
            const char c = text[i];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == '.' || c == '\r' || c == '\n') {
                break;
            }
        }
        if (i > start && !visit(text.substr(start, i - start))) return;
        if (i < n) ++i;  // the separator
    }
}

}  // namespace

void AppendAddress(std::string& out, std::uint32_t value) {
    char text[15];
    char* p = text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned octet = (value >> shift) & 0xFF;
        if (octet >= 100) *p++ = static_cast<char>('0' + octet / 100);
        if (octet >= 10) *p++ = static_cast<char>('0' + octet / 10 % 10);
        *p++ = static_cast<char>('0' + octet % 10);
        if (shift > 0) *p++ = '.';
    }
    out.append(text, static_cast<std::size_t>(p - text));
}

bool ReadIPv6Address(std::string_view text, Uint128& value) noexcept {
    std::uint16_t groups[8] = {};
    int count = 0, gap = -1;  // groups read; where "::" stood
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (n == 0) return false;
    if (text[0] == ':' && (n == 1 || text[1] != ':')) return false;
    if (text[0] == ':') i = 1;
    std::size_t token = i;  // where the current group began, for an embedded IPv4 address
    unsigned group = 0, digits = 0;
    while (i < n) {
        const char c = text[i++];
        if (const int d = HexDigit(c); d >= 0) {
            if (digits == 4) return false;
            group = group << 4 | static_cast<unsigned>(d);
            ++digits;
            continue;
        }
        if (c == ':') {
            token = i;
            if (digits == 0) {
                if (gap >= 0) return false;
                gap = count;
                continue;
            }
            if (i == n || count == 8) return false;
            groups[count++] = static_cast<std::uint16_t>(group);
            group = digits = 0;
            continue;
        }
        // The dotted quad that may end the text, read as inet_pton reads it.
        std::uint32_t v4 = 0;
        if (const std::string_view quad = text.substr(token);
            c == '.' && count <= 6 && ReadDottedQuad(quad, v4) == quad.size()) {
            groups[count++] = static_cast<std::uint16_t>(v4 >> 16);
            groups[count++] = static_cast<std::uint16_t>(v4);
            digits = 0;
            break;
        }
        return false;
    }
    if (digits > 0) {
        if (count == 8) return false;
        groups[count++] = static_cast<std::uint16_t>(group);
    }
    if (gap >= 0) {
        if (count == 8) return false;  // "::" must stand for at least one group
        const int zeros = 8 - count;
        for (int k = 7; k >= gap + zeros; --k) groups[k] = groups[k - zeros];
        for (int k = gap; k < gap + zeros; ++k) groups[k] = 0;
        count = 8;
    }
    if (count != 8) return false;
    value = {};
    for (int k = 0; k < 4; ++k) {
        value.high = value.high << 16 | groups[k];
        value.low = value.low << 16 | groups[k + 4];
    }
    return true;
}

// Without inet_ntop's printf: the longest run of two or more zero groups (the first of equal runs) as "::", lower-case hex, and the
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

namespace detail {

bool ReadPlainDottedDecimal(std::string_view text, HostOrderValue& value) noexcept {
    return !text.empty() && ReadDottedQuad(text, value) == text.size();
}

}  // namespace detail

bool ReadAddress(std::string_view text, HostOrderValue& value) {
    if (detail::ReadPlainDottedDecimal(text, value)) return true;
    const std::string reversed = ReverseOctetOrder(text);
    in_addr address{};
    // A NUL would end the text early for the C library: what it saw is not the whole text.
    if (reversed.find('\0') != std::string::npos || inet_aton(reversed.c_str(), &address) == 0) {
        value = ~HostOrderValue{0};
        return false;
    }
    value = FromNetworkBytes(address.s_addr);
    return true;
}

std::vector<std::string> SplitAtDots(std::string_view text) {
    std::vector<std::string> pieces;
    ForEachPiece(text, [&](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    });
    return pieces;
}

std::int32_t IntegerOrDefault(std::string_view text, std::int32_t defaultValue) noexcept {
    while (text.starts_with(' ')) text.remove_prefix(1);
    // A sign may stand before a hexadecimal prefix too: "-$5" is -5.
    std::string_view digits = text;
    if (digits.starts_with('+') || digits.starts_with('-')) digits.remove_prefix(1);
    std::int32_t value = 0;
    switch (ReadHexText(digits, value)) {
        case IntegerText::Fits:
            return text.starts_with('-') ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value)) : value;
        case IntegerText::Overflow: return defaultValue;
        case IntegerText::None: break;
    }
    return ReadDecimalText(text, value) == IntegerText::Fits ? value : defaultValue;
}

std::string ReverseOctetOrder(std::string_view text) {
    // Addresses have four pieces; longer texts spill into the vector.
    std::array<std::string_view, 8> few;
    std::vector<std::string_view> many;
    std::size_t count = 0, length = 0;
    ForEachPiece(text, [&](std::string_view piece) {
        if (count < few.size()) {
            few[count] = piece;
        } else {
            if (many.empty()) many.assign(few.begin(), few.end());
            many.push_back(piece);
        }
        ++count;
        length += piece.size() + 1;
        return true;
    });
    const std::string_view* pieces = many.empty() ? few.data() : many.data();
    std::string result;
    result.reserve(length);
    for (std::size_t k = count; k-- > 0;) {
        result.append(pieces[k]);
        if (k != 0) result += '.';
    }
    return result;
}

bool IsDottedQuad(std::string_view text) {
    int count = 0;
    bool ok = true;
    ForEachPiece(text, [&](std::string_view piece) {
        ok = ++count <= 4 && IntegerOrDefault(piece, -1) >= 0;
        return ok;
    });
    return ok && count == 4;
}

HostOrderValue AddressToHostOrder(std::string_view text) {
    HostOrderValue value;
    ReadAddress(text, value);  // all ones when rejected
    return value;
}

bool IsReadableAddress(std::string_view text) {
    HostOrderValue ignored;
    return ReadAddress(text, ignored);
}

std::string HostOrderToAddress(HostOrderValue value) {
    std::string text;
    AppendAddress(text, value);
    return text;
}

}  // namespace orvane
