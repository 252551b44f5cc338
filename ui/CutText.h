// A text whose overlong lines a list box shows cut: the whole text, what
// the box shows of it (each cut line up to where it is cut, then a marker)
// and positions mapped between the two. No widget: the box asks it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::ui {

class CutText {
public:
    // Where the box shows a line cut. marker: where the marker stands in the
    // shown text; hidden: where the line's hidden rest starts in the whole
    // text, and hiddenBytes how long it is.
    struct Line {
        long marker, hidden, hiddenBytes;
        long shownCharacters;
    };
    static constexpr std::string_view kMarker = "\u2026";
    static constexpr long kMarkerBytes = static_cast<long>(kMarker.size());

    // shownBytes(line): how many bytes of a line (UTF-8, no line break) are
    // shown, npos for all. Gives the text as shown.
    std::string Set(std::string_view text, const std::function<std::size_t(std::string_view)>& shownBytes);
    void Clear();

    bool HasCutLines() const noexcept { return !lines_.empty(); }
    const std::vector<Line>& Lines() const noexcept { return lines_; }
    // While lines are cut: the whole text.
    const std::string& Whole() const noexcept { return whole_; }

    // A position in the shown text as one in the whole text: the marker's
    // start is where the hidden rest starts, its end where the rest ends.
    long WholePosition(long shownPosition) const noexcept;
    // And back: a position inside a hidden rest is the marker's start.
    long ShownPosition(long wholePosition) const noexcept;

private:
    std::string whole_;
    std::vector<Line> lines_;
};

}  // namespace orvane::ui
