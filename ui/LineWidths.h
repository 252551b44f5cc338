// The widths of a list box's lines, to cut those too wide to show.
#pragma once

#include <QString>

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <unordered_map>

namespace orvane::ui {

// How wide the box draws a line, as Qt measures its font: a character's
// advance each, a tab as wide as its stop can be, a control character as
// Scintilla's box with its name: as wide as drawn, or wider.
class LineWidths {
public:
    // limitInSpaces: the widest a line may be, in widths of a space.
    LineWidths(const QFont& font, int tabWidth, double limitInSpaces) : metrics_(font) {
        const double space = metrics_.horizontalAdvance(QLatin1Char(' '));
        limit_ = limitInSpaces * space;
        tab_ = std::ceil(tabWidth * space);
        control_ = std::ceil(metrics_.horizontalAdvance(QStringLiteral("WWWW")));
        for (int c = 0; c < 0x80; ++c)
            ascii_[c] = c == '\t' ? tab_ : c < 0x20 ? control_ : metrics_.horizontalAdvance(QLatin1Char(c));
        // No character is wider than this, fallback fonts' included.
        widest_ = std::max({metrics_.maxWidth(), 3 * metrics_.height(), tab_, control_});
    }

    // Whether a line of so many bytes may pass the limit: a shorter one needs no measuring.
    bool MayPass(std::size_t bytes) const { return static_cast<double>(bytes) * widest_ > limit_; }

    // Where the character that would pass the limit starts; npos if none does.
    std::size_t CutAt(std::string_view line) const {
        if (!MayPass(line.size())) return std::string_view::npos;
        double width = 0;
        for (std::size_t i = 0; i < line.size();) {
            const auto lead = static_cast<unsigned char>(line[i]);
            const std::size_t length = lead < 0xC0 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            width += lead < 0x80 ? ascii_[lead] : Advance(line.substr(i, length));
            if (width > limit_) return i;
            i += length;
        }
        return std::string_view::npos;
    }

private:
    double Advance(std::string_view character) const {
        const QString text = QString::fromUtf8(character.data(), static_cast<qsizetype>(character.size()));
        const char32_t code = text.isEmpty() ? 0 : text.toUcs4().value(0);
        const auto [at, added] = others_.try_emplace(code, 0.0);
        if (added) at->second = metrics_.horizontalAdvance(text);
        return at->second;
    }

    QFontMetricsF metrics_;
    double limit_, tab_, control_, widest_;
    std::array<double, 0x80> ascii_{};
    mutable std::unordered_map<char32_t, double> others_;
};

}  // namespace orvane::ui
