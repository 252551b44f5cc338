#include "TextRules.h"

namespace orvane {
namespace {

char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

std::string_view TrimBlanks(std::string_view text) noexcept {
    while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpaceOrTab(text.back())) text.remove_suffix(1);
    return text;
}

bool IsBlankLine(std::string_view line) noexcept {
    for (char c : line)
        if (!IsBlankByte(c)) return false;
    return true;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

IntegerText ReadDecimalText(std::string_view text, std::int32_t& value) noexcept {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return IntegerText::None;
    std::int64_t v = 0;
    bool overflow = false;
    for (char c : text) {
        if (c < '0' || c > '9') return IntegerText::None;
        if (!overflow) v = v * 10 + (c - '0');
        if (v > 2147483648LL) overflow = true;  // still a number: the rest must be digits too
    }
    if (negative) v = -v;
    if (overflow || v > INT32_MAX || v < INT32_MIN) return IntegerText::Overflow;
    value = static_cast<std::int32_t>(v);
    return IntegerText::Fits;
}

IntegerText ReadHexText(std::string_view text, std::int32_t& value) noexcept {
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) text.remove_prefix(1);
    else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    else return IntegerText::None;
    if (text.empty()) return IntegerText::None;
    std::uint64_t v = 0;
    for (char c : text) {
        const int d = HexDigit(c);
        if (d < 0) return IntegerText::None;
        v = v << 4 | static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFull) return IntegerText::Overflow;  // what follows is not looked at
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return IntegerText::Fits;
}

}  // namespace orvane
