#include "CutText.h"

#include <algorithm>

namespace orvane::ui {

std::string CutText::Set(std::string_view text, const std::function<std::size_t(std::string_view)>& shownBytes) {
    Clear();
    std::string shown;
    std::size_t copied = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        const std::size_t cut = shownBytes(line);
        if (cut != std::string_view::npos) {
            shown.append(text.substr(copied, start + cut - copied));
            const auto characters = std::count_if(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(cut),
                                                  [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
            lines_.push_back({static_cast<long>(shown.size()), static_cast<long>(start + cut),
                              static_cast<long>(end - start - cut), static_cast<long>(characters)});
            shown.append(kMarker);
            copied = end;
        }
        start = end + 1;
    }
    if (lines_.empty()) return std::string(text);
    shown.append(text.substr(copied));
    whole_.assign(text);
    return shown;
}

void CutText::Clear() {
    whole_.clear();
    lines_.clear();
}

long CutText::WholePosition(long shownPosition) const noexcept {
    long shift = 0;
    for (const Line& line : lines_) {
        if (shownPosition <= line.marker) break;
        shift += line.hiddenBytes - kMarkerBytes;
    }
    return shownPosition + shift;
}

long CutText::ShownPosition(long wholePosition) const noexcept {
    long shift = 0;
    for (const Line& line : lines_) {
        if (wholePosition < line.hidden) break;
        if (wholePosition < line.hidden + line.hiddenBytes) return line.marker;
        shift += line.hiddenBytes - kMarkerBytes;
    }
    return wholePosition - shift;
}

}  // namespace orvane::ui
