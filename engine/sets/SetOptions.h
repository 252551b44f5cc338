// The words the set job's options are made of, shared by its reader and
// writer without either knowing the other.
#pragma once

#include <bitset>

namespace orvane {

// How an IPv4 range line a-b is read, and written back.
enum class RangeReading {
    Hosts,      // the hosts of a network: the network and broadcast addresses around them belong to it
    Addresses,  // exactly the addresses from a to b
};

// How an IPv4 octet written with a leading zero ("010") is read. Nobody
// means octal by the zero-padded octets of spreadsheets and fixed-width
// exports, and reading them as decimal silently is a guess too: such a
// line is rejected unless the user says which.
enum class LeadingZeros {
    Reject,
    Decimal,  // "010" is 10
    Octal,    // "010" is 8, as inet_aton and iprange read it
};

enum class SetOperation {
    Exact,  // every line written exactly, in an order of its own
    Merge,  // the union of all lines, then the intersections and differences
    Diff,   // what the union of the lines and another list hold apart
    Grep,   // the lines of text that hold an address of a set, as they are
};

// Which families are written (and counted).
enum class Families { Both, IPv4, IPv6 };

// The prefix lengths networks may be written with, as bits 0 to 128; the
// family's full width is always among them, so that every set can be
// written. All set: the fewest networks, whatever their lengths.
using PrefixLengths = std::bitset<129>;

enum class LineOrder { Text, Address, None };

}  // namespace orvane
