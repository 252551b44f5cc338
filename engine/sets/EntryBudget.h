// Fitting a set into what a router or a small firewall holds: whole /N
// networks where enough of their addresses are listed, and at most a given
// number of entries with as few addresses added as can be.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AddressSet.h"

namespace orvane {

struct Widening {
    bool any = false;            // the set held an address
    std::uint64_t networks = 0;  // the /N networks made whole that were not
    AddressTotal added{};
};

// Every /prefix network holding at least least addresses of set becomes the
// whole network, less what forbidden holds. Both lists as UnionOf() gives them.
template <typename Value>
Widening WidenNetworks(std::vector<Interval<Value>>& set, const std::vector<Interval<Value>>& forbidden,
                       unsigned prefix, std::uint64_t least);

struct EntryFit {
    struct Added {
        std::string network;  // as a/N
        AddressTotal addresses;
    };
    std::uint64_t before = 0, after = 0;  // entries
    bool fits = true;           // false: forbidden addresses need more entries; after is the fewest, set unchanged
    AddressTotal set{};         // the addresses of the set before
    AddressTotal added{};
    // The cover found adds at most this many addresses more than the fewest
    // any cover of the budget adds (a Lagrangian bound): zero, it is optimal.
    AddressTotal gap{};
    std::vector<Added> largest{};  // the networks that added most, most first
};

inline constexpr std::size_t kMostLargestAdded = 5;

// Covers set (as UnionOf() gives it) with at most budget networks, adding
// as few addresses as it can and none of forbidden. halvesForWhole: the
// whole space is written as its two halves (ipset) and so costs two.
//
// The covers that are optimal for some price per entry are found exactly,
// in order of entries, by a merge of the convex hulls of each subtree's
// costs over the binary tree of the set's networks; the cost per entry
// between two such covers gives the bound when the budget falls between.
template <typename Value>
EntryFit FitIntoEntries(std::vector<Interval<Value>>& set, const std::vector<Interval<Value>>& forbidden,
                        std::uint64_t budget, bool halvesForWhole);

}  // namespace orvane
