#include "AddressModes.h"

#include <memory>

#include "CodePage.h"
#include "FileIo.h"
#include "ListText.h"
#include "TextRules.h"
#include "unCommon.h"

namespace orvane::cli {
namespace {

// The first maxLength characters of a UTF-8 line.
std::string_view CutUtf8Characters(std::string_view line, std::size_t maxLength) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue;  // inside a character
        if (characters++ == maxLength) return line.substr(0, i);
    }
    return line;
}

// Adds up what the reading of every file found, naming each rejected line
// as "FILE:N: rejected: TEXT" (the line as written) when asked.
class RejectionReport {
public:
    explicit RejectionReport(bool named, std::string& errors) : named_(named), errors_(errors) {}

    void Add(const ListInput& input, const LinesRead& read) {
        lines_ += read.lines;
        rejected_ += read.rejected.size();
        if (!named_ || read.rejected.empty()) return;
        const bool utf8 = !input.utf8.empty();
        std::size_t number = 0, next = 0;
        ForEachListLine(
            utf8 ? input.utf8 : input.text,
            [&](std::string_view line) {
                if (next == read.rejected.size() || ++number != read.rejected[next]) return;
                ++next;
                errors_ += input.name + ":" + std::to_string(number) + ": rejected: ";
                std::string echo = utf8 ? std::string(CutUtf8Characters(line, kMaxLineLength)) : Cp1251ToUtf8(line);
                // A NUL would vanish on a terminal and cut the line short in a log.
                for (std::size_t at; (at = echo.find('\0')) != std::string::npos;) echo.replace(at, 1, "\u2400");
                errors_ += echo;
                errors_ += '\n';
            },
            utf8 ? std::string_view::npos : kMaxLineLength);
    }

    // The window's text ends at a NUL; what followed is said always, since
    // the output then lacks it, and counts as one rejected line.
    void AddCut(const ListInput& input) {
        if (input.cut.line == 0) return;
        ++lines_;
        ++rejected_;
        const std::size_t n = input.cut.notRead;
        errors_ += input.name + ":" + std::to_string(input.cut.line) + ": text ends at a NUL byte, " +
                   std::to_string(n) + (n == 1 ? " byte" : " bytes") + " not read\n";
    }

    std::size_t Rejected() const { return rejected_; }

    // The count closes the report, after the lines of every file.
    void Close() {
        if (named_)
            errors_ += "orvane-convert: " + std::to_string(rejected_) + " of " + std::to_string(lines_) +
                       " lines rejected\n";
    }

private:
    bool named_;
    std::string& errors_;
    std::size_t lines_ = 0, rejected_ = 0;
};

// The window's reading: a line is rejected when it is not blank and its
// conversion is empty.
LinesRead ReadConvertible(std::string_view text, const Options& options) {
    LinesRead read;
    std::string cleaned;
    ForEachListLine(text, [&](std::string_view line) {
        ++read.lines;
        if (IsBlankLine(line)) return;
        NormalizeLineInto(line, cleaned);
        if (cleaned.empty() || TransformLine(cleaned, TransformTypeOf(options.format), options.delimiter).empty())
            read.rejected.push_back(read.lines);
    });
    return read;
}

using Inputs = std::vector<std::unique_ptr<ListInput>>;

Inputs ReadFiles(const std::vector<std::string>& names, NulBytes nul) {
    Inputs inputs;
    for (const std::string& name : names) inputs.push_back(std::make_unique<ListInput>(name, nul));
    return inputs;
}

std::vector<std::string_view> TextsOf(const Inputs& inputs) {
    std::vector<std::string_view> texts;
    for (const auto& input : inputs) texts.push_back(input->text);
    return texts;
}

void Convert(const Options& options, RejectionReport& report, std::string& out) {
    const Inputs inputs = ReadFiles(options.inputs, NulBytes::EndText);
    for (const auto& input : inputs) {
        if (options.report || options.strict) report.Add(*input, ReadConvertible(input->text, options));
        report.AddCut(*input);
    }
    // Several files are one list; each ends its last line so that the next starts a line of its own.
    std::string joined;
    if (inputs.size() > 1) {
        for (const auto& input : inputs) {
            joined.append(input->text);
            if (!joined.empty() && joined.back() != '\n') joined += '\n';
        }
    }
    TransformListText(inputs.size() > 1 ? std::string_view(joined) : inputs.front()->text, options.removeDuplicates,
                      options.sort == LineOrder::Text, TransformTypeOf(options.format), options.delimiter, options.lineEnd,
                      out);
}

SetWriting WritingOf(const Options& options) {
    return {.form = options.format, .delimiter = options.delimiter, .lineEnd = options.lineEnd,
            .ranges = options.ranges};
}

void ConvertExactly(const Options& options, RejectionReport& report, std::string& out) {
    const Inputs inputs = ReadFiles(options.inputs, NulBytes::Keep);
    const std::vector<std::string_view> texts = TextsOf(inputs);
    std::vector<LinesRead> read;
    if (options.count)
        WriteCounts(ExactNetworks(texts, options.ranges, options.removeDuplicates, read), options.lineEnd, out);
    else
        read = ConvertExact(texts, options.sort, options.removeDuplicates, WritingOf(options), out);
    for (std::size_t k = 0; k < inputs.size(); ++k) report.Add(*inputs[k], read[k]);
}

// The union of the files' addresses, each file read and let go in turn: a
// list of ten million lines is not held beside its addresses for longer
// than it takes to read it.
AddressSets UnionOfFiles(const std::vector<std::string>& names, RangeReading ranges, RejectionReport& report) {
    AddressSets sets;
    for (const std::string& name : names) {
        const ListInput input(name, NulBytes::Keep);
        report.Add(input, ReadAddressList(input.text, ranges, sets));
    }
    return {UnionOf(std::move(sets.v4)), UnionOf(std::move(sets.v6))};
}

// The union of the inputs; then what every --intersect file also holds,
// less what every --exclude file holds.
void Merge(const Options& options, RejectionReport& report, std::string& out) {
    AddressSets result = UnionOfFiles(options.inputs, options.ranges, report);
    for (const std::string& name : options.intersect) {
        const AddressSets other = UnionOfFiles({name}, options.ranges, report);
        result = {IntersectionOf(result.v4, other.v4), IntersectionOf(result.v6, other.v6)};
    }
    for (const std::string& name : options.exclude) {
        const AddressSets other = UnionOfFiles({name}, options.ranges, report);
        result = {DifferenceOf(result.v4, other.v4), DifferenceOf(result.v6, other.v6)};
    }
    if (options.count) WriteCounts(NetworksOf(result), options.lineEnd, out);
    else WriteSets(result, WritingOf(options), out);
}

}  // namespace

ListInput::ListInput(std::string fileName, NulBytes nul)
    : name(std::move(fileName)), bytes(name == "-" ? ReadAll(0, "-") : ReadStream(name)) {
    // Windows-1251 and plain ASCII files are converted where they lie; only UTF-8 is decoded first.
    const ListBytes list = ClassifyListBytes(bytes, nul);
    cut = list.cut;
    if (list.encoding == ListEncoding::Utf8) {
        decoded = Utf8ToCp1251(list.text);
        text = decoded;
        utf8 = list.text;
    } else {
        text = list.text;
    }
}

Outcome Run(const Options& options, std::string& errors) {
    Outcome outcome;
    RejectionReport report(options.report, errors);
    switch (options.mode) {
        case Mode::Convert: Convert(options, report, outcome.output); break;
        case Mode::Exact: ConvertExactly(options, report, outcome.output); break;
        case Mode::Merge: Merge(options, report, outcome.output); break;
    }
    report.Close();
    outcome.rejected = report.Rejected();
    return outcome;
}

}  // namespace orvane::cli
