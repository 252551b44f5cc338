#include "FirewallFile.h"

#include <algorithm>
#include <iterator>

#include "AddressText.h"

namespace orvane {
namespace {

// Every word Debian 12's nft (1.0.6) refuses as a table or a set name: asked
// of nft itself for every word of its manual page and its library.
constexpr std::string_view kNftReserved[] = {
    "accept", "add", "ah", "all", "and", "arp", "auto-merge", "bridge", "cgroup", "chain", "comment", "comp",
    "constant", "continue", "counter", "cpu", "create", "ct", "day", "dccp", "define", "delete", "describe",
    "device", "devices", "dnat", "drop", "dst", "dup", "dynamic", "ecn", "element", "elements", "esp", "ether",
    "exists", "expires", "export", "exthdr", "fib", "flags", "flow", "flowtable", "flush", "frag", "fwd",
    "gc-interval", "get", "goto", "handle", "hbh", "hook", "hour", "ibriport", "ibrname", "icmp", "icmpv6",
    "igmp", "iif", "iifgroup", "iifname", "iiftype", "import", "include", "index", "inet", "insert", "interval",
    "ip", "ip6", "ipsec", "jhash", "jump", "limit", "list", "log", "lt", "map", "mark", "masquerade", "meta",
    "meter", "mh", "missing", "monitor", "ne", "netdev", "nftrace", "not", "notrack", "numgen", "obriport",
    "obrname", "offload", "oif", "oifgroup", "oifname", "oiftype", "or", "osf", "pkttype", "policy", "position",
    "priority", "queue", "quota", "random", "redefine", "redirect", "reject", "rename", "replace", "reset",
    "return", "rt", "rt0", "rt2", "rtclassid", "rule", "ruleset", "sctp", "secmark", "set", "size", "skgid",
    "skuid", "snat", "socket", "srh", "symhash", "synproxy", "table", "tcp", "th", "time", "timeout", "tproxy",
    "type", "typeof", "udp", "udplite", "undefine", "update", "vlan", "vmap", "xt",
};

// IPSET_MAXNAMELEN less its NUL; NFT_NAME_MAXLEN likewise.
constexpr std::size_t kIpsetNameLength = 31;
constexpr std::size_t kNftNameLength = 255;
// What the names of the IPv6 set and of the sets filled before a swap add.
constexpr std::string_view kIPv6Suffix = "6", kNewSuffix = "-new";
// One limit for every load: the kernel takes a set of another maxelem for
// another set, so that a limit sized to today's list would fail tomorrow.
constexpr std::uint64_t kIpsetMaxElements = 4294967295;

bool IsPlainName(std::string_view name) {
    if (name.empty() || !((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

std::string NameProblem(std::string_view what, std::string_view name, std::size_t room, bool nft) {
    if (!IsPlainName(name))
        return std::string(what) + " \"" + std::string(name) +
               "\" is not a letter followed by letters, digits, \"_\" and \"-\"";
    if (name.size() > room)
        return std::string(what) + " \"" + std::string(name) + "\" is longer than " + std::to_string(room) +
               " characters";
    auto reserved = [](std::string_view word) {
        return std::find(std::begin(kNftReserved), std::end(kNftReserved), word) != std::end(kNftReserved);
    };
    if (nft && reserved(name)) return std::string(what) + " \"" + std::string(name) + "\" is a word nft reserves";
    if (nft && what == "the set name" && reserved(std::string(name) + std::string(kIPv6Suffix)))
        return std::string(what) + " \"" + std::string(name) + "\" is a word nft reserves once \"6\" is added for IPv6";
    return {};
}

template <typename Value>
constexpr bool IsIPv6 = std::is_same_v<Value, Uint128>;

// Every network to load: ipset's hash:net refuses /0, so the whole space
// goes in as its two halves.
template <typename Value, typename Visit>
void ForEachLoadedNetwork(const std::vector<Interval<Value>>& set, const PrefixLengths& lengths, Visit&& visit) {
    for (const Interval<Value>& interval : set) {
        ForEachNetwork(interval, lengths, [&](Value network, unsigned prefix) {
            if (prefix > 0) return visit(network, prefix);
            visit(Value{}, 1u);
            visit(static_cast<Value>(~LowOnes<Value>(kAddressWidth<Value> - 1)), 1u);
        });
    }
}

template <typename Value>
void AppendNetwork(std::string& out, const Value& network, unsigned prefix) {
    AppendAddress(out, network);
    out += '/';
    if (prefix >= 100) out += static_cast<char>('0' + prefix / 100);
    if (prefix >= 10) out += static_cast<char>('0' + prefix / 10 % 10);
    out += static_cast<char>('0' + prefix % 10);
}

template <typename Value>
void WriteIpset(const std::string& name, const std::vector<Interval<Value>>& set, const PrefixLengths& lengths,
                std::string& out, const std::function<void()>& pass) {
    // The job refused more than 2^32 networks already.
    const std::uint64_t count = NetworkCountOf(set, lengths).value.low + 1;
    // A bucket a network, as ipset itself grows a set: a power of two from its least, 64.
    std::uint64_t hashSize = 64;
    while (hashSize < count && hashSize < (std::uint64_t{1} << 31)) hashSize *= 2;
    const std::string newName = name + std::string(kNewSuffix);
    const std::string kind = std::string(" hash:net family ") + (IsIPv6<Value> ? "inet6" : "inet") + " hashsize " +
                             std::to_string(hashSize) + " maxelem " + std::to_string(kIpsetMaxElements) + " -exist\n";
    // The new set may be left over from a load that failed half way: it is made empty first.
    out += "create " + name + kind + "create " + newName + kind + "flush " + newName + "\n";
    const std::string add = "add " + newName + ' ';
    ForEachLoadedNetwork(set, lengths, [&](Value network, unsigned prefix) {
        out += add;
        AppendNetwork(out, network, prefix);
        out += '\n';
        pass();
    });
    out += "swap " + newName + ' ' + name + "\ndestroy " + newName + "\n";
}

template <typename Value>
void WriteNftElements(const FirewallSets& sets, const std::string& name, const std::vector<Interval<Value>>& set,
                      const PrefixLengths& lengths, std::string& out, const std::function<void()>& pass) {
    // nft refuses an empty element list: an empty family is only flushed.
    if (set.empty()) return;
    out += "add element inet " + sets.table + ' ' + name + " {\n";
    bool first = true;
    for (const Interval<Value>& interval : set) {
        ForEachNetwork(interval, lengths, [&](Value network, unsigned prefix) {
            if (!first) out += ",\n";
            first = false;
            out += '\t';
            AppendNetwork(out, network, prefix);
            pass();
        });
    }
    out += "\n}\n";
}

}  // namespace

std::string FirewallNameProblem(const FirewallSets& sets) {
    if (sets.tool == FirewallSets::Tool::Ipset)
        return NameProblem("the set name", sets.name,
                           kIpsetNameLength - kIPv6Suffix.size() - kNewSuffix.size(), false);
    if (std::string problem = NameProblem("the table name", sets.table, kNftNameLength, true); !problem.empty())
        return problem;
    return NameProblem("the set name", sets.name, kNftNameLength - kIPv6Suffix.size(), true);
}

void WriteFirewallFile(const FirewallSets& sets, const std::vector<Interval4>& v4, const std::vector<Interval6>& v6,
                       const PrefixLengths& lengths4, const PrefixLengths& lengths6, std::string& out,
                       const std::function<void()>& pass) {
    const std::string name6 = sets.name + std::string(kIPv6Suffix);
    if (sets.tool == FirewallSets::Tool::Ipset) {
        WriteIpset(sets.name, v4, lengths4, out, pass);
        WriteIpset(name6, v6, lengths6, out, pass);
        return;
    }
    // Declared as they must be, flushed and filled: nft -f makes the whole file one transaction.
    out += "table inet " + sets.table + " {\n\tset " + sets.name + " {\n\t\ttype ipv4_addr\n\t\tflags interval\n\t}\n" +
           "\tset " + name6 + " {\n\t\ttype ipv6_addr\n\t\tflags interval\n\t}\n}\n";
    out += "flush set inet " + sets.table + ' ' + sets.name + "\nflush set inet " + sets.table + ' ' + name6 + "\n";
    WriteNftElements(sets, sets.name, v4, lengths4, out, pass);
    WriteNftElements(sets, name6, v6, lengths6, out, pass);
}

std::optional<std::string_view> FirewallFileLines::AddressText(std::string_view line) {
    if (shape_ == Shape::Unknown) {
        shape_ = line.starts_with("create ") ? Shape::Ipset : line.starts_with("table inet ") ? Shape::Nft : Shape::Plain;
    }
    switch (shape_) {
        case Shape::Unknown:
        case Shape::Plain: return line;
        case Shape::Ipset:
            // "add SET ADDRESS"; the rest creates, flushes, swaps and destroys.
            if (line.starts_with("add ")) {
                const std::size_t space = line.find(' ', 4);
                if (space != std::string_view::npos) return line.substr(space + 1);
                return line;
            }
            for (const std::string_view frame : {"create ", "flush ", "swap ", "destroy "})
                if (line.starts_with(frame)) return std::nullopt;
            return line;
        case Shape::Nft:
            if (inElements_) {
                if (line == "}") {
                    inElements_ = false;
                    return std::nullopt;
                }
                // "\tADDRESS," or the last, "\tADDRESS".
                std::string_view text = line;
                if (text.starts_with('\t')) text.remove_prefix(1);
                if (text.ends_with(',')) text.remove_suffix(1);
                return text;
            }
            if (line.starts_with("add element ") && line.ends_with(" {")) {
                inElements_ = true;
                return std::nullopt;
            }
            for (const std::string_view frame : {"table inet ", "\tset ", "\t\ttype ", "\t\tflags ", "\t}", "}", "flush set "})
                if (line.starts_with(frame)) return std::nullopt;
            return line;
    }
    return line;
}

}  // namespace orvane
