// Any bytes through the line and list conversion: no crash, no undefined
// behaviour, and every subnet line's host range converts back to it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "unCommon.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    for (int form = -1; form <= 3; ++form) {
        const auto out = orvane::TransformList(lines, size % 2 == 0, size % 3 != 0, form, " / ");
        Check(out.size() <= lines.size());
        for (const auto& line : out) Check(!line.empty());
    }

    for (std::string_view line : lines) {
        const std::string range = orvane::TransformLine(line, 0, "/");
        const std::string prefix = orvane::TransformLine(line, 1, "/");
        const std::string mask = orvane::TransformLine(line, 2, "/");
        if (line.find('-') == std::string_view::npos && line.find('/') != std::string_view::npos &&
            !range.empty()) {
            // A subnet line: its host range must give back its network and mask.
            Check(orvane::TransformLine(range, 2, "/") == mask);
            Check(orvane::TransformLine(range, 1, "/") == prefix);
        }
        if (!range.empty() && line.find('-') != std::string_view::npos) Check(range == line);
    }
    return 0;
}
