#include "SetJob.h"

#include <algorithm>
#include <span>
#include <unordered_set>

#include "AddressReader.h"
#include "AddressText.h"
#include "AddressWriter.h"

namespace orvane {
namespace {

// The result goes to the sink in blocks of about this size: few writes, and
// a buffer that stays small whatever the size of the result.
constexpr std::size_t kOutputBlock = std::size_t{1} << 20;

class BlockOutput {
public:
    explicit BlockOutput(const std::function<void(std::string_view)>& write) : write_(write) {
        if (write_) text_.reserve(kOutputBlock + kOutputBlock / 8);
    }
    std::string& Text() { return text_; }
    // After every line or so: hands on a full block.
    void Pass() {
        if (text_.size() >= kOutputBlock) Flush();
    }
    void Flush() {
        if (!text_.empty() && write_) write_(text_);
        text_.clear();
    }

private:
    const std::function<void(std::string_view)>& write_;
    std::string text_;
};

template <typename Value>
constexpr bool IsIPv6 = std::is_same_v<Value, Uint128>;

template <typename Value>
bool Writes(const SetJob& job) {
    return job.families == Families::Both || job.families == (IsIPv6<Value> ? Families::IPv6 : Families::IPv4);
}

// Reads lists line by line, counting the lines and handing on the rejected ones.
class ListReading {
public:
    ListReading(const SetJob& job, const SetJobOutput& output) : job_(job), output_(output) {}

    // Calls visit(line) for every line of the list that names addresses; an
    // input's single addresses widened to the default prefix.
    template <typename Visit>
    void Read(const ListSource& list, bool input, Visit&& visit) {
        const std::unique_ptr<ByteSource> bytes = Utf16ListAsUtf8(list.open());
        std::size_t number = 0;
        const bool widen = input && (job_.defaultPrefix4 || job_.defaultPrefix6);
        // One byte past the longest text a line may have: enough to tell such a line apart.
        ForEachSourceLine(*bytes, kMaxSetLineText + 1, [&](std::string_view text) {
            ++number;
            SetLine line = ReadListLine(text, job_.ranges, scratch_, job_.zeros);
            if (line.kind == SetLine::Kind::Rejected) {
                ++summary_.rejected;
                summary_.leadingZeros += line.fault == LineFault::LeadingZero;
                if (output_.rejected) output_.rejected({list.name, number, text, line.fault});
                return;
            }
            if (line.kind == SetLine::Kind::Blank) return;
            if (widen && NamesOneAddress(line)) {
                if (line.kind == SetLine::Kind::IPv4 && job_.defaultPrefix4)
                    line.v4 = NetworkOf(line.v4.first, *job_.defaultPrefix4);
                if (line.kind == SetLine::Kind::IPv6 && job_.defaultPrefix6)
                    line.v6 = NetworkOf(line.v6.first, *job_.defaultPrefix6);
            }
            visit(line);
        });
        summary_.lines += number;
    }

    SetJobSummary& Summary() { return summary_; }

private:
    const SetJob& job_;
    const SetJobOutput& output_;
    LineScratch scratch_;
    SetJobSummary summary_;
};

SetWriting WritingOf(const SetJob& job) {
    return {.form = job.form,
            .delimiter = job.delimiter,
            .lineEnd = job.lineEnd,
            .ranges = job.ranges,
            .lengths4 = job.lengths4,
            .lengths6 = job.lengths6,
            .lineFormat = job.lineFormat};
}

// How many units ForEachUnit gives for the intervals.
template <typename Value>
AddressTotal UnitCountOf(const std::vector<Interval<Value>>& intervals, const SetWriting& writing) {
    if (!WritesWholeIntervals<Value>(writing)) return NetworkCountOf(intervals, writing.Lengths<Value>());
    AddressTotal count;
    count.Add(intervals.size());
    return count;
}

// Why the result cannot be written, or nothing: too many networks, or an
// IPv6 network where the line format wants a dotted mask. Judged on every
// interval that would be written, before anything is.
std::string RefusalOf(const SetJob& job, const SetWriting& writing, const std::vector<Interval4>& v4,
                      const std::vector<Interval6>& v6) {
    AddressTotal units;
    if (Writes<std::uint32_t>(job)) units = UnitCountOf(v4, writing);
    if (Writes<Uint128>(job)) {
        const AddressTotal more = UnitCountOf(v6, writing);
        units.Add(more.value);
        units.bit128 = units.bit128 || more.bit128 || units.value < more.value;
    }
    if (units.Exceeds(kMostNetworks)) {
        std::string size;
        AppendTotal(size, units);
        return "the result would be " + size + " networks, more than " + std::to_string(kMostNetworks) +
               " (allow longer prefixes)";
    }
    if (writing.lineFormat != nullptr && writing.lineFormat->NeedsDottedMask() && Writes<Uint128>(job) && !v6.empty()) {
        std::string network;
        ForEachUnit(v6.front(), writing, [&](const Interval6& unit) {
            if (!network.empty()) return;
            AppendAddress(network, unit.first);
            network += '/' + std::to_string(128 - TrailingZeros(static_cast<Uint128>(unit.last - unit.first + 1)));
        });
        return "{mask} and {wildcard} have no IPv6 meaning, and the result holds " + network +
               " (-4 writes IPv4 only)";
    }
    return {};
}

template <typename Value>
void WriteSet(const std::vector<Interval<Value>>& set, const SetJob& job, const SetWriting& writing,
              BlockOutput& out) {
    if (!Writes<Value>(job)) return;
    for (const Interval<Value>& interval : set) {
        ForEachUnit(interval, writing, [&](const Interval<Value>& unit) {
            WriteUnit(unit, writing, out.Text());
            out.Pass();
        });
    }
}

template <typename Value>
void WriteCountOf(std::string_view family, const std::vector<Interval<Value>>& disjoint, const AddressTotal& networks,
                  const SetJob& job, std::string& out) {
    if (Writes<Value>(job)) WriteCount(family, networks, TotalOf(disjoint), job.lineEnd, out);
}

// ---- Merge, the set operations and the difference ----

AddressSets UnionOfLists(ListReading& reading, std::span<const ListSource> lists, bool inputs) {
    UnionBuilder<std::uint32_t> v4;
    UnionBuilder<Uint128> v6;
    for (const ListSource& list : lists) {
        reading.Read(list, inputs, [&](const SetLine& line) {
            if (line.kind == SetLine::Kind::IPv4) v4.Add(line.v4);
            else v6.Add(line.v6);
        });
    }
    return {v4.Take(), v6.Take()};
}

void Merge(const SetJob& job, ListReading& reading, BlockOutput& out) {
    AddressSets result = UnionOfLists(reading, job.inputs, true);
    for (const ListSource& list : job.intersect) {
        const AddressSets other = UnionOfLists(reading, {&list, 1}, false);
        result = {IntersectionOf(result.v4, other.v4), IntersectionOf(result.v6, other.v6)};
    }
    for (const ListSource& list : job.exclude) {
        const AddressSets other = UnionOfLists(reading, {&list, 1}, false);
        result = {DifferenceOf(result.v4, other.v4), DifferenceOf(result.v6, other.v6)};
    }
    SetWriting writing = WritingOf(job);
    if (job.reducePercent) {
        std::vector<Reduction>& reductions = reading.Summary().reductions;
        reductions.push_back(ReducePrefixLengths(result.v4, writing.lengths4, *job.reducePercent, job.reduceEntries));
        reductions.push_back(ReducePrefixLengths(result.v6, writing.lengths6, *job.reducePercent, job.reduceEntries));
        writing.lengths4 = reductions[0].lengths;
        writing.lengths6 = reductions[1].lengths;
    }
    if (job.count) {
        WriteCountOf("IPv4", result.v4, NetworkCountOf(result.v4, writing.lengths4), job, out.Text());
        WriteCountOf("IPv6", result.v6, NetworkCountOf(result.v6, writing.lengths6), job, out.Text());
        return;
    }
    if (job.firewall) {
        // Networks whatever the form: what the firewalls load.
        writing.form = OutputForm::ShortMask;
        writing.lineFormat = nullptr;
    }
    if (std::string refusal = RefusalOf(job, writing, result.v4, result.v6); !refusal.empty()) {
        reading.Summary().refusal = std::move(refusal);
        return;
    }
    if (job.firewall) {
        WriteFirewallFile(*job.firewall, result.v4, result.v6, writing.lengths4, writing.lengths6, out.Text(),
                          [&] { out.Pass(); });
        return;
    }
    WriteSet(result.v4, job, writing, out);
    WriteSet(result.v6, job, writing, out);
}

// "-" for what only the old set holds, "+" for what only the new one does,
// in one list in address order.
template <typename Value>
void WriteDifference(const std::vector<Interval<Value>>& gone, const std::vector<Interval<Value>>& added,
                     const SetJob& job, const SetWriting& writing, BlockOutput& out) {
    if (!Writes<Value>(job)) return;
    auto write = [&](const Interval<Value>& interval, char sign) {
        ForEachUnit(interval, writing, [&](const Interval<Value>& unit) {
            out.Text() += sign;
            WriteUnit(unit, writing, out.Text());
            out.Pass();
        });
    };
    // The two are disjoint: the one that starts first comes first.
    std::size_t i = 0, j = 0;
    while (i < gone.size() || j < added.size()) {
        if (j == added.size() || (i < gone.size() && gone[i].first < added[j].first)) write(gone[i++], '-');
        else write(added[j++], '+');
    }
}

void Diff(const SetJob& job, ListReading& reading, BlockOutput& out) {
    const AddressSets before = UnionOfLists(reading, job.inputs, true);
    const AddressSets after = UnionOfLists(reading, {&*job.diff, 1}, false);
    const AddressSets gone{DifferenceOf(before.v4, after.v4), DifferenceOf(before.v6, after.v6)};
    const AddressSets added{DifferenceOf(after.v4, before.v4), DifferenceOf(after.v6, before.v6)};
    reading.Summary().differ = (Writes<std::uint32_t>(job) && (!gone.v4.empty() || !added.v4.empty())) ||
                               (Writes<Uint128>(job) && (!gone.v6.empty() || !added.v6.empty()));
    const SetWriting writing = WritingOf(job);
    std::vector<Interval4> both4 = gone.v4;
    both4.insert(both4.end(), added.v4.begin(), added.v4.end());
    std::vector<Interval6> both6 = gone.v6;
    both6.insert(both6.end(), added.v6.begin(), added.v6.end());
    if (std::string refusal = RefusalOf(job, writing, both4, both6); !refusal.empty()) {
        reading.Summary().refusal = std::move(refusal);
        return;
    }
    WriteDifference(gone.v4, added.v4, job, writing, out);
    WriteDifference(gone.v6, added.v6, job, writing, out);
}

// ---- Exact ----

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
        reading.Read(list, true, [&](const SetLine& line) {
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
        out.Pass();
    }
}

void Exact(const SetJob& job, ListReading& reading, BlockOutput& out) {
    const SetWriting writing = WritingOf(job);
    const bool inLineOrder = !job.count && job.order != LineOrder::Address;
    ReadLines read = ReadInputLines(job, reading, inLineOrder);
    // What -f prefix would write, for counting: networks, however the form would write them.
    const SetWriting counted{.form = OutputForm::ShortMask, .ranges = job.ranges, .lengths4 = job.lengths4,
                             .lengths6 = job.lengths6};
    if (std::string refusal = RefusalOf(job, job.count ? counted : writing, read.intervals.v4, read.intervals.v6);
        !refusal.empty()) {
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

}  // namespace

SetJobSummary RunSetJob(const SetJob& job, const SetJobOutput& output) {
    ListReading reading(job, output);
    BlockOutput out(output.write);
    switch (job.operation) {
        case SetOperation::Merge: Merge(job, reading, out); break;
        case SetOperation::Diff: Diff(job, reading, out); break;
        case SetOperation::Exact: Exact(job, reading, out); break;
    }
    out.Flush();
    return reading.Summary();
}

}  // namespace orvane
