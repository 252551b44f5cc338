// The union: intervals sorted by their first address and joined where
// they overlap or touch, in one go or as they arrive.
#include "AddressSet.h"

#include "Memory.h"

namespace orvane {
namespace {

// Below this many, a comparison sort is as fast: the counting passes below
// clear and walk two tables of 65,536 counts whatever the list's size.
constexpr std::size_t kCountingSortFrom = 4096;

// Lists of a million single addresses are the common case: two counting
// passes over 16 bits each sort them several times faster than a comparison
// sort, and they need one buffer the size of the list.
void SortByFirst(std::vector<Interval4>& intervals) {
    if (intervals.size() < kCountingSortFrom) {
        std::sort(intervals.begin(), intervals.end(),
                  [](const Interval4& a, const Interval4& b) { return a.first < b.first; });
        return;
    }
    std::vector<Interval4> buffer;
    ReserveLarge(buffer, intervals.size());
    buffer.resize(intervals.size());
    for (const unsigned shift : {0u, 16u}) {
        std::vector<std::size_t> starts(65537);
        for (const Interval4& i : intervals) ++starts[((i.first >> shift) & 0xFFFF) + 1];
        for (std::size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
        for (const Interval4& i : intervals) buffer[starts[(i.first >> shift) & 0xFFFF]++] = i;
        intervals.swap(buffer);
    }
}

void SortByFirst(std::vector<Interval6>& intervals) {
    std::sort(intervals.begin(), intervals.end(), [](const Interval6& a, const Interval6& b) {
        return a.first.high != b.first.high ? a.first.high < b.first.high : a.first.low < b.first.low;
    });
}

// Joins overlapping and touching neighbours of intervals sorted by first.
template <typename Value>
void JoinSorted(std::vector<Interval<Value>>& intervals) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < intervals.size(); ++k) {
        const Interval<Value> next = intervals[k];
        if (kept > 0) {
            Interval<Value>& joined = intervals[kept - 1];
            // Touching counts as overlapping; nothing touches the last address from above.
            if (joined.last == kLastAddress<Value> || next.first <= static_cast<Value>(joined.last + 1)) {
                joined.last = std::max(joined.last, next.last);
                continue;
            }
        }
        intervals[kept++] = next;
    }
    intervals.resize(kept);
}

}  // namespace

template <typename Value>
std::vector<Interval<Value>> UnionOf(std::vector<Interval<Value>> intervals) {
    SortByFirst(intervals);
    JoinSorted(intervals);
    return intervals;
}

template <typename Value>
void UnionBuilder<Value>::Join() {
    if (fresh_.empty()) return;
    fresh_ = UnionOf(std::move(fresh_));
    if (kept_.empty()) {
        kept_.swap(fresh_);
    } else {
        // Both are sorted: merged from the back into the room kept_ grows by.
        std::size_t i = kept_.size(), j = fresh_.size(), w = i + j;
        kept_.resize(w);
        while (j > 0) {
            if (i > 0 && kept_[i - 1].first > fresh_[j - 1].first) kept_[--w] = kept_[--i];
            else kept_[--w] = fresh_[--j];
        }
        JoinSorted(kept_);
    }
    fresh_.clear();
    // Each join moves the whole union: batches that grow with it keep that
    // to a few moves an interval, at a fraction of the union's memory.
    batch_ = std::max(kFirstBatch, kept_.size() / 8);
}

// A batch's room is asked for once, where the kernel can back it with huge pages.
template <typename Value>
void UnionBuilder<Value>::Reserve() {
    ReserveLarge(fresh_, std::max(batch_, fresh_.size() + 1));
}

template <typename Value>
std::vector<Interval<Value>> UnionBuilder<Value>::Take() {
    Join();
    fresh_ = {};
    batch_ = kFirstBatch;
    return std::move(kept_);
}

template class UnionBuilder<std::uint32_t>;
template class UnionBuilder<Uint128>;
template <typename Value>
std::vector<Interval<Value>> UnionOfSorted(const std::vector<Interval<Value>>& a, const std::vector<Interval<Value>>& b) {
    std::vector<Interval<Value>> both(a.size() + b.size());
    std::merge(a.begin(), a.end(), b.begin(), b.end(), both.begin(),
               [](const Interval<Value>& x, const Interval<Value>& y) { return x.first < y.first; });
    JoinSorted(both);
    return both;
}

template std::vector<Interval4> UnionOfSorted(const std::vector<Interval4>&, const std::vector<Interval4>&);
template std::vector<Interval6> UnionOfSorted(const std::vector<Interval6>&, const std::vector<Interval6>&);
template std::vector<Interval4> UnionOf(std::vector<Interval4>);
template std::vector<Interval6> UnionOf(std::vector<Interval6>);

}  // namespace orvane
