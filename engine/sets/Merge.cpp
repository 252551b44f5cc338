// The union of every input, then what each --intersect list also holds, less
// what each --exclude list holds; written as networks, counts or a firewall file.
#include "EntryBudget.h"
#include "Guards.h"
#include "JobParts.h"
#include "PrefixReduction.h"
#include "Why.h"

namespace orvane::setjob {

AddressSets UnionOfLists(ListReading& reading, std::span<const ListSource> lists, ListRole role,
                         const std::function<bool(const SetLine&)>& keep) {
    UnionBuilder<std::uint32_t> v4;
    UnionBuilder<Uint128> v6;
    for (const ListSource& list : lists) {
        reading.Read(list, role, [&](const SetLine& line) {
            if (keep && !keep(line)) return;
            if (line.kind == SetLine::Kind::IPv4) v4.Add(line.v4);
            else v6.Add(line.v6);
        });
    }
    return {v4.Take(), v6.Take()};
}

namespace {

// What the result covers of each address asked about, and the lines that
// meet it. Only the lines near them can change the answer: the rest of the
// union is never built, so the answer costs a reading of the lists.
void AnswerWhy(const SetJob& job, ListReading& reading) {
    WhyAnswers why(job);
    reading.Watch([&](const WatchedLine& seen) { why.See(seen); });
    const std::function<bool(const SetLine&)> near = [&](const SetLine& line) { return why.Near(line); };
    AddressSets result = UnionOfLists(reading, job.inputs, ListRole::Input, near);
    for (const ListSource& list : job.intersect) {
        const AddressSets other = UnionOfLists(reading, {&list, 1}, ListRole::Intersect, near);
        result = {IntersectionOf(result.v4, other.v4), IntersectionOf(result.v6, other.v6)};
    }
    for (const ListSource& list : job.exclude) {
        const AddressSets other = UnionOfLists(reading, {&list, 1}, ListRole::Exclude, near);
        result = {DifferenceOf(result.v4, other.v4), DifferenceOf(result.v6, other.v6)};
    }
    reading.Watch(nullptr);
    why.Answer(result, reading.Summary());
}

bool FitsTables(const SetJob& job) { return job.widen4 || job.widen6 || job.maxEntries4 || job.maxEntries6; }

template <typename Value>
void FitFamily(const SetJob& job, std::vector<Interval<Value>>& set, const std::vector<Interval<Value>>& forbidden,
               SetJobSummary& summary) {
    const std::size_t family = IsIPv6<Value> ? 1 : 0;
    const std::optional<SetJob::Widen>& widen = family == 1 ? job.widen6 : job.widen4;
    const std::optional<std::uint64_t>& most = family == 1 ? job.maxEntries6 : job.maxEntries4;
    if (widen) summary.widened[family] = WidenNetworks(set, forbidden, widen->prefix, widen->least);
    if (!most) return;
    const bool halves = job.firewall && job.firewall->tool == FirewallSets::Tool::Ipset;
    const EntryFit& fit = summary.fitted[family].emplace(FitIntoEntries(set, forbidden, *most, halves));
    if (!fit.fits && !summary.refusal) {
        summary.refusal = {.kind = Refusal::Kind::TooFewEntries, .network = IsIPv6<Value> ? "IPv6" : "IPv4"};
        summary.refusal.networks.Add(fit.after);
    }
}

// The header or footer of one family's networks, with their count.
template <typename Value>
void WriteFrame(const LineFormat* frame, const std::vector<Interval<Value>>& set, const SetJob& job,
                const SetWriting& writing, BlockOutput& out) {
    if (frame == nullptr || !Writes<Value>(job)) return;
    frame->WriteFrame(UnitCountOf(set, writing), out.Text());
    out.Text().append(job.lineEnd);
}

}  // namespace

void Merge(const SetJob& job, ListReading& reading, BlockOutput& out) {
    if (!job.why.empty()) return AnswerWhy(job, reading);
    Guards guards(job, reading);
    // The protected networks that would reach the result are known before
    // the inputs only when the sides are read first: then each input line
    // is matched as it is read, and standard input need not be held.
    std::vector<AddressSets> intersects, excludes;
    if (guards.Protects()) {
        for (const ListSource& list : job.intersect)
            intersects.push_back(UnionOfLists(reading, {&list, 1}, ListRole::Intersect));
        for (const ListSource& list : job.exclude)
            excludes.push_back(UnionOfLists(reading, {&list, 1}, ListRole::Exclude));
        guards.Narrow(intersects, excludes);
    }
    if (guards.WatchesLines())
        reading.Watch([&](const WatchedLine& seen) {
            if (seen.role == ListRole::Input) guards.See(seen);
        });
    AddressSets result = UnionOfLists(reading, job.inputs, ListRole::Input);
    for (std::size_t k = 0; k < job.intersect.size(); ++k) {
        const AddressSets other = k < intersects.size() ? std::move(intersects[k])
                                                         : UnionOfLists(reading, {&job.intersect[k], 1}, ListRole::Intersect);
        result = {IntersectionOf(result.v4, other.v4), IntersectionOf(result.v6, other.v6)};
    }
    // What widening and fitting must keep out.
    AddressSets forbidden = FitsTables(job) ? guards.ProtectedUnion() : AddressSets{};
    for (std::size_t k = 0; k < job.exclude.size(); ++k) {
        const AddressSets other = k < excludes.size() ? std::move(excludes[k])
                                                       : UnionOfLists(reading, {&job.exclude[k], 1}, ListRole::Exclude);
        result = {DifferenceOf(result.v4, other.v4), DifferenceOf(result.v6, other.v6)};
        if (FitsTables(job))
            forbidden = {UnionOfSorted(forbidden.v4, other.v4), UnionOfSorted(forbidden.v6, other.v6)};
    }
    reading.Watch(nullptr);
    if (FitsTables(job)) {
        // Before the guards: the change from the last result is the change of what is loaded.
        FitFamily(job, result.v4, forbidden.v4, reading.Summary());
        FitFamily(job, result.v6, forbidden.v6, reading.Summary());
    }
    if (guards.Judge(result, reading) || reading.Summary().refusal) return;
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
    WriteFrame(job.header, result.v4, job, writing, out);
    WriteFrame(job.header, result.v6, job, writing, out);
    WriteSet(result.v4, job, writing, out);
    WriteSet(result.v6, job, writing, out);
    WriteFrame(job.footer, result.v4, job, writing, out);
    WriteFrame(job.footer, result.v6, job, writing, out);
}

}  // namespace orvane::setjob
