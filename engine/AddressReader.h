// Reading the lists administrators keep as sets of addresses: one line
// reader for every file the set modes take in.
//
// A line is a comment from its first "#" or ";" on. What is left names, in
// IPv4 (no ":" in it), what the window reads after its own cleaning, or one
// dotted address alone; in IPv6, an address, address/N or first-last, with
// blanks allowed around "/" and "-". A line blank after its comment is cut
// names nothing and is no rejection either.
//
// A line is read whole or rejected whole, never cut: a line holding a NUL
// byte anywhere, or whose text before its comment is longer than
// kMaxSetLineText, is rejected. A tab beside "/" and "-" is a blank, in
// both families.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "AddressSet.h"
#include "ListText.h"

namespace orvane {

// How an IPv4 range line a-b is read.
enum class RangeReading {
    Hosts,      // the hosts of a network: the network and broadcast addresses around them belong to it
    Addresses,  // exactly the addresses from a to b
};

struct SetLine {
    enum class Kind { Blank, Rejected, IPv4, IPv6 };
    Kind kind = Kind::Blank;
    Interval4 v4;
    Interval6 v6;
    // The line as it was read (the window's cleaning for IPv4, the blanks
    // around separators dropped for IPv6): what text order and duplicate
    // lines are judged on. Points into the line or the scratch buffer.
    std::string_view text;
};

// Longer than any network's text with generous blanks around it; a line
// past it is damaged data, rejected rather than read into a scratch copy.
inline constexpr std::size_t kMaxSetLineText = std::size_t{1} << 20;

// Reads one line of Windows-1251 text; scratch holds what the reading
// wrote, so a loop over many lines reuses it.
SetLine ReadSetLine(std::string_view line, RangeReading ranges, std::string& scratch);

// What reading one list found besides its addresses.
struct LinesRead {
    std::size_t lines = 0;
    std::vector<std::size_t> rejected;  // line numbers, from 1
};

// Reads every line of a Windows-1251 list text (the list-file line rule):
// counts them, notes the rejected ones in read, and calls visit(line) for
// each that names addresses.
template <typename Visit>
void ForEachSetLine(std::string_view text, RangeReading ranges, LinesRead& read, Visit&& visit) {
    std::string scratch;
    ForEachListLine(
        text,
        [&](std::string_view line) {
            ++read.lines;
            const SetLine set = ReadSetLine(line, ranges, scratch);
            if (set.kind == SetLine::Kind::Rejected) read.rejected.push_back(read.lines);
            else if (set.kind != SetLine::Kind::Blank) visit(set);
        },
        std::string_view::npos);
}

// Adds what every line of the list text names to sets, unsorted and not joined.
LinesRead ReadAddressList(std::string_view text, RangeReading ranges, AddressSets& sets);

}  // namespace orvane
