#include "AddressModes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

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

std::string_view FaultWords(LineFault fault) {
    switch (fault) {
        case LineFault::None:
        case LineFault::Unreadable: break;
        case LineFault::Nul: return "a NUL byte";
        case LineFault::TooLong: return "over 1 MiB before its comment";
        case LineFault::Star: return "a star";
        case LineFault::Letter: return "a letter in an address";
        case LineFault::Hexadecimal: return "a hexadecimal octet";
        case LineFault::EmptyOctet: return "an empty octet";
        case LineFault::OctetCount: return "not four octets";
        case LineFault::OctetOver255: return "an octet over 255";
        case LineFault::LeadingZero: return "a leading zero";
        case LineFault::Prefix: return "no prefix length";
        case LineFault::Mask: return "a mask with a gap";
        case LineFault::Backwards: return "a range that ends before it starts";
        case LineFault::Exception: return "an ipset nomatch entry, not a member";
    }
    return {};
}

// A line as it was written: UTF-8 when it is valid UTF-8, otherwise
// Windows-1251; cut to the characters the window's conversion looks at.
std::string EchoedLine(std::string_view bytes) {
    std::string echo = IsValidUtf8(bytes) ? std::string(CutUtf8Characters(bytes, kMaxLineLength))
                                          : Cp1251ToUtf8(bytes.substr(0, kMaxLineLength));
    // A NUL would vanish on a terminal and cut the line short in a log.
    for (std::size_t at; (at = echo.find('\0')) != std::string::npos;) echo.replace(at, 1, "\u2400");
    return echo;
}

// What standard error says about the lines read: each rejected line as
// "FILE:N: rejected: TEXT" when asked, then the count over every file read.
// Written in blocks as it grows: a list of a million bad lines is neither
// held nor written a line at a time.
class Report {
public:
    explicit Report(bool named) : named_(named) {}
    ~Report() { Flush(); }

    bool Named() const { return named_; }

    // The line as it was written: UTF-8 when it is valid UTF-8, otherwise
    // Windows-1251; cut to the characters the window's conversion looks at.
    // The fault, when the reading named one, stands before it.
    void Rejected(std::string_view file, std::size_t number, std::string_view bytes,
                  LineFault fault = LineFault::None) {
        if (!named_) return;
        text_.append(file);
        text_ += ':' + std::to_string(number) + ": rejected";
        if (const std::string_view why = FaultWords(fault); !why.empty()) {
            text_ += " (";
            text_ += why;
            text_ += ')';
        }
        text_ += ": ";
        text_ += EchoedLine(bytes);
        text_ += '\n';
        if (text_.size() >= kBlock) Flush();
    }

    // The window's text ends at a NUL; what followed is said always, since
    // the output then lacks it.
    void Cut(std::string_view file, const NulCut& cut) {
        text_.append(file);
        text_ += ':' + std::to_string(cut.line) + ": text ends at a NUL byte, " + std::to_string(cut.notRead) +
                 (cut.notRead == 1 ? " byte" : " bytes") + " not read\n";
    }

    // A word of the program's own, said whatever was asked.
    void Say(std::string_view text) { text_ += text; }

    // The count closes the report, after the lines of every file.
    void Close(std::size_t lines, std::size_t rejected) {
        if (named_)
            text_ += "orvane-convert: " + std::to_string(rejected) + " of " + std::to_string(lines) + " lines rejected\n";
        Flush();
    }

    void Flush() {
        // Standard error going nowhere must not stop the result from being written.
        try {
            WriteAll(STDERR_FILENO, text_);
        } catch (const EWriteError&) {
        }
        text_.clear();
    }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 16;
    bool named_;
    std::string text_;
};

// A list file read and decoded as the window reads it: its text ends at a
// NUL, of what follows only the count is kept.
struct ListInput {
    explicit ListInput(std::string fileName) : name(std::move(fileName)) {
        struct stat st {};
        std::size_t size = 0;
        if (name == "-" ? ::fstat(STDIN_FILENO, &st) == 0 : ::stat(name.c_str(), &st) == 0) {
            identity = {st.st_dev, st.st_ino};
            if (S_ISREG(st.st_mode)) size = static_cast<std::size_t>(st.st_size);
        }
        const std::unique_ptr<ByteSource> source = OpenListSource(name);
        HeldListBytes held = ReadListBytes(*source, size);
        bytes = std::move(held.bytes);
        const ListFileText list = DecodeListFile(bytes, decoded);
        raw = list.raw;
        text = list.text;
        cut = list.cut;
        cut.notRead += held.afterNul;
    }
    ListInput(const ListInput&) = delete;
    ListInput& operator=(const ListInput&) = delete;

    std::string name;  // as given; "-" for standard input
    std::string bytes;
    std::string decoded;
    std::string_view raw;   // the file's text as written (UTF-16 as UTF-8)
    std::string_view text;  // Windows-1251
    NulCut cut;
    std::optional<std::pair<dev_t, ino_t>> identity;  // of a file that could be looked up
};

// Writing the window's conversion over an input whose text a NUL ended
// would lose what stood after it.
void RefuseOutputOverCutInput(const Options& options, const std::vector<std::unique_ptr<ListInput>>& inputs) {
    struct stat st {};
    if (options.output.empty() || ::stat(options.output.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    for (const auto& input : inputs) {
        if (input->cut.line == 0 || input->identity != std::pair(st.st_dev, st.st_ino)) continue;
        throw std::runtime_error("\"" + options.output + "\" is not replaced: its text ends at a NUL byte in line " +
                                 std::to_string(input->cut.line) +
                                 ", and this conversion keeps only what stands before it (--merge and --exact read "
                                 "every line)");
    }
}

// Names on the report the lines of the input with these numbers (rising),
// as the file holds them.
void NameLines(const ListInput& input, std::span<const std::size_t> numbers, Report& report) {
    std::size_t number = 0, next = 0;
    ForEachListLine(
        input.raw,
        [&](std::string_view line) {
            if (next < numbers.size() && ++number == numbers[next]) {
                ++next;
                report.Rejected(input.name, number, line);
            }
        },
        std::string_view::npos);
}

std::size_t LineCountOf(std::string_view text) {
    std::size_t lines = 0;
    ForEachListLine(text, [&](std::string_view) { ++lines; }, 0);
    return lines;
}

// The window's conversion of every file as one list; gives the result.
std::string Convert(const Options& options, Report& report, std::size_t& rejected) {
    std::vector<std::unique_ptr<ListInput>> inputs;
    for (const std::string& name : options.inputs) inputs.push_back(std::make_unique<ListInput>(name));
    RefuseOutputOverCutInput(options, inputs);
    // Several files are one list; each ends its last line so that the next starts a line of its own.
    std::string joined;
    if (inputs.size() > 1) {
        for (const auto& input : inputs) {
            joined.append(input->text);
            if (!joined.empty() && joined.back() != '\n') joined += '\n';
        }
    }
    // The window's reading: a line is rejected when it is not blank and names no network.
    std::vector<std::size_t> unconvertible;  // numbers in the joined list
    ListConversion conversion{.form = options.format,
                              .removeDuplicates = options.removeDuplicates,
                              .sort = options.sort == LineOrder::Text,
                              .delimiter = options.delimiter,
                              .lineEnd = options.lineEnd};
    const bool judging = options.report || options.strict;
    if (judging) conversion.rejected = [&](std::size_t line) { unconvertible.push_back(line); };
    std::string result;
    TransformListText(inputs.size() > 1 ? std::string_view(joined) : inputs.front()->text, conversion, result);

    std::size_t lines = 0, joinedLines = 0;
    auto next = unconvertible.begin();
    for (const auto& input : inputs) {
        if (judging) {
            // Each file's lines follow the last one's in the joined list.
            const std::size_t first = joinedLines, count = LineCountOf(input->text);
            joinedLines += count;
            const auto end = std::lower_bound(next, unconvertible.end(), first + count + 1);
            std::vector<std::size_t> own(next, end);
            for (std::size_t& number : own) number -= first;
            rejected += own.size();
            if (report.Named()) NameLines(*input, own, report);
            lines += count;
            next = end;
        }
        if (input->cut.line != 0) {
            // What the NUL cut off counts as one rejected line.
            report.Cut(input->name, input->cut);
            ++lines;
            ++rejected;
        }
    }
    report.Close(lines, rejected);
    // The window drops what it cannot read without a word; a newcomer's first
    // blocklist would come out empty without a hint.
    if (result.empty() && std::any_of(inputs.begin(), inputs.end(), [](const auto& input) {
            bool named = false;
            ForEachListLine(input->text, [&](std::string_view line) { named = named || !IsBlankLine(line); });
            return named;
        }))
        report.Say("orvane-convert: no line names a network as the window writes them; lists of single addresses "
                   "and lines with comments are read with --merge\n");
    return result;
}

// "12.5", without the zeros that say nothing.
std::string PercentText(double percent) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", percent);
    std::string shown(text);
    while (shown.ends_with('0')) shown.pop_back();
    if (shown.ends_with('.')) shown.pop_back();
    return shown;
}

std::string TotalText(const AddressTotal& total) {
    std::string text;
    AppendTotal(text, total);
    return text;
}

std::string_view MeetsWords(NamedLine::Meets meets) {
    switch (meets) {
        case NamedLine::Meets::Covers: return " covers ";
        case NamedLine::Meets::LiesIn: return " lies in ";
        case NamedLine::Meets::Overlaps: break;
    }
    return " overlaps ";
}

// A guard's refusal: the lines it names, then what it refused, each line of
// it ended.
std::string GuardWords(const Refusal& refusal, const Options& options) {
    std::string words;
    for (const NamedLine& line : refusal.lines) {
        words += line.list + ':' + std::to_string(line.number) + ": " + line.network;
        if (refusal.kind == Refusal::Kind::Protected) {
            if (line.otherList.empty()) {
                words += " brings in protected addresses";
            } else {
                words += MeetsWords(line.meets);
                words += line.other + " (" + line.otherList + ':' + std::to_string(line.otherNumber) + ')';
            }
        } else {
            const bool six = line.network.find(':') != std::string::npos;
            const std::string limit = std::to_string(six ? *options.maxSize6 : *options.maxSize4);
            words += " is larger than a /" + limit + (six ? " (--max-size6 " : " (--max-size ") + limit + ')';
        }
        words += '\n';
    }
    if (refusal.more > 0)
        words += "orvane-convert: " + std::to_string(refusal.more) + " more " + (refusal.more == 1 ? "line" : "lines") +
                 (refusal.kind == Refusal::Kind::Protected ? " bring in protected addresses\n" : " name networks that large\n");
    switch (refusal.kind) {
        case Refusal::Kind::Protected:
            words += "orvane-convert: refused: the result holds addresses that --protect names (--exclude takes them out)\n";
            break;
        case Refusal::Kind::TooLarge:
            words += "orvane-convert: refused: input lines name networks larger than --max-size or --max-size6 allows\n";
            break;
        case Refusal::Kind::TooMuchChange:
            for (const FamilyChange& change : refusal.changes)
                words += std::string("orvane-convert: refused: ") + (change.ipv6 ? "IPv6" : "IPv4") + " changed by " +
                         PercentText(change.percent) + "% (" + TotalText(change.added) + " addresses added, " +
                         TotalText(change.removed) + " removed, against " + TotalText(change.previous) + " in \"" +
                         options.previous + "\"), more than --max-change " + PercentText(*options.maxChange) + "\n";
            break;
        default: break;
    }
    return words;
}

// The answers to --why, as standard output gives them.
std::string WhyWords(const std::vector<WhyAnswer>& answers) {
    std::string words;
    for (const WhyAnswer& answer : answers) {
        words += answer.asked;
        switch (answer.covered) {
            case WhyAnswer::Covered::All: words += ": in the result\n"; break;
            case WhyAnswer::Covered::Part: words += ": partly in the result\n"; break;
            case WhyAnswer::Covered::None: words += ": not in the result\n"; break;
        }
        for (const NamedLine& line : answer.lines) {
            words += "  ";
            if (line.role == ListRole::Intersect) words += "--intersect ";
            if (line.role == ListRole::Exclude) words += "--exclude ";
            words += line.list + ':' + std::to_string(line.number) + ": " + EchoedLine(line.bytes) + '\n';
        }
        if (answer.more > 0) words += "  and " + std::to_string(answer.more) + " more lines\n";
        if (answer.lines.empty()) words += "  no line of any list holds it\n";
    }
    return words;
}

// The engine's refusal in the words of the options a user types.
std::string RefusalWords(const Refusal& refusal) {
    switch (refusal.kind) {
        case Refusal::Kind::None:
        case Refusal::Kind::Protected:
        case Refusal::Kind::TooLarge:
        case Refusal::Kind::TooMuchChange: break;  // the guards', said by GuardWords
        case Refusal::Kind::TooManyNetworks: {
            std::string size;
            AppendTotal(size, refusal.networks);
            return "the result would be " + size + " networks, more than " + std::to_string(kMostNetworks) +
                   " (allow longer prefixes)";
        }
        case Refusal::Kind::IPv6UnderDottedMask:
            return "{mask} and {wildcard} have no IPv6 meaning, and the result holds " + refusal.network +
                   " (-4 writes IPv4 only)";
        case Refusal::Kind::TooFewEntries: {
            std::string fewest;
            AppendTotal(fewest, refusal.networks);
            return "the " + refusal.network + " result needs at least " + fewest + " entries; --max-entries" +
                   (refusal.network == "IPv6" ? "6" : "") +
                   " allows fewer (what --exclude and --protect hold stays out; ipset's /0 is two)";
        }
    }
    return {};
}

// part of whole, in percent: 0.52%, or 3e-05% and 5.6e+19% when that far from 1.
std::string Share(const AddressTotal& part, const AddressTotal& whole) {
    const long double percent = Approximately(part) * 100 / Approximately(whole);
    char text[32];
    const bool far = percent != 0 && (percent < 0.01L || percent >= 1e6L);  // no row of digits
    std::snprintf(text, sizeof text, far ? "%.2Lg%%" : "%.2Lf%%", percent);
    return text;
}

std::string Counted(std::uint64_t n, std::string_view one, std::string_view many = {}) {
    std::string words = std::to_string(n) + ' ';
    if (n == 1 || many.empty()) words += one;
    if (n != 1) words += many.empty() ? "s" : many;
    return words;
}

// What widening and fitting did to the result, family by family: they add
// addresses to it, which is never done without a word.
std::string FittingWords(const SetJobSummary& summary, const Options& options) {
    std::string words;
    for (std::size_t family = 0; family < 2; ++family) {
        const std::string name = family == 0 ? "IPv4" : "IPv6";
        // A family the result does not hold has nothing to say.
        if (const std::optional<Widening>& widened = summary.widened[family]; widened && widened->any) {
            const unsigned prefix = (family == 0 ? options.widen4 : options.widen6)->prefix;
            words += "orvane-convert: " + name + " widened to whole /" + std::to_string(prefix) + " networks: " +
                     Counted(widened->networks, "network") + ", " + TotalText(widened->added) + " addresses added\n";
        }
        const std::optional<EntryFit>& fit = summary.fitted[family];
        if (!fit || !fit->fits || fit->before == 0) continue;
        words += "orvane-convert: " + name + " in at most " +
                 Counted(*(family == 0 ? options.maxEntries4 : options.maxEntries6), "entry", "entries") + ": " +
                 std::to_string(fit->before) + " before, " + std::to_string(fit->after) + " after, " +
                 TotalText(fit->added) + " addresses added";
        words += " (" + Share(fit->added, fit->set) + " of the set); " +
                 (fit->gap.value == Uint128{} ? std::string("the fewest possible")
                                              : "at most " + TotalText(fit->gap) + " more than the fewest possible (" +
                                                    Share(fit->gap, fit->added) + " of those added)") +
                 "\n";
        if (fit->largest.empty()) continue;
        words += "orvane-convert: " + name + " largest added:";
        for (std::size_t k = 0; k < fit->largest.size(); ++k)
            words += (k == 0 ? " " : ", ") + fit->largest[k].network + " (+" + TotalText(fit->largest[k].addresses) + ")";
        words += "\n";
    }
    return words;
}

std::vector<ListSource> SourcesOf(const std::vector<std::string>& names) {
    std::vector<ListSource> sources;
    for (const std::string& name : names) sources.push_back({name, [name] { return OpenListSource(name); }});
    return sources;
}

// A pipe from tail -f shows each line as it comes, and so does a terminal;
// a file to a file is written in blocks.
bool FlushesEachLine(const Options& options) {
    if (options.output.empty() && ::isatty(STDOUT_FILENO)) return true;
    return std::any_of(options.inputs.begin(), options.inputs.end(), [](const std::string& name) {
        struct stat st {};
        const int got = name == "-" ? ::fstat(STDIN_FILENO, &st) : ::stat(name.c_str(), &st);
        return got != 0 || !S_ISREG(st.st_mode);
    });
}

SetOperation OperationOf(Mode mode) {
    switch (mode) {
        case Mode::Merge: return SetOperation::Merge;
        case Mode::Diff: return SetOperation::Diff;
        case Mode::Grep: return SetOperation::Grep;
        case Mode::Convert:  // not a set job; the window's conversion has no operation of the engine's sets
        case Mode::Exact: break;
    }
    return SetOperation::Exact;
}

SetJob JobOf(const Options& options) {
    SetJob job{.operation = OperationOf(options.mode),
               .form = options.format,
               .delimiter = options.delimiter,
               .lineEnd = options.lineEnd,
               .ranges = options.ranges,
               .zeros = options.zeros,
               .extract = options.extract,
               .order = options.sort,
               .removeDuplicates = options.removeDuplicates,
               .count = options.count,
               .families = options.families,
               .lengths4 = options.lengths4,
               .lengths6 = options.lengths6,
               .lineFormat = options.lineFormat ? &*options.lineFormat : nullptr,
               .defaultPrefix4 = options.defaultPrefix4,
               .defaultPrefix6 = options.defaultPrefix6,
               .inputs = SourcesOf(options.inputs),
               .intersect = SourcesOf(options.intersect),
               .exclude = SourcesOf(options.exclude),
               .firewall = options.firewall,
               .reducePercent = options.reducePercent,
               .reduceEntries = options.reduceEntries,
               .protect = SourcesOf(options.protect),
               .maxSize4 = options.maxSize4,
               .maxSize6 = options.maxSize6,
               .maxChange = options.maxChange.value_or(0),
               .widen4 = options.widen4,
               .widen6 = options.widen6,
               .maxEntries4 = options.maxEntries4,
               .maxEntries6 = options.maxEntries6,
               .header = options.header ? &*options.header : nullptr,
               .footer = options.footer ? &*options.footer : nullptr,
               .why = options.why};
    if (options.mode == Mode::Diff) job.diff = SourcesOf({options.diff}).front();
    if (!options.previous.empty()) job.previous = SourcesOf({options.previous}).front();
    if (options.mode == Mode::Grep) {
        job.pattern = SourcesOf({options.grep}).front();
        job.invert = options.invert;
        job.flushEachLine = FlushesEachLine(options);
    }
    return job;
}

}  // namespace

Outcome Run(const Options& options) {
    Report report(options.report);
    // Opened when the first block is ready: a file that cannot be read leaves the output as it was.
    std::optional<OutputFile> out;
    auto output = [&]() -> OutputFile& {
        if (!out) out.emplace(options.output);
        return *out;
    };
    Outcome outcome;
    if (options.mode == Mode::Convert) {
        const std::string result = Convert(options, report, outcome.rejected);
        output().Write(result);
    } else {
        SetJobOutput sink{.write = [&](std::string_view block) { output().Write(block); },
                          .rejected = [&](const RejectedLine& line) {
                              report.Rejected(line.list, line.number, line.bytes, line.fault);
                          }};
        if (options.quiet) sink.write = nullptr;
        const SetJobSummary summary = RunSetJob(JobOf(options), sink);
        if (summary.unread) std::rethrow_exception(summary.unread);  // said as any file error is
        if (options.report) {
            for (std::size_t k = 0; k < summary.reductions.size(); ++k) {
                const Reduction& reduction = summary.reductions[k];
                std::string line = k == 0 ? "orvane-convert: IPv4 prefix lengths" : "orvane-convert: IPv6 prefix lengths";
                for (const unsigned length : reduction.kept) line += " /" + std::to_string(length);
                if (reduction.kept.empty()) line += " (none)";
                report.Say(line + ": " + std::to_string(reduction.before) + " entries before, " +
                           std::to_string(reduction.after) + " after\n");
            }
        }
        report.Close(summary.lines, summary.rejected);
        if (options.report && options.extract)
            report.Say("orvane-convert: " + std::to_string(summary.withoutAddress) + " of " +
                       std::to_string(summary.lines) + " lines held no address\n");
        // Said whatever was asked: a feed that starts to pad its octets would
        // otherwise lose those lines without a word in a run without --report.
        if (summary.leadingZeros > 0)
            report.Say("orvane-convert: " + std::to_string(summary.leadingZeros) +
                       (summary.leadingZeros == 1 ? " line was" : " lines were") +
                       " rejected for an octet with a leading zero (010.0.0.1); --leading-zeros decimal reads "
                       "010 as 10, --leading-zeros octal as 8, as inet_aton does\n");
        for (const FamilyChange& change : summary.changes)
            if (!change.limited)
                report.Say(std::string("orvane-convert: \"") + options.previous + "\" holds no " +
                           (change.ipv6 ? "IPv6" : "IPv4") + " addresses: --max-change sets no limit on " +
                           (change.ipv6 ? "IPv6" : "IPv4") + " this run (a first run)\n");
        if (const std::string fitted = FittingWords(summary, options); !fitted.empty()) report.Say(fitted);
        for (const Refusal& refusal : summary.guards) report.Say(GuardWords(refusal, options));
        report.Flush();
        outcome = {.rejected = summary.rejected,
                   .differ = summary.differ,
                   .refusal = RefusalWords(summary.refusal),
                   .guarded = !summary.guards.empty(),
                   .whyCovered = std::all_of(summary.why.begin(), summary.why.end(), [](const WhyAnswer& answer) {
                       return answer.covered == WhyAnswer::Covered::All;
                   }),
                   .matched = summary.matched};
        if (outcome.guarded) {
            if (!options.output.empty())
                report.Say("orvane-convert: nothing written; \"" + options.output + "\" left as it was\n");
            return outcome;
        }
        if (!options.why.empty()) {
            // The answer is the output, whatever was rejected on the way.
            if (!options.quiet) output().Write(WhyWords(summary.why));
            if (out) out->Commit();
            return outcome;
        }
        if (!outcome.refusal.empty() || options.quiet) return outcome;
    }
    // A failed run leaves yesterday's good file for tomorrow's load; a
    // stream or device has had the output as it was made.
    if (options.strict && outcome.rejected > 0) {
        if (!options.output.empty() && (!out || !out->WritesThrough()))
            report.Say("orvane-convert: \"" + options.output + "\" left as it was: lines were rejected under --strict\n");
        return outcome;
    }
    output().Commit();
    return outcome;
}

}  // namespace orvane::cli
