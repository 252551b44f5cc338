// The conversion engine: address text codec, line and list transformation.
// The front of three rooms: AddressCodec.cpp, LineTransform.cpp and
// ListTransform.cpp (what they share among themselves is in EngineParts.h).
//
// The program runs TransformListText (the window and orvane-convert) and
// TransformLine; orvane-convert's report of the window's rejected lines runs
// NormalizeLineInto, and the address sets' exact listing CleanedListOrder
// (the set modes read addresses their own way, only as written). The
// functions marked "reference" (SplitAtDots, AddressToHostOrder,
// TransformList ...) run nowhere in the program: they are the named steps
// the fast paths are held to by the tests, kept one copy each.
//
// Every text here is a byte string in Windows-1251. The functions keep no
// state, never throw and show nothing: an empty result means "this line names
// no network" and the caller drops it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// An IPv4 address with its first octet in the most significant byte.
using HostOrderValue = std::uint32_t;

// ---- Address text codec ----

// Reference. Non-empty pieces between dots (CR and LF separate too); dots
// inside a quoted stretch do not split.
std::vector<std::string> SplitAtDots(std::string_view text);

// The integer a whole text spells (decimal, or hexadecimal after $, x, X, 0x,
// 0X), or defaultValue when it spells none.
std::int32_t IntegerOrDefault(std::string_view text, std::int32_t defaultValue) noexcept;

// The pieces of text in reverse order, joined by single dots.
std::string ReverseOctetOrder(std::string_view text);

// Four pieces, each a non-negative integer text (no upper bound).
bool IsDottedQuad(std::string_view text);

// Reference. The address a text names by ReadAddress(); all ones when it is
// rejected, which is indistinguishable from 255.255.255.255.
HostOrderValue AddressToHostOrder(std::string_view text);

// Reads an address text as the C library does after reversing its pieces;
// false when it is rejected (value is then all ones, as inet_addr gives).
bool ReadAddress(std::string_view text, HostOrderValue& value);

// Reference. True when the address reading accepts the text, telling a
// rejected text apart from 255.255.255.255.
bool IsReadableAddress(std::string_view text);

// Plain dotted decimal text of a value (AppendAddress appends it).
std::string HostOrderToAddress(HostOrderValue value);

// ---- Line transformation ----

// The output forms by name; the list conversion takes them as the
// TransformType integer the window's radio group and settings file hold
// (0, 1, 2; any other value, -1 for none, gives no output).
enum class OutputForm : std::int32_t { HostRange = 0, ShortMask = 1, LongMask = 2 };
constexpr std::int32_t TransformTypeOf(OutputForm form) { return static_cast<std::int32_t>(form); }

struct TIPAddr {
    std::string first;
    std::string second;
};

// Reference. (address, mask) -> (first host, last host); an empty record
// when the address or the mask cannot be read.
TIPAddr SubnetToHostRange(TIPAddr subnet);

// Reference. (first host, last host) -> (network, mask text); kind 1 gives the mask as a
// prefix length, any other kind as a dotted mask. An empty record when either
// host cannot be read.
TIPAddr HostRangeToSubnet(TIPAddr range, int kind);

// One line in output form transformType: 0 host range, 1 address with prefix
// length, 2 address with dotted mask. Empty when the line is rejected.
std::string TransformLine(std::string_view line, std::int32_t transformType, std::string_view delimiter);

// ---- List transformation ----

// Reference (NormalizeLineInto runs). The line with blanks, stars and Latin
// "o" removed, em dashes made hyphens, loose separators dropped; empty when
// it cannot name a network.
std::string NormalizeLine(std::string_view line);

// The same into out (cleared first), so a loop over many lines reuses one buffer.
void NormalizeLineInto(std::string_view line, std::string& out);

// The order in which the list conversion takes up lines cleaned already (none
// empty): indices into cleaned, duplicates dropped and sorted when asked.
std::vector<std::size_t> CleanedListOrder(std::span<const std::string_view> cleaned, bool removeDuplicates,
                                          bool sort);

// Reference. Occurrences of what in text, counted from the second character on.
int CountSubstring(std::string_view what, std::string_view text) noexcept;

// Reference. The text without every "-" and "/" that does not stand between two digits.
std::string StripLooseSeparators(std::string_view text);

// -1, 0 or +1: case-insensitive word order of the user's language.
int CompareTextNoCase(std::string_view a, std::string_view b) noexcept;

// Reference (TransformListText runs). Cleans every line, drops duplicates
// and sorts when asked, converts.
std::vector<std::string> TransformList(std::span<const std::string_view> lines, bool removeDuplicates, bool sort,
                                       std::int32_t transformType, std::string_view delimiter);

// How a whole list is converted: the window's options, or orvane-convert's.
struct ListConversion {
    std::optional<OutputForm> form;  // none chosen: nothing is written
    bool removeDuplicates = true;
    bool sort = true;
    std::string_view delimiter = " / ";
    std::string_view lineEnd = "\r\n";
    // When given: called with the number (from 1, rising) of every line that
    // is not blank and names no network, each copy of such a line included.
    std::function<void(std::size_t line)> rejected{};
};

// The form a TransformType value names; any value but 0, 1 and 2 names none.
constexpr std::optional<OutputForm> OutputFormOf(std::int32_t transformType) {
    if (transformType < 0 || transformType > 2) return std::nullopt;
    return static_cast<OutputForm>(transformType);
}

// The same for a whole list text (its lines by the list-file rule, each cut
// to kMaxLineLength): every result line followed by the line end, appended to out.
void TransformListText(std::string_view text, const ListConversion& conversion, std::string& out);

}  // namespace orvane
