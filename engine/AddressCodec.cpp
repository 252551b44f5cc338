// The address text codec: dotted texts to values and back.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <array>
#include <cstring>
#include <vector>

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

// Plain dotted decimal, as inet_ntoa writes it.
void AppendAddress(std::string& out, HostOrderValue value) {
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

}  // namespace

namespace detail {

bool ReadPlainDottedDecimal(std::string_view text, HostOrderValue& value) noexcept {
    const char* p = text.data();
    const char* const end = p + text.size();
    HostOrderValue result = 0;
    for (int piece = 0; piece < 4; ++piece) {
        if (piece > 0) {
            if (p == end || *p != '.') return false;
            ++p;
        }
        if (p == end || !IsDigit(*p)) return false;
        unsigned octet = static_cast<unsigned>(*p++ - '0');
        int digits = 1;
        while (p != end && IsDigit(*p)) {
            if (octet == 0 || ++digits > 3) return false;  // a leading zero means octal
            octet = octet * 10 + static_cast<unsigned>(*p++ - '0');
        }
        if (octet > 255) return false;
        result = result << 8 | octet;
    }
    if (p != end) return false;
    value = result;
    return true;
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

void AppendHostOrderAddress(std::string& out, HostOrderValue value) { AppendAddress(out, value); }

}  // namespace orvane
