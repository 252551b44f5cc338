// The set job's reading done the plain way: a whole list text at once, its
// lines whole. The reference that reading in blocks is held to, and what the
// set tests and the fuzz target read lists with.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "AddressReader.h"
#include "ListText.h"

namespace orvane::oracle {

// What reading one list found besides its addresses.
struct LinesRead {
    std::size_t lines = 0;
    std::vector<std::size_t> rejected;  // line numbers, from 1
};

// Adds what every line of the list text names to sets, unsorted and not joined.
inline LinesRead ReadAddressList(std::string_view text, RangeReading ranges, AddressSets& sets) {
    if (text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());
    LinesRead read;
    LineScratch scratch;
    ForEachListLine(
        text,
        [&](std::string_view line) {
            ++read.lines;
            const SetLine set = ReadListLine(line, ranges, scratch);
            if (set.kind == SetLine::Kind::Rejected) read.rejected.push_back(read.lines);
            else if (set.kind == SetLine::Kind::IPv4) sets.v4.push_back(set.v4);
            else if (set.kind == SetLine::Kind::IPv6) sets.v6.push_back(set.v6);
        },
        std::string_view::npos);
    return read;
}

}  // namespace orvane::oracle
