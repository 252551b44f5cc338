// What two unions both hold, and what the first holds that the second does not.
#include "AddressSet.h"

namespace orvane {

template <typename Value>
std::vector<Interval<Value>> IntersectionOf(const std::vector<Interval<Value>>& a,
                                            const std::vector<Interval<Value>>& b) {
    std::vector<Interval<Value>> result;
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        const Value first = std::max(a[i].first, b[j].first), last = std::min(a[i].last, b[j].last);
        if (first <= last) result.push_back({first, last});
        if (a[i].last < b[j].last) ++i;
        else ++j;
    }
    return result;
}

template <typename Value>
std::vector<Interval<Value>> DifferenceOf(const std::vector<Interval<Value>>& a,
                                          const std::vector<Interval<Value>>& b) {
    std::vector<Interval<Value>> result;
    std::size_t j = 0;
    for (Interval<Value> rest : a) {
        while (j < b.size() && b[j].last < rest.first) ++j;
        bool empty = false;
        for (std::size_t k = j; k < b.size() && b[k].first <= rest.last; ++k) {
            // b[k] starts above rest.first, so one below it exists; it ends below rest.last, so one above it does.
            if (b[k].first > rest.first) result.push_back({rest.first, static_cast<Value>(b[k].first - 1)});
            if (b[k].last >= rest.last) {
                empty = true;
                break;
            }
            rest.first = b[k].last + 1;
        }
        if (!empty) result.push_back(rest);
    }
    return result;
}

template std::vector<Interval4> IntersectionOf(const std::vector<Interval4>&, const std::vector<Interval4>&);
template std::vector<Interval6> IntersectionOf(const std::vector<Interval6>&, const std::vector<Interval6>&);
template std::vector<Interval4> DifferenceOf(const std::vector<Interval4>&, const std::vector<Interval4>&);
template std::vector<Interval6> DifferenceOf(const std::vector<Interval6>&, const std::vector<Interval6>&);

}  // namespace orvane
