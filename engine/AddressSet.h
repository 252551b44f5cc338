// Networks read as sets of addresses: exact intervals, the fewest networks
// that cover an interval, and union, intersection and difference of lists.
//
// Values are held in 64 bits and the width of an address is a parameter, so
// the arithmetic is not tied to IPv4's 32 bits; lines are read as IPv4.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

inline constexpr unsigned kIPv4Width = 32;

// Every address from first to last, both included.
struct AddressInterval {
    std::uint64_t first = 0, last = 0;
    friend bool operator==(const AddressInterval&, const AddressInterval&) = default;
};

// How a range line a-b is read.
enum class RangeReading {
    Hosts,      // the hosts of a network: the network and broadcast addresses around them belong to it
    Addresses,  // exactly the addresses from a to b
};

// Reads a cleaned line (see NormalizeLine) as one interval; false when it
// names no set of addresses: an unreadable address, a mask that is not a
// prefix, a range that runs backwards or past the ends of the address space.
bool ReadAddressInterval(std::string_view line, RangeReading ranges, AddressInterval& interval);

// Calls visit(network, prefixLength) for the fewest networks that cover
// exactly the interval, in address order.
template <typename Visit>
void ForEachNetwork(AddressInterval interval, unsigned width, Visit&& visit) {
    std::uint64_t at = interval.first;
    for (;;) {
        // The largest block that starts at this address and stays inside the interval.
        unsigned bits = at == 0 ? width : std::min<unsigned>(static_cast<unsigned>(std::countr_zero(at)), width);
        while (bits > 0 && interval.last - at < (std::uint64_t{1} << bits) - 1) --bits;
        visit(at, width - bits);
        const std::uint64_t end = at + ((std::uint64_t{1} << bits) - 1);
        if (end >= interval.last) return;
        at = end + 1;
    }
}

// The same addresses as the fewest disjoint intervals, in address order:
// overlapping and adjacent intervals joined.
std::vector<AddressInterval> UnionOf(std::vector<AddressInterval> intervals);

// For lists as UnionOf() gives them.
std::vector<AddressInterval> IntersectionOf(const std::vector<AddressInterval>& a, const std::vector<AddressInterval>& b);
std::vector<AddressInterval> DifferenceOf(const std::vector<AddressInterval>& a, const std::vector<AddressInterval>& b);

// How a network or an interval is written: form 1 network, delimiter and
// prefix length; form 2 network, delimiter and dotted mask; form 0 the
// network's host range, as the list conversion writes it.
void AppendNetwork(std::string& out, std::uint64_t network, unsigned prefixLength, int form,
                   std::string_view delimiter);
// An interval written as one inclusive range, first-last.
void AppendAddressRange(std::string& out, AddressInterval interval);

}  // namespace orvane
