// Addresses out of free text: CSV exports, logs, the firewalls' own
// listings. Every IPv4 and IPv6 address, network (address/N, IPv4 also
// address/mask) and range (first-last, with a hyphen, en or em dash and no
// blanks) that stands on its own in a line is read, however many the line
// holds.
//
// A token stands on its own when it is not part of a word or of a longer run
// of digits and dots: "v1.2.3.4", "1.2.3.4a", "1.2.3.4.5", "Chrome/1.2.3.4"
// and "std::x" hold no address. A port is no part of it ("1.2.3.4:8080",
// "[2001:db8::1]:443"), nor are brackets, quotes or a full stop after it. A
// "/N" belongs to the address only when a boundary follows it
// ("http://1.2.3.4/8/x" holds the single address 1.2.3.4). A time
// ("12:34:56") or a MAC address is no IPv6 address, nor is a lone "::".
//
// The octet rules of the list reader hold: a token with a zero-padded octet
// (under LeadingZeros::Reject), a mask with a gap, a prefix past the width or
// a backwards range or a star for an octet ("172.16.*.0") rejects its whole
// line, as does an ipset "nomatch" entry
// ("add SET ADDRESS ... nomatch", or a member line "ADDRESS nomatch"), which
// is an exception to its set and never a member. Other near misses
// ("300.1.1.1", "1.2.3") are simply no address. Comments are not special:
// an address after "#" is an address.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "AddressReader.h"

namespace orvane {

class AddressExtractor {
public:
    AddressExtractor(RangeReading ranges, LeadingZeros zeros) : ranges_(ranges), zeros_(zeros) {}

    // Reads the line's addresses into Found(), in the order they stand; the
    // fault that rejects the line, or LineFault::None.
    LineFault Extract(std::string_view line);

    // Valid until the next Extract.
    const std::vector<SetLine>& Found() const { return found_; }

private:
    // The token's end when [start, end) is read as an address, network or
    // range; start when it is none. Sets fault_ when it rejects the line.
    std::size_t ReadToken(std::string_view line, std::size_t start);
    LineFault Rejected(LineFault fault);

    RangeReading ranges_;
    LeadingZeros zeros_;
    LineScratch scratch_;
    std::vector<SetLine> found_;
    std::deque<std::string> texts_;  // a token's text that the reading rewrote
    LineFault fault_ = LineFault::None;
    std::size_t firstAt_ = 0;  // where the first address found begins
};

}  // namespace orvane
