// The list box's model of a text with lines shown cut, without a widget.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "CutText.h"

using orvane::ui::CutText;

namespace {

// Lines longer than `shown` bytes show that many, at a character's start.
auto ShowUpTo(std::size_t shown) {
    return [shown](std::string_view line) -> std::size_t {
        if (line.size() <= shown) return std::string_view::npos;
        std::size_t at = shown;
        while (at > 0 && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) --at;
        return at;
    };
}

}  // namespace

TEST(CutText, ShowsEachLongLineCutWithAMarker) {
    CutText text;
    EXPECT_EQ(text.Set("ab\ncdefgh\nij\nklmnop", ShowUpTo(3)), "ab\ncde\u2026\nij\nklm\u2026");
    ASSERT_EQ(text.Lines().size(), 2u);
    EXPECT_EQ(text.Whole(), "ab\ncdefgh\nij\nklmnop");
    EXPECT_EQ(text.Lines()[0].shownCharacters, 3);
    // A character is never split: "жж" is four bytes.
    EXPECT_EQ(text.Set("\u0436\u0436x", ShowUpTo(3)), "\u0436\u2026");
    EXPECT_EQ(text.Lines()[0].shownCharacters, 1);
    EXPECT_EQ(text.Set("short\nlines", ShowUpTo(10)), "short\nlines");
    EXPECT_FALSE(text.HasCutLines());
}

// Every shown position maps into the whole text and back; the marker's two
// ends are the hidden rest's two ends, and a position inside the rest is the
// marker's start: a selection to the marker copies what shows, one over it
// takes the rest too.
TEST(CutText, MapsPositionsBothWays) {
    std::mt19937 random(29);
    for (int round = 0; round < 200; ++round) {
        std::string whole;
        for (int k = random() % 6; k >= 0; --k) {
            whole += std::string(random() % 12, "ab\xD0"[random() % 2]);
            if (random() % 3 == 0) whole += "\xD0\x96";
            whole += '\n';
        }
        CutText text;
        const std::string shown = text.Set(whole, ShowUpTo(5));
        for (const CutText::Line& line : text.Lines()) {
            EXPECT_EQ(text.WholePosition(line.marker), line.hidden);
            EXPECT_EQ(text.WholePosition(line.marker + CutText::kMarkerBytes), line.hidden + line.hiddenBytes);
            EXPECT_EQ(text.ShownPosition(line.hidden + line.hiddenBytes / 2), line.marker);
            EXPECT_EQ(shown.substr(static_cast<std::size_t>(line.marker), 3), CutText::kMarker);
        }
        for (long p = 0; p <= static_cast<long>(shown.size()); ++p) {
            const bool inMarker = std::any_of(text.Lines().begin(), text.Lines().end(), [&](const CutText::Line& line) {
                return p > line.marker && p < line.marker + CutText::kMarkerBytes;
            });
            if (inMarker) continue;
            const long at = text.WholePosition(p);
            ASSERT_EQ(text.ShownPosition(at), p) << round;
            const bool atMarker = std::any_of(text.Lines().begin(), text.Lines().end(),
                                              [&](const CutText::Line& line) { return p == line.marker; });
            if (p < static_cast<long>(shown.size()) && !text.Lines().empty() && !atMarker) {
                ASSERT_EQ(text.Whole()[static_cast<std::size_t>(at)], shown[static_cast<std::size_t>(p)]) << round;
            }
        }
    }
}
