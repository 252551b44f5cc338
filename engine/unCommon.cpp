#include "unCommon.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "Collation.h"
#include "ListText.h"
#include "Memory.h"
#include "TextRules.h"

namespace orvane {
namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

std::string_view TrimControls(std::string_view s) noexcept {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    return s;
}

// The four bytes that inet_addr/inet_aton store, read least significant first.
HostOrderValue FromNetworkBytes(in_addr_t address) noexcept {
    unsigned char b[4];
    std::memcpy(b, &address, 4);
    return HostOrderValue(b[0]) | HostOrderValue(b[1]) << 8 | HostOrderValue(b[2]) << 16 |
           HostOrderValue(b[3]) << 24;
}

// Reading a neighbour in place is safe: a position left of the read index is
// only overwritten when nothing has been dropped yet, so it still holds what
// it held before, and positions to the right are not written yet.
// Returns the new length of text[0, n).
std::size_t StripLooseSeparatorsInPlace(char* text, std::size_t n) noexcept {
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if ((c == '-' || c == '/') &&
            (i == 0 || i + 1 == n || !IsDigit(text[i - 1]) || !IsDigit(text[i + 1])))
            continue;
        text[out++] = c;
    }
    return out;
}

// Appends the cleaned line to out; false (and out as it was) when the line
// cleans to nothing. Every step only drops or replaces characters, so all but
// the first work in place on what was appended.
bool AppendNormalized(std::string& out, std::string_view line) {
    const std::size_t base = out.size();
    for (char c : line)
        if (c != ' ') out += c;

    std::size_t begin = base, end = out.size();
    while (begin < end && static_cast<unsigned char>(out[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(out[end - 1]) <= 0x20) --end;
    std::size_t write = base;
    int dots = 0;  // counted from the second character on, as CountSubstring does
    for (std::size_t i = begin; i < end; ++i) {
        const char c = out[i];
        if (c == '*' || c == 'o') continue;
        dots += c == '.' && write > base;
        out[write++] = c == '\x97' ? '-' : c;
    }
    if (dots < 3) {
        out.resize(base);
        return false;
    }
    out.resize(base + StripLooseSeparatorsInPlace(out.data() + base, write - base));
    return true;
}

// Calls visit(piece) for every non-empty piece of text, in order, until it
// returns false. The pieces are views into text: splitting allocates nothing.
template <typename Visit>
void ForEachPiece(std::string_view text, Visit&& visit) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && (text[i] == '\r' || text[i] == '\n')) ++i;
        const std::size_t start = i;
        char quote = 0;
        for (; i < n; ++i) {
            const char c = text[i];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == '.' || c == '\r' || c == '\n') {
                break;
            }
        }
        if (i > start && !visit(text.substr(start, i - start))) return;
        if (i < n) ++i;  // the separator
    }
}

// Reads the plain form almost every line uses, four decimal numbers from 0
// to 255 without leading zeros: the C library reads it the same way, so the
// detour through reversing the pieces and inet_aton can be skipped. False
// for anything else, which then takes the detour.
bool ReadPlainDottedDecimal(std::string_view text, HostOrderValue& value) noexcept {
    const char* p = text.data();
    const char* const end = p + text.size();
    HostOrderValue result = 0;
    for (int piece = 0; piece < 4; ++piece) {
        if (piece > 0) {
            if (p == end || *p != '.') return false;
            ++p;
        }
        if (p == end || !IsDigit(*p)) return false;
        unsigned octet = static_cast<unsigned>(*p++ - '0');
        int digits = 1;
        while (p != end && IsDigit(*p)) {
            if (octet == 0 || ++digits > 3) return false;  // a leading zero means octal
            octet = octet * 10 + static_cast<unsigned>(*p++ - '0');
        }
        if (octet > 255) return false;
        result = result << 8 | octet;
    }
    if (p != end) return false;
    value = result;
    return true;
}

}  // namespace

bool ReadAddress(std::string_view text, HostOrderValue& value) {
    if (ReadPlainDottedDecimal(text, value)) return true;
    const std::string reversed = ReverseOctetOrder(text);
    in_addr address{};
    // A NUL would end the text early for the C library: what it saw is not the whole text.
    if (reversed.find('\0') != std::string::npos || inet_aton(reversed.c_str(), &address) == 0) {
        value = ~HostOrderValue{0};
        return false;
    }
    value = FromNetworkBytes(address.s_addr);
    return true;
}

namespace {

// The mask a subnet line names: a prefix length from 0 to 32, or a dotted
// mask the address reading accepts. Anything else is a typo, not a request
// for the whole address space.
bool ReadMask(std::string_view text, HostOrderValue& mask) {
    if (text.find('.') != std::string_view::npos) return ReadAddress(text, mask);
    const std::int32_t n = IntegerOrDefault(TrimControls(text), -1);
    if (n < 0 || n > 32) return false;
    mask = n == 0 ? 0u : ~HostOrderValue{0} << (32 - n);
    return true;
}

struct HostRange {
    HostOrderValue first, last;
};

// A network covers its hosts between the network and the broadcast address.
HostRange HostsOf(HostOrderValue address, HostOrderValue mask) {
    const HostOrderValue network = address & mask;
    return {network + 1, network + ~mask - 1};
}

struct Subnet {
    HostOrderValue network, mask;
};

// The smallest block holding the hosts plus network and broadcast address;
// an unaligned range or a size that is no power of two shows as a
// non-contiguous mask.
Subnet SubnetOf(HostRange range) {
    const HostOrderValue hosts = range.last - range.first + 1;
    return {range.first - 1, ~hosts - 1};
}

// Plain dotted decimal, as inet_ntoa writes it.
void AppendAddress(std::string& out, HostOrderValue value) {
    char text[15];
    char* p = text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned octet = (value >> shift) & 0xFF;
        if (octet >= 100) *p++ = static_cast<char>('0' + octet / 100);
        if (octet >= 10) *p++ = static_cast<char>('0' + octet / 10 % 10);
        *p++ = static_cast<char>('0' + octet % 10);
        if (shift > 0) *p++ = '.';
    }
    out.append(text, static_cast<std::size_t>(p - text));
}

// Kind 1 writes the prefix length (of the lowest set bit, for a
// non-contiguous mask); any other kind the dotted mask.
void AppendMask(std::string& out, HostOrderValue mask, int kind) {
    if (kind != 1) return AppendAddress(out, mask);
    const int prefix = mask == 0 ? 0 : 32 - std::countr_zero(mask);
    if (prefix >= 10) out += static_cast<char>('0' + prefix / 10);
    out += static_cast<char>('0' + prefix % 10);
}

// Appends the line in output form transformType; false, with out as it was,
// when the line names no network. TransformLine and the list conversion
// both write through here.
bool AppendTransformed(std::string& out, std::string_view line, std::int32_t transformType,
                       std::string_view delimiter) {
    if (transformType < 0 || transformType > 2) return false;

    // The host range of the line, read from its own texts or computed from
    // its subnet. The computed texts are plain dotted quads, so for a subnet
    // line the values are used directly instead of writing and re-reading them.
    HostRange hosts{};
    if (const auto dash = line.find('-'); dash != std::string_view::npos) {
        const std::string_view left = line.substr(0, dash), right = line.substr(dash + 1);
        // A plain address is a dotted quad too; anything else is checked the long way.
        const bool plainLeft = ReadPlainDottedDecimal(left, hosts.first);
        const bool plainRight = ReadPlainDottedDecimal(right, hosts.last);
        if ((!plainLeft && !IsDottedQuad(left)) || (!plainRight && !IsDottedQuad(right))) return false;
        if (transformType == 0) {
            out.append(line);  // the range as it was written
            return true;
        }
        if ((!plainLeft && !ReadAddress(left, hosts.first)) || (!plainRight && !ReadAddress(right, hosts.last)))
            return false;
    } else if (const auto slash = line.find('/'); slash != std::string_view::npos) {
        HostOrderValue a, m;
        if (!ReadAddress(line.substr(0, slash), a) || !ReadMask(line.substr(slash + 1), m)) return false;
        hosts = HostsOf(a, m);
        if (transformType == 0) {
            AppendAddress(out, hosts.first);
            out += '-';
            AppendAddress(out, hosts.last);
            return true;
        }
    } else {
        return false;
    }

    const Subnet subnet = SubnetOf(hosts);
    AppendAddress(out, subnet.network);
    out.append(delimiter);
    AppendMask(out, subnet.mask, transformType);
    return true;
}

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
        if (!AppendNormalized(text_, line)) return false;
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

    // Keeps the first of every run of lines that compare equal, in their order.
    void RemoveDuplicates();

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

void WorkingList::RemoveDuplicates() {
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
    }
    spans_.resize(kept);
}

// A line to sort: where it lies and a key that settles most comparisons
// without touching the text.
struct SortEntry {
    CollationKey key;
    Span span;
};

class LineOrder {
public:
    explicit LineOrder(const WorkingList& lines) : lines_(lines) {}
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
void QuickSort(std::vector<SortEntry>& items, std::ptrdiff_t left, std::ptrdiff_t right, const LineOrder& compare) {
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
    const LineOrder order(lines);
    if (distinct) {
        std::sort(items.begin(), items.end(), [&](const SortEntry& a, const SortEntry& b) { return order(a, b) < 0; });
    } else if (items.size() >= 2) {
        QuickSort(items, 0, static_cast<std::ptrdiff_t>(items.size()) - 1, order);
    }
    return items;
}

// Cleans, drops duplicates and sorts when asked, and converts every line
// into out; finish(out) is called after each line that names a network.
template <typename Finish>
void ConvertWorkingList(WorkingList& working, bool removeDuplicates, bool sort, std::int32_t transformType,
                        std::string_view delimiter, std::string& out, Finish&& finish) {
    if (removeDuplicates) working.RemoveDuplicates();
    auto convert = [&](std::string_view line) {
        if (AppendTransformed(out, line, transformType, delimiter)) finish(out);
    };
    if (!sort) {
        for (std::size_t k = 0; k < working.Size(); ++k) convert(working[k]);
        return;
    }
    // Lines are visited in sorted order, all over the working text: fetch
    // each a few steps before it is needed.
    const std::vector<SortEntry> order = SortedOrder(working, removeDuplicates);
    constexpr std::size_t kAhead = 8;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + kAhead < order.size()) __builtin_prefetch(working.Address(order[k + kAhead].span));
        convert(working.Text(order[k].span));
    }
}

}  // namespace

// ---- Address text codec ----

std::vector<std::string> SplitAtDots(std::string_view text) {
    std::vector<std::string> pieces;
    ForEachPiece(text, [&](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    });
    return pieces;
}

std::int32_t IntegerOrDefault(std::string_view text, std::int32_t defaultValue) noexcept {
    while (text.starts_with(' ')) text.remove_prefix(1);
    // A sign may stand before a hexadecimal prefix too: "-$5" is -5.
    std::string_view digits = text;
    if (digits.starts_with('+') || digits.starts_with('-')) digits.remove_prefix(1);
    std::int32_t value = 0;
    switch (ReadHexText(digits, value)) {
        case IntegerText::Fits:
            return text.starts_with('-') ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value)) : value;
        case IntegerText::Overflow: return defaultValue;
        case IntegerText::None: break;
    }
    return ReadDecimalText(text, value) == IntegerText::Fits ? value : defaultValue;
}

std::string ReverseOctetOrder(std::string_view text) {
    // Addresses have four pieces; longer texts spill into the vector.
    std::array<std::string_view, 8> few;
    std::vector<std::string_view> many;
    std::size_t count = 0, length = 0;
    ForEachPiece(text, [&](std::string_view piece) {
        if (count < few.size()) {
            few[count] = piece;
        } else {
            if (many.empty()) many.assign(few.begin(), few.end());
            many.push_back(piece);
        }
        ++count;
        length += piece.size() + 1;
        return true;
    });
    const std::string_view* pieces = many.empty() ? few.data() : many.data();
    std::string result;
    result.reserve(length);
    for (std::size_t k = count; k-- > 0;) {
        result.append(pieces[k]);
        if (k != 0) result += '.';
    }
    return result;
}

bool IsDottedQuad(std::string_view text) {
    int count = 0;
    bool ok = true;
    ForEachPiece(text, [&](std::string_view piece) {
        ok = ++count <= 4 && IntegerOrDefault(piece, -1) >= 0;
        return ok;
    });
    return ok && count == 4;
}

HostOrderValue AddressToHostOrder(std::string_view text) {
    HostOrderValue value;
    ReadAddress(text, value);  // all ones when rejected
    return value;
}

bool IsReadableAddress(std::string_view text) {
    HostOrderValue ignored;
    return ReadAddress(text, ignored);
}

std::string HostOrderToAddress(HostOrderValue value) {
    std::string text;
    AppendAddress(text, value);
    return text;
}

void AppendHostOrderAddress(std::string& out, HostOrderValue value) { AppendAddress(out, value); }

// ---- Line transformation ----

TIPAddr SubnetToHostRange(TIPAddr subnet) {
    HostOrderValue a, m;
    if (!ReadAddress(subnet.first, a) || !ReadMask(subnet.second, m)) return {};
    const HostRange hosts = HostsOf(a, m);
    return {HostOrderToAddress(hosts.first), HostOrderToAddress(hosts.last)};
}

TIPAddr HostRangeToSubnet(TIPAddr range, int kind) {
    HostRange hosts;
    if (!ReadAddress(range.first, hosts.first) || !ReadAddress(range.second, hosts.last)) return {};
    const Subnet subnet = SubnetOf(hosts);
    std::string mask;
    AppendMask(mask, subnet.mask, kind);
    return {HostOrderToAddress(subnet.network), std::move(mask)};
}

std::string TransformLine(std::string_view line, std::int32_t transformType, std::string_view delimiter) {
    std::string result;
    AppendTransformed(result, line, transformType, delimiter);
    return result;
}

// ---- List transformation ----

void NormalizeLineInto(std::string_view line, std::string& out) {
    out.clear();
    AppendNormalized(out, line);
}

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
    if (removeDuplicates) working.RemoveDuplicates();
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

std::string NormalizeLine(std::string_view line) {
    std::string text;
    text.reserve(line.size());
    AppendNormalized(text, line);
    return text;
}

int CountSubstring(std::string_view what, std::string_view text) noexcept {
    if (what.empty()) return 0;
    int count = 0;
    for (auto pos = text.find(what, 1); pos != std::string_view::npos; pos = text.find(what, pos + 1)) ++count;
    return count;
}

std::string StripLooseSeparators(std::string_view text) {
    std::string result(text);
    result.resize(StripLooseSeparatorsInPlace(result.data(), result.size()));
    return result;
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
    ConvertWorkingList(working, removeDuplicates, sort, transformType, delimiter, line, [&](std::string& converted) {
        output.push_back(converted);
        converted.clear();
    });
    return output;
}

void TransformListText(std::string_view text, bool removeDuplicates, bool sort, std::int32_t transformType,
                       std::string_view delimiter, std::string_view lineEnd, std::string& out) {
    WorkingList working;
    working.Reserve(text.size() / 16 + 1, text.size());
    ForEachListLine(text, [&](std::string_view line) { working.PushBackNormalized(line); });

    // Room for the longest result of every line: the range as written, or
    // two addresses and the delimiter.
    ReserveLarge(out, out.size() + working.TextSize() + working.Size() * (2 * 15 + delimiter.size() + lineEnd.size()));
    ConvertWorkingList(working, removeDuplicates, sort, transformType, delimiter, out,
                       [&](std::string& converted) { converted.append(lineEnd); });
}

}  // namespace orvane
