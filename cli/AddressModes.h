// The converter's work once its options are read: the window's line by line
// conversion, and the modes that read every line as a set of addresses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "AddressReader.h"
#include "AddressWriter.h"

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
    std::string output;
    std::vector<std::string> inputs{"-"};
};

// A list file read and decoded: its Windows-1251 text, and where it was
// UTF-8, the text as written, for naming its lines. The views point into the
// object itself, so it stays where it was made.
struct ListInput {
    // Reads FILE, or standard input for "-"; the text ends at a NUL or
    // keeps every byte, as nul says. Throws EFOpenError.
    ListInput(std::string fileName, NulBytes nul);
    ListInput(const ListInput&) = delete;
    ListInput& operator=(const ListInput&) = delete;

    std::string name;  // as given; "-" for standard input
    std::string bytes;
    std::string decoded;
    std::string_view text;
    std::string_view utf8;  // empty unless the file is UTF-8
    NulCut cut;             // where a NUL ended the text
};

struct Outcome {
    std::string output;        // Windows-1251 bytes
    std::size_t rejected = 0;  // lines of every file read that named nothing
};

// Reads every file the options name and converts as they say. With
// options.report, names every rejected line on errors, then the count over
// all files read. Throws EFOpenError for a file that cannot be read.
Outcome Run(const Options& options, std::string& errors);

}  // namespace orvane::cli
