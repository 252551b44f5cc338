// Reading the lists administrators keep as sets of addresses: one line
// reader for every file the set modes take in.
//
// A line is a comment from its first "#" or ";" on. What is left names one
// IPv4 address, network (address/N, address/mask) or range (first-last), or
// in IPv6 (a ":" in it) an address, address/N or first-last; blanks and tabs
// are allowed around "/" and "-" (and an em or en dash, read as "-"). An
// IPv4 address or mask is read only as written: four decimal octets from 0
// to 255, no short, octal or hexadecimal form, no star, no empty octet; an
// octet with a leading zero is read only as the caller says. A line blank
// after its comment is cut names nothing and is no rejection either.
//
// A line is read whole or rejected whole, never cut: a line holding a NUL
// byte anywhere, or whose text before its comment is longer than
// kMaxSetLineText (blanks count), is rejected.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "AddressSet.h"
#include "SetOptions.h"

namespace orvane {

// Why a line was rejected, for the report: the first fault the reading met.
enum class LineFault {
    None,
    Nul,           // a NUL byte in the line
    TooLong,       // the text before its comment passes kMaxSetLineText
    Star,          // "172.16.*.0"
    Letter,        // a letter in an IPv4 address: "1o.0.0.0"
    Hexadecimal,   // "0x0a.0.0.0"
    EmptyOctet,    // "1..2.3", a dot at either end
    OctetCount,    // not four octets: "10.1", "1.2.3.4.5"
    OctetOver255,  // "300.1.1.1"
    LeadingZero,   // "010.0.0.1": what another reading of zeros would take
    Prefix,        // a prefix length that is no decimal number up to the family's width
    Mask,          // a dotted mask whose ones are not all on top
    Backwards,     // a range that ends before it starts (or, as hosts, has no network around it)
    Exception,     // free text: an ipset "nomatch" entry, which its set does not hold
    Unreadable,    // anything else
};

struct SetLine {
    enum class Kind { Blank, Rejected, IPv4, IPv6 };
    Kind kind = Kind::Blank;
    LineFault fault = LineFault::None;  // Rejected: why
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
SetLine ReadSetLine(std::string_view line, RangeReading ranges, std::string& scratch,
                    LeadingZeros zeros = LeadingZeros::Reject);

// Scratch room for ReadListLine, reused from line to line.
struct LineScratch {
    std::string cleaned, decoded;
};

// Reads one line as a list file holds it: as UTF-8 when the line is valid
// UTF-8 holding a non-ASCII byte, otherwise as Windows-1251. A file's lines
// need not agree, so this is decided line by line.
SetLine ReadListLine(std::string_view line, RangeReading ranges, LineScratch& scratch,
                     LeadingZeros zeros = LeadingZeros::Reject);

}  // namespace orvane
