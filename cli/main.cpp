// orvane-convert: the window's conversion for scripts and pipes.
//
// The output is byte for byte what the window saves after loading FILE with
// its open button and converting it with the same options.
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "AddressModes.h"
#include "CodePage.h"
#include "FileIo.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: orvane-convert [OPTION]... [FILE]...\n"
    "  or:  orvane-convert --exact|--merge [--intersect FILE]... [--exclude FILE]... [OPTION]... [FILE]...\n"
    "  or:  orvane-convert --diff NEW [OPTION]... [FILE]...\n"
    "  or:  orvane-convert --as ipset:NAME|nft:TABLE:NAME [--reduce PERCENT] [OPTION]... [FILE]...\n"
    "  or:  orvane-convert --why ADDRESS... [--intersect FILE]... [--exclude FILE]... [OPTION]... [FILE]...\n"
    "  or:  orvane-convert --grep SETFILE [--invert] [--count] [OPTION]... [FILE]...\n"
    "  or:  orvane-convert --merge -4|-6 [--max-entries N] [--line-format TEXT] [--header TEXT] [OPTION]... [FILE]...\n";

constexpr std::string_view kHelp =
    "Converts a list of IPv4 networks, one a line, into host ranges (range),\n"
    "addresses with prefix length (prefix) or addresses with dotted mask (mask).\n"
    "With --exact, --merge or --diff, reads IPv4 and IPv6 lists as sets of addresses.\n"
    "\n"
    "  -f, --format FORM       range (0), prefix (1) or mask (2); the default is range,\n"
    "                          and prefix with --exact, --merge or --diff; IPv6 has no\n"
    "                          dotted mask: mask writes IPv6 networks as prefix does\n"
    "  -d, --delimiter TEXT    text between address and mask (default \" / \", with\n"
    "                          --exact, --merge or --diff \"/\"; may be empty)\n"
    "      --sort ORDER        text (default: word order), address (implies --exact) or none\n"
    "      --no-sort           the same as --sort none\n"
    "      --keep-duplicates   keep lines (with --exact: networks) that repeat others\n"
    "      --exact             read every line as a set of addresses and write it exactly\n"
    "      --merge             the union of all lines, as the fewest networks (implies --exact)\n"
    "      --intersect FILE    keep only what FILE's networks also cover (implies --merge)\n"
    "      --exclude FILE      take FILE's networks out of the union (implies --merge)\n"
    "      --diff NEW          what changed from the union of all lines to NEW's: -NETWORK\n"
    "                          for what only the lines hold, +NETWORK for what NEW adds;\n"
    "                          exit status 0 same addresses, 1 they differ, 2 trouble\n"
    "      --quiet             with --diff, --why or --grep: write nothing, only the exit\n"
    "                          status tells\n"
    "      --ranges READING    an IPv4 a-b names addresses (default: exactly a to b)\n"
    "                          or hosts (a network around them, as the window reads it)\n"
    "      --leading-zeros HOW\n"
    "                          an IPv4 octet such as 010 is rejected (reject, the\n"
    "                          default), read as 10 (decimal) or as 8 (octal, as\n"
    "                          inet_aton and iprange read it)\n"
    "      --extract           read every address, network and range that stands on its\n"
    "                          own anywhere in a line, however many: CSV, logs, listings\n"
    "                          of ipset and nft (# and ; are no comments then)\n"
    "      --grep SETFILE      write each line of text (a log) that holds an address inside\n"
    "                          SETFILE's set, as it was read; exit status 0 a line was\n"
    "                          written, 1 none, 2 trouble\n"
    "      --invert            with --grep: the lines that hold addresses, none inside\n"
    "      --count             with --exact or --merge: write \"IPv4 NETWORKS ADDRESSES\"\n"
    "                          and \"IPv6 NETWORKS ADDRESSES\" instead of the networks;\n"
    "                          with --grep: the number of lines\n"
    "  -4, -6                  write (and count) IPv4 or IPv6 only\n"
    "      --line-format TEXT  write every network as TEXT with {net} {addr} {prefix}\n"
    "                          {mask} {wildcard} {first} {last} {family} {n} filled in\n"
    "                          ({{ and }} for braces; {mask} and {wildcard} IPv4 only;\n"
    "                          {n} the line's number)\n"
    "      --number START,STEP\n"
    "                          with {n}: number the lines from START by STEP (1,1)\n"
    "      --header TEXT       with --merge and -4 or -6: a line before the networks,\n"
    "                          {count} their number ({{ and }} for braces)\n"
    "      --footer TEXT       the same after the networks\n"
    "      --min-prefix N      split IPv4 networks larger than /N\n"
    "      --prefixes LIST     write IPv4 networks of these lengths only (e.g. 24,32;\n"
    "                          /32 is always allowed), the same addresses\n"
    "      --min-prefix6 N     the same as --min-prefix for IPv6\n"
    "      --prefixes6 LIST    the same as --prefixes for IPv6 (/128 always allowed)\n"
    "      --default-prefix N  read a single IPv4 address alone on a line of an input\n"
    "                          as its /N network (not in --intersect, --exclude, --diff)\n"
    "      --default-prefix6 N\n"
    "                          the same for IPv6 (64: each listed address's /64)\n"
    "      --as ipset:NAME     (implies --merge) a file for ipset restore that replaces\n"
    "                          the sets NAME (IPv4) and NAME6 (IPv6) in one step\n"
    "      --as nft:TABLE:NAME\n"
    "                          the same for nft -f: sets NAME and NAME6 of table inet TABLE\n"
    "      --reduce PERCENT    as few prefix lengths per family as allow the entries to\n"
    "                          grow by PERCENT, or to --reduce-entries\n"
    "      --reduce-entries N  with --reduce: the entries always allowed (16384)\n"  // kDefaultReduceEntries
    "Fitting a router's table, with --merge or --as, neither adding what --exclude\n"
    "or --protect hold; what they add is said on standard error:\n"
    "      --widen N:K         make whole every IPv4 /N network holding K addresses or\n"
    "                          more of the result (24:3)\n"
    "      --widen6 N:K        the same for IPv6 (64:2: a /64 with two addresses)\n"
    "      --max-entries N     write IPv4 as at most N networks, adding the fewest\n"
    "                          addresses (after --widen; the bound is said when the\n"
    "                          fewest is not proven; not with --min-prefix, --prefixes\n"
    "                          or --reduce)\n"
    "      --max-entries6 N    the same for IPv6\n"
    "Guards, with --merge or --as: a result they refuse is not written (exit status 4)\n"
    "      --protect FILE      refuse a result that holds any address of FILE's networks,\n"
    "                          naming the input lines that bring them in\n"
    "      --max-size N        refuse a result when an input line names more IPv4\n"
    "                          addresses than a /N (after --default-prefix)\n"
    "      --max-size6 N       the same for IPv6\n"
    "      --previous FILE     with --max-change: the last result (a list, or the --as file)\n"
    "      --max-change PERCENT\n"
    "                          refuse a result whose addresses differ from FILE's by more\n"
    "                          than PERCENT of FILE's, family by family (a family FILE\n"
    "                          does not hold has no limit)\n"
    "      --why ADDRESS       instead of the result: whether it covers ADDRESS (an address\n"
    "                          or network) and every line of every list that holds part of\n"
    "                          it; exit status 0 all covered, 1 not, 2 trouble\n"
    "      --report            name every rejected line on standard error, then a count\n"
    "      --strict            exit status 3 when any line of any file was rejected\n"
    "      --lf                end lines with LF (default with --exact, --merge or --diff)\n"
    "      --crlf              end lines with CR LF (default otherwise)\n"
    "  -o, --output OUT        replace OUT once everything is written (a device: written through)\n"
    "  -h, --help              this text\n"
    "      --version           the program's version\n"
    "\n"
    "Every FILE is read, - (at most once) standing for standard input, which is also\n"
    "read without FILE. Files are UTF-8, UTF-16 (after its byte-order mark) or\n"
    "Windows-1251, files, pipes or devices read to their end; their lines form one\n"
    "list. As in the window, a line is read to its 4096th character and the text\n"
    "ends at a NUL byte; such a NUL is named on standard error and counts as a\n"
    "rejected line.\n"
    "With --exact, --merge or --diff a line is read whole: it is a comment from its\n"
    "first # or ; on; it names an IPv4 network, range or address, or an IPv6 address,\n"
    "address/N or first-last, blanks and tabs allowed around / and - (an em or en\n"
    "dash is a -). An IPv4 address or mask is read only as written: four decimal\n"
    "octets 0 to 255; a line with a star, a letter, an empty octet, a hexadecimal\n"
    "or short form, or a zero-padded octet (see --leading-zeros; the number of such\n"
    "lines is always said) is rejected, as is a line holding a NUL byte or over\n"
    "1 MiB before its comment. IPv4 and IPv6 never merge; IPv4 is written first.\n"
    "The result is written in Windows-1251.\n"
    "\n"
    "Exit status, the first that applies:\n"
    "  2  wrong usage (nothing is read)\n"
    "  1  an input or output error\n"
    "  4  a guard refused the result, nothing written\n"
    "  1  a result refused, nothing written: over 2^32 networks, an IPv6 network\n"
    "     under {mask} or {wildcard}, fewer --max-entries than --exclude allows\n"
    "  3  lines were rejected and --strict was given\n"
    "  0  done, also when no line names a network\n"
    "With --diff: 2 for any of the above but 0, 1 the sets differ, 0 the same.\n"
    "With --why: 2 for any of the above but 0, 1 an address not (wholly) covered, 0 all.\n"
    "With --grep: 2 for any of the above but 0, 1 no line written, 0 one or more.\n";

using orvane::cli::Mode;
using orvane::cli::Options;
using orvane::LineOrder;

int UsageError(std::string_view message) {
    std::cerr << "orvane-convert: " << message << '\n' << kUsage;
    return 2;
}

bool ParseFormat(std::string_view text, orvane::OutputForm& format) {
    if (text == "range" || text == "0") format = orvane::OutputForm::HostRange;
    else if (text == "prefix" || text == "1") format = orvane::OutputForm::ShortMask;
    else if (text == "mask" || text == "2") format = orvane::OutputForm::LongMask;
    else return false;
    return true;
}

bool ParseSort(std::string_view text, LineOrder& sort) {
    if (text == "text") sort = LineOrder::Text;
    else if (text == "address") sort = LineOrder::Address;
    else if (text == "none") sort = LineOrder::None;
    else return false;
    return true;
}

bool ParseLeadingZeros(std::string_view text, orvane::LeadingZeros& zeros) {
    if (text == "reject") zeros = orvane::LeadingZeros::Reject;
    else if (text == "decimal") zeros = orvane::LeadingZeros::Decimal;
    else if (text == "octal") zeros = orvane::LeadingZeros::Octal;
    else return false;
    return true;
}

bool ParseRanges(std::string_view text, orvane::RangeReading& ranges) {
    if (text == "hosts") ranges = orvane::RangeReading::Hosts;
    else if (text == "addresses") ranges = orvane::RangeReading::Addresses;
    else return false;
    return true;
}

enum OptionCode {
    kNoSort = 256,
    kKeepDuplicates,
    kLf,
    kCrlf,
    kCount,
    kVersion,
    kSort,
    kExact,
    kMerge,
    kIntersect,
    kExclude,
    kRanges,
    kReport,
    kStrict,
    kDiff,
    kQuiet,
    kLineFormat,
    kMinPrefix,
    kMinPrefix6,
    kPrefixes,
    kPrefixes6,
    kDefaultPrefix,
    kDefaultPrefix6,
    kAs,
    kReduce,
    kReduceEntries,
    kLeadingZeros,
    kProtect,
    kMaxSize,
    kMaxSize6,
    kPrevious,
    kMaxChange,
    kWhy,
    kExtract,
    kGrep,
    kInvert,
    kMaxEntries,
    kMaxEntries6,
    kWiden,
    kWiden6,
    kNumber,
    kHeader,
    kFooter,
};

// "ipset:NAME" or "nft:TABLE:NAME".
bool ParseFirewallSets(std::string_view text, orvane::FirewallSets& sets) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view tool = text.substr(0, colon), rest = text.substr(colon + 1);
    if (tool == "ipset") {
        sets = {.tool = orvane::FirewallSets::Tool::Ipset, .table = {}, .name = std::string(rest)};
        return true;
    }
    const std::size_t second = rest.find(':');
    if (tool != "nft" || second == std::string_view::npos) return false;
    sets = {.tool = orvane::FirewallSets::Tool::Nft, .table = std::string(rest.substr(0, second)),
            .name = std::string(rest.substr(second + 1))};
    return true;
}

// Decimal digits only, at most max.
bool ParseCount(std::string_view text, std::uint64_t max, std::uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;  // 19 digits never pass 2^64
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value <= max;
}

// "20" or "2.5": decimal digits with at most one point, at most max.
bool ParsePercent(std::string_view text, double max, double& value) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() || whole.size() > 9 || fraction.size() > 9 || (point != std::string_view::npos && fraction.empty()))
        return false;
    value = 0;
    for (const char c : whole) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    double scale = 1;
    for (const char c : fraction) {
        if (c < '0' || c > '9') return false;
        scale /= 10;
        value += (c - '0') * scale;
    }
    return value <= max;
}

// A prefix length from 0 to width, in decimal digits.
bool ParsePrefixLength(std::string_view text, unsigned width, unsigned& length) {
    if (text.empty() || text.size() > 3) return false;
    length = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        length = length * 10 + static_cast<unsigned>(c - '0');
    }
    return length <= width;
}

// "24,32": the lengths listed, and the full width, which every set needs.
bool ParsePrefixList(std::string_view text, unsigned width, orvane::PrefixLengths& lengths) {
    lengths.reset();
    lengths.set(width);
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        unsigned length;
        if (!ParsePrefixLength(text.substr(start, comma - start), width, length)) return false;
        lengths.set(length);
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

constexpr option kOptions[] = {
    {"format", required_argument, nullptr, 'f'},     {"delimiter", required_argument, nullptr, 'd'},
    {"output", required_argument, nullptr, 'o'},     {"help", no_argument, nullptr, 'h'},
    {"no-sort", no_argument, nullptr, kNoSort},      {"keep-duplicates", no_argument, nullptr, kKeepDuplicates},
    {"lf", no_argument, nullptr, kLf},               {"version", no_argument, nullptr, kVersion},
    {"sort", required_argument, nullptr, kSort},     {"exact", no_argument, nullptr, kExact},
    {"merge", no_argument, nullptr, kMerge},         {"intersect", required_argument, nullptr, kIntersect},
    {"exclude", required_argument, nullptr, kExclude}, {"ranges", required_argument, nullptr, kRanges},
    {"report", no_argument, nullptr, kReport},       {"strict", no_argument, nullptr, kStrict},
    {"crlf", no_argument, nullptr, kCrlf},           {"count", no_argument, nullptr, kCount},
    {"diff", required_argument, nullptr, kDiff},     {"quiet", no_argument, nullptr, kQuiet},
    {"line-format", required_argument, nullptr, kLineFormat},
    {"min-prefix", required_argument, nullptr, kMinPrefix},
    {"min-prefix6", required_argument, nullptr, kMinPrefix6},
    {"prefixes", required_argument, nullptr, kPrefixes},
    {"prefixes6", required_argument, nullptr, kPrefixes6},
    {"default-prefix", required_argument, nullptr, kDefaultPrefix},
    {"default-prefix6", required_argument, nullptr, kDefaultPrefix6},
    {"as", required_argument, nullptr, kAs},
    {"reduce", required_argument, nullptr, kReduce},
    {"reduce-entries", required_argument, nullptr, kReduceEntries},
    {"leading-zeros", required_argument, nullptr, kLeadingZeros},
    {"protect", required_argument, nullptr, kProtect},
    {"max-size", required_argument, nullptr, kMaxSize},
    {"max-size6", required_argument, nullptr, kMaxSize6},
    {"previous", required_argument, nullptr, kPrevious},
    {"max-change", required_argument, nullptr, kMaxChange},
    {"why", required_argument, nullptr, kWhy},
    {"extract", no_argument, nullptr, kExtract},
    {"grep", required_argument, nullptr, kGrep},
    {"invert", no_argument, nullptr, kInvert},
    {"max-entries", required_argument, nullptr, kMaxEntries},
    {"max-entries6", required_argument, nullptr, kMaxEntries6},
    {"widen", required_argument, nullptr, kWiden},
    {"widen6", required_argument, nullptr, kWiden6},
    {"number", required_argument, nullptr, kNumber},
    {"header", required_argument, nullptr, kHeader},
    {"footer", required_argument, nullptr, kFooter},
    {nullptr, 0, nullptr, 0}};

// A percentage past this is no budget anyone means: a typo.
constexpr std::uint64_t kMostReducePercent = 1000000;
// Far more entries than any set holds, and far from overflowing a count of them.
constexpr std::uint64_t kMostReduceEntries = std::uint64_t{1} << 62;

// What the options gave, before the defaults that depend on the mode are
// settled (they are known only once every option is read).
struct Given {
    std::optional<std::string> delimiter;
    std::optional<std::string_view> lineEnd;
    std::optional<orvane::OutputForm> format;
    bool exact = false, merge = false;
    std::string guard;  // the last guard given, for the message that says what it needs
    std::string fit;    // the last of --widen and --max-entries given, likewise
    std::optional<std::pair<std::uint64_t, std::uint64_t>> number;  // --number START,STEP
    std::vector<std::string> why;
    // The last option given that only the address-set modes have, for the message that says asked.
    std::string setOption;
    unsigned minPrefix4 = 0, minPrefix6 = 0;
    orvane::PrefixLengths listed4 = orvane::PrefixLengths().set(), listed6 = orvane::PrefixLengths().set();
};

// Why the option's value cannot be taken, or nothing.
std::optional<std::string> TakeOption(int c, std::string_view value, const std::string& given, Options& options,
                                      Given& asked) {
    auto wrong = [&](std::string_view takes) {
        return "option " + given + " takes " + std::string(takes) + ", not \"" + std::string(value) + "\"";
    };
    switch (c) {
        case 'f':
            if (!ParseFormat(value, asked.format.emplace())) return wrong("range, prefix or mask");
            break;
        case 'd':
            // A line break in the delimiter would split one network over two lines.
            if (value.find_first_of("\r\n") != std::string_view::npos) return "option " + given + " cannot hold a line break";
            asked.delimiter = orvane::Utf8ToCp1251(value);
            break;
        case 'o':
            if (value.empty()) return "option -o needs a file name";
            options.output = value;
            break;
        case kNoSort: options.sort = LineOrder::None; break;
        case kSort:
            if (!ParseSort(value, options.sort)) return wrong("text, address or none");
            break;
        case kRanges:
            if (!ParseRanges(value, options.ranges)) return wrong("addresses or hosts");
            break;
        case kLeadingZeros:
            if (!ParseLeadingZeros(value, options.zeros)) return wrong("reject, decimal or octal");
            asked.setOption = given;
            break;
        case kExact: asked.exact = true; break;
        case kMerge: asked.merge = true; break;
        case kCount: options.count = true; break;
        case kIntersect: options.intersect.emplace_back(value); break;
        case kExclude: options.exclude.emplace_back(value); break;
        case kReport: options.report = true; break;
        case kStrict: options.strict = true; break;
        case kKeepDuplicates: options.removeDuplicates = false; break;
        case kLf: asked.lineEnd = "\n"; break;
        case kCrlf: asked.lineEnd = "\r\n"; break;
        case kDiff: options.diff = value; break;
        case kQuiet: options.quiet = true; break;
        case '4':
        case '6': {
            const auto family = c == '4' ? orvane::Families::IPv4 : orvane::Families::IPv6;
            if (options.families != orvane::Families::Both && options.families != family)
                return "-4 and -6 exclude each other";
            options.families = family;
            asked.setOption = given;
            break;
        }
        case kLineFormat: {
            std::string error;
            options.lineFormat = orvane::LineFormat::Parse(orvane::Utf8ToCp1251(value), error);
            if (!options.lineFormat) return error;
            asked.setOption = given;
            break;
        }
        case kMinPrefix:
        case kMinPrefix6:
        case kDefaultPrefix:
        case kDefaultPrefix6: {
            const bool six = c == kMinPrefix6 || c == kDefaultPrefix6;
            unsigned length;
            if (!ParsePrefixLength(value, six ? 128 : 32, length))
                return "option " + given + " takes a prefix length from 0 to " + (six ? "128" : "32");
            if (c == kMinPrefix) asked.minPrefix4 = length;
            else if (c == kMinPrefix6) asked.minPrefix6 = length;
            else if (c == kDefaultPrefix) options.defaultPrefix4 = length;
            else options.defaultPrefix6 = length;
            asked.setOption = given;
            break;
        }
        case kPrefixes:
        case kPrefixes6: {
            const bool six = c == kPrefixes6;
            if (!ParsePrefixList(value, six ? 128 : 32, six ? asked.listed6 : asked.listed4))
                return "option " + given + " takes prefix lengths from 0 to " + (six ? "128" : "32") +
                       " separated by commas";
            asked.setOption = given;
            break;
        }
        case kAs: {
            orvane::FirewallSets sets;
            if (!ParseFirewallSets(value, sets)) return wrong("ipset:NAME or nft:TABLE:NAME");
            if (const std::string problem = orvane::FirewallNameProblem(sets); !problem.empty())
                return "option " + given + ": " + problem;
            options.firewall = sets;
            asked.merge = true;
            break;
        }
        case kReduce: {
            std::uint64_t percent;
            if (!ParseCount(value, kMostReducePercent, percent)) return "option " + given + " takes a percentage, such as 20";
            options.reducePercent = static_cast<double>(percent);
            asked.setOption = given;
            break;
        }
        case kReduceEntries:
            if (!ParseCount(value, kMostReduceEntries, options.reduceEntries))
                return "option " + given + " takes a number of entries";
            asked.setOption = given;
            break;
        case kProtect:
            options.protect.emplace_back(value);
            asked.guard = given;
            break;
        case kMaxSize:
        case kMaxSize6: {
            const bool six = c == kMaxSize6;
            unsigned length;
            if (!ParsePrefixLength(value, six ? 128 : 32, length))
                return "option " + given + " takes a prefix length from 0 to " + (six ? "128" : "32");
            (six ? options.maxSize6 : options.maxSize4) = length;
            asked.guard = given;
            break;
        }
        case kPrevious:
            if (value.empty()) return "option " + given + " needs a file name";
            options.previous = value;
            asked.guard = given;
            break;
        case kMaxChange: {
            double percent;
            if (!ParsePercent(value, static_cast<double>(kMostReducePercent), percent))
                return "option " + given + " takes a percentage, such as 20 or 2.5";
            options.maxChange = percent;
            asked.guard = given;
            break;
        }
        case kExtract:
            options.extract = true;
            asked.setOption = given;
            break;
        case kGrep:
            if (value.empty()) return "option " + given + " needs a file name";
            options.grep = value;
            break;
        case kInvert: options.invert = true; break;
        case kMaxEntries:
        case kMaxEntries6: {
            std::uint64_t entries;
            if (!ParseCount(value, orvane::kMostNetworks, entries) || entries == 0)
                return "option " + given + " takes a number of entries, at least 1";
            (c == kMaxEntries6 ? options.maxEntries6 : options.maxEntries4) = entries;
            asked.fit = given;
            break;
        }
        case kWiden:
        case kWiden6: {
            const unsigned width = c == kWiden6 ? 128 : 32;
            const std::size_t colon = value.find(':');
            unsigned prefix = 0;
            std::uint64_t least = 0;
            // At least one address, and no more than the network holds.
            if (colon == std::string_view::npos || !ParsePrefixLength(value.substr(0, colon), width, prefix) ||
                !ParseCount(value.substr(colon + 1),
                            width - prefix >= 62 ? kMostReduceEntries : std::uint64_t{1} << (width - prefix), least) ||
                least == 0)
                return "option " + given + " takes N:K, a prefix length from 0 to " + std::to_string(width) +
                       " and at least 1 address, no more than a /N holds (" + (width == 32 ? "24:3" : "64:2") + ")";
            (c == kWiden6 ? options.widen6 : options.widen4) = orvane::SetJob::Widen{prefix, least};
            asked.fit = given;
            break;
        }
        case kNumber: {
            const std::size_t comma = value.find(',');
            std::uint64_t start, step;
            if (comma == std::string_view::npos || !ParseCount(value.substr(0, comma), kMostReduceEntries, start) ||
                !ParseCount(value.substr(comma + 1), kMostReduceEntries, step))
                return "option " + given + " takes START,STEP, such as 5,10";
            asked.number.emplace(start, step);
            asked.setOption = given;
            break;
        }
        case kHeader:
        case kFooter: {
            std::string error;
            std::optional<orvane::LineFormat>& frame = c == kHeader ? options.header : options.footer;
            frame = orvane::LineFormat::ParseFrame(orvane::Utf8ToCp1251(value), error);
            if (!frame) return "option " + given + ": " + error;
            asked.setOption = given;
            break;
        }
        case kWhy:
            asked.why.emplace_back(value);  // read once --leading-zeros is known
            asked.merge = true;
            break;
        case ':': return "option " + given + " needs a value";
        default: return "unknown option " + given;
    }
    return std::nullopt;
}

// The mode the options name together, or why they do not go together.
std::optional<std::string> SettleMode(Options& options, const Given& asked) {
    const auto stdinReads = std::count(options.inputs.begin(), options.inputs.end(), "-") +
                            std::count(options.intersect.begin(), options.intersect.end(), "-") +
                            std::count(options.exclude.begin(), options.exclude.end(), "-") +
                            std::count(options.protect.begin(), options.protect.end(), "-") + (options.diff == "-") +
                            (options.previous == "-") + (options.grep == "-");
    if (stdinReads > 1) return "standard input (-) can be read only once";
    if (!options.grep.empty()) {
        if (asked.exact || asked.merge || !options.diff.empty() || !options.intersect.empty() ||
            !options.exclude.empty() || !asked.guard.empty() || options.firewall)
            return "--grep writes lines of text and goes with neither --exact, --merge, --diff, --intersect, "
                   "--exclude, --as, --why nor a guard";
        options.mode = Mode::Grep;
    } else if (options.invert) {
        return "--invert needs --grep";
    } else if (!options.diff.empty()) {
        if (asked.exact || options.count || !options.intersect.empty() || !options.exclude.empty())
            return "--diff goes with neither --exact, --count, --intersect nor --exclude";
        options.mode = Mode::Diff;
    } else if (options.quiet && asked.why.empty()) {
        return "--quiet needs --diff or --why";
    } else if (asked.merge || !options.intersect.empty() || !options.exclude.empty()) {
        options.mode = Mode::Merge;
    } else if (asked.exact || options.sort == LineOrder::Address) {
        options.mode = Mode::Exact;
    }
    if (options.firewall &&
        (options.mode != Mode::Merge || options.count || options.families != orvane::Families::Both || options.lineFormat))
        return "--as writes both families' sets and goes with neither --exact, --diff, --count, -4, -6 nor "
               "--line-format";
    if (options.reducePercent && options.mode != Mode::Merge) return "--reduce needs --merge or --as";
    if (!asked.guard.empty() && options.mode != Mode::Merge)
        return asked.guard + " guards --merge and --as only (not --exact or --diff)";
    if (options.previous.empty() != !options.maxChange) return "--previous and --max-change go together";
    for (const std::string& text : asked.why) {
        orvane::LineScratch scratch;
        const orvane::SetLine line = orvane::ReadListLine(text, orvane::RangeReading::Addresses, scratch, options.zeros);
        if (line.kind != orvane::SetLine::Kind::IPv4 && line.kind != orvane::SetLine::Kind::IPv6)
            return "option --why takes an IPv4 or IPv6 address or network, not \"" + text + "\"";
        options.why.push_back({.text = text, .family = line.kind, .v4 = line.v4, .v6 = line.v6});
    }
    if (!options.why.empty() && (options.mode != Mode::Merge || asked.exact || options.count || !options.output.empty() ||
                                 !asked.guard.empty() || !asked.fit.empty() || options.header || options.footer))
        return "--why answers on standard output instead of the result, and goes with neither --exact, --diff, --count, "
               "-o, a guard, --widen, --max-entries, --header nor --footer";
    if (!asked.fit.empty() && options.mode != Mode::Merge) return asked.fit + " needs --merge or --as";
    if ((options.maxEntries4 || options.maxEntries6) &&
        (asked.minPrefix4 > 0 || asked.minPrefix6 > 0 || !asked.listed4.all() || !asked.listed6.all() ||
         options.reducePercent))
        return "--max-entries chooses the networks itself and goes with neither --min-prefix, --prefixes nor --reduce";
    if ((options.header || options.footer) && (options.mode != Mode::Merge || options.families == orvane::Families::Both ||
                                              options.firewall || options.count))
        return "--header and --footer need --merge and -4 or -6 (routers keep each family in lists of their own), "
               "and go with neither --as nor --count";
    if (asked.number) {
        if (!options.lineFormat || !options.lineFormat->Numbers()) return "--number needs {n} in --line-format";
        options.lineFormat->Number(asked.number->first, asked.number->second);
    }
    const bool sets = options.mode != Mode::Convert;
    if (options.count && !sets) return "--count needs --exact or --merge";
    if (!asked.setOption.empty() && !sets) return asked.setOption + " needs --exact, --merge or --diff";
    return std::nullopt;
}

// The defaults that depend on the mode.
void SettleDefaults(Options& options, Given& asked) {
    const bool sets = options.mode != Mode::Convert;
    // The lengths listed, none shorter than the least: the full width stays, so every set can be written.
    for (unsigned p = 0; p < asked.minPrefix4; ++p) asked.listed4.reset(p);
    for (unsigned p = 0; p < asked.minPrefix6; ++p) asked.listed6.reset(p);
    options.lengths4 = asked.listed4.set(32);
    options.lengths6 = asked.listed6.set(128);
    // Networks by default in the set modes, as every network tool writes them.
    options.format = asked.format.value_or(sets ? orvane::OutputForm::ShortMask : orvane::OutputForm::HostRange);
    // The window's bytes in its own mode; what network tools read in the set modes.
    options.delimiter = asked.delimiter.value_or(sets ? "/" : " / ");
    if (options.firewall) asked.lineEnd = "\n";  // what the firewalls read
    options.lineEnd = asked.lineEnd.value_or(sets ? "\n" : "\r\n");  // a literal either way
}

// The option as the user would look for it in --help: its full name (a
// value given as the next word is no option's name).
std::string GivenName(int c, int longIndex, char** argv) {
    if (longIndex >= 0) return std::string("--") + kOptions[longIndex].name;
    if (c != ':' && c != '?') return std::string{'-', static_cast<char>(c)};
    const std::string_view last = argv[optind - 1];
    return last.starts_with("--") || optopt == 0 ? std::string(last.substr(0, last.find('=')))
                                                 : std::string{'-', static_cast<char>(optopt)};
}

// The options the arguments give, or the exit status to end with at once
// (help, version, wrong usage).
std::variant<Options, int> ParseArguments(int argc, char** argv) {
    Options options;
    Given asked;
    opterr = 0;  // the messages below say it in this program's words
    int longIndex = -1;
    for (int c; (longIndex = -1, c = ::getopt_long(argc, argv, ":f:d:o:h46", kOptions, &longIndex)) != -1;) {
        if (c == 'h') {
            std::cout << kUsage << '\n' << kHelp;
            return 0;
        }
        if (c == kVersion) {
            std::cout << "orvane-convert " << ORVANE_VERSION << " (build " << ORVANE_BUILD << ")\n"
                      << "Copyright (C) 2026 Orvane.\n"
                      << "License: proprietary; it may be used and copied as delivered, no other right is granted.\n";
            return 0;
        }
        if (const auto error = TakeOption(c, optarg != nullptr ? optarg : "", GivenName(c, longIndex, argv), options, asked))
            return UsageError(*error);
    }
    if (optind < argc) options.inputs.assign(argv + optind, argv + argc);
    if (const auto error = SettleMode(options, asked)) return UsageError(*error);
    SettleDefaults(options, asked);
    return options;
}

// Runs what the options ask for; says on standard error what went wrong.
int RunAndReport(const Options& options) {
    try {
        const orvane::cli::Outcome outcome = orvane::cli::Run(options);
        if (outcome.guarded) return 4;
        if (!outcome.refusal.empty()) {
            std::cerr << "orvane-convert: " << outcome.refusal << '\n';
            return options.mode == Mode::Diff ? 2 : 1;
        }
        // As grep answers: any trouble is 2, a rejected line under --strict too.
        if (!options.why.empty()) return options.strict && outcome.rejected > 0 ? 2 : outcome.whyCovered ? 0 : 1;
        if (options.mode == Mode::Grep) return options.strict && outcome.rejected > 0 ? 2 : outcome.matched > 0 ? 0 : 1;
        // As diff and cmp answer: any trouble is 2, a rejected line under --strict too.
        if (options.mode == Mode::Diff) return options.strict && outcome.rejected > 0 ? 2 : outcome.differ ? 1 : 0;
        return options.strict && outcome.rejected > 0 ? 3 : 0;
    } catch (const orvane::EWriteError& e) {
        std::cerr << "orvane-convert: "
                  << (options.output.empty() ? std::string("standard output") : "\"" + options.output + "\"") << ": "
                  << e.what() << ". " << orvane::SystemErrorText(e.errorCode()) << '\n';
    } catch (const std::exception& e) {
        std::cerr << "orvane-convert: " << e.what() << '\n';
    }
    return options.mode == Mode::Diff || options.mode == Mode::Grep || !options.why.empty() ? 2 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    orvane::IgnoreFileSizeLimitSignal();
    const std::variant<Options, int> parsed = ParseArguments(argc, argv);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    return RunAndReport(std::get<Options>(parsed));
}
