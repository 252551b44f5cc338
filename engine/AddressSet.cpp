#include "AddressSet.h"

#include <algorithm>

#include "unCommon.h"

namespace orvane {
namespace {

constexpr std::uint64_t Top(unsigned width) { return (std::uint64_t{1} << width) - 1; }

// A dotted mask names a set of networks only when its ones are all on top.
bool PrefixOfMask(std::uint64_t mask, unsigned width, unsigned& prefix) {
    const std::uint64_t hostBits = ~mask & Top(width);
    if ((hostBits & (hostBits + 1)) != 0) return false;
    prefix = width - static_cast<unsigned>(std::popcount(hostBits));
    return true;
}

bool ReadPrefix(std::string_view text, unsigned width, unsigned& prefix) {
    if (text.find('.') != std::string_view::npos) {
        HostOrderValue mask;
        return ReadAddress(text, mask) && PrefixOfMask(mask, width, prefix);
    }
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    const std::int32_t n = IntegerOrDefault(text, -1);
    if (n < 0 || static_cast<unsigned>(n) > width) return false;
    prefix = static_cast<unsigned>(n);
    return true;
}

bool ReadRangeEnd(std::string_view text, std::uint64_t& value) {
    HostOrderValue address;
    if (!IsDottedQuad(text) || !ReadAddress(text, address)) return false;
    value = address;
    return true;
}

std::uint64_t MaskOf(unsigned prefix, unsigned width) { return Top(width) & ~(Top(width) >> prefix); }

}  // namespace

bool ReadAddressInterval(std::string_view line, RangeReading ranges, AddressInterval& interval) {
    constexpr unsigned width = kIPv4Width;
    if (const auto dash = line.find('-'); dash != std::string_view::npos) {
        std::uint64_t first, last;
        if (!ReadRangeEnd(line.substr(0, dash), first) || !ReadRangeEnd(line.substr(dash + 1), last)) return false;
        if (ranges == RangeReading::Hosts) {
            // The network and broadcast addresses around the hosts, without wrapping.
            if (first == 0 || last == Top(width) || first - 1 > last + 1) return false;
            interval = {first - 1, last + 1};
        } else {
            if (first > last) return false;
            interval = {first, last};
        }
        return true;
    }
    if (const auto slash = line.find('/'); slash != std::string_view::npos) {
        HostOrderValue address;
        unsigned prefix;
        if (!ReadAddress(line.substr(0, slash), address) || !ReadPrefix(line.substr(slash + 1), width, prefix))
            return false;
        const std::uint64_t mask = MaskOf(prefix, width);
        interval = {address & mask, (address & mask) | (~mask & Top(width))};
        return true;
    }
    return false;
}

std::vector<AddressInterval> UnionOf(std::vector<AddressInterval> intervals) {
    std::sort(intervals.begin(), intervals.end(),
              [](const AddressInterval& a, const AddressInterval& b) { return a.first < b.first; });
    std::vector<AddressInterval> joined;
    for (const AddressInterval& next : intervals) {
        // Adjacent counts as touching: last + 1 cannot overflow in 64 bits for narrower widths.
        if (!joined.empty() && next.first <= joined.back().last + 1) {
            joined.back().last = std::max(joined.back().last, next.last);
        } else {
            joined.push_back(next);
        }
    }
    return joined;
}

std::vector<AddressInterval> IntersectionOf(const std::vector<AddressInterval>& a, const std::vector<AddressInterval>& b) {
    std::vector<AddressInterval> result;
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        const std::uint64_t first = std::max(a[i].first, b[j].first), last = std::min(a[i].last, b[j].last);
        if (first <= last) result.push_back({first, last});
        if (a[i].last < b[j].last) ++i;
        else ++j;
    }
    return result;
}

std::vector<AddressInterval> DifferenceOf(const std::vector<AddressInterval>& a, const std::vector<AddressInterval>& b) {
    std::vector<AddressInterval> result;
    std::size_t j = 0;
    for (AddressInterval rest : a) {
        while (j < b.size() && b[j].last < rest.first) ++j;
        bool empty = false;
        for (std::size_t k = j; k < b.size() && b[k].first <= rest.last; ++k) {
            if (b[k].first > rest.first) result.push_back({rest.first, b[k].first - 1});
            if (b[k].last >= rest.last) {
                empty = true;
                break;
            }
            rest.first = b[k].last + 1;
        }
        if (!empty) result.push_back(rest);
    }
    return result;
}

void AppendNetwork(std::string& out, std::uint64_t network, unsigned prefixLength, int form,
                   std::string_view delimiter) {
    constexpr unsigned width = kIPv4Width;
    const std::uint64_t mask = MaskOf(prefixLength, width);
    if (form == 0) {
        // The host range the list conversion writes: a /31 or /32 comes out
        // with its ends crossed, as the window writes it too.
        const std::uint64_t broadcast = network | (~mask & Top(width));
        out += HostOrderToAddress(static_cast<HostOrderValue>((network + 1) & Top(width)));
        out += '-';
        out += HostOrderToAddress(static_cast<HostOrderValue>((broadcast - 1) & Top(width)));
        return;
    }
    out += HostOrderToAddress(static_cast<HostOrderValue>(network));
    out.append(delimiter);
    out += form == 1 ? std::to_string(prefixLength) : HostOrderToAddress(static_cast<HostOrderValue>(mask));
}

void AppendAddressRange(std::string& out, AddressInterval interval) {
    out += HostOrderToAddress(static_cast<HostOrderValue>(interval.first));
    out += '-';
    out += HostOrderToAddress(static_cast<HostOrderValue>(interval.last));
}

}  // namespace orvane
