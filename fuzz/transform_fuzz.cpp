// Any bytes through the line and list conversion: no crash, no undefined
// behaviour, the same result as the plain conversion, and every subnet
// line's host range converts back to it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ListOracle.h"
#include "ListText.h"
#include "unCommon.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = orvane::SplitListLines(text);

    // The options come from the input's size, so every combination is met.
    const bool dedupe = size % 2 == 0, sort = size % 3 != 0;
    for (int form = -1; form <= 3; ++form) {
        const auto out = orvane::TransformList(lines, dedupe, sort, form, " / ");
        Check(out == orvane::oracle::PlainTransformList(lines, dedupe, sort, form, " / "));
        std::string joined, whole;
        for (const auto& line : out) joined += line + "\n";
        orvane::TransformListText(text, dedupe, sort, form, " / ", "\n", whole);
        Check(whole == joined);
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
