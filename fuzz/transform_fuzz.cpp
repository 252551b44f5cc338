// Any bytes through the line and list conversion: no crash, no undefined
// behaviour, the same result as the plain conversion, and every subnet
// line's host range converts back to it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "AddressSet.h"
#include "ListOracle.h"
#include "ListText.h"
#include "unCommon.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = orvane::SplitListLines(text);

    // The options come from the input's size, so every combination is met.
    const bool dedupe = size % 2 == 0, sort = size % 3 != 0;
    for (int form = -1; form <= 3; ++form) {
        const auto out = orvane::TransformList(lines, dedupe, sort, form, " / ");
        Check(out == orvane::oracle::PlainTransformList(lines, dedupe, sort, form, " / "));
        std::string joined, whole;
        for (const auto& line : out) joined += line + "\n";
        orvane::TransformListText(text, dedupe, sort, form, " / ", "\n", whole);
        Check(whole == joined);
    }

    // Read as address sets, the union holds exactly the addresses of its
    // lines, sampled at every boundary, and its networks are the fewest.
    for (const auto ranges : {orvane::RangeReading::Hosts, orvane::RangeReading::Addresses}) {
        std::vector<orvane::AddressInterval> intervals;
        for (std::string_view line : lines) {
            orvane::AddressInterval interval;
            if (orvane::ReadAddressInterval(orvane::NormalizeLine(line), ranges, interval)) {
                Check(interval.first <= interval.last && interval.last <= 0xFFFFFFFFu);
                intervals.push_back(interval);
            }
        }
        const auto joined = orvane::UnionOf(intervals);
        auto in = [](const std::vector<orvane::AddressInterval>& set, std::uint64_t x) {
            for (const auto& i : set)
                if (i.first <= x && x <= i.last) return true;
            return false;
        };
        for (const auto& i : intervals)
            for (std::uint64_t x : {i.first - 1, i.first, i.last, i.last + 1}) Check(in(joined, x) == in(intervals, x));
        std::uint64_t total = 0, covered = 0;
        for (std::size_t k = 0; k < joined.size(); ++k) {
            Check(k == 0 || joined[k].first > joined[k - 1].last + 1);
            total += joined[k].last - joined[k].first + 1;
            std::uint64_t next = joined[k].first;
            orvane::ForEachNetwork(joined[k], orvane::kIPv4Width, [&](std::uint64_t network, unsigned prefix) {
                const std::uint64_t size = std::uint64_t{1} << (32 - prefix);
                Check(network == next && network % size == 0);
                // A network twice the size would have been written instead.
                Check(prefix == 0 || network % (2 * size) != 0 || network + 2 * size - 1 > joined[k].last);
                next += size;
                covered += size;
            });
            Check(next == joined[k].last + 1);
        }
        Check(covered == total);
    }

    for (std::string_view line : lines) {
        const std::string range = orvane::TransformLine(line, 0, "/");
        const std::string prefix = orvane::TransformLine(line, 1, "/");
        const std::string mask = orvane::TransformLine(line, 2, "/");
        if (line.find('-') == std::string_view::npos && line.find('/') != std::string_view::npos &&
            !range.empty()) {
            // A subnet line: its host range must give back its network and mask.
            Check(orvane::TransformLine(range, 2, "/") == mask);
            Check(orvane::TransformLine(range, 1, "/") == prefix);
        }
        if (!range.empty() && line.find('-') != std::string_view::npos) Check(range == line);
    }
    return 0;
}
