// Writes a generated list file: make_list COUNT FILE [KIND]
//   window     (default) the shapes users paste into the window
//   addresses  half single IPv4 addresses, half networks from /18 to /30
//   blocklist  nine in ten single IPv4 addresses, the rest /16 to /30
//   ipv6       half single IPv6 addresses, half networks from /32 to /96
//   ipv6ranges IPv6 ranges of up to 64 addresses, apart: about five networks each
//   nginx      an nginx combined access log, a random IPv4 client a line
//   clients    the same clients, one address a line (what --extract reads from nginx)
#include <arpa/inet.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "ListGenerator.h"

namespace {

std::string IPv4(std::uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) + "." + std::to_string(a >> 8 & 255) + "." +
           std::to_string(a & 255);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) return 2;
    const std::size_t count = std::stoul(argv[1]);
    const std::string_view kind = argc == 4 ? argv[3] : "window";
    std::ofstream out(argv[2], std::ios::binary);
    if (kind == "window") {
        for (const auto& line : orvane::bench::GenerateList(count)) out << line << "\r\n";
        return out ? 0 : 1;
    }
    std::mt19937_64 random(7);
    for (std::size_t i = 0; i < count; ++i) {
        const auto address = static_cast<std::uint32_t>(random());
        if (kind == "addresses" || kind == "blocklist") {
            const bool single = kind == "addresses" ? i % 2 == 1 : i % 10 != 0;
            const unsigned prefix = kind == "addresses" ? 18 + random() % 13 : 16 + random() % 15;
            if (single) out << IPv4(address) << '\n';
            else out << IPv4(address & ~((std::uint32_t{1} << (32 - prefix)) - 1)) << '/' << prefix << '\n';
        } else if (kind == "nginx" || kind == "clients") {
            const std::uint64_t pick = random();  // drawn for both, so that both hold the same clients
            if (kind == "clients") {
                out << IPv4(address) << '\n';
                continue;
            }
            static constexpr const char* kPaths[] = {"/", "/index.html", "/wp-login.php", "/api/v2/items?id=42",
                                                     "/static/app.js"};
            static constexpr const char* kAgents[] = {
                "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0",
                "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Safari/537.36",
                "curl/8.5.0", "python-requests/2.31.0"};
            out << IPv4(address) << " - - [09/Dec/2026:" << (10 + pick % 14) << ':' << (10 + pick / 14 % 50) << ':'
                << (10 + pick / 700 % 50) << " +0000] \"GET " << kPaths[pick % 5] << " HTTP/1.1\" "
                << (pick % 7 == 0 ? 404 : 200) << ' ' << pick % 100000 << " \"-\" \"" << kAgents[pick / 5 % 4] << "\"\n";
        } else if (kind == "ipv6") {
            unsigned char bytes[16] = {0x20, 0x01};
            const std::uint64_t middle = random(), low = random();
            for (int k = 0; k < 8; ++k) bytes[2 + k] = static_cast<unsigned char>(middle >> (8 * k));
            for (int k = 0; k < 6; ++k) bytes[10 + k] = i % 2 == 1 ? static_cast<unsigned char>(low >> (8 * k)) : 0;
            const unsigned prefix = i % 2 == 1 ? 128 : 32 + random() % 65;
            for (unsigned bit = prefix; bit < 128; ++bit) bytes[bit / 8] &= static_cast<unsigned char>(~(0x80 >> bit % 8));
            char text[INET6_ADDRSTRLEN];
            out << inet_ntop(AF_INET6, bytes, text, sizeof text);
            if (prefix < 128) out << '/' << prefix;
            out << '\n';
        } else if (kind == "ipv6ranges") {
            // Each range in a /64 of its own, so that none joins another.
            const std::uint64_t first = random() >> 20, last = first + (random() >> 58);
            out << "2001:db8:" << std::hex << (i >> 16) << ':' << (i & 0xFFFF) << ':' << (first >> 48) << ':'
                << (first >> 32 & 0xFFFF) << ':' << (first >> 16 & 0xFFFF) << ':' << (first & 0xFFFF) << '-'
                << "2001:db8:" << (i >> 16) << ':' << (i & 0xFFFF) << ':' << (last >> 48) << ':' << (last >> 32 & 0xFFFF)
                << ':' << (last >> 16 & 0xFFFF) << ':' << (last & 0xFFFF) << std::dec << '\n';
        } else {
            return 2;
        }
    }
    return out ? 0 : 1;
}
