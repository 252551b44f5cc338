// Any list and any name the converter accepts: the file of --as holds only
// the lines each tool's grammar allows, every network a valid one of its
// family, never /0 for ipset.
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>

#include "AddressReader.h"
#include "FirewallFile.h"
#include "SetOracle.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// A network as the file writes it: the reader takes it as one network, and
// the text is exactly that network's.
bool IsNetwork(std::string_view text, bool ipv6, bool zeroAllowed) {
    std::string scratch;
    const orvane::SetLine line = orvane::ReadSetLine(text, orvane::RangeReading::Addresses, scratch);
    if (line.kind != (ipv6 ? orvane::SetLine::Kind::IPv6 : orvane::SetLine::Kind::IPv4)) return false;
    const std::size_t slash = text.find('/');
    return slash != std::string_view::npos && (zeroAllowed || text.substr(slash) != "/0");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte picks the tool and the name's length; the name follows; the rest is the list.
    const bool nft = data[0] & 1;
    const std::size_t nameLength = std::min<std::size_t>((data[0] >> 1) % 40, size - 1);
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    orvane::FirewallSets sets{.tool = nft ? orvane::FirewallSets::Tool::Nft : orvane::FirewallSets::Tool::Ipset,
                              .table = nft ? "fw" : "",
                              .name = std::string(rest.substr(0, nameLength))};
    if (!orvane::FirewallNameProblem(sets).empty()) return 0;
    // Accepted names are plain words: nothing a script would act on.
    Check(std::regex_match(sets.name, std::regex("[A-Za-z][A-Za-z0-9_-]*")));

    orvane::AddressSets read;
    orvane::oracle::ReadAddressList(rest.substr(nameLength), orvane::RangeReading::Addresses, read);
    const std::vector<orvane::Interval4> v4 = orvane::UnionOf(read.v4);
    const std::vector<orvane::Interval6> v6 = orvane::UnionOf(read.v6);
    std::string file;
    const orvane::PrefixLengths all = orvane::PrefixLengths().set();
    orvane::WriteFirewallFile(sets, v4, v6, all, all, file, [] {});

    const std::string n = sets.name, n6 = sets.name + "6";
    const std::regex ipsetLine("(create (" + n + "|" + n6 + ")(-new)? hash:net family inet6? hashsize [0-9]+ "
                               "maxelem 4294967295 -exist|flush (" + n + "|" + n6 + ")-new|add (" + n + "|" + n6 +
                               ")-new [0-9a-f.:]+/[0-9]+|swap " + n + "-new " + n + "|swap " + n6 + "-new " + n6 +
                               "|destroy (" + n + "|" + n6 + ")-new)");
    const std::regex nftLine("(table inet fw \\{|\tset (" + n + "|" + n6 + ") \\{|\t\ttype ipv[46]_addr|"
                             "\t\tflags interval|\t\\}|\\}|flush set inet fw (" + n + "|" + n6 + ")|"
                             "add element inet fw (" + n + "|" + n6 + ") \\{|\t[0-9a-f.:]+/[0-9]+,?)");
    Check(!file.empty() && file.back() == '\n');
    std::size_t start = 0;
    std::string_view set;
    while (start < file.size()) {
        const std::size_t end = file.find('\n', start);
        const std::string line = file.substr(start, end - start);
        start = end + 1;
        Check(std::regex_match(line, nft ? nftLine : ipsetLine));
        if (!nft && line.starts_with("add ")) {
            const std::size_t space = line.rfind(' ');
            const bool six = line.compare(4, n6.size() + 5, n6 + "-new ") == 0;
            Check(IsNetwork(std::string_view(line).substr(space + 1), six, false));
            Check(line.find(six ? ":" : ".") != std::string::npos);
        }
        if (nft && line.starts_with("add element")) set = line.find(n6 + " {") != std::string::npos ? "6" : "4";
        if (nft && line.starts_with("\t") && line.find('/') != std::string::npos) {
            std::string network = line.substr(1);
            if (network.back() == ',') network.pop_back();
            Check(IsNetwork(network, set == "6", true));
        }
    }
    return 0;
}
