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

#include "AddressSet.h"
#include "SetOptions.h"

namespace orvane {

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

// A single address alone on its line: no "/N", no range. What a default
// prefix widens into its network.
inline bool NamesOneAddress(const SetLine& line) {
    return (line.kind == SetLine::Kind::IPv4 || line.kind == SetLine::Kind::IPv6) &&
           line.text.find_first_of("/-") == std::string_view::npos;
}

// Longer than any network's text with generous blanks around it; a line
// past it is damaged data, rejected rather than read into a scratch copy.
inline constexpr std::size_t kMaxSetLineText = std::size_t{1} << 20;

// Reads one line of Windows-1251 text; scratch holds what the reading
// wrote, so a loop over many lines reuses it.
SetLine ReadSetLine(std::string_view line, RangeReading ranges, std::string& scratch);

// Scratch room for ReadListLine, reused from line to line.
struct LineScratch {
    std::string cleaned, decoded;
};

// Reads one line as a list file holds it: as UTF-8 when the line is valid
// UTF-8 holding a non-ASCII byte, otherwise as Windows-1251. A file's lines
// need not agree, so this is decided line by line.
SetLine ReadListLine(std::string_view line, RangeReading ranges, LineScratch& scratch);

}  // namespace orvane
