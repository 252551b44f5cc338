#include "AddressReader.h"

#include <algorithm>
#include <array>

#include "AddressText.h"
#include "EngineParts.h"
#include "CodePage.h"
#include "TextRules.h"
#include "unCommon.h"

namespace orvane {
namespace {

// ---- IPv4 ----

// The form nearly every line of a large list has: a dotted quad of plain
// decimal octets, alone or with "/N". Such a line is its own cleaned text, and
// the address reading takes it as written, so the general reading can be
// skipped; anything else, down to a leading zero, takes the general way.
bool ReadPlainIPv4(std::string_view line, Interval4& interval) noexcept {
    std::uint32_t address = 0;
    const std::size_t quad = ReadDottedQuad(line, address);
    if (quad == 0) return false;
    const char* p = line.data() + quad;
    const char* const end = line.data() + line.size();
    unsigned prefix = 32;
    if (p != end) {
        if (*p++ != '/' || p == end || !IsDigit(*p)) return false;
        prefix = static_cast<unsigned>(*p++ - '0');
        if (p != end) {
            if (prefix == 0 || !IsDigit(*p)) return false;
            prefix = prefix * 10 + static_cast<unsigned>(*p++ - '0');
        }
        if (p != end || prefix > 32) return false;
    }
    interval = NetworkOf(address, prefix);
    return true;
}

bool IsAsciiLetter(char c) noexcept { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// One IPv4 address or dotted mask as written: four decimal octets 0 to 255.
// Gives the first fault, a leading zero only when nothing else is wrong, so
// that the lines another reading of zeros would take can be told apart.
LineFault ReadQuadAsWritten(std::string_view text, LeadingZeros zeros, std::uint32_t& value) noexcept {
    if (text.find('*') != std::string_view::npos) return LineFault::Star;
    const char* p = text.data();
    const char* const end = p + text.size();
    std::uint32_t result = 0;
    int octets = 0;
    bool padded = false;
    for (;;) {
        const char* const start = p;
        while (p != end && IsDigit(*p)) ++p;
        if (p != end && *p != '.') {
            if ((*p == 'x' || *p == 'X') && p - start == 1 && *start == '0') return LineFault::Hexadecimal;
            // A word with no digit in it ("junk") is no damaged address.
            const bool digits = std::any_of(text.begin(), text.end(), IsDigit);
            return IsAsciiLetter(*p) && digits ? LineFault::Letter : LineFault::Unreadable;
        }
        if (p == start) return LineFault::EmptyOctet;
        if (++octets > 4) return LineFault::OctetCount;
        const bool zeroFirst = *start == '0' && p - start > 1;
        padded = padded || zeroFirst;
        const unsigned base = zeroFirst && zeros == LeadingZeros::Octal ? 8 : 10;
        unsigned octet = 0;
        for (const char* d = start; d != p; ++d) {
            const auto digit = static_cast<unsigned>(*d - '0');
            if (digit >= base) return LineFault::Unreadable;  // "08" is no octal number
            octet = octet * base + digit;
            if (octet > 255) return LineFault::OctetOver255;
        }
        result = result << 8 | octet;
        if (p == end) break;
        if (++p == end) return LineFault::EmptyOctet;  // a dot at the end
    }
    if (octets != 4) return LineFault::OctetCount;
    if (padded && zeros == LeadingZeros::Reject) return LineFault::LeadingZero;
    value = result;
    return LineFault::None;
}

// After "/": a prefix length in decimal digits (leading zeros are no octal
// here: prefix lengths never were), or a dotted mask whose ones are on top.
LineFault ReadIPv4Mask(std::string_view text, LeadingZeros zeros, unsigned& prefix) noexcept {
    if (text.find('.') == std::string_view::npos) {
        if (text.empty() || text.size() > 3) return LineFault::Prefix;
        prefix = 0;
        for (const char c : text) {
            if (!IsDigit(c)) return LineFault::Prefix;
            prefix = prefix * 10 + static_cast<unsigned>(c - '0');
        }
        return prefix <= 32 ? LineFault::None : LineFault::Prefix;
    }
    std::uint32_t mask;
    if (const LineFault fault = ReadQuadAsWritten(text, zeros, mask); fault != LineFault::None) return fault;
    const std::uint32_t hostBits = ~mask;
    if ((hostBits & (hostBits + 1)) != 0) return LineFault::Mask;
    prefix = 32 - static_cast<unsigned>(std::popcount(hostBits));
    return LineFault::None;
}

// A line's two sides around its first "/" or dash, the blanks beside it
// dropped; separator 0 when it has none.
struct LineParts {
    std::string_view left, right;
    char separator = 0;  // '/' or '-', for any dash
};

LineParts SplitAtSeparator(std::string_view text) noexcept {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '/' && c != '-' && c != kEmDash && c != kEnDash) continue;
        return {TrimBlanks(text.substr(0, i)), TrimBlanks(text.substr(i + 1)), c == '/' ? '/' : '-'};
    }
    return {text, {}, 0};
}

// An IPv4 address, network or range, read as written. cleaned gets the
// line's text with the blanks beside its separator dropped.
LineFault ReadIPv4AsWritten(std::string_view text, RangeReading ranges, LeadingZeros zeros, Interval4& interval,
                            std::string& cleaned, std::string_view& readText) {
    const LineParts parts = SplitAtSeparator(text);
    std::uint32_t first;
    if (const LineFault fault = ReadQuadAsWritten(parts.left, zeros, first); fault != LineFault::None) return fault;
    if (parts.separator == 0) {
        interval = {first, first};
        readText = text;
        return LineFault::None;
    }
    if (parts.separator == '/') {
        unsigned prefix;
        if (const LineFault fault = ReadIPv4Mask(parts.right, zeros, prefix); fault != LineFault::None) return fault;
        interval = NetworkOf(first, prefix);
    } else {
        std::uint32_t last;
        if (const LineFault fault = ReadQuadAsWritten(parts.right, zeros, last); fault != LineFault::None) return fault;
        if (ranges == RangeReading::Addresses) {
            if (first > last) return LineFault::Backwards;
            interval = {first, last};
        } else {
            // The network and broadcast addresses around the hosts, without wrapping.
            if (first == 0 || last == kLastAddress<std::uint32_t> || first - 1 > last + 1) return LineFault::Backwards;
            interval = {first - 1, last + 1};
        }
    }
    cleaned.assign(parts.left);
    cleaned += parts.separator;
    cleaned.append(parts.right);
    readText = cleaned;
    return LineFault::None;
}

// ---- IPv6 ----

// Decimal digits only, 0 to 128: "/0FFF" and "/32abc" are typos, not prefixes.
bool ReadIPv6Prefix(std::string_view text, unsigned& prefix) noexcept {
    if (text.empty()) return false;
    prefix = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        prefix = prefix * 10 + static_cast<unsigned>(c - '0');
        if (prefix > 128) return false;
    }
    return true;
}

// The line without blanks at its ends or around "/" and "-", em and en
// dashes made hyphens; a line with nothing to drop is left where it is.
std::string_view TightenAroundSeparators(std::string_view line, std::string& out) {
    if (std::none_of(line.begin(), line.end(),
                     [](char c) { return IsBlankByte(c) || c == kEmDash || c == kEnDash; }))
        return line;
    out.clear();
    for (char c : line) {
        if (c == kEmDash || c == kEnDash) c = '-';
        if (IsSpaceOrTab(c)) {
            if (out.empty() || out.back() == '/' || out.back() == '-') continue;
        } else if (c == '/' || c == '-') {
            while (!out.empty() && IsSpaceOrTab(out.back())) out.pop_back();
        }
        out += c;
    }
    return detail::TrimControls(out);
}

// Where the first character of any of the set is; the library's
// find_first_of searches the set once for every character of the text.
std::size_t FindFirstOf(std::string_view text, char a, char b) noexcept {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == a || text[i] == b) return i;
    return std::string_view::npos;
}

bool ReadIPv6Line(std::string_view line, Interval6& interval) {
    const auto separator = FindFirstOf(line, '/', '-');
    if (separator == std::string_view::npos) {
        Uint128 address;
        if (!ReadIPv6Address(line, address)) return false;
        interval = {address, address};
        return true;
    }
    const std::string_view left = line.substr(0, separator), right = line.substr(separator + 1);
    if (line[separator] == '/') {
        Uint128 address;
        unsigned prefix;
        if (!ReadIPv6Address(left, address) || !ReadIPv6Prefix(right, prefix)) return false;
        interval = NetworkOf(address, prefix);
        return true;
    }
    Uint128 first, last;
    if (!ReadIPv6Address(left, first) || !ReadIPv6Address(right, last) || first > last) return false;
    interval = {first, last};
    return true;
}

// Likewise for IPv6: an address alone or with "/N", nothing else around it,
// is read without the comment, blank and separator searches.
bool ReadPlainIPv6(std::string_view line, Interval6& interval) noexcept {
    std::size_t end = 0;
    while (end < line.size() && (HexDigit(line[end]) >= 0 || line[end] == ':' || line[end] == '.')) ++end;
    unsigned prefix = 128;
    if (end < line.size() && (line[end] != '/' || !ReadIPv6Prefix(line.substr(end + 1), prefix))) return false;
    Uint128 address;
    if (!ReadIPv6Address(line.substr(0, end), address)) return false;
    interval = NetworkOf(address, prefix);
    return true;
}

// The line with each dotted quad that ends an IPv6 address (after a ":")
// written plainly, its zero-padded octets read as zeros says; false when
// there was none to rewrite.
bool RewritePaddedQuads(std::string_view line, LeadingZeros zeros, std::string& out) {
    out.clear();
    bool rewritten = false;
    for (std::size_t i = 0; i < line.size();) {
        if (i == 0 || line[i - 1] == ':') {
            std::size_t end = i;
            while (end < line.size() && (IsDigit(line[end]) || line[end] == '.')) ++end;
            const std::string_view quad = line.substr(i, end - i);
            std::uint32_t value;
            if (quad.find('.') != std::string_view::npos && ReadDottedQuad(quad, value) != quad.size() &&
                ReadQuadAsWritten(quad, zeros, value) == LineFault::None) {
                AppendAddress(out, value);
                rewritten = true;
                i = end;
                continue;
            }
        }
        out += line[i++];
    }
    return rewritten;
}

SetLine ReadIPv6(SetLine read, std::string_view line, LeadingZeros zeros, std::string& scratch) {
    read.text = TightenAroundSeparators(line, scratch);
    if (ReadIPv6Line(read.text, read.v6)) {
        read.kind = SetLine::Kind::IPv6;
        return read;
    }
    // The dotted quad inside an IPv6 address follows IPv4's rule on zeros.
    std::string rewritten;
    const LeadingZeros reading = zeros == LeadingZeros::Reject ? LeadingZeros::Decimal : zeros;
    if (read.text.find('.') != std::string_view::npos && RewritePaddedQuads(read.text, reading, rewritten) &&
        ReadIPv6Line(rewritten, read.v6)) {
        if (zeros == LeadingZeros::Reject) {
            read.fault = LineFault::LeadingZero;
            return read;
        }
        scratch = std::move(rewritten);
        read.text = scratch;
        read.kind = SetLine::Kind::IPv6;
        return read;
    }
    read.fault = LineFault::Unreadable;
    return read;
}

}  // namespace

SetLine ReadSetLine(std::string_view line, RangeReading ranges, std::string& scratch, LeadingZeros zeros) {
    SetLine read;
    if (ReadPlainIPv4(line, read.v4)) {
        read.kind = SetLine::Kind::IPv4;
        read.text = line;
        return read;
    }
    if (ReadPlainIPv6(line, read.v6)) {
        read.kind = SetLine::Kind::IPv6;
        read.text = line;
        return read;
    }
    // A NUL anywhere, the comment included, marks a damaged line: what
    // stands around it cannot be trusted to be what was meant.
    if (line.find('\0') != std::string_view::npos) {
        read.kind = SetLine::Kind::Rejected;
        read.fault = LineFault::Nul;
        return read;
    }
    line = line.substr(0, FindFirstOf(line, '#', ';'));
    // Judged before the blanks: a line cut at the limit by the reading may
    // hold an address past it.
    if (line.size() > kMaxSetLineText) {
        read.kind = SetLine::Kind::Rejected;
        read.fault = LineFault::TooLong;
        return read;
    }
    if (IsBlankLine(line)) return read;
    read.kind = SetLine::Kind::Rejected;
    if (line.find(':') != std::string_view::npos) return ReadIPv6(read, line, zeros, scratch);
    read.fault = ReadIPv4AsWritten(detail::TrimControls(line), ranges, zeros, read.v4, scratch, read.text);
    if (read.fault == LineFault::None) read.kind = SetLine::Kind::IPv4;
    return read;
}

SetLine ReadListLine(std::string_view line, RangeReading ranges, LineScratch& scratch, LeadingZeros zeros) {
    SetLine read = ReadSetLine(line, ranges, scratch.cleaned, zeros);
    // Only a line that reads as nothing can read otherwise decoded: the
    // bytes of UTF-8 characters are no digits, dots or separators to
    // Windows-1251 either, and the only characters beyond ASCII that the
    // reading takes, the em and en dashes, are a rejection until decoded.
    if (read.kind != SetLine::Kind::Rejected ||
        std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
        !IsValidUtf8(line))
        return read;
    scratch.decoded = Utf8ToCp1251(line);
    return ReadSetLine(scratch.decoded, ranges, scratch.cleaned, zeros);
}

}  // namespace orvane
