#include "AddressReader.h"

#include <algorithm>
#include <array>

#include "EngineParts.h"
#include "Memory.h"
#include "TextRules.h"
#include "unCommon.h"

namespace orvane {
namespace {

bool IsBlankOrTab(char c) noexcept { return c == ' ' || c == '\t'; }

// ---- IPv4 ----

// The form nearly every line of a large list has: a dotted quad of plain
// decimal octets, alone or with "/N". Such a line is its own cleaned text, and
// the address reading takes it as written, so the general reading can be
// skipped; anything else, down to a leading zero, takes the general way.
bool ReadPlainIPv4(std::string_view line, Interval4& interval) noexcept {
    const char* p = line.data();
    const char* const end = p + line.size();
    std::uint32_t address = 0;
    for (int piece = 0; piece < 4; ++piece) {
        if (piece > 0 && (p == end || *p++ != '.')) return false;
        if (p == end || !IsDigit(*p)) return false;
        unsigned octet = static_cast<unsigned>(*p++ - '0');
        for (int digits = 1; p != end && IsDigit(*p); ++digits) {
            if (octet == 0 || digits == 3) return false;
            octet = octet * 10 + static_cast<unsigned>(*p++ - '0');
        }
        if (octet > 255) return false;
        address = address << 8 | octet;
    }
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

// A mask after "/" whose ones are all on top, as a prefix length.
bool ReadPrefix(std::string_view text, unsigned& prefix) {
    HostOrderValue mask;
    if (!detail::ReadMask(text, mask)) return false;
    const std::uint32_t hostBits = ~mask;
    if ((hostBits & (hostBits + 1)) != 0) return false;
    prefix = 32 - static_cast<unsigned>(std::popcount(hostBits));
    return true;
}

// A range end or an address alone: four pieces, so a stray number is not
// taken for an address.
bool ReadQuad(std::string_view text, std::uint32_t& value) {
    HostOrderValue address;
    if (!IsDottedQuad(text) || !ReadAddress(text, address)) return false;
    value = address;
    return true;
}

// A range or a network, from the line the window's cleaning left.
bool ReadCleanedIPv4(std::string_view line, RangeReading ranges, Interval4& interval) {
    if (const auto dash = line.find('-'); dash != std::string_view::npos) {
        std::uint32_t first, last;
        if (!ReadQuad(line.substr(0, dash), first) || !ReadQuad(line.substr(dash + 1), last)) return false;
        if (ranges == RangeReading::Addresses) {
            if (first > last) return false;
            interval = {first, last};
            return true;
        }
        // The network and broadcast addresses around the hosts, without wrapping.
        if (first == 0 || last == kLastAddress<std::uint32_t> || first - 1 > last + 1) return false;
        interval = {first - 1, last + 1};
        return true;
    }
    if (const auto slash = line.find('/'); slash != std::string_view::npos) {
        HostOrderValue address;
        unsigned prefix;
        if (!ReadAddress(line.substr(0, slash), address) || !ReadPrefix(line.substr(slash + 1), prefix)) return false;
        interval = NetworkOf(address, prefix);
        return true;
    }
    return false;
}

// One address alone, read from the line as written: the cleaning drops
// blanks and stray separators, which would fuse "1.2.3.4 5" or "1.2.3.4/-1"
// into an address the line never named.
bool ReadAddressAlone(std::string_view line, Interval4& interval) {
    std::uint32_t address;
    if (!ReadQuad(detail::TrimControls(line), address)) return false;
    interval = {address, address};
    return true;
}

// ---- IPv6 ----

// Hexadecimal digits by table: IPv6 texts are read a character at a time.
constexpr auto kHexDigits = [] {
    std::array<signed char, 256> digits{};
    for (auto& d : digits) d = -1;
    for (int c = 0; c < 10; ++c) digits['0' + c] = static_cast<signed char>(c);
    for (int c = 0; c < 6; ++c) digits['a' + c] = digits['A' + c] = static_cast<signed char>(10 + c);
    return digits;
}();

int HexDigit(char c) noexcept { return kHexDigits[static_cast<unsigned char>(c)]; }

// The dotted quad that may end an IPv6 text, read as inet_pton reads it:
// four decimal octets, no leading zeros.
bool ReadEmbeddedIPv4(std::string_view text, std::uint32_t& value) noexcept {
    unsigned octets = 0, octet = 0;
    bool digit = false;
    value = 0;
    for (char c : text) {
        if (IsDigit(c)) {
            if (digit && octet == 0) return false;
            octet = octet * 10 + static_cast<unsigned>(c - '0');
            if (octet > 255) return false;
            if (!digit && ++octets > 4) return false;
            digit = true;
        } else if (c == '.' && digit && octets < 4) {
            value = value << 8 | octet;
            octet = 0;
            digit = false;
        } else {
            return false;
        }
    }
    if (octets < 4) return false;
    value = value << 8 | octet;
    return true;
}

// Exactly the texts inet_pton(AF_INET6) takes, without its copy into a C
// string: on a list of a million IPv6 lines the library's reading was a
// good part of the run. The tests hold it to the library's answers.
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
        std::uint32_t v4;
        if (c == '.' && count <= 6 && ReadEmbeddedIPv4(text.substr(token), v4)) {
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

// The line without blanks at its ends or around "/" and "-", em dashes made
// hyphens; a line with nothing to drop is left where it is.
std::string_view TightenAroundSeparators(std::string_view line, std::string& out) {
    if (std::none_of(line.begin(), line.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == '\x97'; }))
        return line;
    out.clear();
    for (char c : line) {
        if (c == '\x97') c = '-';
        if (IsBlankOrTab(c)) {
            if (out.empty() || out.back() == '/' || out.back() == '-') continue;
        } else if (c == '/' || c == '-') {
            while (!out.empty() && IsBlankOrTab(out.back())) out.pop_back();
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

}  // namespace

SetLine ReadSetLine(std::string_view line, RangeReading ranges, std::string& scratch) {
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
        return read;
    }
    line = line.substr(0, FindFirstOf(line, '#', ';'));
    if (IsBlankLine(line)) return read;
    read.kind = SetLine::Kind::Rejected;
    if (line.size() > kMaxSetLineText) return read;
    if (line.find(':') != std::string_view::npos) {
        read.text = TightenAroundSeparators(line, scratch);
        if (ReadIPv6Line(read.text, read.v6)) read.kind = SetLine::Kind::IPv6;
    } else {
        // The window's cleaning drops spaces only; a tab beside a separator
        // is a blank here as it is in IPv6.
        std::string tightened;
        if (line.find('\t') != std::string_view::npos) line = TightenAroundSeparators(line, tightened);
        NormalizeLineInto(line, scratch);
        read.text = scratch;
        const bool named = scratch.find_first_of("-/") != std::string::npos ? ReadCleanedIPv4(scratch, ranges, read.v4)
                                                                            : ReadAddressAlone(line, read.v4);
        if (!scratch.empty() && named) read.kind = SetLine::Kind::IPv4;
    }
    return read;
}

LinesRead ReadAddressList(std::string_view text, RangeReading ranges, AddressSets& sets) {
    // The shortest line that names an address is eight bytes with its line
    // end: room reserved for that many is only address space until written.
    if (const std::size_t most = sets.v4.size() + text.size() / 8 + 1; sets.v4.capacity() < most)
        ReserveLarge(sets.v4, most);
    LinesRead read;
    ForEachSetLine(text, ranges, read, [&](const SetLine& set) {
        if (set.kind == SetLine::Kind::IPv4) {
            sets.v4.push_back(set.v4);
            return;
        }
        // Likewise, once a list shows it holds IPv6 at all.
        if (sets.v6.size() == sets.v6.capacity()) ReserveLarge(sets.v6, sets.v6.size() + text.size() / 12 + 1);
        sets.v6.push_back(set.v6);
    });
    return read;
}

}  // namespace orvane
