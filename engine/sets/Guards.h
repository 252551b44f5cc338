// What a merge's result must not hold or become before it goes to a
// firewall: protected networks, lines naming too much, too large a change
// from the last result. Only engine/sets includes it.
#pragma once

#include <vector>

#include "JobParts.h"

namespace orvane::setjob {

class Guards {
public:
    // Reads the protected lists, before any input.
    Guards(const SetJob& job, ListReading& reading);

    bool Protects() const { return !protect_.v4.empty() || !protect_.v6.empty(); }
    // Every protected address, wherever it lies.
    const AddressSets& ProtectedUnion() const { return all_; }
    // Whether input lines are to be shown to See.
    bool WatchesLines() const { return Protects() || job_.maxSize4 || job_.maxSize6; }

    // What of the protected networks would reach the result, given the
    // sides: every input line that meets it is named as it is read.
    void Narrow(const std::vector<AddressSets>& intersects, const std::vector<AddressSets>& excludes);

    void See(const WatchedLine& line);

    // Puts every guard's refusal, and the change from the previous result,
    // into the summary (reading the previous result); true when a guard refused.
    bool Judge(const AddressSets& result, ListReading& reading);

private:
    // A protected line: what it names and where it stands.
    template <typename Value>
    struct Protected {
        Interval<Value> interval;
        std::string list;
        std::size_t number;
    };

    template <typename Value>
    void SeeFamily(const WatchedLine& seen, const Interval<Value>& line);

    const SetJob& job_;
    AddressSets protect_;  // the union, then what of it reaches the result
    AddressSets all_;      // the union
    std::vector<Protected<std::uint32_t>> lines4_;
    std::vector<Protected<Uint128>> lines6_;
    Refusal protected_{.kind = Refusal::Kind::Protected}, tooLarge_{.kind = Refusal::Kind::TooLarge};
};

}  // namespace orvane::setjob
