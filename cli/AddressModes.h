// The converter's work once its options are read: the window's line by line
// conversion, and the modes that read every line as a set of addresses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "AddressSet.h"

namespace orvane::cli {

enum class SortOrder { Text, Address, None };

struct Options {
    int format = 0;
    std::string delimiter = " / ";  // Windows-1251
    SortOrder sort = SortOrder::Text;
    bool removeDuplicates = true;
    bool lf = false;
    bool exact = false;  // every line read as a set of addresses
    bool merge = false;  // the union of all lines
    RangeReading ranges = RangeReading::Hosts;
    std::vector<std::string> intersect, exclude;
    bool report = false;
    bool strict = false;
    std::string output;
    std::string input = "-";
};

// A list file read and decoded: its Windows-1251 text, and where it was
// UTF-8, the text as written, for naming its lines. The views point into the
// object itself, so it stays where it was made.
struct ListInput {
    // Reads FILE, or standard input for "-". Throws EFOpenError.
    explicit ListInput(std::string fileName);
    ListInput(const ListInput&) = delete;
    ListInput& operator=(const ListInput&) = delete;

    std::string name;  // as given; "-" for standard input
    std::string bytes;
    std::string decoded;
    std::string_view text;
    std::string_view utf8;  // empty unless the file is UTF-8
};

struct Outcome {
    std::string output;         // Windows-1251 bytes
    std::size_t rejected = 0;   // lines of every file read that named nothing
};

// Converts the input as the options say. With options.report, names every
// rejected line on errors, then the count for the main input.
Outcome Run(const Options& options, const ListInput& input, std::string& errors);

}  // namespace orvane::cli
