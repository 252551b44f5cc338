// One line: its cleaning and its conversion into an output form.
#include <algorithm>
#include <bit>

#include "AddressText.h"
#include "EngineParts.h"
#include "TextRules.h"
#include "unCommon.h"

namespace orvane {
namespace {

// Reading a neighbour in place is safe: a position left of the read index is
// only overwritten when nothing has been dropped yet, so it still holds what
// it held before, and positions to the right are not written yet.
// Returns the new length of text[0, n).
std::size_t StripLooseSeparatorsInPlace(char* text, std::size_t n) noexcept {
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if ((c == '-' || c == '/') &&
            (i == 0 || i + 1 == n || !IsDigit(text[i - 1]) || !IsDigit(text[i + 1])))
            continue;
        text[out++] = c;
    }
    return out;
}

struct HostRange {
    HostOrderValue first, last;
};

// A network covers its hosts between the network and the broadcast address.
HostRange HostsOf(HostOrderValue address, HostOrderValue mask) {
    const HostOrderValue network = address & mask;
    return {network + 1, network + ~mask - 1};
}

struct Subnet {
    HostOrderValue network, mask;
};

// The smallest block holding the hosts plus network and broadcast address;
// an unaligned range or a size that is no power of two shows as a
// non-contiguous mask.
Subnet SubnetOf(HostRange range) {
    const HostOrderValue hosts = range.last - range.first + 1;
    return {range.first - 1, ~hosts - 1};
}

// Kind 1 writes the prefix length (of the lowest set bit, for a
// non-contiguous mask); any other kind the dotted mask.
void AppendMask(std::string& out, HostOrderValue mask, int kind) {
    if (kind != 1) return AppendAddress(out, mask);
    const int prefix = mask == 0 ? 0 : 32 - std::countr_zero(mask);
    if (prefix >= 10) out += static_cast<char>('0' + prefix / 10);
    out += static_cast<char>('0' + prefix % 10);
}

}  // namespace

namespace detail {

std::string_view TrimControls(std::string_view s) noexcept {
    while (!s.empty() && IsBlankByte(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlankByte(s.back())) s.remove_suffix(1);
    return s;
}

// The mask a subnet line names: a prefix length from 0 to 32, or a dotted
// mask the address reading accepts. Anything else is a typo, not a request
// for the whole address space.
bool ReadMask(std::string_view text, HostOrderValue& mask) {
    if (text.find('.') != std::string_view::npos) return ReadAddress(text, mask);
    const std::int32_t n = IntegerOrDefault(TrimControls(text), -1);
    if (n < 0 || n > 32) return false;
    mask = n == 0 ? 0u : ~HostOrderValue{0} << (32 - n);
    return true;
}

bool AppendNormalized(std::string& out, std::string_view line) {
    const std::size_t base = out.size();
    for (char c : line)
        if (c != ' ') out += c;

    std::size_t begin = base, end = out.size();
    while (begin < end && IsBlankByte(out[begin])) ++begin;
    while (end > begin && IsBlankByte(out[end - 1])) --end;
    std::size_t write = base;
    int dots = 0;  // counted from the second character on, as CountSubstring does
    for (std::size_t i = begin; i < end; ++i) {
        const char c = out[i];
        if (c == '*' || c == 'o') continue;
        dots += c == '.' && write > base;
        out[write++] = c == kEmDash ? '-' : c;
    }
    if (dots < 3) {
        out.resize(base);
        return false;
    }
    out.resize(base + StripLooseSeparatorsInPlace(out.data() + base, write - base));
    return true;
}

bool AppendTransformed(std::string& out, std::string_view line, std::int32_t transformType,
                       std::string_view delimiter) {
    if (transformType < 0 || transformType > 2) return false;

    // The host range of the line, read from its own texts or computed from
    // its subnet. The computed texts are plain dotted quads, so for a subnet
    // line the values are used directly instead of writing and re-reading them.
    HostRange hosts{};
    if (const auto dash = line.find('-'); dash != std::string_view::npos) {
        const std::string_view left = line.substr(0, dash), right = line.substr(dash + 1);
        // A plain address is a dotted quad too; anything else is checked the long way.
        const bool plainLeft = detail::ReadPlainDottedDecimal(left, hosts.first);
        const bool plainRight = detail::ReadPlainDottedDecimal(right, hosts.last);
        if ((!plainLeft && !IsDottedQuad(left)) || (!plainRight && !IsDottedQuad(right))) return false;
        if (transformType == 0) {
            out.append(line);  // the range as it was written
            return true;
        }
        if ((!plainLeft && !ReadAddress(left, hosts.first)) || (!plainRight && !ReadAddress(right, hosts.last)))
            return false;
    } else if (const auto slash = line.find('/'); slash != std::string_view::npos) {
        HostOrderValue a, m;
        if (!ReadAddress(line.substr(0, slash), a) || !detail::ReadMask(line.substr(slash + 1), m)) return false;
        hosts = HostsOf(a, m);
        if (transformType == 0) {
            AppendAddress(out, hosts.first);
            out += '-';
            AppendAddress(out, hosts.last);
            return true;
        }
    } else {
        return false;
    }

    const Subnet subnet = SubnetOf(hosts);
    AppendAddress(out, subnet.network);
    out.append(delimiter);
    AppendMask(out, subnet.mask, transformType);
    return true;
}

}  // namespace detail

TIPAddr SubnetToHostRange(TIPAddr subnet) {
    HostOrderValue a, m;
    if (!ReadAddress(subnet.first, a) || !detail::ReadMask(subnet.second, m)) return {};
    const HostRange hosts = HostsOf(a, m);
    return {HostOrderToAddress(hosts.first), HostOrderToAddress(hosts.last)};
}

TIPAddr HostRangeToSubnet(TIPAddr range, int kind) {
    HostRange hosts;
    if (!ReadAddress(range.first, hosts.first) || !ReadAddress(range.second, hosts.last)) return {};
    const Subnet subnet = SubnetOf(hosts);
    std::string mask;
    AppendMask(mask, subnet.mask, kind);
    return {HostOrderToAddress(subnet.network), std::move(mask)};
}

std::string TransformLine(std::string_view line, std::int32_t transformType, std::string_view delimiter) {
    std::string result;
    detail::AppendTransformed(result, line, transformType, delimiter);
    return result;
}

void NormalizeLineInto(std::string_view line, std::string& out) {
    out.clear();
    detail::AppendNormalized(out, line);
}

std::string NormalizeLine(std::string_view line) {
    std::string text;
    text.reserve(line.size());
    detail::AppendNormalized(text, line);
    return text;
}

int CountSubstring(std::string_view what, std::string_view text) noexcept {
    if (what.empty()) return 0;
    int count = 0;
    for (auto pos = text.find(what, 1); pos != std::string_view::npos; pos = text.find(what, pos + 1)) ++count;
    return count;
}

std::string StripLooseSeparators(std::string_view text) {
    std::string result(text);
    result.resize(StripLooseSeparatorsInPlace(result.data(), result.size()));
    return result;
}

}  // namespace orvane
