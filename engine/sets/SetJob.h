// The address-set modes as one job: the options in one struct, every list
// read as a stream of blocks, the networks (or their counts) handed to a sink
// a block at a time, each rejected line to a callback. Memory follows the
// set (--merge and the set operations) or the output (--exact), never the
// size of the files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AddressReader.h"
#include "AddressSet.h"
#include "FirewallFile.h"
#include "ListText.h"
#include "PrefixReduction.h"
#include "SetOptions.h"
#include "unCommon.h"

namespace orvane {

// A list to read: its name for the report, and how to open it when its turn
// comes (a pipe is opened only once the lists before it are read).
struct ListSource {
    std::string name;
    std::function<std::unique_ptr<ByteSource>()> open;
};

struct RejectedLine {
    std::string_view list;    // its name
    std::size_t number;       // from 1
    std::string_view bytes;   // as read: Windows-1251 or UTF-8, decided line by line
    LineFault fault;
};

class LineFormat;

struct SetJob {
    SetOperation operation = SetOperation::Merge;
    OutputForm form = OutputForm::ShortMask;
    std::string delimiter = "/";  // Windows-1251
    std::string lineEnd = "\n";
    RangeReading ranges = RangeReading::Addresses;
    LeadingZeros zeros = LeadingZeros::Reject;
    LineOrder order = LineOrder::Text;  // Exact: the order lines are written in
    bool removeDuplicates = true;       // Exact: a network once, however many lines name it
    bool count = false;                 // "IPv4 NETWORKS ADDRESSES" and "IPv6 ..." instead of the networks
    Families families = Families::Both;
    // The lengths networks may be written with, per family.
    PrefixLengths lengths4 = PrefixLengths().set(), lengths6 = PrefixLengths().set();
    // Instead of the form: every network as this line.
    const LineFormat* lineFormat = nullptr;
    // A single address alone on a line of an input (not of a side list) is
    // read as its network of this length.
    std::optional<unsigned> defaultPrefix4{}, defaultPrefix6{};
    std::vector<ListSource> inputs{};     // one list, whose lines are read in turn
    std::vector<ListSource> intersect{};  // Merge: keep only what each of these also holds
    std::vector<ListSource> exclude{};    // Merge: then take out what each of these holds
    std::optional<ListSource> diff{};     // Diff: the list the inputs are compared with
    // Merge: instead of the networks, a file that loads them into these sets.
    std::optional<FirewallSets> firewall{};
    // Merge: as few prefix lengths per family as entries × (1 + percent / 100), or reduceEntries, allow.
    std::optional<double> reducePercent{};
    std::uint64_t reduceEntries = kDefaultReduceEntries;
};

struct SetJobOutput {
    std::function<void(std::string_view)> write;  // the result, block after block; none: nothing is written
    std::function<void(const RejectedLine&)> rejected;
};

// More networks than this are refused: no tool loads them, and 2^128 would never end.
inline constexpr std::uint64_t kMostNetworks = std::uint64_t{1} << 32;

// Why nothing was written, when the result cannot be: said in the engine's
// terms, with its figures; the caller words it.
struct Refusal {
    enum class Kind {
        None,
        TooManyNetworks,      // more than kMostNetworks; networks: how many
        IPv6UnderDottedMask,  // the line format wants a dotted mask; network: the result's first IPv6 one
    };
    Kind kind = Kind::None;
    AddressTotal networks{};
    std::string network{};
    explicit operator bool() const noexcept { return kind != Kind::None; }
};

struct SetJobSummary {
    std::size_t lines = 0, rejected = 0;  // over every list read
    std::size_t leadingZeros = 0;         // of the rejected: lines another reading of zeros would take
    bool differ = false;                  // Diff: the two sets hold other addresses
    Refusal refusal{};
    // What opening or reading a list threw (its own error, as its source
    // made it): the job stopped there, not whole.
    std::exception_ptr unread{};
    // With reducePercent: IPv4's, then IPv6's.
    std::vector<Reduction> reductions{};
};

// Never throws but what the output's sink throws; whatever was written
// before a list failed stays written.
SetJobSummary RunSetJob(const SetJob& job, const SetJobOutput& output);

}  // namespace orvane
