// The guards of a merge, judged on its result before any of it is written.
#include "Guards.h"

#include "AddressText.h"

namespace orvane::setjob {
namespace {

template <typename Value>
FamilyChange ChangeOf(const std::vector<Interval<Value>>& previous, const std::vector<Interval<Value>>& now) {
    FamilyChange change{.ipv6 = IsIPv6<Value>,
                        .previous = TotalOf(previous),
                        .added = TotalOf(DifferenceOf(now, previous)),
                        .removed = TotalOf(DifferenceOf(previous, now))};
    change.limited = !previous.empty();
    if (change.limited) {
        change.percent = static_cast<double>((Approximately(change.added) + Approximately(change.removed)) * 100 /
                                             Approximately(change.previous));
    }
    return change;
}

// How the line's interval meets the protected one.
template <typename Value>
NamedLine::Meets MeetsHow(const Interval<Value>& line, const Interval<Value>& guarded) {
    if (line.first <= guarded.first && guarded.last <= line.last) return NamedLine::Meets::Covers;
    if (guarded.first <= line.first && line.last <= guarded.last) return NamedLine::Meets::LiesIn;
    return NamedLine::Meets::Overlaps;
}

}  // namespace

template <typename Value>
std::string IntervalText(const Interval<Value>& interval) {
    std::string text;
    AppendAddress(text, interval.first);
    if (interval.first == interval.last) return text;
    if (interval.first == Value{} && interval.last == kLastAddress<Value>) return text + "/0";
    // A network: a power of two in size, aligned to it.
    const Value span = interval.last - interval.first;
    const unsigned bits = kAddressWidth<Value> - TrailingZeros(static_cast<Value>(span + 1));
    if ((span & static_cast<Value>(span + 1)) == Value{} && NetworkOf(interval.first, bits) == interval)
        return text + '/' + std::to_string(bits);
    text += '-';
    AppendAddress(text, interval.last);
    return text;
}

template std::string IntervalText(const Interval4&);
template std::string IntervalText(const Interval6&);

Guards::Guards(const SetJob& job, ListReading& reading) : job_(job) {
    // Each line is kept with where it stands, to be named beside what meets it.
    reading.Watch([&](const WatchedLine& seen) {
        if (seen.line.kind == SetLine::Kind::IPv4) lines4_.push_back({seen.line.v4, std::string(seen.list), seen.number});
        else lines6_.push_back({seen.line.v6, std::string(seen.list), seen.number});
    });
    protect_ = UnionOfLists(reading, job.protect, ListRole::Protect);
    reading.Watch(nullptr);
    all_ = protect_;
}

void Guards::Narrow(const std::vector<AddressSets>& intersects, const std::vector<AddressSets>& excludes) {
    for (const AddressSets& side : intersects)
        protect_ = {IntersectionOf(protect_.v4, side.v4), IntersectionOf(protect_.v6, side.v6)};
    for (const AddressSets& side : excludes)
        protect_ = {DifferenceOf(protect_.v4, side.v4), DifferenceOf(protect_.v6, side.v6)};
}

template <typename Value>
void Guards::SeeFamily(const WatchedLine& seen, const Interval<Value>& line) {
    auto name = [&](Refusal& refusal) -> NamedLine* {
        if (refusal.lines.size() == kMostGuardLines) {
            ++refusal.more;
            return nullptr;
        }
        return &refusal.lines.emplace_back(NamedLine{
            .role = seen.role, .list = std::string(seen.list), .number = seen.number, .network = IntervalText(line)});
    };
    const std::optional<unsigned>& maxSize = IsIPv6<Value> ? job_.maxSize6 : job_.maxSize4;
    if (maxSize && static_cast<Value>(line.last - line.first) > LowOnes<Value>(kAddressWidth<Value> - *maxSize))
        name(tooLarge_);
    const auto& reaching = [&]() -> const std::vector<Interval<Value>>& {
        if constexpr (IsIPv6<Value>) return protect_.v6;
        else return protect_.v4;
    }();
    if (reaching.empty() || !Meets(reaching, line)) return;
    NamedLine* named = name(protected_);
    if (named == nullptr) return;
    // The first protected line whose part in the result this line brings in.
    const auto& lines = [&]() -> const auto& {
        if constexpr (IsIPv6<Value>) return lines6_;
        else return lines4_;
    }();
    for (const auto& guarded : lines) {
        if (!Overlap(guarded.interval, line)) continue;
        const Interval<Value> both{std::max(guarded.interval.first, line.first), std::min(guarded.interval.last, line.last)};
        if (!Meets(reaching, both)) continue;
        named->meets = MeetsHow(line, guarded.interval);
        named->other = IntervalText(guarded.interval);
        named->otherList = guarded.list;
        named->otherNumber = guarded.number;
        return;
    }
}

void Guards::See(const WatchedLine& seen) {
    if (seen.line.kind == SetLine::Kind::IPv4) SeeFamily(seen, seen.line.v4);
    else SeeFamily(seen, seen.line.v6);
}

bool Guards::Judge(const AddressSets& result, ListReading& reading) {
    std::vector<Refusal>& refused = reading.Summary().guards;
    if (!protected_.lines.empty()) refused.push_back(std::move(protected_));
    if (!tooLarge_.lines.empty()) refused.push_back(std::move(tooLarge_));
    if (job_.previous) {
        const AddressSets previous = UnionOfLists(reading, {&*job_.previous, 1}, ListRole::Previous);
        std::vector<FamilyChange>& changes = reading.Summary().changes;
        changes = {ChangeOf(previous.v4, result.v4), ChangeOf(previous.v6, result.v6)};
        Refusal tooMuch{.kind = Refusal::Kind::TooMuchChange};
        for (const FamilyChange& change : changes)
            if (change.limited && change.percent > job_.maxChange) tooMuch.changes.push_back(change);
        if (!tooMuch.changes.empty()) refused.push_back(std::move(tooMuch));
    }
    return !refused.empty();
}

}  // namespace orvane::setjob
