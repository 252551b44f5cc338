// Files that the firewalls load as they are: an ipset restore file and an
// nft script that replace the whole content of two sets, IPv4 and IPv6, in
// one step, creating what is missing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AddressSet.h"

namespace orvane {

struct FirewallSets {
    enum class Tool { Ipset, Nft };
    Tool tool = Tool::Ipset;
    std::string table;  // nft only
    std::string name;   // IPv4; IPv6 goes in name + "6"
};

// What is wrong with the names, or nothing. They end up in scripts that run
// as root, where a line break starts a new command and nft acts on ; { } $ #
// and include: only a letter, then letters, digits, "_" and "-", within the
// tool's length, and no word the tool reserves.
std::string FirewallNameProblem(const FirewallSets& sets);

// The whole file for the networks of both families (every length already
// allowed; IPv4 first), with LF line ends, written a block at a time through
// out and flush.
void WriteFirewallFile(const FirewallSets& sets, const std::vector<Interval4>& v4, const std::vector<Interval6>& v6,
                       const PrefixLengths& lengths4, const PrefixLengths& lengths6, std::string& out,
                       const std::function<void()>& pass);

// Reads back what WriteFirewallFile wrote, line by line: of an element line
// its address text, of a line that builds or swaps the sets nothing. The
// first line tells such a file; any other file's lines are given as they are.
class FirewallFileLines {
public:
    // None: a line of the file's frame, which names no address.
    std::optional<std::string_view> AddressText(std::string_view line);

private:
    enum class Shape { Unknown, Plain, Ipset, Nft } shape_ = Shape::Unknown;
    bool inElements_ = false;  // nft: between "add element ... {" and "}"
};

}  // namespace orvane
