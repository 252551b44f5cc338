// What the set job's operations share: the output in blocks, the reading
// of lists with its counts and rejected lines, the writing of a set and the
// judging of a result before it is written. Only engine/sets includes it.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "AddressReader.h"
#include "AddressWriter.h"
#include "ExtractingReader.h"
#include "SetJob.h"

namespace orvane::setjob {

// The result goes to the sink in blocks of about this size: few writes, and
// a buffer that stays small whatever the size of the result.
constexpr std::size_t kOutputBlock = std::size_t{1} << 20;

class BlockOutput {
public:
    explicit BlockOutput(const std::function<void(std::string_view)>& write) : write_(write) {
        if (write_) text_.reserve(kOutputBlock + kOutputBlock / 8);
    }
    std::string& Text() { return text_; }
    // After every line or so: hands on the block once it is full.
    void PassOnWhenFull() {
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

// What a list's source threw, carried out of the operation to RunSetJob,
// which hands it to the caller in the summary. What the output's sink
// throws is the caller's own and passes by.
struct SourceFailed {
    std::exception_ptr error;
};

// A source whose every failure is a SourceFailed.
class GuardedSource : public ByteSource {
public:
    explicit GuardedSource(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        try {
            return source_->Read(buffer, size);
        } catch (...) {
            throw SourceFailed{std::current_exception()};
        }
    }

private:
    std::unique_ptr<ByteSource> source_;
};

inline std::unique_ptr<ByteSource> OpenGuarded(const ListSource& list) {
    std::unique_ptr<ByteSource> source;
    try {
        source = list.open();
    } catch (...) {
        throw SourceFailed{std::current_exception()};
    }
    return std::make_unique<GuardedSource>(std::move(source));
}

// A line that names addresses, as an operation's watcher sees it.
struct WatchedLine {
    ListRole role;
    std::string_view list;
    std::size_t number;
    std::string_view bytes;
    const SetLine& line;
};

// Reads lists line by line, counting the lines and handing on the rejected ones.
class ListReading {
public:
    ListReading(const SetJob& job, const SetJobOutput& output)
        : job_(job), output_(output), extractor_(job.ranges, job.zeros) {}

    // Calls visit(line) for every line of the list that names addresses; an
    // input's single addresses widened to the default prefix.
    template <typename Visit>
    void Read(const ListSource& list, ListRole role, Visit&& visit) {
        const std::unique_ptr<ByteSource> bytes = Utf16ListAsUtf8(OpenGuarded(list));
        std::size_t number = 0;
        const bool widen = role == ListRole::Input && (job_.defaultPrefix4 || job_.defaultPrefix6);
        auto take = [&](SetLine line, std::string_view text) {
            if (widen && NamesOneAddress(line)) {
                if (line.kind == SetLine::Kind::IPv4 && job_.defaultPrefix4)
                    line.v4 = NetworkOf(line.v4.first, *job_.defaultPrefix4);
                if (line.kind == SetLine::Kind::IPv6 && job_.defaultPrefix6)
                    line.v6 = NetworkOf(line.v6.first, *job_.defaultPrefix6);
            }
            if (watch_) watch_({role, list.name, number, text, line});
            visit(line);
        };
        // The last result may be the firewall file written from it.
        std::optional<FirewallFileLines> firewallFile;
        if (role == ListRole::Previous) firewallFile.emplace();
        if (job_.extract && !firewallFile) {
            ExtractingReader extracted(*bytes, job_.ranges, job_.zeros);
            while (const ExtractedBatch* batch = extracted.Next()) {
                for (const ExtractedLine& line : batch->lines) {
                    ++number;
                    const std::string_view text = batch->Text(line);
                    if (line.fault != LineFault::None) {
                        Reject(list, number, text, line.fault);
                        continue;
                    }
                    if (line.count == 0) ++summary_.withoutAddress;
                    for (std::size_t k = line.first; k < line.first + line.count; ++k) take(batch->found[k], text);
                }
                // Said as reading them in turn would: once the lines before are taken.
                if (batch->error) std::rethrow_exception(batch->error);
            }
            summary_.lines += number;
            return;
        }
        // One byte past the longest text a line may have: enough to tell such a line apart.
        ForEachSourceLine(*bytes, kMaxSetLineText + 1, [&](std::string_view text) {
            ++number;
            if (firewallFile) {
                const std::optional<std::string_view> address = firewallFile->AddressText(text);
                if (!address) return;
                text = *address;
            }
            auto reject = [&](LineFault fault) { Reject(list, number, text, fault); };
            if (job_.extract) {
                if (const LineFault fault = extractor_.Extract(text); fault != LineFault::None) return reject(fault);
                if (extractor_.Found().empty()) ++summary_.withoutAddress;
                for (const SetLine& line : extractor_.Found()) take(line, text);
                return;
            }
            const SetLine line = ReadListLine(text, job_.ranges, scratch_, job_.zeros);
            if (line.kind == SetLine::Kind::Rejected) return reject(line.fault);
            if (line.kind != SetLine::Kind::Blank) take(line, text);
        });
        summary_.lines += number;
    }

    // Counts a rejected line and hands it on.
    void Reject(const ListSource& list, std::size_t number, std::string_view text, LineFault fault) {
        ++summary_.rejected;
        summary_.leadingZeros += fault == LineFault::LeadingZero;
        if (output_.rejected) output_.rejected({list.name, number, text, fault});
    }

    // Shown every line that names addresses from now on; none: no longer.
    void Watch(std::function<void(const WatchedLine&)> watch) { watch_ = std::move(watch); }

    SetJobSummary& Summary() { return summary_; }

private:
    const SetJob& job_;
    const SetJobOutput& output_;
    LineScratch scratch_;
    AddressExtractor extractor_;
    SetJobSummary summary_;
    std::function<void(const WatchedLine&)> watch_;
};

SetWriting WritingOf(const SetJob& job);

// How many units ForEachUnit gives for the intervals: the lines written.
template <typename Value>
AddressTotal UnitCountOf(const std::vector<Interval<Value>>& intervals, const SetWriting& writing) {
    if (!WritesWholeIntervals<Value>(writing)) return NetworkCountOf(intervals, writing.Lengths<Value>());
    AddressTotal count;
    count.Add(intervals.size());
    return count;
}

// Why the result cannot be written (too many networks, or an IPv6 network
// where the line format wants a dotted mask), judged on every interval that
// would be written, before anything is; Kind::None when it can.
Refusal RefusalOf(const SetJob& job, const SetWriting& writing, const std::vector<Interval4>& v4,
                  const std::vector<Interval6>& v6);

template <typename Value>
void WriteSet(const std::vector<Interval<Value>>& set, const SetJob& job, const SetWriting& writing,
              BlockOutput& out) {
    if (!Writes<Value>(job)) return;
    for (const Interval<Value>& interval : set) {
        ForEachUnit(interval, writing, [&](const Interval<Value>& unit) {
            WriteUnit(unit, writing, out.Text());
            out.PassOnWhenFull();
        });
    }
}

template <typename Value>
void WriteCountOf(std::string_view family, const std::vector<Interval<Value>>& disjoint, const AddressTotal& networks,
                  const SetJob& job, std::string& out) {
    if (Writes<Value>(job)) WriteCount(family, networks, TotalOf(disjoint), job.lineEnd, out);
}

// The union of the lines of the lists, per family; with keep, of the lines it keeps only.
AddressSets UnionOfLists(ListReading& reading, std::span<const ListSource> lists, ListRole role,
                         const std::function<bool(const SetLine&)>& keep = {});

// What a network or range is written as in an answer: a/N, or first-last.
template <typename Value>
std::string IntervalText(const Interval<Value>& interval);

template <typename Value>
bool Overlap(const Interval<Value>& a, const Interval<Value>& b) {
    return a.first <= b.last && b.first <= a.last;
}

// Whether any of the sorted disjoint intervals meets the interval.
template <typename Value>
bool Meets(const std::vector<Interval<Value>>& disjoint, const Interval<Value>& interval) {
    const auto at = std::lower_bound(disjoint.begin(), disjoint.end(), interval.first,
                                     [](const Interval<Value>& i, Value first) { return i.last < first; });
    return at != disjoint.end() && at->first <= interval.last;
}

// The operations, each in a file of its own.
void Merge(const SetJob& job, ListReading& reading, BlockOutput& out);
void Diff(const SetJob& job, ListReading& reading, BlockOutput& out);
void Exact(const SetJob& job, ListReading& reading, BlockOutput& out);
void Grep(const SetJob& job, ListReading& reading, BlockOutput& out);

}  // namespace orvane::setjob
