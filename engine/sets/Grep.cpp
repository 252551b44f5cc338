// The lines of a text (a log) that hold an address of a set, written as
// they were read, line end and all.
#include <cstring>

#include "JobParts.h"

namespace orvane::setjob {
namespace {

// Calls visit(line) for every line of the source with its LF, the last one
// without when it has none; a line longer than maxHeld is given as its first
// maxHeld bytes with whole false, and the rest is passed over.
template <typename Visit>
void ForEachRawLine(ByteSource& source, std::size_t maxHeld, Visit&& visit) {
    constexpr std::size_t kBlock = std::size_t{1} << 16;
    const std::unique_ptr<char[]> block(new char[kBlock]);
    std::string pending;
    bool overlong = false;
    for (std::size_t n; (n = source.Read(block.get(), kBlock)) > 0;) {
        std::string_view rest(block.get(), n);
        for (std::size_t lf; (lf = rest.find('\n')) != std::string_view::npos;) {
            const std::string_view piece = rest.substr(0, lf + 1);
            rest.remove_prefix(lf + 1);
            if (pending.empty() && !overlong) {
                visit(piece, true);  // the common case: the whole line in this block
                continue;
            }
            if (!overlong) pending.append(piece.substr(0, std::min(piece.size(), maxHeld + 1 - std::min(maxHeld + 1, pending.size()))));
            visit(std::string_view(pending).substr(0, std::min(pending.size(), maxHeld)), !overlong && pending.size() <= maxHeld);
            pending.clear();
            overlong = false;
        }
        if (overlong) continue;
        pending.append(rest);
        if (pending.size() > maxHeld) {
            overlong = true;
            pending.resize(maxHeld);
        }
    }
    if (!pending.empty() || overlong) visit(std::string_view(pending), !overlong);
}

template <typename Value>
bool Holds(const Interval<Value>* begin, const Interval<Value>* end, const Interval<Value>& interval) {
    const Interval<Value>* after = std::upper_bound(
        begin, end, interval.first, [](Value first, const Interval<Value>& i) { return first < i.first; });
    return after != begin && (after - 1)->last >= interval.last;
}

// The IPv4 set, with where each /16 begins in it: a log's lookups then
// search a few intervals, not the whole set, and miss the cache far less.
class IPv4Lookup {
public:
    explicit IPv4Lookup(const std::vector<Interval4>& set) : set_(set), starts_(kBuckets + 1) {
        std::size_t k = 0;
        for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
            // The first interval that ends in this bucket or later; one before it may hold its start.
            while (k < set.size() && set[k].last >> 16 < bucket) ++k;
            starts_[bucket] = static_cast<std::uint32_t>(k);
        }
        starts_[kBuckets] = static_cast<std::uint32_t>(set.size());
    }
    bool Holds(const Interval4& interval) const {
        const std::size_t bucket = interval.first >> 16;
        const Interval4* data = set_.data();
        // Those that end in the bucket, and the one after them, which may reach into it.
        const std::size_t end = std::min<std::size_t>(starts_[bucket + 1] + 1, set_.size());
        return setjob::Holds(data + starts_[bucket], data + end, interval);
    }

private:
    static constexpr std::size_t kBuckets = 65536;
    const std::vector<Interval4>& set_;
    std::vector<std::uint32_t> starts_;
};

}  // namespace

void Grep(const SetJob& job, ListReading& reading, BlockOutput& out) {
    const AddressSets set = UnionOfLists(reading, {&*job.pattern, 1}, ListRole::Pattern);
    const IPv4Lookup v4(set.v4);
    AddressExtractor extractor(job.ranges, job.zeros);
    std::size_t& matched = reading.Summary().matched;
    for (const ListSource& list : job.inputs) {
        const std::unique_ptr<ByteSource> source = OpenGuarded(list);
        std::size_t number = 0;
        ForEachRawLine(*source, kMaxSetLineText, [&](std::string_view line, bool whole) {
            ++number;
            std::string_view text = line;
            if (text.ends_with('\n')) text.remove_suffix(1);
            if (!whole) return reading.Reject(list, number, text, LineFault::TooLong);
            if (const LineFault fault = extractor.Extract(text); fault != LineFault::None)
                return reading.Reject(list, number, text, fault);
            const std::vector<SetLine>& found = extractor.Found();
            if (found.empty()) return;
            const bool inside = std::any_of(found.begin(), found.end(), [&](const SetLine& address) {
                return address.kind == SetLine::Kind::IPv4
                           ? v4.Holds(address.v4)
                           : Holds(set.v6.data(), set.v6.data() + set.v6.size(), address.v6);
            });
            if (inside == job.invert) return;
            ++matched;
            if (job.count) return;
            out.Text().append(line);
            if (job.flushEachLine) out.Flush();
            else out.PassOnWhenFull();
        });
        reading.Summary().lines += number;
    }
    if (job.count) out.Text() += std::to_string(matched) + job.lineEnd;
}

}  // namespace orvane::setjob
