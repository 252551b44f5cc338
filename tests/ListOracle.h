// The list conversion written the plain way, step by step, with the C
// library's own address reading and writing: the oracle that the fast
// conversion is compared with in the tests and the fuzz target.
#pragma once

#include <arpa/inet.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "unCommon.h"

namespace orvane::oracle {

// The address the C library reads after the pieces are reversed, in host
// order; false when it is rejected or holds a NUL.
inline bool PlainReadAddress(std::string_view text, std::uint32_t& value) {
    const std::string reversed = ReverseOctetOrder(text);
    in_addr address{};
    if (reversed.find('\0') != std::string::npos || inet_aton(reversed.c_str(), &address) == 0) return false;
    value = ntohl(address.s_addr);
    value = (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);  // reversed pieces
    return true;
}

inline std::string PlainAddressText(std::uint32_t value) {
    in_addr address{};
    address.s_addr = htonl((value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24));
    return ReverseOctetOrder(inet_ntoa(address));
}

inline bool PlainReadMask(std::string_view text, std::uint32_t& mask) {
    if (text.find('.') != std::string_view::npos) return PlainReadAddress(text, mask);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    const std::int32_t n = IntegerOrDefault(text, -1);
    if (n < 0 || n > 32) return false;
    mask = n == 0 ? 0u : ~0u << (32 - n);
    return true;
}

inline std::string PlainTransformLine(std::string_view line, int type, std::string_view delimiter) {
    if (type < 0 || type > 2) return {};
    std::uint32_t first = 0, last = 0;
    if (const auto dash = line.find('-'); dash != std::string_view::npos) {
        const std::string_view left = line.substr(0, dash), right = line.substr(dash + 1);
        if (!IsDottedQuad(left) || !IsDottedQuad(right)) return {};
        if (type == 0) return std::string(left) + "-" + std::string(right);
        if (!PlainReadAddress(left, first) || !PlainReadAddress(right, last)) return {};
    } else if (const auto slash = line.find('/'); slash != std::string_view::npos) {
        std::uint32_t address, mask;
        if (!PlainReadAddress(line.substr(0, slash), address) || !PlainReadMask(line.substr(slash + 1), mask)) return {};
        first = (address & mask) + 1;
        last = (address & mask) + ~mask - 1;
        if (type == 0) return PlainAddressText(first) + "-" + PlainAddressText(last);
    } else {
        return {};
    }
    const std::uint32_t mask = ~(last - first + 1) - 1;
    std::string maskText = PlainAddressText(mask);
    if (type == 1) {
        int prefix = 0;
        if (mask != 0) {
            prefix = 32;
            for (std::uint32_t m = mask; (m & 1) == 0; m >>= 1) --prefix;
        }
        maskText = std::to_string(prefix);
    }
    return PlainAddressText(first - 1) + std::string(delimiter) + maskText;
}

// The list's quicksort, on the texts themselves: a copy on purpose, as the
// fixed reference order that lines comparing equal must keep.
inline void PlainQuickSort(std::vector<std::string>& items, std::ptrdiff_t left, std::ptrdiff_t right) {
    std::ptrdiff_t i;
    do {
        i = left;
        std::ptrdiff_t j = right, p = (left + right) / 2;
        do {
            while (CompareTextNoCase(items[i], items[p]) < 0) ++i;
            while (CompareTextNoCase(items[j], items[p]) > 0) --j;
            if (i <= j) {
                std::swap(items[i], items[j]);
                if (p == i) p = j;
                else if (p == j) p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) PlainQuickSort(items, left, j);
        left = i;
    } while (i < right);
}

inline std::vector<std::string> PlainTransformList(const std::vector<std::string_view>& lines, bool removeDuplicates,
                                                   bool sort, int type, std::string_view delimiter) {
    std::vector<std::string> cleaned;
    for (std::string_view line : lines) {
        std::string text = NormalizeLine(line);
        if (text.empty()) continue;
        if (removeDuplicates && std::any_of(cleaned.begin(), cleaned.end(), [&](const std::string& earlier) {
                return CompareTextNoCase(earlier, text) == 0;
            }))
            continue;
        cleaned.push_back(std::move(text));
    }
    if (sort && cleaned.size() >= 2) PlainQuickSort(cleaned, 0, static_cast<std::ptrdiff_t>(cleaned.size()) - 1);
    std::vector<std::string> out;
    for (const std::string& line : cleaned)
        if (std::string converted = PlainTransformLine(line, type, delimiter); !converted.empty())
            out.push_back(std::move(converted));
    return out;
}

}  // namespace orvane::oracle
