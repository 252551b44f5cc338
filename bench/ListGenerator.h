// Generated lists of the shape users paste: mixed input forms and spacing,
// about 10% repeats and 5% junk.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace orvane::bench {

inline std::vector<std::string> GenerateList(std::size_t count, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::vector<std::string> lines;
    lines.reserve(count);
    auto octet = [&] { return std::to_string(random() % 256); };
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned kind = random() % 100;
        if (kind < 10 && !lines.empty()) {
            lines.push_back(lines[random() % lines.size()]);
        } else if (kind < 15) {
            lines.push_back("# comment " + octet() + " of no network");
        } else if (kind < 45) {
            lines.push_back(octet() + "." + octet() + "." + octet() + ".0 / " + std::to_string(8 + random() % 25));
        } else if (kind < 70) {
            lines.push_back(octet() + "." + octet() + "." + octet() + ".0/255.255." + std::to_string(random() % 2 ? 255 : 0) +
                            ".0");
        } else {
            const std::string net = octet() + "." + octet() + "." + octet() + ".";
            lines.push_back(net + "1 - " + net + "254");
        }
    }
    return lines;
}

}  // namespace orvane::bench
