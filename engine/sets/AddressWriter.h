// Writing address sets: the text of intervals, networks and counts. Only
// formats; what is written comes from the set job.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "AddressSet.h"
#include "SetOptions.h"
#include "unCommon.h"

namespace orvane {

// A line made for any tool (--line-format): literal text and the fields of
// a network, parsed once. "{{" and "}}" stand for braces.
class LineFormat {
public:
    // The format, or nothing and error saying what is wrong with it.
    static std::optional<LineFormat> Parse(std::string_view text, std::string& error);
    // A line written before or after the networks (a header, a footer),
    // whose one field is {count}, the number of network lines.
    static std::optional<LineFormat> ParseFrame(std::string_view text, std::string& error);

    // {mask} and {wildcard}, which IPv6 networks have no text for.
    bool NeedsDottedMask() const { return needsDottedMask_; }
    // {n}: the lines are numbered from start, by step.
    bool Numbers() const { return numbers_; }
    void Number(std::uint64_t start, std::uint64_t step) {
        next_ = start;
        step_ = step;
    }

    void Write(const Interval4& network, std::string& out) const;
    void Write(const Interval6& network, std::string& out) const;
    void WriteFrame(const AddressTotal& count, std::string& out) const;

private:
    enum class Field { Text, Net, Addr, Prefix, Mask, Wildcard, First, Last, Family, Number, Count };
    struct Piece {
        Field field;
        std::string text;  // Field::Text only
    };
    struct Named {
        std::string_view name;
        Field field;
    };
    static std::optional<LineFormat> ParseWith(std::string_view text, std::span<const Named> fields,
                                               std::string_view which, std::string& error);
    template <typename Value>
    void WriteAny(const Interval<Value>& network, std::string& out) const;

    std::vector<Piece> pieces_;
    bool needsDottedMask_ = false, numbers_ = false;
    // The number of the next line written: writing is the format's one
    // state, a run of lines numbered as they go out.
    mutable std::uint64_t next_ = 1;
    std::uint64_t step_ = 1;
};

struct SetWriting {
    // IPv6 has no dotted mask: LongMask writes its networks as ShortMask does.
    OutputForm form = OutputForm::ShortMask;
    std::string_view delimiter = "/";
    std::string_view lineEnd = "\n";
    // With Addresses, HostRange writes every interval whole as first-last;
    // with Hosts, every IPv4 network as the host range the window writes.
    RangeReading ranges = RangeReading::Addresses;
    // The lengths networks may have; any other restriction writes networks, never whole intervals.
    PrefixLengths lengths4 = PrefixLengths().set(), lengths6 = PrefixLengths().set();
    // Instead of the form, when set: every network as this line.
    const LineFormat* lineFormat = nullptr;

    template <typename Value>
    const PrefixLengths& Lengths() const {
        if constexpr (std::is_same_v<Value, Uint128>) return lengths6;
        else return lengths4;
    }
};

template <typename Value>
bool WritesWholeIntervals(const SetWriting& writing) {
    return writing.form == OutputForm::HostRange && writing.lineFormat == nullptr &&
           writing.Lengths<Value>().all() &&
           (std::is_same_v<Value, Uint128> || writing.ranges == RangeReading::Addresses);
}

// Calls visit(unit) for every interval written for one interval: itself, or
// each of its networks.
template <typename Value, typename Visit>
void ForEachUnit(Interval<Value> interval, const SetWriting& writing, Visit&& visit) {
    if (WritesWholeIntervals<Value>(writing)) return visit(interval);
    ForEachNetwork(interval, writing.Lengths<Value>(),
                   [&](Value network, unsigned prefix) { visit(NetworkOf(network, prefix)); });
}

// One unit as ForEachUnit gives it, with its line end.
void WriteUnit(const Interval4& unit, const SetWriting& writing, std::string& out);
void WriteUnit(const Interval6& unit, const SetWriting& writing, std::string& out);

// Sets as UnionOf() gives them, IPv4 first, each in address order.
void WriteSets(const AddressSets& sets, const SetWriting& writing, std::string& out);

// "FAMILY NETWORKS ADDRESSES" and the line end.
void WriteCount(std::string_view family, const AddressTotal& networks, const AddressTotal& addresses,
                std::string_view lineEnd, std::string& out);

// A count of up to 2^128 in decimal.
void AppendTotal(std::string& out, const AddressTotal& total);

}  // namespace orvane
