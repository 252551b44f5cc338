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

#include "AddressExtractor.h"
#include "AddressReader.h"
#include "AddressSet.h"
#include "EntryBudget.h"
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

// Which of the job's lists a line was read from.
enum class ListRole { Input, Intersect, Exclude, Compared, Protect, Previous, Pattern };

// A line named in an answer: where it stands and what it holds.
struct NamedLine {
    ListRole role = ListRole::Input;
    std::string list{};
    std::size_t number = 0;
    std::string bytes{};    // an answer: as read, enough to show it
    std::string network{};  // the guards: what the line names, as a network or first-last
    // Protected: the protected line it meets, its network, and how.
    enum class Meets { Covers, LiesIn, Overlaps } meets = Meets::Overlaps;
    std::string other{}, otherList{};
    std::size_t otherNumber = 0;
};

// An address or network asked about: its text as given and what it names.
struct WhyQuery {
    std::string text;
    SetLine::Kind family = SetLine::Kind::IPv4;
    Interval4 v4{};
    Interval6 v6{};
};

struct WhyAnswer {
    enum class Covered { All, Part, None };
    std::string asked;
    Covered covered = Covered::None;
    std::vector<NamedLine> lines{};  // every list's lines that meet it, at most kMostWhyLines
    std::size_t more = 0;            // how many more did
};

inline constexpr std::size_t kMostWhyLines = 20, kMostGuardLines = 10;

// A family's addresses against the previous result's.
struct FamilyChange {
    bool ipv6 = false;
    AddressTotal previous{}, added{}, removed{};
    double percent = 0;    // (added + removed) against previous; none when previous is empty
    bool limited = false;  // previous holds addresses, so the limit applies
};

struct SetJob {
    SetOperation operation = SetOperation::Merge;
    OutputForm form = OutputForm::ShortMask;
    std::string delimiter = "/";  // Windows-1251
    std::string lineEnd = "\n";
    RangeReading ranges = RangeReading::Addresses;
    LeadingZeros zeros = LeadingZeros::Reject;
    bool extract = false;  // every address anywhere in a line, however many (AddressExtractor)
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
    // Merge: the guards, judged on the result before anything is written.
    std::vector<ListSource> protect{};  // networks the result must not touch
    // A line of an input naming more addresses than a /N is refused.
    std::optional<unsigned> maxSize4{}, maxSize6{};
    std::optional<ListSource> previous{};  // with maxChange: the last result
    double maxChange = 0;                  // percent of the previous addresses, per family
    // Merge: for the tables of routers, per family. Each /prefix network
    // holding at least least addresses of the result becomes whole; then
    // the result is covered by at most maxEntries networks, adding as few
    // addresses as can be. Neither adds what exclude or protect hold.
    struct Widen {
        unsigned prefix;
        std::uint64_t least;
    };
    std::optional<Widen> widen4{}, widen6{};
    std::optional<std::uint64_t> maxEntries4{}, maxEntries6{};
    // Merge, one family: lines written before and after the networks.
    const LineFormat* header = nullptr;
    const LineFormat* footer = nullptr;
    // Merge: instead of the result, an answer for each.
    std::vector<WhyQuery> why{};
    // Grep: the set the inputs' lines are matched against; with invert the
    // lines that hold addresses and none of it; with count their number.
    std::optional<ListSource> pattern{};
    bool invert = false;
    bool flushEachLine = false;  // Grep: every line handed on as soon as it is found
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
        // The guards':
        Protected,      // lines: the first input lines that bring protected addresses into the result
        TooLarge,       // lines: the first input lines over their family's size
        TooMuchChange,  // changes: the families over the limit
        // maxEntries is less than the networks needed to keep out what
        // exclude and protect hold; networks: the fewest; network: the family.
        TooFewEntries,
    };
    Kind kind = Kind::None;
    AddressTotal networks{};
    std::string network{};
    std::vector<NamedLine> lines{};
    std::size_t more = 0;  // lines that were not named
    std::vector<FamilyChange> changes{};
    explicit operator bool() const noexcept { return kind != Kind::None; }
};

struct SetJobSummary {
    std::size_t lines = 0, rejected = 0;  // over every list read
    std::size_t withoutAddress = 0;       // extract: lines that held none, and were no rejection either
    std::size_t leadingZeros = 0;         // of the rejected: lines another reading of zeros would take
    bool differ = false;                  // Diff: the two sets hold other addresses
    std::size_t matched = 0;              // Grep: lines written (or counted)
    Refusal refusal{};
    std::vector<Refusal> guards{};  // every guard that refused the result; nothing was written
    std::vector<FamilyChange> changes{};  // with previous: both families, judged or not
    std::vector<WhyAnswer> why{};
    // What opening or reading a list threw (its own error, as its source
    // made it): the job stopped there, not whole.
    std::exception_ptr unread{};
    // With widen and maxEntries: IPv4's at 0, IPv6's at 1.
    std::optional<Widening> widened[2]{};
    std::optional<EntryFit> fitted[2]{};
    // With reducePercent: IPv4's, then IPv6's.
    std::vector<Reduction> reductions{};
};

// Never throws but what the output's sink throws; whatever was written
// before a list failed stays written.
SetJobSummary RunSetJob(const SetJob& job, const SetJobOutput& output);

}  // namespace orvane
