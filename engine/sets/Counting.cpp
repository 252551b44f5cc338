// How many addresses a set holds, and how many networks it is written as.
#include "AddressSet.h"

namespace orvane {

template <typename Value>
AddressTotal TotalOf(const std::vector<Interval<Value>>& disjoint) {
    AddressTotal total;
    for (const Interval<Value>& interval : disjoint) {
        if (interval.first == Value{} && interval.last == kLastAddress<Value>) total.AddPowerOfTwo(kAddressWidth<Value>);
        else total.Add(Uint128(interval.last - interval.first) + 1);
    }
    return total;
}

template <typename Value>
AddressTotal NetworkCountOf(const std::vector<Interval<Value>>& intervals, const PrefixLengths& lengths) {
    constexpr unsigned width = kAddressWidth<Value>;
    AddressTotal count;
    for (const Interval<Value>& interval : intervals)
        ForEachNetwork(interval, [&](Value, unsigned prefix) {
            count.AddPowerOfTwo(AllowedPrefix(prefix, lengths, width) - prefix);
        });
    return count;
}

template AddressTotal TotalOf(const std::vector<Interval4>&);
template AddressTotal TotalOf(const std::vector<Interval6>&);
template AddressTotal NetworkCountOf(const std::vector<Interval4>&, const PrefixLengths&);
template AddressTotal NetworkCountOf(const std::vector<Interval6>&, const PrefixLengths&);

}  // namespace orvane
