#include "SetJob.h"

#include <algorithm>
#include <span>
#include <unordered_set>

#include "AddressReader.h"
#include "AddressWriter.h"

namespace orvane {
namespace {

// The result goes to the sink in blocks of about this size: few writes, and
// a buffer that stays small whatever the size of the result.
constexpr std::size_t kOutputBlock = std::size_t{1} << 20;

class BlockOutput {
public:
    explicit BlockOutput(const std::function<void(std::string_view)>& write) : write_(write) {
        text_.reserve(kOutputBlock + kOutputBlock / 8);
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

// Reads lists line by line, counting the lines and handing on the rejected ones.
class ListReading {
public:
    ListReading(const SetJob& job, const SetJobOutput& output) : job_(job), output_(output) {}

    // Calls visit(line) for every line of the list that names addresses.
    template <typename Visit>
    void Read(const ListSource& list, Visit&& visit) {
        const std::unique_ptr<ByteSource> bytes = list.open();
        std::size_t number = 0;
        // One byte past the longest text a line may have: enough to tell such a line apart.
        ForEachSourceLine(*bytes, kMaxSetLineText + 1, [&](std::string_view line) {
            ++number;
            const SetLine read = ReadListLine(line, job_.ranges, scratch_);
            if (read.kind == SetLine::Kind::Rejected) {
                ++summary_.rejected;
                if (output_.rejected) output_.rejected({list.name, number, line});
            } else if (read.kind != SetLine::Kind::Blank) {
                visit(read);
            }
        });
        summary_.lines += number;
    }

    const SetJobSummary& Summary() const { return summary_; }

private:
    const SetJob& job_;
    const SetJobOutput& output_;
    LineScratch scratch_;
    SetJobSummary summary_;
};

SetWriting WritingOf(const SetJob& job) {
    return {.form = job.form, .delimiter = job.delimiter, .lineEnd = job.lineEnd, .ranges = job.ranges};
}

template <typename Value>
void WriteCountOf(std::string_view family, const std::vector<Interval<Value>>& disjoint, std::size_t networks,
                  const SetJob& job, std::string& out) {
    if (networks > 0) WriteCount(family, networks, TotalOf(disjoint), job.lineEnd, out);
}

// ---- Merge and the set operations ----

AddressSets UnionOfLists(ListReading& reading, std::span<const ListSource> lists) {
    UnionBuilder<std::uint32_t> v4;
    UnionBuilder<Uint128> v6;
    for (const ListSource& list : lists) {
        reading.Read(list, [&](const SetLine& line) {
            if (line.kind == SetLine::Kind::IPv4) v4.Add(line.v4);
            else v6.Add(line.v6);
        });
    }
    return {v4.Take(), v6.Take()};
}

template <typename Value>
void WriteSet(const std::vector<Interval<Value>>& set, const SetWriting& writing, BlockOutput& out) {
    for (const Interval<Value>& interval : set) {
        ForEachUnit(interval, writing, [&](const Interval<Value>& unit) {
            WriteUnit(unit, writing, out.Text());
            out.Pass();
        });
    }
}

void Merge(const SetJob& job, ListReading& reading, BlockOutput& out) {
    AddressSets result = UnionOfLists(reading, job.inputs);
    for (const ListSource& list : job.intersect) {
        const AddressSets other = UnionOfLists(reading, {&list, 1});
        result = {IntersectionOf(result.v4, other.v4), IntersectionOf(result.v6, other.v6)};
    }
    for (const ListSource& list : job.exclude) {
        const AddressSets other = UnionOfLists(reading, {&list, 1});
        result = {DifferenceOf(result.v4, other.v4), DifferenceOf(result.v6, other.v6)};
    }
    if (job.count) {
        WriteCountOf("IPv4", result.v4, NetworkCountOf(result.v4), job, out.Text());
        WriteCountOf("IPv6", result.v6, NetworkCountOf(result.v6), job, out.Text());
        return;
    }
    const SetWriting writing = WritingOf(job);
    WriteSet(result.v4, writing, out);
    WriteSet(result.v6, writing, out);
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

// Every unit the exact modes write for the lines of the inputs, per family
// in address order.
AddressSets ExactUnits(const SetJob& job, const SetWriting& writing, ListReading& reading) {
    AddressSets units;
    for (const ListSource& list : job.inputs) {
        reading.Read(list, [&](const SetLine& line) {
            if (line.kind == SetLine::Kind::IPv4)
                ForEachUnit(line.v4, writing, [&](const Interval4& unit) { units.v4.push_back(unit); });
            else
                ForEachUnit(line.v6, writing, [&](const Interval6& unit) { units.v6.push_back(unit); });
        });
    }
    SortByAddress(units.v4, job.removeDuplicates);
    SortByAddress(units.v6, job.removeDuplicates);
    return units;
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

// In the list's own order (as the window orders lines, or as read): each
// line's units together, a unit written before not again when duplicates go.
void ExactInLineOrder(const SetJob& job, const SetWriting& writing, ListReading& reading, BlockOutput& out) {
    // The lines as read, their texts kept end to end, for the text order and the duplicate rule.
    struct Line {
        SetLine::Kind kind;
        Interval4 v4;
        Interval6 v6;
        std::size_t offset, length;
    };
    std::vector<Line> lines;
    std::string keptText;
    for (const ListSource& list : job.inputs) {
        reading.Read(list, [&](const SetLine& line) {
            lines.push_back({line.kind, line.v4, line.v6, keptText.size(), line.text.size()});
            keptText.append(line.text);
        });
    }
    std::vector<std::string_view> cleaned;
    cleaned.reserve(lines.size());
    for (const Line& line : lines) cleaned.emplace_back(keptText.data() + line.offset, line.length);

    std::unordered_set<Interval4, UnitHash> written4;
    std::unordered_set<Interval6, UnitHash> written6;
    for (const std::size_t k : CleanedListOrder(cleaned, job.removeDuplicates, job.order == LineOrder::Text)) {
        if (lines[k].kind == SetLine::Kind::IPv4) {
            ForEachUnit(lines[k].v4, writing, [&](const Interval4& unit) {
                if (!job.removeDuplicates || written4.insert(unit).second) WriteUnit(unit, writing, out.Text());
            });
        } else {
            ForEachUnit(lines[k].v6, writing, [&](const Interval6& unit) {
                if (!job.removeDuplicates || written6.insert(unit).second) WriteUnit(unit, writing, out.Text());
            });
        }
        out.Pass();
    }
}

void Exact(const SetJob& job, ListReading& reading, BlockOutput& out) {
    if (job.count) {
        // What -f prefix would write: networks, however the form would write them.
        const AddressSets units = ExactUnits(job, {.form = OutputForm::ShortMask, .ranges = job.ranges}, reading);
        WriteCountOf("IPv4", UnionOf(units.v4), units.v4.size(), job, out.Text());
        WriteCountOf("IPv6", UnionOf(units.v6), units.v6.size(), job, out.Text());
        return;
    }
    const SetWriting writing = WritingOf(job);
    if (job.order != LineOrder::Address) return ExactInLineOrder(job, writing, reading, out);
    const AddressSets units = ExactUnits(job, writing, reading);
    for (const Interval4& unit : units.v4) {
        WriteUnit(unit, writing, out.Text());
        out.Pass();
    }
    for (const Interval6& unit : units.v6) {
        WriteUnit(unit, writing, out.Text());
        out.Pass();
    }
}

}  // namespace

SetJobSummary RunSetJob(const SetJob& job, const SetJobOutput& output) {
    ListReading reading(job, output);
    BlockOutput out(output.write);
    if (job.operation == SetOperation::Merge) Merge(job, reading, out);
    else Exact(job, reading, out);
    out.Flush();
    return reading.Summary();
}

}  // namespace orvane
