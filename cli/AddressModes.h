// The converter's work once its options are read: the window's line by line
// conversion, and the modes that read every line as a set of addresses,
// which are the engine's set job.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AddressWriter.h"
#include "SetJob.h"

namespace orvane::cli {

enum class Mode {
    Convert,  // the window's conversion, byte for byte
    Exact,    // every line read as a set of addresses and written exactly
    Merge,    // the union of all lines, then --intersect and --exclude
    Diff,     // what the union of all lines and the --diff file hold apart
    Grep,     // the lines of text that hold an address of the --grep set
};

struct Options {
    Mode mode = Mode::Convert;
    OutputForm format = OutputForm::HostRange;
    std::string delimiter;  // Windows-1251
    LineOrder sort = LineOrder::Text;
    bool removeDuplicates = true;
    std::string lineEnd;
    RangeReading ranges = RangeReading::Addresses;
    LeadingZeros zeros = LeadingZeros::Reject;
    bool extract = false;  // every address anywhere in a line
    std::string grep;      // the set file of --grep
    bool invert = false;
    std::vector<std::string> intersect, exclude;
    std::string diff;
    bool quiet = false;  // --diff: write nothing, only the status tells
    bool count = false;
    bool report = false;
    bool strict = false;
    Families families = Families::Both;
    PrefixLengths lengths4 = PrefixLengths().set(), lengths6 = PrefixLengths().set();
    std::optional<LineFormat> lineFormat;
    std::optional<unsigned> defaultPrefix4, defaultPrefix6;
    std::optional<FirewallSets> firewall;  // --as
    std::optional<double> reducePercent;
    std::uint64_t reduceEntries = kDefaultReduceEntries;
    // The guards (--merge and --as).
    std::vector<std::string> protect;
    std::optional<unsigned> maxSize4, maxSize6;
    std::string previous;
    std::optional<double> maxChange;
    // For routers' tables (--merge and --as).
    std::optional<SetJob::Widen> widen4, widen6;
    std::optional<std::uint64_t> maxEntries4, maxEntries6;
    std::optional<LineFormat> header, footer;
    std::vector<WhyQuery> why;  // --why: answered instead of the result
    std::string output;  // empty: standard output
    std::vector<std::string> inputs{"-"};
};

struct Outcome {
    std::size_t rejected = 0;  // lines of every file read that named nothing
    bool differ = false;       // --diff: the sets hold other addresses
    std::string refusal;       // why nothing was written, when the result cannot be
    bool guarded = false;      // a guard refused the result: nothing was written
    bool whyCovered = false;   // --why: the result covers every address asked about
    std::size_t matched = 0;   // --grep: lines written (or counted)
};

// Reads every file the options name, converts as they say and writes the
// result to the output, which is replaced only once everything was read and
// written (and left alone when the result is refused). Names rejected lines
// on standard error as it goes (with options.report), and a NUL that ended
// the window's text always. Throws EFOpenError, EFCreateError or EWriteError.
Outcome Run(const Options& options);

}  // namespace orvane::cli
