// Why an address is in a merge's result, or not: every line of every list
// that meets it, and how much of it the result covers. Only engine/sets
// includes it.
#pragma once

#include <vector>

#include "JobParts.h"

namespace orvane::setjob {

class WhyAnswers {
public:
    explicit WhyAnswers(const SetJob& job);

    // Whether the line meets what the addresses asked about span.
    bool Near(const SetLine& line) const {
        return line.kind == SetLine::Kind::IPv4 ? Overlap(span4_, line.v4) : Overlap(span6_, line.v6);
    }

    void See(const WatchedLine& seen);

    // Each answer, with what of its address the result covers, into the summary.
    void Answer(const AddressSets& result, SetJobSummary& summary);

private:
    const SetJob& job_;
    std::vector<WhyAnswer> answers_;
    // What all the addresses asked about span, per family: most lines lie
    // outside it and are passed by with one comparison.
    Interval4 span4_{kLastAddress<std::uint32_t>, 0};
    Interval6 span6_{kLastAddress<Uint128>, Uint128{}};
};

}  // namespace orvane::setjob
