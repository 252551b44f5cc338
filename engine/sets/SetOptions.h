// The words the set job's options are made of, shared by its reader and
// writer without either knowing the other.
#pragma once

namespace orvane {

// How an IPv4 range line a-b is read, and written back.
enum class RangeReading {
    Hosts,      // the hosts of a network: the network and broadcast addresses around them belong to it
    Addresses,  // exactly the addresses from a to b
};

enum class SetOperation {
    Exact,  // every line written exactly, in an order of its own
    Merge,  // the union of all lines, then the intersections and differences
};

enum class LineOrder { Text, Address, None };

}  // namespace orvane
