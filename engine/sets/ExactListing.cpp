// Every line written exactly as the networks it names, in the list's order
// or by address, duplicates once or kept.
#include "JobParts.h"

#include <algorithm>
#include <unordered_set>

namespace orvane::setjob {
namespace {

// By address; on equal addresses the larger first.
template <typename Value>
void SortByAddress(std::vector<Interval<Value>>& units, bool removeDuplicates) {
    std::sort(units.begin(), units.end(), [](const Interval<Value>& a, const Interval<Value>& b) {
        return a.first != b.first ? a.first < b.first : a.last > b.last;
    });
    if (removeDuplicates) units.erase(std::unique(units.begin(), units.end()), units.end());
}

struct UnitHash {
    std::size_t operator()(const Interval4& u) const noexcept {
        return std::hash<std::uint64_t>()(std::uint64_t{u.first} << 32 | u.last);
    }
    // The high halves multiplied by odd constants (2^64 over the golden
    // ratio, and a prime of xxHash's) to spread them over every bit. The
    // last address's low half is shifted first: unshifted, it cancels the
    // first's in every bit they share, and a single address (first == last)
    // would hash by its high half alone.
    std::size_t operator()(const Interval6& u) const noexcept {
        const std::uint64_t mixed = (u.first.high * 0x9E3779B97F4A7C15ull) ^ u.first.low ^
                                    (u.last.high * 0xC2B2AE3D27D4EB4Full) ^ (u.last.low >> 7);
        return std::hash<std::uint64_t>()(mixed);
    }
};

// The lines of the inputs as read, their texts kept end to end for the
// text order and the duplicate rule.
struct ReadLines {
    struct Line {
        SetLine::Kind kind;
        Interval4 v4;
        Interval6 v6;
        std::size_t offset, length;
    };
    std::vector<Line> lines;
    std::string text;
    AddressSets intervals;  // every line's, per family, for judging the result before it is written
};

ReadLines ReadInputLines(const SetJob& job, ListReading& reading, bool keepText) {
    ReadLines read;
    for (const ListSource& list : job.inputs) {
        reading.Read(list, ListRole::Input, [&](const SetLine& line) {
            if (line.kind == SetLine::Kind::IPv4 ? !Writes<std::uint32_t>(job) : !Writes<Uint128>(job)) return;
            if (keepText) {
                read.lines.push_back({line.kind, line.v4, line.v6, read.text.size(), line.text.size()});
                read.text.append(line.text);
            }
            if (line.kind == SetLine::Kind::IPv4) read.intervals.v4.push_back(line.v4);
            else read.intervals.v6.push_back(line.v6);
        });
    }
    return read;
}

// Every unit of every line, per family in address order.
AddressSets UnitsOf(const AddressSets& intervals, const SetWriting& writing, bool removeDuplicates) {
    AddressSets units;
    for (const Interval4& interval : intervals.v4)
        ForEachUnit(interval, writing, [&](const Interval4& unit) { units.v4.push_back(unit); });
    for (const Interval6& interval : intervals.v6)
        ForEachUnit(interval, writing, [&](const Interval6& unit) { units.v6.push_back(unit); });
    SortByAddress(units.v4, removeDuplicates);
    SortByAddress(units.v6, removeDuplicates);
    return units;
}

// In the list's own order (as the window orders lines, or as read): each
// line's units together, a unit written before not again when duplicates go.
void WriteInLineOrder(const SetJob& job, const SetWriting& writing, const ReadLines& read, BlockOutput& out) {
    std::vector<std::string_view> cleaned;
    cleaned.reserve(read.lines.size());
    for (const ReadLines::Line& line : read.lines) cleaned.emplace_back(read.text.data() + line.offset, line.length);

    std::unordered_set<Interval4, UnitHash> written4;
    std::unordered_set<Interval6, UnitHash> written6;
    for (const std::size_t k : CleanedListOrder(cleaned, job.removeDuplicates, job.order == LineOrder::Text)) {
        const ReadLines::Line& line = read.lines[k];
        if (line.kind == SetLine::Kind::IPv4) {
            ForEachUnit(line.v4, writing, [&](const Interval4& unit) {
                if (!job.removeDuplicates || written4.insert(unit).second) WriteUnit(unit, writing, out.Text());
            });
        } else {
            ForEachUnit(line.v6, writing, [&](const Interval6& unit) {
                if (!job.removeDuplicates || written6.insert(unit).second) WriteUnit(unit, writing, out.Text());
            });
        }
        out.PassOnWhenFull();
    }
}

}  // namespace

void Exact(const SetJob& job, ListReading& reading, BlockOutput& out) {
    const SetWriting writing = WritingOf(job);
    const bool inLineOrder = !job.count && job.order != LineOrder::Address;
    ReadLines read = ReadInputLines(job, reading, inLineOrder);
    // What -f prefix would write, for counting: networks, however the form would write them.
    const SetWriting counted{.form = OutputForm::ShortMask, .ranges = job.ranges, .lengths4 = job.lengths4,
                             .lengths6 = job.lengths6};
    if (Refusal refusal = RefusalOf(job, job.count ? counted : writing, read.intervals.v4, read.intervals.v6);
        refusal) {
        reading.Summary().refusal = std::move(refusal);
        return;
    }
    if (job.count) {
        const AddressSets units = UnitsOf(read.intervals, counted, job.removeDuplicates);
        AddressTotal v4, v6;
        v4.Add(units.v4.size());
        v6.Add(units.v6.size());
        WriteCountOf("IPv4", UnionOf(units.v4), v4, job, out.Text());
        WriteCountOf("IPv6", UnionOf(units.v6), v6, job, out.Text());
        return;
    }
    if (inLineOrder) return WriteInLineOrder(job, writing, read, out);
    const AddressSets units = UnitsOf(read.intervals, writing, job.removeDuplicates);
    read = {};
    WriteSet(units.v4, job, writing, out);
    WriteSet(units.v6, job, writing, out);
}

}  // namespace orvane::setjob
