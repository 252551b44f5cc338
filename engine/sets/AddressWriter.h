// Writing address sets: the text of intervals, networks and counts. Only
// formats; what is written comes from the set job.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "AddressSet.h"
#include "SetOptions.h"
#include "unCommon.h"

namespace orvane {

struct SetWriting {
    // IPv6 has no dotted mask: LongMask writes its networks as ShortMask does.
    OutputForm form = OutputForm::ShortMask;
    std::string_view delimiter = "/";
    std::string_view lineEnd = "\n";
    // With Addresses, HostRange writes every interval whole as first-last;
    // with Hosts, every IPv4 network as the host range the window writes.
    RangeReading ranges = RangeReading::Addresses;
};

template <typename Value>
bool WritesWholeIntervals(const SetWriting& writing) {
    return writing.form == OutputForm::HostRange &&
           (std::is_same_v<Value, Uint128> || writing.ranges == RangeReading::Addresses);
}

// Calls visit(unit) for every interval written for one interval: itself, or
// each of its networks.
template <typename Value, typename Visit>
void ForEachUnit(Interval<Value> interval, const SetWriting& writing, Visit&& visit) {
    if (WritesWholeIntervals<Value>(writing)) return visit(interval);
    ForEachNetwork(interval, [&](Value network, unsigned prefix) { visit(NetworkOf(network, prefix)); });
}

// One unit as ForEachUnit gives it, with its line end.
void WriteUnit(const Interval4& unit, const SetWriting& writing, std::string& out);
void WriteUnit(const Interval6& unit, const SetWriting& writing, std::string& out);

// Sets as UnionOf() gives them, IPv4 first, each in address order.
void WriteSets(const AddressSets& sets, const SetWriting& writing, std::string& out);

// "FAMILY NETWORKS ADDRESSES" and the line end.
void WriteCount(std::string_view family, std::size_t networks, const AddressTotal& addresses, std::string_view lineEnd,
                std::string& out);

}  // namespace orvane
