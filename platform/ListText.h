// How a list file's bytes become text and lines.
//
// A file is UTF-8 when it starts with a UTF-8 byte-order mark (dropped) or is
// well-formed UTF-8 with at least one non-ASCII byte; otherwise every byte is
// a Windows-1251 character. For the window, text ends at the first NUL; the
// address-set reader keeps every byte and rejects a line holding one. CR LF,
// a lone CR and a lone LF each end a line, and a last empty line is not a line.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Longest line the conversion looks at; the rest of a longer line is ignored.
inline constexpr std::size_t kMaxLineLength = 4096;

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

enum class ListEncoding { Cp1251, Utf8 };

// Where a NUL byte cut a list's text short.
struct NulCut {
    std::size_t line = 0;      // the line the NUL stands on, from 1; 0 when there is none
    std::size_t notRead = 0;   // bytes from the NUL to the end of the file, the NUL included
};

struct ListBytes {
    std::string_view text;  // the bytes that hold text: no byte-order mark, nothing from the first NUL on
    ListEncoding encoding;
    NulCut cut;
};

enum class NulBytes { EndText, Keep };

ListBytes ClassifyListBytes(std::string_view fileBytes, NulBytes nul = NulBytes::EndText) noexcept;

// The file as a list box holds it: UTF-8 (Windows-1251 decoded, a byte of
// broken UTF-8 made U+FFFD), each line break the line rule sees and each
// paragraph separator one LF.
std::string ListFileToBoxText(std::string_view fileBytes);
// A list box's text as a list file holds it: Windows-1251, lines ended by CR LF.
std::string BoxTextToListFile(std::string_view boxText);


// Calls visit(line) for every line of text, each cut to maxLength
// characters (npos: read whole): the one place the line rule is written.
template <typename Char, typename Visit>
void ForEachListLine(std::basic_string_view<Char> text, Visit&& visit, std::size_t maxLength = kMaxLineLength) {
    const Char* const data = text.data();
    const std::size_t n = text.size();
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Char c = data[i];
        if (c != Char('\r') && c != Char('\n')) continue;
        visit(std::basic_string_view<Char>(data + start, std::min(i - start, maxLength)));
        if (c == Char('\r') && i + 1 < n && data[i + 1] == Char('\n')) ++i;
        start = i + 1;
    }
    if (start < n) visit(std::basic_string_view<Char>(data + start, std::min(n - start, maxLength)));
}

// Splits text into lines; each line is cut to maxLength characters.
template <typename Char>
std::vector<std::basic_string_view<Char>> SplitListLines(std::basic_string_view<Char> text,
                                                         std::size_t maxLength = kMaxLineLength) {
    std::vector<std::basic_string_view<Char>> lines;
    ForEachListLine(text, [&](std::basic_string_view<Char> line) { lines.push_back(line); }, maxLength);
    return lines;
}

// The text with every CR LF and lone CR made one LF: the line breaks a list
// box shows, each where the line rule sees one. Lines are not cut.
template <typename Char>
std::basic_string<Char> WithLfLineBreaks(std::basic_string_view<Char> text) {
    std::basic_string<Char> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != Char('\r')) {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
        out += Char('\n');
    }
    return out;
}

}  // namespace orvane
