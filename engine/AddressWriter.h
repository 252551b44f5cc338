// Writing address sets: networks or whole intervals, IPv4 before IPv6, and
// the exact conversion of every line of a list.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "AddressReader.h"
#include "AddressSet.h"
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

// One address in the text every network tool reads: dotted decimal, or the
// form of RFC 5952 (what inet_ntop writes).
void AppendAddress(std::string& out, std::uint32_t address);
void AppendAddress(std::string& out, const Uint128& address);

// Sets as UnionOf() gives them, IPv4 first, each in address order.
void WriteSets(const AddressSets& sets, const SetWriting& writing, std::string& out);

// Every network of sets as UnionOf() gives them, one interval each.
AddressSets NetworksOf(const AddressSets& sets);

// "IPv4 NETWORKS ADDRESSES" and "IPv6 NETWORKS ADDRESSES" for each family
// that has any, for a list of networks that may overlap: how many there are
// and how many addresses they hold together (up to 2^128, exactly).
void WriteCounts(const AddressSets& networks, std::string_view lineEnd, std::string& out);

enum class LineOrder { Text, Address, None };

// Every line of the texts, in that order, read (ranges as writing.ranges
// says) and written exactly: each as the fewest networks, or whole. Text and None keep
// each line's networks together; Address writes all of them in address
// order, larger first, IPv4 first. Gives what the reading found in each text.
std::vector<LinesRead> ConvertExact(std::span<const std::string_view> texts, LineOrder order, bool removeDuplicates,
                                    const SetWriting& writing, std::string& out);

// The networks ConvertExact would write with ShortMask, for counting: per family,
// in address order, duplicates dropped when asked.
AddressSets ExactNetworks(std::span<const std::string_view> texts, RangeReading ranges, bool removeDuplicates,
                          std::vector<LinesRead>& read);

}  // namespace orvane
