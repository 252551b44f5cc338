// What the union of the inputs and another list hold apart.
#include "JobParts.h"

namespace orvane::setjob {
namespace {

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
            out.PassOnWhenFull();
        });
    };
    // The two are disjoint: the one that starts first comes first.
    std::size_t i = 0, j = 0;
    while (i < gone.size() || j < added.size()) {
        if (j == added.size() || (i < gone.size() && gone[i].first < added[j].first)) write(gone[i++], '-');
        else write(added[j++], '+');
    }
}

}  // namespace

void Diff(const SetJob& job, ListReading& reading, BlockOutput& out) {
    const AddressSets before = UnionOfLists(reading, job.inputs, ListRole::Input);
    const AddressSets after = UnionOfLists(reading, {&*job.diff, 1}, ListRole::Compared);
    const AddressSets gone{DifferenceOf(before.v4, after.v4), DifferenceOf(before.v6, after.v6)};
    const AddressSets added{DifferenceOf(after.v4, before.v4), DifferenceOf(after.v6, before.v6)};
    reading.Summary().differ = (Writes<std::uint32_t>(job) && (!gone.v4.empty() || !added.v4.empty())) ||
                               (Writes<Uint128>(job) && (!gone.v6.empty() || !added.v6.empty()));
    const SetWriting writing = WritingOf(job);
    std::vector<Interval4> both4 = gone.v4;
    both4.insert(both4.end(), added.v4.begin(), added.v4.end());
    std::vector<Interval6> both6 = gone.v6;
    both6.insert(both6.end(), added.v6.begin(), added.v6.end());
    if (Refusal refusal = RefusalOf(job, writing, both4, both6); refusal) {
        reading.Summary().refusal = std::move(refusal);
        return;
    }
    WriteDifference(gone.v4, added.v4, job, writing, out);
    WriteDifference(gone.v6, added.v6, job, writing, out);
}

}  // namespace orvane::setjob
