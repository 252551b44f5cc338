// Reading addresses out of free text, token by token.
#include "AddressExtractor.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "TextRules.h"

namespace orvane {
namespace {


// What each byte may be part of, looked up once a byte: a log line is
// scanned byte by byte, and most bytes are passed by.
enum : unsigned char { kHex = 1, kWord = 2, kAddress = 4 };

constexpr std::array<unsigned char, 256> kClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        const bool digit = c >= '0' && c <= '9', lower = c >= 'a' && c <= 'z', upper = c >= 'A' && c <= 'Z';
        const bool hex = digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        classes[c] = static_cast<unsigned char>((hex ? kHex : 0) | (digit || lower || upper || c == '_' ? kWord : 0) |
                                                (hex || c == ':' || c == '.' ? kAddress : 0));
    }
    return classes;
}();

bool IsHex(char c) { return kClasses[static_cast<unsigned char>(c)] & kHex; }
bool IsWord(char c) { return kClasses[static_cast<unsigned char>(c)] & kWord; }
bool IsAddressChar(char c) { return kClasses[static_cast<unsigned char>(c)] & kAddress; }

// The bytes of a dash at p (a hyphen, or an en or em dash in UTF-8 or
// Windows-1251); 0 when none stands there.
std::size_t DashAt(std::string_view line, std::size_t p) {
    if (p >= line.size()) return 0;
    const char c = line[p];
    if (c == '-' || c == kEnDash || c == kEmDash) return 1;
    if (line.substr(p, 3) == "\xE2\x80\x93" || line.substr(p, 3) == "\xE2\x80\x94") return 3;
    return 0;
}

// The end of the run of address characters from p, a full stop ending it
// (a sentence's) left out.
std::size_t RunEnd(std::string_view line, std::size_t p, std::size_t& runEnd) {
    runEnd = p;
    while (runEnd < line.size() && IsAddressChar(line[runEnd])) ++runEnd;
    std::size_t end = runEnd;
    while (end > p && line[end - 1] == '.') --end;
    // A colon after it ("from 1.2.3.4: closed"), unless it ends "::".
    if (end > p + 1 && line[end - 1] == ':' && line[end - 2] != ':') --end;
    return end;
}

// Whether a token may end before p: nothing that continues a word, a path
// ("/8/x") or a dotted number follows.
bool BoundaryAt(std::string_view line, std::size_t p) {
    if (p >= line.size()) return true;
    const char c = line[p];
    if (IsWord(c) || c == '/') return false;
    return !(c == '.' && p + 1 < line.size() && IsDigit(line[p + 1]));
}

// Whether the text at i continues what stands before it: a word, a dotted
// number, or a word's path ("Chrome/1.2.3.4").
bool Joins(std::string_view line, std::size_t i) {
    if (i == 0) return false;
    const char before = line[i - 1];
    return IsWord(before) || before == '.' || (before == '/' && i >= 2 && IsWord(line[i - 2]));
}

// The first position from i that holds a digit, a colon or a NUL (n when
// none): where an address may stand, or the line is rejected. Eight bytes a
// step: a log line is mostly words, passed by without a look at each byte.
std::size_t NextCandidate(std::string_view line, std::size_t i) {
    const char* const data = line.data();
    const std::size_t n = line.size();
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u, kLow7 = kOnes * 127;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t x;
            std::memcpy(&x, data + i, 8);
            // Bytes from '0' (0x30) to ':' (0x3A), each judged in its own lane without carries.
            const std::uint64_t low = x & kLow7;
            const std::uint64_t between = (kOnes * (127 + 0x3B) - low) & ~x & (low + kOnes * (127 - 0x2F)) & kHigh;
            const std::uint64_t zero = (x - kOnes) & ~x & kHigh;  // exact up to the first zero byte
            if (const std::uint64_t hits = between | zero; hits != 0)
                return i + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
        }
    }
    for (; i < n; ++i) {
        const char c = data[i];
        if ((c >= '0' && c <= ':') || c == '\0') return i;
    }
    return n;
}

bool HoldsWord(std::string_view line, std::string_view word) {
    const char* const data = line.data();
    for (std::size_t from = 0; from + word.size() <= line.size();) {
        const void* hit = ::memmem(data + from, line.size() - from, word.data(), word.size());
        if (hit == nullptr) return false;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        const bool before = at == 0 || !IsWord(line[at - 1]);
        const bool after = at + word.size() == line.size() || !IsWord(line[at + word.size()]);
        if (before && after) return true;
        from = at + 1;
    }
    return false;
}

// A fault that says the token was meant as an address and is damaged, so
// that the line is rejected; any other leaves it no address at all.
bool RejectsTheLine(LineFault fault) {
    return fault == LineFault::LeadingZero || fault == LineFault::Mask || fault == LineFault::Prefix ||
           fault == LineFault::Backwards;
}

// Past what continues a token that is no address: its "/N" or "/mask", or a
// dash and the run after it, so that the half of a damaged range is not read
// as an address of its own.
std::size_t PastContinuation(std::string_view line, std::size_t p) {
    std::size_t runEnd;
    if (p < line.size() && line[p] == '/') {
        std::size_t q = p + 1;
        while (q < line.size() && (IsDigit(line[q]) || line[q] == '.')) ++q;
        return q;
    }
    if (const std::size_t dash = DashAt(line, p); dash > 0 && p + dash < line.size() && IsAddressChar(line[p + dash])) {
        RunEnd(line, p + dash, runEnd);
        return runEnd;
    }
    return p;
}

}  // namespace

std::size_t AddressExtractor::ReadToken(std::string_view line, std::size_t start) {
    const std::size_t n = line.size();
    std::size_t runEnd;
    const std::size_t end = RunEnd(line, start, runEnd);
    auto none = [&] { return PastContinuation(line, runEnd); };
    // "172.16.*.0/24": an address with a star for an octet is damaged, not free text.
    if (runEnd < n && line[runEnd] == '*' && line[runEnd - 1] == '.') {
        if (fault_ == LineFault::None) fault_ = LineFault::Star;
        return runEnd + 1;
    }
    // "1.2.3.4g", "1.2.3.4.example": part of a word or a name.
    if (runEnd < n && IsWord(line[runEnd])) {
        std::size_t p = runEnd;
        while (p < n && (IsWord(line[p]) || IsAddressChar(line[p]))) ++p;
        return p;
    }
    const std::string_view run = line.substr(start, end - start);
    const std::size_t colon = run.find(':');
    const bool dotted = run.find('.') != std::string_view::npos;
    std::size_t textEnd = end;
    bool port = false;
    if (colon != std::string_view::npos && colon > 0 && dotted &&
        run.substr(0, colon).find_first_not_of("0123456789.") == std::string_view::npos) {
        // An IPv4 address and its port: the address ends at the colon.
        const std::string_view rest = run.substr(colon + 1);
        if (rest.empty() || rest.find_first_not_of("0123456789") != std::string_view::npos) return none();
        textEnd = start + colon;
        port = true;
    } else if (colon == std::string_view::npos && !dotted) {
        return none();  // a number or a word of hexadecimal letters
    } else if (colon != std::string_view::npos &&
               std::none_of(run.begin(), run.end(), [](char c) { return IsHex(c); })) {
        return none();  // a lone "::"
    }
    const bool ipv4 = colon == std::string_view::npos;
    // "5.0", "128.0.1": a version, not four octets; not worth a reading.
    if (ipv4 && std::count(run.begin(), run.end(), '.') != 3) return none();
    if (!port && end < n && line[end] == '/') {
        std::size_t q = end + 1;
        while (q < n && IsDigit(line[q])) ++q;
        if (q > end + 1 && q - end - 1 <= 3) {
            if (ipv4 && q + 1 < n && line[q] == '.' && IsDigit(line[q + 1])) {
                std::size_t maskRun;
                const std::size_t maskEnd = RunEnd(line, end + 1, maskRun);
                const std::string_view mask = line.substr(end + 1, maskEnd - end - 1);
                if (maskRun == maskEnd && BoundaryAt(line, maskEnd) &&
                    std::count(mask.begin(), mask.end(), '.') == 3 && mask.find(':') == std::string_view::npos)
                    textEnd = maskEnd;
            } else if (BoundaryAt(line, q)) {
                textEnd = q;
            }
        }
        // Otherwise the "/" starts a path: the address stands alone.
    } else if (!port && end == runEnd) {
        if (const std::size_t dash = DashAt(line, end); dash > 0 && end + dash < n && IsAddressChar(line[end + dash])) {
            std::size_t lastRun;
            const std::size_t lastEnd = RunEnd(line, end + dash, lastRun);
            if (lastRun < n && IsWord(line[lastRun])) return lastRun;
            textEnd = lastEnd;
        }
    }
    const std::string_view text = line.substr(start, textEnd - start);
    SetLine read = ReadListLine(text, ranges_, scratch_, zeros_);
    if (read.kind == SetLine::Kind::IPv4 || read.kind == SetLine::Kind::IPv6) {
        // The reading may have rewritten the text into its scratch room, which the next token reuses.
        if (read.text.data() < line.data() || read.text.data() >= line.data() + n)
            read.text = texts_.emplace_back(read.text);
        if (found_.empty()) firstAt_ = start;
        found_.push_back(read);
        return textEnd;
    }
    if (read.kind == SetLine::Kind::Rejected && RejectsTheLine(read.fault)) {
        if (fault_ == LineFault::None) fault_ = read.fault;
        return textEnd;
    }
    return std::max(textEnd, PastContinuation(line, textEnd));
}

LineFault AddressExtractor::Extract(std::string_view line) {
    found_.clear();
    texts_.clear();
    fault_ = LineFault::None;
    if (line.size() > kMaxSetLineText) return fault_ = LineFault::TooLong;
    const std::size_t n = line.size();
    for (std::size_t i = 0, passed = 0; (i = NextCandidate(line, i)) < n;) {
        if (line[i] == '\0') return Rejected(LineFault::Nul);
        // An IPv6 address may begin with letters: back to the start of the hexadecimal run.
        std::size_t start = i;
        while (start > passed && IsHex(line[start - 1])) --start;
        const char c = line[start];
        // A colon after a word separates ("ip:1.2.3.4"); "std::x" is no address either way.
        if (c == ':' && start > 0 && IsWord(line[start - 1])) {
            passed = i = start + 1;
            continue;
        }
        if (Joins(line, start)) {
            while (start < n && (IsWord(line[start]) || IsAddressChar(line[start]))) ++start;
            passed = i = start;
            continue;
        }
        // Most numbers of a text end before a dot or colon could make them
        // an address: passed by here, without reading them as one.
        std::size_t j = start;
        while (j < n && IsHex(line[j])) ++j;
        if (j == n || (line[j] != '.' && line[j] != ':' && DashAt(line, j) == 0)) {
            while (j < n && IsWord(line[j])) ++j;
            passed = i = j;
            continue;
        }
        passed = i = std::max(start + 1, ReadToken(line, start));
    }
    // ipset writes an exception as "add SET ADDRESS nomatch" (save) or
    // "ADDRESS nomatch" (list): only such lines are looked through for it.
    if (fault_ == LineFault::None && !found_.empty()) {
        const std::string_view before = line.substr(0, firstAt_), rest = line.substr(firstAt_);
        // A member line is the address and ipset's words: no log line's punctuation.
        const bool member = before.find_first_not_of(" \t") == std::string_view::npos &&
                            std::all_of(rest.begin(), rest.end(), [](char c) {
                                return IsAddressChar(c) || IsWord(c) || c == ' ' || c == '\t' || c == '/' || c == '"';
                            });
        if ((before.starts_with("add ") || member) && HoldsWord(rest, "nomatch")) fault_ = LineFault::Exception;
    }
    if (fault_ != LineFault::None) found_.clear();
    return fault_;
}

LineFault AddressExtractor::Rejected(LineFault fault) {
    fault_ = fault;
    found_.clear();
    return fault;
}

}  // namespace orvane
