// The lines of a list text as a vector, for tests and the fuzz target that
// look at them one by one; the program visits them with ForEachListLine.
#pragma once

#include <string_view>
#include <vector>

#include "ListText.h"

namespace orvane {

// Splits text into lines; each line is cut to maxLength characters.
template <typename Char>
std::vector<std::basic_string_view<Char>> SplitListLines(std::basic_string_view<Char> text,
                                                         std::size_t maxLength = kMaxLineLength) {
    std::vector<std::basic_string_view<Char>> lines;
    ForEachListLine(text, [&](std::basic_string_view<Char> line) { lines.push_back(line); }, maxLength);
    return lines;
}

}  // namespace orvane
