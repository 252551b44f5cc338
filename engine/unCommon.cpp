#include "unCommon.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <bit>
#include <cstring>
#include <utility>

#include "Collation.h"

namespace orvane {
namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

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

// Open-addressing set of positions in the working list, keyed by the
// collation hash, so the duplicate search stays linear on large lists.
class CollatedLineSet {
public:
    explicit CollatedLineSet(std::size_t expected) {
        std::size_t capacity = 16;
        while (capacity < expected * 2) capacity <<= 1;
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
    }

    // Adds index unless a line equal to lines[index] is already there.
    bool Insert(const std::vector<std::string>& lines, std::uint32_t index) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        const std::uint64_t hash = CollationHash(lines[index]);
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (slot.position == 0) {
                slot = {hash, index + 1};
                ++count_;
                return true;
            }
            if (slot.hash == hash && CompareTextNoCase(lines[slot.position - 1], lines[index]) == 0)
                return false;
        }
    }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t position = 0;  // index + 1; 0 marks a free slot
    };

    void Grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.position == 0) continue;
            std::size_t i = s.hash & mask_;
            while (slots_[i].position != 0) i = (i + 1) & mask_;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};

// The quicksort the list has always been sorted with: equal lines end up in
// the order it leaves them, so it is kept step for step.
void QuickSort(std::vector<std::string>& lines, std::ptrdiff_t left, std::ptrdiff_t right) {
    std::ptrdiff_t i;
    do {
        i = left;
        std::ptrdiff_t j = right, p = (left + right) / 2;
        do {
            while (CompareTextNoCase(lines[i], lines[p]) < 0) ++i;
            while (CompareTextNoCase(lines[j], lines[p]) > 0) --j;
            if (i <= j) {
                std::swap(lines[i], lines[j]);
                if (p == i) p = j;
                else if (p == j) p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) QuickSort(lines, left, j);
        left = i;
    } while (i < right);
}

}  // namespace

// ---- Address text codec ----

std::vector<std::string> SplitAtDots(std::string_view text) {
    std::vector<std::string> pieces;
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
        if (i > start) pieces.emplace_back(text.substr(start, i - start));
        if (i < n) ++i;  // the separator
    }
    return pieces;
}

std::int32_t IntegerOrDefault(std::string_view text, std::int32_t defaultValue) noexcept {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n) return defaultValue;

    std::size_t hexStart = std::string_view::npos;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') hexStart = i + 1;
    else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) hexStart = i + 2;

    if (hexStart != std::string_view::npos) {
        if (hexStart == n) return defaultValue;
        std::uint32_t value = 0;
        int significant = 0;
        for (std::size_t k = hexStart; k < n; ++k) {
            const int d = HexDigit(text[k]);
            if (d < 0) return defaultValue;
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return defaultValue;
            value = value << 4 | static_cast<std::uint32_t>(d);
        }
        if (negative) value = 0u - value;
        return static_cast<std::int32_t>(value);
    }

    std::uint64_t value = 0;
    for (std::size_t k = i; k < n; ++k) {
        if (!IsDigit(text[k])) return defaultValue;
        value = value * 10 + static_cast<std::uint64_t>(text[k] - '0');
        if (value > 2147483648ull) return defaultValue;
    }
    if (!negative && value > 2147483647ull) return defaultValue;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value));
}

std::string ReverseOctetOrder(std::string_view text) {
    const std::vector<std::string> pieces = SplitAtDots(text);
    std::string result;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        if (it != pieces.rbegin()) result += '.';
        result += *it;
    }
    return result;
}

bool IsDottedQuad(std::string_view text) {
    const std::vector<std::string> pieces = SplitAtDots(text);
    if (pieces.size() != 4) return false;
    for (const std::string& piece : pieces)
        if (IntegerOrDefault(piece, -1) < 0) return false;
    return true;
}

HostOrderValue AddressToHostOrder(std::string_view text) {
    const std::string reversed = ReverseOctetOrder(text);
    return FromNetworkBytes(inet_addr(reversed.c_str()));
}

bool IsReadableAddress(std::string_view text) {
    const std::string reversed = ReverseOctetOrder(text);
    // A NUL would end the text early for the C library: what it saw is not the whole text.
    if (reversed.find('\0') != std::string::npos) return false;
    in_addr address{};
    return inet_aton(reversed.c_str(), &address) != 0;
}

std::string HostOrderToAddress(HostOrderValue value) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    in_addr address{};
    std::memcpy(&address.s_addr, bytes, 4);
    const std::string text = inet_ntoa(address);  // the C library reuses its buffer: copy now
    return ReverseOctetOrder(text);
}

// ---- Line transformation ----

TIPAddr SubnetToHostRange(TIPAddr subnet) {
    std::string maskText;
    if (subnet.second.find('.') == std::string::npos) {
        // A prefix length. Anything but a whole number from 0 to 32 is a typo,
        // not a request for the whole address space.
        const std::int32_t n = IntegerOrDefault(TrimControls(subnet.second), -1);
        if (n < 0 || n > 32) return {};
        const HostOrderValue m = n == 0 ? 0u : ~HostOrderValue{0} << (32 - n);
        maskText = HostOrderToAddress(m);
    } else {
        if (!IsReadableAddress(subnet.second)) return {};
        maskText = std::move(subnet.second);
    }
    if (!IsReadableAddress(subnet.first)) return {};

    const HostOrderValue a = AddressToHostOrder(subnet.first);
    const HostOrderValue m = AddressToHostOrder(maskText);
    const HostOrderValue network = a & m;
    return {HostOrderToAddress(network + 1), HostOrderToAddress(network + ~m - 1)};
}

TIPAddr HostRangeToSubnet(TIPAddr range, int kind) {
    if (!IsReadableAddress(range.first) || !IsReadableAddress(range.second)) return {};
    const HostOrderValue s = AddressToHostOrder(range.first);
    const HostOrderValue e = AddressToHostOrder(range.second);
    const HostOrderValue hosts = e - s + 1;
    const HostOrderValue mask = ~hosts - 1;
    std::string maskText = kind == 1 ? std::to_string(mask == 0 ? 0 : 32 - std::countr_zero(mask))
                                     : HostOrderToAddress(mask);
    return {HostOrderToAddress(s - 1), std::move(maskText)};
}

std::string TransformLine(std::string_view line, std::int32_t transformType, std::string_view delimiter) {
    std::string left, right;
    if (const auto dash = line.find('-'); dash != std::string_view::npos) {
        left = line.substr(0, dash);
        right = line.substr(dash + 1);
    } else if (const auto slash = line.find('/'); slash != std::string_view::npos) {
        TIPAddr range = SubnetToHostRange({std::string(line.substr(0, slash)), std::string(line.substr(slash + 1))});
        left = std::move(range.first);
        right = std::move(range.second);
    } else {
        return {};
    }
    if (!IsDottedQuad(left) || !IsDottedQuad(right)) return {};

    switch (transformType) {
        case 0:
            return left + "-" + right;
        case 1:
        case 2: {
            const TIPAddr subnet = HostRangeToSubnet({std::move(left), std::move(right)}, transformType);
            if (subnet.first.empty()) return {};
            std::string result;
            result.reserve(subnet.first.size() + delimiter.size() + subnet.second.size());
            result.append(subnet.first).append(delimiter).append(subnet.second);
            return result;
        }
        default:
            return {};
    }
}

// ---- List transformation ----

std::string NormalizeLine(std::string_view line) {
    std::string text;
    text.reserve(line.size());
    for (char c : line)
        if (c != ' ') text += c;
    const std::string_view trimmed = TrimControls(text);

    std::string cleaned;
    cleaned.reserve(trimmed.size());
    for (char c : trimmed) {
        if (c == '*' || c == 'o') continue;
        cleaned += c == '\x97' ? '-' : c;
    }
    if (CountSubstring(".", cleaned) < 3) return {};
    return StripLooseSeparators(cleaned);
}

int CountSubstring(std::string_view what, std::string_view text) noexcept {
    if (what.empty()) return 0;
    int count = 0;
    for (auto pos = text.find(what, 1); pos != std::string_view::npos; pos = text.find(what, pos + 1)) ++count;
    return count;
}

std::string StripLooseSeparators(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '-' || c == '/') {
            if (i == 0 || i + 1 == n || !IsDigit(text[i - 1]) || !IsDigit(text[i + 1])) continue;
        }
        result += c;
    }
    return result;
}

int CompareTextNoCase(std::string_view a, std::string_view b) noexcept { return CompareCollated(a, b); }

std::vector<std::string> TransformList(std::span<const std::string_view> lines, bool removeDuplicates, bool sort,
                                       std::int32_t transformType, std::string_view delimiter) {
    std::vector<std::string> working;
    working.reserve(lines.size());
    CollatedLineSet seen(removeDuplicates ? lines.size() : 0);
    for (std::string_view line : lines) {
        std::string cleaned = NormalizeLine(line);
        if (cleaned.empty()) continue;
        working.push_back(std::move(cleaned));
        if (removeDuplicates && !seen.Insert(working, static_cast<std::uint32_t>(working.size() - 1)))
            working.pop_back();
    }

    if (sort && working.size() >= 2) QuickSort(working, 0, static_cast<std::ptrdiff_t>(working.size()) - 1);

    std::vector<std::string> output;
    output.reserve(working.size());
    for (const std::string& line : working) {
        std::string converted = TransformLine(line, transformType, delimiter);
        if (!converted.empty()) output.push_back(std::move(converted));
    }
    return output;
}

}  // namespace orvane
