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
                     [](char c) { return IsBlankByte(c) || c == kEmDash; }))
        return line;
    out.clear();
    for (char c : line) {
        if (c == kEmDash) c = '-';
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

SetLine ReadListLine(std::string_view line, RangeReading ranges, LineScratch& scratch) {
    SetLine read = ReadSetLine(line, ranges, scratch.cleaned);
    // Only a line that reads as nothing can read otherwise decoded: the
    // bytes of UTF-8 characters are no digits, dots or separators to
    // Windows-1251 either, and the only character beyond ASCII that the
    // reading takes, the em dash, is a rejection until decoded.
    if (read.kind != SetLine::Kind::Rejected ||
        std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
        !IsValidUtf8(line))
        return read;
    scratch.decoded = Utf8ToCp1251(line);
    return ReadSetLine(scratch.decoded, ranges, scratch.cleaned);
}

}  // namespace orvane
