#include "Why.h"

namespace orvane::setjob {
namespace {

// Enough of a line to show it: the report shows at most this many characters.
constexpr std::size_t kShownLineBytes = std::size_t{4} * kMaxLineLength;

template <typename Value>
WhyAnswer::Covered CoveredPart(const std::vector<Interval<Value>>& result, const Interval<Value>& asked) {
    const AddressTotal covered = TotalOf(IntersectionOf(result, {asked})), whole = TotalOf(std::vector{asked});
    if (covered.value == whole.value && covered.bit128 == whole.bit128) return WhyAnswer::Covered::All;
    return covered.value == Uint128{} && !covered.bit128 ? WhyAnswer::Covered::None : WhyAnswer::Covered::Part;
}

}  // namespace

WhyAnswers::WhyAnswers(const SetJob& job) : job_(job) {
    for (const WhyQuery& query : job.why) {
        answers_.push_back({.asked = query.text});
        if (query.family == SetLine::Kind::IPv4)
            span4_ = {std::min(span4_.first, query.v4.first), std::max(span4_.last, query.v4.last)};
        else
            span6_ = {std::min(span6_.first, query.v6.first), std::max(span6_.last, query.v6.last)};
    }
}

void WhyAnswers::See(const WatchedLine& seen) {
    if (!Near(seen.line)) return;
    for (std::size_t k = 0; k < job_.why.size(); ++k) {
        const WhyQuery& query = job_.why[k];
        if (query.family != seen.line.kind) continue;
        const bool meets = query.family == SetLine::Kind::IPv4 ? Overlap(query.v4, seen.line.v4)
                                                               : Overlap(query.v6, seen.line.v6);
        if (!meets) continue;
        WhyAnswer& answer = answers_[k];
        if (answer.lines.size() == kMostWhyLines) {
            ++answer.more;
            continue;
        }
        answer.lines.push_back({.role = seen.role,
                                .list = std::string(seen.list),
                                .number = seen.number,
                                .bytes = std::string(seen.bytes.substr(0, kShownLineBytes))});
    }
}

void WhyAnswers::Answer(const AddressSets& result, SetJobSummary& summary) {
    for (std::size_t k = 0; k < job_.why.size(); ++k) {
        const WhyQuery& query = job_.why[k];
        answers_[k].covered = query.family == SetLine::Kind::IPv4 ? CoveredPart(result.v4, query.v4)
                                                                  : CoveredPart(result.v6, query.v6);
    }
    summary.why = std::move(answers_);
}

}  // namespace orvane::setjob
