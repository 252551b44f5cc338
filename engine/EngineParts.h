// What the engine's rooms share and nobody else calls: the address codec's
// plain-address fast path and writer, the line cleaning and the line
// conversion that the list conversion runs line after line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "unCommon.h"

namespace orvane::detail {

// The whole text is a plain dotted quad (ReadDottedQuad): the detour through
// reversing the pieces and inet_aton can be skipped. False for anything
// else, which then takes the detour.
bool ReadPlainDottedDecimal(std::string_view text, HostOrderValue& value) noexcept;

// The text without blanks and control characters at either end.
std::string_view TrimControls(std::string_view s) noexcept;

// The mask a subnet line names: a prefix length from 0 to 32, or a dotted
// mask the address reading accepts (its ones need not be on top).
bool ReadMask(std::string_view text, HostOrderValue& mask);

// Appends the cleaned line to out; false (and out as it was) when the line
// cleans to nothing.
bool AppendNormalized(std::string& out, std::string_view line);

// Appends the cleaned line in output form transformType; false, with out as
// it was, when the line names no network.
bool AppendTransformed(std::string& out, std::string_view line, std::int32_t transformType,
                       std::string_view delimiter);

}  // namespace orvane::detail
