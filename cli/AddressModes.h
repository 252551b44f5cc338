// The converter's work once its options are read: the window's line by line
// conversion, and the modes that read every line as a set of addresses,
// which are the engine's set job.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "SetJob.h"

namespace orvane::cli {

enum class Mode {
    Convert,  // the window's conversion, byte for byte
    Exact,    // every line read as a set of addresses and written exactly
    Merge,    // the union of all lines, then --intersect and --exclude
};

struct Options {
    Mode mode = Mode::Convert;
    OutputForm format = OutputForm::HostRange;
    std::string delimiter;  // Windows-1251
    LineOrder sort = LineOrder::Text;
    bool removeDuplicates = true;
    std::string lineEnd;
    RangeReading ranges = RangeReading::Addresses;
    std::vector<std::string> intersect, exclude;
    bool count = false;
    bool report = false;
    bool strict = false;
    std::string output;  // empty: standard output
    std::vector<std::string> inputs{"-"};
};

// Reads every file the options name, converts as they say and writes the
// result to the output, which is replaced only once everything was read and
// written. Names rejected lines on standard error as it goes (with
// options.report), and a NUL that ended the window's text always. Gives how
// many lines were rejected. Throws EFOpenError, EFCreateError or EWriteError.
std::size_t Run(const Options& options);

}  // namespace orvane::cli
