// Address text of both families: the one codec through which the list
// conversion and the address sets read and write plain addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "TextRules.h"
#include "Uint128.h"

namespace orvane {

// Four decimal octets from 0 to 255 without leading zeros at the start of
// text, the form almost every line uses and the C library reads the same
// way. Gives how many bytes they took, 0 when text does not start so (value
// is then unchanged); what follows is the caller's to judge. Inline: nearly
// every line of a large list goes through it.
inline std::size_t ReadDottedQuad(std::string_view text, std::uint32_t& value) noexcept {
    const char* p = text.data();
    const char* const end = p + text.size();
    std::uint32_t result = 0;
    for (int piece = 0; piece < 4; ++piece) {
        if (piece > 0 && (p == end || *p++ != '.')) return 0;
        if (p == end || !IsDigit(*p)) return 0;
        unsigned octet = static_cast<unsigned>(*p++ - '0');
        for (int digits = 1; p != end && IsDigit(*p); ++digits) {
            if (octet == 0 || digits == 3) return 0;  // a leading zero means octal to the C library
            octet = octet * 10 + static_cast<unsigned>(*p++ - '0');
        }
        if (octet > 255) return 0;
        result = result << 8 | octet;
    }
    value = result;
    return static_cast<std::size_t>(p - text.data());
}

// Dotted decimal, as inet_ntoa writes it.
void AppendAddress(std::string& out, std::uint32_t address);

// Exactly the texts inet_pton(AF_INET6) takes, without its copy into a C
// string: on a list of a million IPv6 lines the library's reading was a good
// part of the run. The tests hold it to the library's answers.
bool ReadIPv6Address(std::string_view text, Uint128& value) noexcept;

// The text inet_ntop writes: the form of RFC 5952.
void AppendAddress(std::string& out, const Uint128& address);

}  // namespace orvane
