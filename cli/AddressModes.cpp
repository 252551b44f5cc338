#include "AddressModes.h"

#include <algorithm>
#include <unordered_set>

#include "CodePage.h"
#include "FileIo.h"
#include "ListText.h"
#include "unCommon.h"

namespace orvane::cli {
namespace {

// Only blanks and control characters: a line nobody means as a network.
bool IsBlank(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == '\x7F'; });
}

// The first maxLength characters of a UTF-8 line.
std::string_view CutUtf8Characters(std::string_view line, std::size_t maxLength) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue;  // inside a character
        if (characters++ == maxLength) return line.substr(0, i);
    }
    return line;
}

// Calls readable(cleanedLine) for every line that is not blank; writes
// "FILE:N: rejected: TEXT" for each one it refuses when report is set.
// Gives the number refused and sets lines to the number of lines.
template <typename Readable>
std::size_t CountRejected(const ListInput& input, bool report, std::string& errors, std::size_t& lines,
                          Readable&& readable) {
    std::vector<std::string_view> asWritten;
    if (report && !input.utf8.empty())
        ForEachListLine(input.utf8, [&](std::string_view line) { asWritten.push_back(line); }, std::string_view::npos);
    std::size_t rejected = 0;
    lines = 0;
    std::string cleaned;
    ForEachListLine(input.text, [&](std::string_view line) {
        const std::size_t number = ++lines;
        if (IsBlank(line)) return;
        NormalizeLineInto(line, cleaned);
        if (!cleaned.empty() && readable(cleaned)) return;
        ++rejected;
        if (!report) return;
        const std::string text = number <= asWritten.size()
                                     ? std::string(CutUtf8Characters(asWritten[number - 1], kMaxLineLength))
                                     : Cp1251ToUtf8(line);
        errors += input.name + ":" + std::to_string(number) + ": rejected: " + text + "\n";
    });
    return rejected;
}

// The addresses every readable line of the list names, joined.
std::vector<AddressInterval> UnionOfList(const ListInput& input, RangeReading ranges) {
    std::vector<AddressInterval> intervals;
    std::string cleaned;
    ForEachListLine(input.text, [&](std::string_view line) {
        AddressInterval interval;
        NormalizeLineInto(line, cleaned);
        if (!cleaned.empty() && ReadAddressInterval(cleaned, ranges, interval)) intervals.push_back(interval);
    });
    return UnionOf(std::move(intervals));
}

class Writer {
public:
    Writer(const Options& options, std::string& out)
        : options_(options), out_(out), lineEnd_(options.lf ? "\n" : "\r\n") {}

    // Whole intervals are the unit in form 0 with exact ranges; networks otherwise.
    bool WholeIntervals() const { return options_.format == 0 && options_.ranges == RangeReading::Addresses; }

    // Calls visit(unit) for every unit written for the interval, in address order.
    template <typename Visit>
    void ForEachUnit(AddressInterval interval, Visit&& visit) const {
        if (WholeIntervals()) return visit(interval);
        ForEachNetwork(interval, kIPv4Width, [&](std::uint64_t network, unsigned prefix) {
            visit(AddressInterval{network, network + ((std::uint64_t{1} << (kIPv4Width - prefix)) - 1)});
        });
    }

    void Write(AddressInterval unit) {
        if (WholeIntervals()) {
            AppendAddressRange(out_, unit);
        } else {
            const auto size = unit.last - unit.first + 1;
            AppendNetwork(out_, unit.first, kIPv4Width - static_cast<unsigned>(std::countr_zero(size)),
                          options_.format, options_.delimiter);
        }
        out_.append(lineEnd_);
    }

private:
    const Options& options_;
    std::string& out_;
    std::string_view lineEnd_;
};

struct UnitHash {
    std::size_t operator()(const AddressInterval& u) const noexcept {
        return std::hash<std::uint64_t>()(u.first * 0x9E3779B97F4A7C15ull ^ u.last);
    }
};

void WriteExact(const Options& options, const ListInput& input, Writer& writer) {
    const std::vector<std::string_view> lines = SplitListLines(input.text);
    if (options.sort == SortOrder::Address) {
        std::vector<AddressInterval> units;
        std::string cleaned;
        for (std::string_view line : lines) {
            AddressInterval interval;
            NormalizeLineInto(line, cleaned);
            if (!cleaned.empty() && ReadAddressInterval(cleaned, options.ranges, interval))
                writer.ForEachUnit(interval, [&](AddressInterval unit) { units.push_back(unit); });
        }
        // By address; on equal addresses the larger first.
        std::sort(units.begin(), units.end(), [](const AddressInterval& a, const AddressInterval& b) {
            return a.first != b.first ? a.first < b.first : a.last > b.last;
        });
        if (options.removeDuplicates) units.erase(std::unique(units.begin(), units.end()), units.end());
        for (const AddressInterval& unit : units) writer.Write(unit);
        return;
    }
    std::unordered_set<AddressInterval, UnitHash> written;
    for (const std::string& line : PrepareList(lines, options.removeDuplicates, options.sort == SortOrder::Text)) {
        AddressInterval interval;
        if (!ReadAddressInterval(line, options.ranges, interval)) continue;
        writer.ForEachUnit(interval, [&](AddressInterval unit) {
            if (!options.removeDuplicates || written.insert(unit).second) writer.Write(unit);
        });
    }
}

// The union of the input; then what every --intersect file also holds, less
// what every --exclude file holds.
void WriteMerged(const Options& options, const ListInput& input, Writer& writer, std::string& errors,
                 std::size_t& rejected) {
    std::vector<AddressInterval> result = UnionOfList(input, options.ranges);
    auto apply = [&](const std::vector<std::string>& files, auto operation) {
        for (const std::string& file : files) {
            const ListInput other(file);
            if (options.report || options.strict) {
                std::size_t lines = 0;
                rejected += CountRejected(other, options.report, errors, lines, [&](std::string_view line) {
                    AddressInterval interval;
                    return ReadAddressInterval(line, options.ranges, interval);
                });
            }
            result = operation(result, UnionOfList(other, options.ranges));
        }
    };
    apply(options.intersect, IntersectionOf);
    apply(options.exclude, DifferenceOf);
    for (const AddressInterval& interval : result)
        writer.ForEachUnit(interval, [&](AddressInterval unit) { writer.Write(unit); });
}

}  // namespace

ListInput::ListInput(std::string fileName)
    : name(std::move(fileName)), bytes(name == "-" ? ReadAll(0, "-") : ReadStream(name)) {
    // Windows-1251 and plain ASCII files are converted where they lie; only UTF-8 is decoded first.
    const ListBytes list = ClassifyListBytes(bytes);
    if (list.encoding == ListEncoding::Utf8) {
        decoded = Utf8ToCp1251(list.text);
        text = decoded;
        utf8 = list.text;
    } else {
        text = list.text;
    }
}

Outcome Run(const Options& options, const ListInput& input, std::string& errors) {
    Outcome outcome;
    const bool countRejected = options.report || options.strict;
    const bool exact = options.exact || options.merge;

    std::size_t mainLines = 0, mainRejected = 0;
    if (countRejected) {
        std::string converted;
        mainRejected = CountRejected(input, options.report, errors, mainLines, [&](std::string_view line) {
            AddressInterval interval;
            if (exact) return ReadAddressInterval(line, options.ranges, interval);
            converted = TransformLine(line, options.format, options.delimiter);
            return !converted.empty();
        });
        outcome.rejected += mainRejected;
    }
    if (!exact) {
        TransformListText(input.text, options.removeDuplicates, options.sort == SortOrder::Text, options.format,
                          options.delimiter, options.lf ? "\n" : "\r\n", outcome.output);
    } else if (!options.merge) {
        Writer writer(options, outcome.output);
        WriteExact(options, input, writer);
    } else {
        Writer writer(options, outcome.output);
        WriteMerged(options, input, writer, errors, outcome.rejected);
    }
    // The count closes the report, after the lines of every file.
    if (options.report)
        errors += "orvane-convert: " + std::to_string(mainRejected) + " of " + std::to_string(mainLines) +
                  " lines rejected\n";
    return outcome;
}

}  // namespace orvane::cli
