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
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class ByteSource;

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

// A file that starts with a UTF-16 byte-order mark (FF FE or FE FF, what
// Windows PowerShell writes) as UTF-8 with a UTF-8 byte-order mark, made in
// storage; any other file as it is. Every reader of list files reads through it.
std::string_view Utf16ListAsUtf8(std::string_view fileBytes, std::string& storage);

// The same for a file read in blocks.
std::unique_ptr<ByteSource> Utf16ListAsUtf8(std::unique_ptr<ByteSource> source);

// The file as a list box holds it: UTF-8 (Windows-1251 decoded, a byte of
// broken UTF-8 made U+FFFD), each line break the line rule sees and each
// paragraph separator one LF.
std::string ListFileToBoxText(std::string_view fileBytes);
// The same, and where a NUL cut the text short.
std::string ListFileToBoxText(std::string_view fileBytes, NulCut& cut);

// UTF-8 text pasted, dropped or set into a list box, as the box holds it.
// What is pasted is most often a list file's text copied whole, so it
// follows the file's rule, NUL and paragraph separators included: a list
// reads the same whichever way it came in.
std::string PastedTextToBoxText(std::string_view utf8);

// What the window's list box hands the conversion after opening the file,
// as Windows-1251 text: the one decoding of list files, which the window
// and orvane-convert share. Only the line breaks may differ from the box's
// (CR LF and a lone CR stay), which the line rule reads alike. Windows-1251
// and ASCII files are their own text and are not copied; otherwise the
// text is made in storage.
struct ListFileText {
    std::string_view text;  // Windows-1251
    std::string_view raw;   // the bytes it was decoded from: no byte-order mark, nothing from the NUL on
    NulCut cut;
};
ListFileText DecodeListFile(std::string_view fileBytes, std::string& storage);

// A list file's bytes read up to its first NUL (after UTF-16 is decoded, as
// Utf16ListAsUtf8 decodes it), that NUL kept; of what follows only the count:
// memory stays what the text before the NUL needs, whatever the rest is.
// sizeHint: the file's size where it is known, to read it without regrowing.
struct HeldListBytes {
    std::string bytes;
    std::size_t afterNul = 0;  // bytes past the NUL, read and not held
};
HeldListBytes ReadListBytes(ByteSource& source, std::size_t sizeHint = 0);

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

// Bytes that arrive a block at a time: a file, a pipe, a test's text.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to size bytes into buffer; 0 only at the end. Throws as the source does.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

// Calls visit(line) for every line of the source by the list-file rule, a
// UTF-8 byte-order mark at its start dropped: the same lines ForEachListLine
// gives for the whole text, whatever the blocks. A line is held whole up to
// maxHeld bytes; of a longer one the first maxHeld bytes are given, and one
// NUL after them when a NUL stood in the rest, so that a reader that rejects
// such lines rejects it. Memory stays a block and one held line.
template <typename Visit>
void ForEachSourceLine(ByteSource& source, std::size_t maxHeld, Visit&& visit) {
    // A few hundred lines a read: few calls, and a block that stays in the cache.
    constexpr std::size_t kBlock = std::size_t{1} << 16;
    const std::unique_ptr<char[]> block(new char[kBlock]);
    std::string pending;     // a line begun in an earlier block
    bool nulBeyond = false;  // a NUL stood past what pending holds
    bool afterCr = false;    // the last block ended in CR: an LF first in the next is part of its line end
    auto hold = [&](const char* data, std::size_t size) {
        const std::size_t room = maxHeld - std::min(maxHeld, pending.size());
        if (size > room) {
            nulBeyond = nulBeyond || std::memchr(data + room, '\0', size - room) != nullptr;
            size = room;
        }
        pending.append(data, size);
    };
    auto visitHeld = [&] {
        if (nulBeyond) pending += '\0';
        visit(std::string_view(pending));
        pending.clear();
        nulBeyond = false;
    };

    // The byte-order mark may arrive in pieces too.
    std::size_t n = 0;
    for (std::size_t got; n < kUtf8ByteOrderMark.size() && (got = source.Read(block.get() + n, kBlock - n)) > 0;)
        n += got;
    std::size_t i = std::string_view(block.get(), n).starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
    while (n > 0) {
        const char* const data = block.get();
        if (afterCr && i < n && data[i] == '\n') ++i;
        afterCr = false;
        std::size_t start = i;
        // The next CR and LF are found with memchr, many bytes a step: log
        // lines are long, and most files hold no CR at all.
        std::size_t nextCr = i;
        auto find = [&](char c, std::size_t from) {
            const void* at = std::memchr(data + from, c, n - from);
            return at != nullptr ? static_cast<std::size_t>(static_cast<const char*>(at) - data) : n;
        };
        for (;; ++i) {
            if (nextCr < i) nextCr = i;
            if (nextCr == i) nextCr = find('\r', i);
            i = std::min(find('\n', i), nextCr);
            if (i >= n) break;
            const char c = data[i];
            if (pending.empty() && i - start <= maxHeld) {
                visit(std::string_view(data + start, i - start));
            } else {
                hold(data + start, i - start);
                visitHeld();
            }
            if (c == '\r') {
                if (i + 1 == n) afterCr = true;
                else if (data[i + 1] == '\n') ++i;
            }
            start = i + 1;
        }
        if (start < n) hold(data + start, n - start);
        n = source.Read(block.get(), kBlock);
        i = 0;
    }
    if (!pending.empty()) visitHeld();
}

// The text with every CR LF and lone CR made one LF: the line breaks a list
// box shows, each where the line rule sees one. Lines are not cut.
template <typename Char>
std::basic_string<Char> WithLfLineBreaks(std::basic_string_view<Char> text) {
    std::basic_string<Char> out;
    out.reserve(text.size());
    ForEachListLine(text, [&](std::basic_string_view<Char> line) {
        out.append(line);
        out += Char('\n');
    }, std::string_view::npos);
    // The last line keeps no break it did not have.
    if (!text.empty() && text.back() != Char('\r') && text.back() != Char('\n')) out.pop_back();
    return out;
}

}  // namespace orvane
