// The union of every input, then what each --intersect list also holds, less
// what each --exclude list holds; written as networks, counts or a firewall file.
#include "JobParts.h"

#include "PrefixReduction.h"

namespace orvane::setjob {

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
    if (Refusal refusal = RefusalOf(job, writing, result.v4, result.v6); refusal) {
        reading.Summary().refusal = std::move(refusal);
        return;
    }
    if (job.firewall) {
        WriteFirewallFile(*job.firewall, result.v4, result.v6, writing.lengths4, writing.lengths6, out.Text(),
                          [&] { out.PassOnWhenFull(); });
        return;
    }
    WriteSet(result.v4, job, writing, out);
    WriteSet(result.v6, job, writing, out);
}

}  // namespace orvane::setjob
