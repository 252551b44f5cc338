// The list: the cleaned lines of one call, their duplicates and their order.
#include <algorithm>
#include <utility>

#include "Collation.h"
#include "EngineParts.h"
#include "ListText.h"
#include "Memory.h"
#include "TextRules.h"
#include "unCommon.h"

namespace orvane {
namespace {

// Where a cleaned line lies in the working text.
struct Span {
    std::size_t offset;
    std::size_t length;
};

// The cleaned lines of one call, stored end to end in one buffer: a million
// lines cost two allocations, not a million small ones.
class WorkingList {
public:
    void Reserve(std::size_t lines, std::size_t bytes) {
        ReserveLarge(spans_, lines);
        ReserveLarge(text_, bytes);
    }
    // Cleans the line into the list; false when nothing is left of it.
    bool PushBackNormalized(std::string_view line) {
        const std::size_t offset = text_.size();
        if (!detail::AppendNormalized(text_, line)) return false;
        spans_.push_back({offset, text_.size() - offset});
        return true;
    }
    // A line that is clean already; it must not be empty.
    void PushBack(std::string_view cleaned) {
        spans_.push_back({text_.size(), cleaned.size()});
        text_.append(cleaned);
    }
    std::size_t Size() const { return spans_.size(); }
    std::size_t TextSize() const { return text_.size(); }
    const Span& SpanOf(std::size_t i) const { return spans_[i]; }
    std::string_view Text(const Span& span) const { return {text_.data() + span.offset, span.length}; }
    std::string_view operator[](std::size_t i) const { return Text(spans_[i]); }
    const char* Address(const Span& span) const { return text_.data() + span.offset; }

    // Keeps the first of every run of lines that compare equal, in their
    // order; dropped(span) is called for each line dropped.
    template <typename Dropped>
    void RemoveDuplicates(Dropped&& dropped);

private:
    std::string text_;
    std::vector<Span> spans_;
};

// Open-addressing set of lines keyed by the collation hash, so the duplicate
// search stays linear on large lists. It is sized for every line up front (at
// most half full), so it never grows.
class CollatedLineSet {
public:
    explicit CollatedLineSet(std::size_t expected) {
        std::size_t capacity = 16;
        while (capacity < expected * 2) capacity <<= 1;
        ReserveLarge(slots_, capacity);
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
    }

    // The slot a hash is looked up in first; fetching it early hides the
    // cache miss that a table this size costs on almost every line.
    void Prefetch(std::uint32_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

    // Adds a line under the number position unless a line equal to it is
    // already there; text(position) gives the text of a line added before.
    template <typename TextOf>
    bool Insert(std::string_view line, std::uint32_t hash, std::uint32_t position, const TextOf& text) {
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.position == 0) {
                slot = {hash, position + 1};
                return true;
            }
            if (slot.hash == hash && CompareTextNoCase(text(slot.position - 1), line) == 0) return false;
        }
    }

private:
    // Eight-byte slots keep the table small enough for the cache to help;
    // the low half of the hash still places and screens every line.
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t position = 0;  // position + 1; 0 marks a free slot
    };

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

template <typename Dropped>
void WorkingList::RemoveDuplicates(Dropped&& dropped) {
    const std::size_t n = spans_.size();
    std::vector<std::uint32_t> hashes;
    ReserveLarge(hashes, n);
    for (const Span& span : spans_) hashes.push_back(static_cast<std::uint32_t>(CollationHash(Text(span))));

    // Kept lines move to the front as they are found; a kept line's place is
    // written once and never again, so the set can name lines by it.
    CollatedLineSet seen(n);
    constexpr std::size_t kAhead = 16;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) seen.Prefetch(hashes[i + kAhead]);
        const Span span = spans_[i];
        if (seen.Insert(Text(span), hashes[i], static_cast<std::uint32_t>(kept),
                        [&](std::uint32_t k) { return Text(spans_[k]); }))
            spans_[kept++] = span;
        else
            dropped(span);
    }
    spans_.resize(kept);
}

// A line to sort: where it lies and a key that settles most comparisons
// without touching the text.
struct SortEntry {
    CollationKey key;
    Span span;
};

class CollatedComparison {
public:
    explicit CollatedComparison(const WorkingList& lines) : lines_(lines) {}
    int operator()(const SortEntry& a, const SortEntry& b) const noexcept {
        if (a.key != b.key) return a.key < b.key ? -1 : 1;     // settles most comparisons
        if (a.span.offset == b.span.offset) return 0;          // the pivot meets itself once a pass
        return CompareTextNoCase(lines_.Text(a.span), lines_.Text(b.span));
    }

private:
    const WorkingList& lines_;
};

// The quicksort the list has always been sorted with: lines that compare
// equal end up in the order it leaves them, so it is kept step for step.
void QuickSort(std::vector<SortEntry>& items, std::ptrdiff_t left, std::ptrdiff_t right,
               const CollatedComparison& compare) {
    std::ptrdiff_t i;
    do {
        i = left;
        std::ptrdiff_t j = right, p = (left + right) / 2;
        do {
            while (compare(items[i], items[p]) < 0) ++i;
            while (compare(items[j], items[p]) > 0) --j;
            if (i <= j) {
                std::swap(items[i], items[j]);
                if (p == i) p = j;
                else if (p == j) p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) QuickSort(items, left, j, compare);
        left = i;
    } while (i < right);
}

// The working list in sorted order. Without duplicates no two lines compare
// equal, so every correct sort gives the quicksort's order and the library's
// faster one can be used.
std::vector<SortEntry> SortedOrder(const WorkingList& lines, bool distinct) {
    std::vector<SortEntry> items;
    ReserveLarge(items, lines.Size());
    for (std::size_t k = 0; k < lines.Size(); ++k) items.push_back({CollationSortKey(lines[k]), lines.SpanOf(k)});
    const CollatedComparison order(lines);
    if (distinct) {
        std::sort(items.begin(), items.end(), [&](const SortEntry& a, const SortEntry& b) { return order(a, b) < 0; });
    } else if (items.size() >= 2) {
        QuickSort(items, 0, static_cast<std::ptrdiff_t>(items.size()) - 1, order);
    }
    return items;
}

constexpr auto kNoDrops = [](const Span&) {};

// What the conversion of a working list calls on its way: finish(out) after
// each line that names a network, named(span, names) for every line kept,
// and with judgesDuplicates for the duplicates dropped too (which costs
// their conversion).
template <typename Finish, typename Named>
struct ConversionSteps {
    Finish finish;
    Named named;
    bool judgesDuplicates = false;
};

template <typename Finish, typename Named>
ConversionSteps<Finish, Named> StepsOf(Finish finish, Named named, bool judgesDuplicates = false) {
    return {std::move(finish), std::move(named), judgesDuplicates};
}

// Drops duplicates and sorts when asked, and converts every line into out.
template <typename Finish, typename Named>
void ConvertWorkingList(WorkingList& working, bool removeDuplicates, bool sort, std::int32_t transformType,
                        std::string_view delimiter, std::string& out, ConversionSteps<Finish, Named>& steps) {
    if (removeDuplicates) {
        if (steps.judgesDuplicates) {
            std::string scratch;
            working.RemoveDuplicates([&](const Span& span) {
                steps.named(span, detail::AppendTransformed(scratch, working.Text(span), transformType, delimiter));
                scratch.clear();
            });
        } else {
            working.RemoveDuplicates(kNoDrops);
        }
    }
    auto convert = [&](const Span& span) {
        const bool names = detail::AppendTransformed(out, working.Text(span), transformType, delimiter);
        if (names) steps.finish(out);
        steps.named(span, names);
    };
    if (!sort) {
        for (std::size_t k = 0; k < working.Size(); ++k) convert(working.SpanOf(k));
        return;
    }
    // Lines are visited in sorted order, all over the working text: fetch
    // each a few steps before it is needed.
    const std::vector<SortEntry> order = SortedOrder(working, removeDuplicates);
    constexpr std::size_t kAhead = 8;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + kAhead < order.size()) __builtin_prefetch(working.Address(order[k + kAhead].span));
        convert(order[k].span);
    }
}

}  // namespace

std::vector<std::size_t> CleanedListOrder(std::span<const std::string_view> cleaned, bool removeDuplicates,
                                          bool sort) {
    std::size_t bytes = 0;
    for (std::string_view line : cleaned) bytes += line.size();
    WorkingList working;
    working.Reserve(cleaned.size(), bytes);
    std::vector<std::size_t> offsets;  // rising, so a line is found again by where its text starts
    offsets.reserve(cleaned.size());
    for (std::string_view line : cleaned) {
        offsets.push_back(working.TextSize());
        working.PushBack(line);
    }
    if (removeDuplicates) working.RemoveDuplicates(kNoDrops);
    auto indexOf = [&](const Span& span) {
        return static_cast<std::size_t>(std::lower_bound(offsets.begin(), offsets.end(), span.offset) - offsets.begin());
    };
    std::vector<std::size_t> order;
    order.reserve(working.Size());
    if (sort) {
        for (const SortEntry& entry : SortedOrder(working, removeDuplicates)) order.push_back(indexOf(entry.span));
    } else {
        for (std::size_t k = 0; k < working.Size(); ++k) order.push_back(indexOf(working.SpanOf(k)));
    }
    return order;
}

int CompareTextNoCase(std::string_view a, std::string_view b) noexcept { return CompareCollated(a, b); }

std::vector<std::string> TransformList(std::span<const std::string_view> lines, bool removeDuplicates, bool sort,
                                       std::int32_t transformType, std::string_view delimiter) {
    std::size_t bytes = 0;
    for (std::string_view line : lines) bytes += line.size();
    WorkingList working;
    working.Reserve(lines.size(), bytes);
    for (std::string_view line : lines) working.PushBackNormalized(line);

    std::vector<std::string> output;
    output.reserve(working.Size());
    std::string line;
    auto steps = StepsOf(
        [&](std::string& converted) {
            output.push_back(converted);
            converted.clear();
        },
        [](const Span&, bool) {});
    ConvertWorkingList(working, removeDuplicates, sort, transformType, delimiter, line, steps);
    return output;
}

void TransformListText(std::string_view text, const ListConversion& conversion, std::string& out) {
    WorkingList working;
    working.Reserve(text.size() / 16 + 1, text.size());
    // Only when the rejected lines are asked for: where each cleaned line
    // starts in the working text (rising), and for each line that was not
    // cleaned how many were before it, which together give a line's number.
    std::vector<std::size_t> starts, skippedAt, rejected;
    const bool judging = static_cast<bool>(conversion.rejected);
    ForEachListLine(text, [&](std::string_view line) {
        const std::size_t offset = working.TextSize();
        if (working.PushBackNormalized(line)) {
            if (judging) starts.push_back(offset);
        } else if (judging) {
            if (!IsBlankLine(line)) rejected.push_back(starts.size() + skippedAt.size() + 1);
            skippedAt.push_back(starts.size());
        }
    });

    // Room for the longest result of every line: the range as written, or
    // two addresses and the delimiter.
    constexpr std::size_t kLongestAddress = 15;  // 255.255.255.255
    ReserveLarge(out, out.size() + working.TextSize() +
                          working.Size() * (2 * kLongestAddress + conversion.delimiter.size() + conversion.lineEnd.size()));
    const std::int32_t transformType = conversion.form ? TransformTypeOf(*conversion.form) : -1;
    auto steps = StepsOf([&](std::string& converted) { converted.append(conversion.lineEnd); },
                         [&](const Span& span, bool names) {
                             if (!judging || names) return;
                             const auto index = static_cast<std::size_t>(
                                 std::lower_bound(starts.begin(), starts.end(), span.offset) - starts.begin());
                             const auto skipped = static_cast<std::size_t>(
                                 std::upper_bound(skippedAt.begin(), skippedAt.end(), index) - skippedAt.begin());
                             rejected.push_back(index + skipped + 1);
                         },
                         judging);
    ConvertWorkingList(working, conversion.removeDuplicates, conversion.sort, transformType, conversion.delimiter, out,
                       steps);
    if (!judging) return;
    std::sort(rejected.begin(), rejected.end());
    for (const std::size_t line : rejected) conversion.rejected(line);
}

}  // namespace orvane
