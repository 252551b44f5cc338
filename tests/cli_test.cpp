// orvane-convert end to end: fixture files in, exact bytes out.
#include <gtest/gtest.h>

#include "TestRows.h"
#include "TestSupport.h"
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using ::PrintTo;

struct Outcome {
    int status = -1;
    std::string out, err;
    long peakKiB = 0;  // the converter's resident memory at its largest
};

std::string Slurp(int fd) {
    std::string s;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) s.append(buffer, static_cast<std::size_t>(n));
    return s;
}

// Runs the converter with args; stdin comes from inputFile (or /dev/null).
// inChild runs in the child just before the converter starts.
Outcome Convert(std::vector<std::string> args, const std::string& inputFile = "/dev/null",
                const std::function<void()>& inChild = {}) {
    char outName[] = "/tmp/orvane-cli-out-XXXXXX";
    char errName[] = "/tmp/orvane-cli-err-XXXXXX";
    const int outFd = ::mkstemp(outName), errFd = ::mkstemp(errName);
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open(inputFile.c_str(), O_RDONLY);
        ::dup2(in, 0);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        if (inChild) inChild();
        std::vector<char*> argv{const_cast<char*>(ORVANE_CONVERT)};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(ORVANE_CONVERT, argv.data());
        ::_exit(127);
    }
    Outcome run;
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::lseek(outFd, 0, SEEK_SET);
    ::lseek(errFd, 0, SEEK_SET);
    run.out = Slurp(outFd);
    run.err = Slurp(errFd);
    ::close(outFd);
    ::close(errFd);
    ::unlink(outName);
    ::unlink(errName);
    return run;
}

std::string Data(const std::string& name) { return std::string(ORVANE_TEST_DATA) + "/" + name; }

using orvane::test::ReadBytes;
using orvane::test::TempDir;

const std::string kRange = "172.20.20.0-172.20.21.254\r\n192.168.0.1-192.168.0.254\r\n192.168.1.1-192.168.1.254\r\n";
const std::string kPrefix = "172.20.19.255 / 32\r\n192.168.0.0 / 24\r\n192.168.1.0 / 24\r\n";
const std::string kMask =
    "172.20.19.255 / 255.255.253.255\r\n192.168.0.0 / 255.255.255.0\r\n192.168.1.0 / 255.255.255.0\r\n";

struct CliRow {
    const char* name;
    std::vector<std::string> args;  // "@name" stands for a fixture file
    std::string out;
};

class CliOutputTest : public testing::TestWithParam<CliRow> {};

TEST_P(CliOutputTest, WritesExactBytes) {
    std::vector<std::string> args = GetParam().args;
    for (auto& a : args)
        if (a.starts_with("@")) a = Data(a.substr(1));
    const Outcome run = Convert(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliOutputTest,
    testing::Values(
        CliRow{"DefaultsAreRangeSortedDeduplicated", {"@example-crlf.txt"}, kRange},
        CliRow{"PrefixByName", {"-f", "prefix", "@example-crlf.txt"}, kPrefix},
        CliRow{"MaskByNumber", {"-f", "2", "@example-crlf.txt"}, kMask},
        CliRow{"OptionValueAfterEquals", {"--format=prefix", "@example-crlf.txt"}, kPrefix},
        CliRow{"OptionValueJoinedAndFileAfterDoubleDash", {"-fprefix", "--", "@example-crlf.txt"}, kPrefix},
        CliRow{"LfLineEnds", {"-f", "mask", "@example-lf.txt"}, kMask},
        CliRow{"LoneCrLineEnds", {"-f", "mask", "@example-cr.txt"}, kMask},
        CliRow{"Utf8", {"-f", "mask", "@example-utf8.txt"}, kMask},
        CliRow{"Utf8ByteOrderMark", {"-f", "mask", "@example-utf8-bom.txt"}, kMask},
        CliRow{"Cp1251EmDash", {"-f", "1", "@emdash-cp1251.txt"}, "10.0.0.0 / 24\r\n"},
        CliRow{"Utf8EmDash", {"-f", "1", "@emdash-utf8.txt"}, "10.0.0.0 / 24\r\n"},
        CliRow{"EmptyFile", {"@empty.txt"}, ""},
        CliRow{"UnsortedLf", {"--no-sort", "--lf", "@example-crlf.txt"},
               "192.168.0.1-192.168.0.254\n172.20.20.0-172.20.21.254\n192.168.1.1-192.168.1.254\n"},
        CliRow{"KeepDuplicates", {"--keep-duplicates", "-f", "1", "-d", "/", "@duplicates.txt"},
               "1.2.3.0/24\r\n10.0.0.0/8\r\n10.0.0.0/8\r\n192.168.0.0/24\r\n"},
        CliRow{"RemoveDuplicates", {"-f", "1", "-d", "", "--lf", "@duplicates.txt"},
               "1.2.3.024\n10.0.0.08\n192.168.0.024\n"},
        CliRow{"ExactSplitsHostRanges", {"--exact", "--ranges", "hosts", "-f", "prefix", "@sets-crlf.txt"},
               "10.0.0.0/8\n10.0.0.4/30\n10.0.0.8/31\n10.0.0.10/32\n192.168.1.0/24\n"},
        CliRow{"ExactAddressRangesWholeInForm0", {"--exact", "--ranges", "addresses", "-f", "0", "@sets-crlf.txt"},
               "10.0.0.0-10.255.255.255\n10.0.0.5-10.0.0.9\n192.168.1.0-192.168.1.255\n"},
        CliRow{"ExactInInputOrder", {"--exact", "--ranges", "hosts", "--sort", "none", "-f", "1", "@sets-lf.txt"},
               "10.0.0.4/30\n10.0.0.8/31\n10.0.0.10/32\n192.168.1.0/24\n10.0.0.0/8\n"},
        CliRow{"ExactKeepsRepeatedNetworks", {"--exact", "--ranges=hosts", "--keep-duplicates", "-f", "1", "@sets-cr.txt"},
               "10.0.0.0/8\n10.0.0.0/8\n10.0.0.4/30\n10.0.0.8/31\n10.0.0.10/32\n192.168.1.0/24\n"},
        CliRow{"AddressOrderLargerFirst", {"--sort", "address", "--ranges", "addresses", "-f", "2", "-d", "/", "--lf",
                                           "@sets-crlf.txt"},
               "10.0.0.0/255.0.0.0\n10.0.0.5/255.255.255.255\n10.0.0.6/255.255.255.254\n10.0.0.8/255.255.255.254\n"
               "192.168.1.0/255.255.255.0\n"},
        CliRow{"MergeWritesWhatNetworkToolsRead", {"--merge", "-f", "prefix", "@sets-crlf.txt"}, "10.0.0.0/8\n192.168.1.0/24\n"},
        CliRow{"CrlfAndDelimiterOnRequest", {"--merge", "--crlf", "-d", " / ", "-f", "1", "@sets-lf.txt"},
               "10.0.0.0 / 8\r\n192.168.1.0 / 24\r\n"},
        CliRow{"MergeIntersect", {"--intersect", "@sets-intersect.txt", "--ranges", "hosts", "-f", "1", "@sets-crlf.txt"},
               "10.0.0.0/24\n10.0.2.0/24\n192.168.1.0/24\n"},
        CliRow{"MergeExclude", {"--exclude", "@sets-exclude.txt", "-f", "mask", "@sets-crlf.txt"},
               "10.128.0.0/255.128.0.0\n192.168.1.0/255.255.255.128\n"},
        CliRow{"IntersectThenExcludeAsHosts", {"--exclude", "@sets-exclude.txt", "--intersect", "@sets-intersect.txt",
                                               "--ranges", "hosts", "-f", "range", "@sets-crlf.txt"},
               "192.168.1.1-192.168.1.126\n"},
        CliRow{"IntersectThenExcludeWhole", {"--exclude", "@sets-exclude.txt", "--intersect", "@sets-intersect.txt",
                                             "-f", "range", "@sets-crlf.txt"},
               "192.168.1.0-192.168.1.127\n"},
        CliRow{"BlocklistWithComments", {"--merge", "-f", "1", "@blocklist.txt"},
               "1.93.0.224/32\n5.6.7.0/24\n5.8.60.90/32\n193.0.0.0/21\n::ffff:10.0.0.1/128\n2001:db8::/32\n"},
        CliRow{"MixedFamiliesExcluded", {"--exclude", "@blocklist.txt", "-f", "2", "@mixed-families.txt"},
               "10.0.0.0/255.255.255.0\n2001:db9::/32\n"},
        CliRow{"ExactInAddressOrderIPv4First", {"--sort", "address", "-f", "1", "@mixed-families.txt"},
               "10.0.0.0/24\n2001:db8::/32\n2001:db8:1::/48\n2001:db9::/32\n"},
        CliRow{"CountsBothFamilies", {"--merge", "--count", "@blocklist.txt"},
               "IPv4 4 2306\nIPv6 2 79228162514264337593543950337\n"},
        CliRow{"CountsExactNetworks", {"--exact", "--count", "@mixed-families.txt"},
               "IPv4 1 256\nIPv6 3 158456325028528675187087900672\n"},
        CliRow{"EmptyResult", {"--exclude", "@sets-crlf.txt", "@sets-lf.txt"}, ""},
        // Every address out of each shape of text, exactly.
        CliRow{"ExtractIpsetSave", {"--extract", "--merge", "@extract/ipset-save.txt"},
               "192.0.2.0/24\n198.51.100.7/32\n203.0.113.0/25\n2001:db8::7/128\n2001:db8:1::/48\n"},
        CliRow{"ExtractNftListSet", {"--extract", "--merge", "-f", "range", "@extract/nft-list-set.txt"},
               "10.0.0.0-10.255.255.255\n192.0.2.0-192.0.2.255\n198.51.100.7-198.51.100.7\n203.0.113.10-203.0.113.20\n"
               "2001:db8::7-2001:db8::7\n2001:db8::100-2001:db8::1ff\n2001:db8:1::-2001:db8:1:ffff:ffff:ffff:ffff:ffff\n"},
        CliRow{"ExtractCsv", {"--extract", "--merge", "-f", "range", "@extract/export.csv"},
               "192.0.2.17-192.0.2.17\n198.51.100.0-198.51.100.255\n203.0.113.5-203.0.113.9\n"
               "2001:db8::dead:beef-2001:db8::dead:beef\n"},
        CliRow{"ExtractNginxLog", {"--extract", "--merge", "@extract/access.log"},
               "10.1.2.3/32\n10.9.9.9/32\n192.0.2.10/32\n198.51.100.23/32\n203.0.113.99/32\n2001:db8::42/128\n"},
        CliRow{"ExtractAuthLog", {"--extract", "--merge", "@extract/auth.log"},
               "192.0.2.44/32\n198.51.100.200/32\n2001:db8:3::15/128\n"},
        CliRow{"ExtractNetshShowRule", {"--extract", "--merge", "-f", "range", "@extract/netsh-show-rule.txt"},
               "192.0.2.1-192.0.2.1\n198.51.100.0-198.51.100.255\n203.0.113.10-203.0.113.20\n2001:db8::9-2001:db8::9\n"
               "2001:db8:5::-2001:db8:5:ffff:ffff:ffff:ffff:ffff\n"},
        CliRow{"ExtractFail2banStatus", {"--extract", "--merge", "@extract/fail2ban-status.txt"},
               "192.0.2.44/32\n198.51.100.200/32\n2001:db8:3::15/128\n"},
        // A plain list reads the same (a range written with blanks would be two addresses).
        CliRow{"ExtractPlainListAsWithout", {"--extract", "--merge", "-f", "1", "@mixed-families.txt"},
               "10.0.0.0/24\n2001:db8::/31\n"},
        CliRow{"Utf8DelimiterWrittenAsCp1251", {"-f", "1", "-d", "\xE2\x80\x94", "@emdash-cp1251.txt"},
               "10.0.0.0\x97"
               "24\r\n"}),
    RowName<CliRow>);

// Lines given on standard input: what is written, what is said, the status.
struct StdinRow {
    const char* name;
    std::vector<std::string> args;  // "@name" stands for a fixture file
    std::string in, out, err;
    int status = 0;
};

class CliStdinTest : public testing::TestWithParam<StdinRow> {};

TEST_P(CliStdinTest, WritesSaysAndExits) {
    const TempDir dir;
    orvane::test::WriteBytes(dir / "in.txt", GetParam().in);
    std::vector<std::string> args = GetParam().args;
    for (auto& a : args)
        if (a.starts_with("@")) a = Data(a.substr(1));
    const Outcome run = Convert(args, dir / "in.txt");
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err, GetParam().err);
    EXPECT_EQ(run.status, GetParam().status);
}

const std::string kNul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Rows, CliStdinTest,
    testing::Values(
        StdinRow{"NulRejectsItsLineOnly", {"--merge", "--strict", "--report", "-f", "1"},
                 "10.0.0.1\n::1" + kNul + "\n10.0.0.2\n9.9.9.0/24\n", "9.9.9.0/24\n10.0.0.1/32\n10.0.0.2/32\n",
                 "-:2: rejected (a NUL byte): ::1\u2400\norvane-convert: 1 of 4 lines rejected\n", 3},
        // The guards: each holds and refuses, the lines to blame named.
        StdinRow{"ProtectNamesTheLinesThatBringItIn", {"--merge", "--protect", "@protect.txt"},
                 "10.0.0.0/8\n192.0.2.0/24 # docs\n10.20.30.40\n2001:db8::/32\n203.0.113.0/24\n", "",
                 "-:1: 10.0.0.0/8 covers 10.20.0.0/16 (" + Data("protect.txt") + ":2)\n-:2: 192.0.2.0/24 covers 192.0.2.53 (" +
                     Data("protect.txt") + ":3)\n-:3: 10.20.30.40 lies in 10.20.0.0/16 (" + Data("protect.txt") +
                     ":2)\n-:4: 2001:db8::/32 covers 2001:db8:53::/48 (" + Data("protect.txt") +
                     ":4)\norvane-convert: refused: the result holds addresses that --protect names (--exclude takes "
                     "them out)\n",
                 4},
        StdinRow{"ProtectHoldsWhatExcludeTookOut", {"--merge", "--protect", "@protect.txt", "--exclude", "@protect.txt"},
                 "10.20.0.0/15\n", "10.21.0.0/16\n", ""},
        StdinRow{"MaxSizeJudgesLinesNotTheirUnion", {"--merge", "--max-size", "8", "--max-size6", "32", "--default-prefix", "7"},
                 "10.0.0.0/9\n10.128.0.0/9\n2001:db8::/32\n", "10.0.0.0/8\n2001:db8::/32\n", ""},
        StdinRow{"MaxSizeRefusesALargeLine", {"--merge", "--max-size", "8", "--max-size6", "32", "--default-prefix", "7"},
                 "1.2.3.4\n2001:db8::/31\n", "",
                 "-:1: 0.0.0.0/7 is larger than a /8 (--max-size 8)\n-:2: 2001:db8::/31 is larger than a /32 (--max-size6 32)\n"
                 "orvane-convert: refused: input lines name networks larger than --max-size or --max-size6 allows\n",
                 4},
        StdinRow{"MaxChangeAtTheLimitHolds", {"--merge", "--previous", "@previous.txt", "--max-change", "50"},
                 "10.0.0.0/25\n2001:db8::1\n", "10.0.0.0/25\n2001:db8::1/128\n",
                 "orvane-convert: \"" + Data("previous.txt") +
                     "\" holds no IPv6 addresses: --max-change sets no limit on IPv6 this run (a first run)\n"},
        StdinRow{"MaxChangeOfAnEmptyFeedIsAll", {"--merge", "--previous", "@previous.txt", "--max-change", "99.5"}, "\n", "",
                 "orvane-convert: \"" + Data("previous.txt") +
                     "\" holds no IPv6 addresses: --max-change sets no limit on IPv6 this run (a first run)\n"
                     "orvane-convert: refused: IPv4 changed by 100% (0 addresses added, 256 removed, against 256 in \"" +
                     Data("previous.txt") + "\"), more than --max-change 99.5\n",
                 4},
        // --why: covered by a range and a network, taken out, both families, as grep answers.
        StdinRow{"WhyNamesEveryLineThatHoldsIt",
                 {"--why", "10.20.0.7", "--why", "10.0.0.0/30", "--why", "2001:db8:52::/47", "--exclude", "@protect.txt"},
                 "10.20.0.5-10.20.0.9\n10.0.0.0/8 # all\n2001:db8::/32\n10.0.0.3\n",
                 "10.20.0.7: not in the result\n  -:1: 10.20.0.5-10.20.0.9\n  -:2: 10.0.0.0/8 # all\n  --exclude " +
                     Data("protect.txt") + ":2: 10.20.0.0/16\n10.0.0.0/30: in the result\n  -:2: 10.0.0.0/8 # all\n"
                     "  -:4: 10.0.0.3\n2001:db8:52::/47: partly in the result\n  -:3: 2001:db8::/32\n  --exclude " +
                     Data("protect.txt") + ":4: 2001:db8:53::/48\n",
                 "", 1},
        StdinRow{"WhyAllCoveredIsStatusZero", {"--why", "10.0.0.0/30", "--quiet"}, "10.0.0.0/8\n", "", "", 0},
        StdinRow{"WhyPartCoveredIsNotCovered", {"--why", "10.0.0.0/7", "--quiet"}, "10.0.0.0/8\n", "", "", 1},
        StdinRow{"WhyOnARejectedLineUnderStrictIsTrouble", {"--why", "10.0.0.1", "--strict"}, "junk\n",
                 "10.0.0.1: not in the result\n  no line of any list holds it\n", "", 2},
        // --grep: the lines as read, a line with several addresses, both families, a network.
        StdinRow{"GrepWritesTheLinesAsRead", {"--grep", "@protect.txt"},
                 "a 192.0.2.53 x\r\nb 192.0.2.54 and 10.20.1.1\nc 2001:db8:53::9 y\nd 198.51.100.1\nno address\n"
                 "e 10.20.0.0/24",
                 "a 192.0.2.53 x\r\nb 192.0.2.54 and 10.20.1.1\nc 2001:db8:53::9 y\ne 10.20.0.0/24", ""},
        StdinRow{"GrepInvertsAndCounts", {"--grep", "@protect.txt", "--invert", "--count"},
                 "a 192.0.2.53\nd 198.51.100.1\nno address\nf 10.20.0.0/15\n", "2\n", ""},
        StdinRow{"GrepWithoutALineIsStatusOne", {"--grep", "@protect.txt"}, "d 198.51.100.1\n", "", "", 1},
        StdinRow{"GrepReportsAPaddedAddress", {"--grep", "@protect.txt", "--report"}, "a 192.0.2.053\n", "",
                 "-:1: rejected (a leading zero): a 192.0.2.053\norvane-convert: 1 of 5 lines rejected\norvane-convert: 1 "
                 "line was rejected for an octet with a leading zero (010.0.0.1); --leading-zeros decimal reads 010 as "
                 "10, --leading-zeros octal as 8, as inet_aton does\n",
                 1},
        StdinRow{"NulInAnExcludeFileExcludesOn", {"--exclude", "-", "-f", "1", "@sets-lf.txt"},
                 "10.1.0.0/16\n" + kNul + "\n10.2.0.0/16\n",
                 "10.0.0.0/16\n10.3.0.0/16\n10.4.0.0/14\n10.8.0.0/13\n10.16.0.0/12\n10.32.0.0/11\n10.64.0.0/10\n"
                 "10.128.0.0/9\n192.168.1.0/24\n", ""},
        StdinRow{"DefaultModeSaysWhereANulEndedTheText", {"@nul.txt"}, "", "10.0.0.1-10.255.255.254\r\n",
                 Data("nul.txt") + ":2: text ends at a NUL byte, 17 bytes not read\n"},
        StdinRow{"DefaultModeNulIsARejectedLine", {"-f", "1", "--strict"}, "10.0.0.0/8\n" + kNul, "10.0.0.0 / 8\r\n",
                 "-:2: text ends at a NUL byte, 1 byte not read\n", 3},
        StdinRow{"DiffEqualSetsInOtherShapes", {"--diff", "-", "@sets-lf.txt"},
                 "10.0.0.0/9\n10.128.0.0 - 10.255.255.255\n192.168.1.0/255.255.255.0\n", "", "", 0},
        StdinRow{"DiffSaysWhichSide", {"--diff", "-", "@sets-lf.txt"}, "10.0.0.0/8\n192.168.2.0/24\n::1\n",
                 "-192.168.1.0/24\n+192.168.2.0/24\n+::1/128\n", "", 1},
        StdinRow{"DiffQuiet", {"--diff", "-", "--quiet", "@sets-lf.txt"}, "10.0.0.0/8\n", "", "", 1},
        StdinRow{"DiffRejectedLineUnderStrictIsTrouble", {"--diff", "-", "--strict", "@sets-lf.txt"},
                 "10.0.0.0/8\n192.168.1.0/24\n", "", "", 2},
        StdinRow{"LineFormatFields", {"--merge", "-4", "--line-format",
                                      "{net} {addr} {prefix} {mask} {wildcard} {first} {last} {family} {{}}"},
                 "10.0.0.0/8\n::1\n", "10.0.0.0/8 10.0.0.0 8 255.0.0.0 0.255.255.255 10.0.0.0 10.255.255.255 4 {}\n", ""},
        StdinRow{"WildcardOfAnIPv6NetworkRefused", {"--merge", "--line-format", "{wildcard}"},
                 "10.0.0.0/8\n2001:db8::/32\n", "",
                 "orvane-convert: {mask} and {wildcard} have no IPv6 meaning, and the result holds 2001:db8::/32 "
                 "(-4 writes IPv4 only)\n", 1},
        StdinRow{"IPv6Only", {"--merge", "-6"}, "10.0.0.0/8\n::1\n", "::1/128\n", ""},
        StdinRow{"CountWritesZeros", {"--merge", "--count"}, "# nothing\n", "IPv4 0 0\nIPv6 0 0\n", ""},
        StdinRow{"CountOneFamily", {"--exact", "--count", "-6"}, "10.0.0.1\n", "IPv6 0 0\n", ""},
        StdinRow{"TooManyNetworksRefused", {"--merge", "--prefixes6", "128"}, "::/0\n", "",
                 "orvane-convert: the result would be 340282366920938463463374607431768211456 networks, more than "
                 "4294967296 (allow longer prefixes)\n", 1},
        // An excluded address stays one address: 5.8.60.90 widens to its /24 only in the input.
        StdinRow{"DefaultPrefixOnlyForInputs", {"--default-prefix", "24", "--count", "-4", "--exclude", "-", "@blocklist.txt"},
                 "5.8.60.90\n", "IPv4 11 2815\n", ""},
        // What Windows PowerShell writes: read in blocks, as UTF-16 big-endian here.
        StdinRow{"Utf16SetList", {"--merge"}, std::string("\xFE\xFF\0" "1\0.\0" "2\0.\0" "3\0.\0" "4\0\n\0:\0:\0" "1", 24),
                 "1.2.3.4/32\n::1/128\n", ""},
        StdinRow{"Utf16ListInTheWindowsWay", {"-f", "1"}, std::string("\xFF\xFE" "1\0.\0" "2\0.\0" "3\0.\0" "0\0/\0" "2\0" "4\0", 22),
                 "1.2.3.0 / 24\r\n", ""},
        StdinRow{"ExactOneAddressRange", {"--exact", "-f", "1"}, "1.2.3.4-1.2.3.4\n", "1.2.3.4/32\n", ""},
        StdinRow{"AddressOrderLargerFirstAndV6Once", {"--sort", "address", "-f", "1"},
                 "10.0.0.0/25\n10.0.0.0/24\n::1\n::1\n", "10.0.0.0/24\n10.0.0.0/25\n::1/128\n", ""},
        // A UTF-16 file's odd last byte is a broken character, rejected, not dropped.
        StdinRow{"Utf16OddLastByte", {"--merge", "--strict", "--report"},
                 std::string("\xFF\xFE" "1\0.\0" "2\0.\0" "3\0.\0" "4\0\n\0" "5", 19), "1.2.3.4/32\n",
                 "-:2: rejected: \xEF\xBF\xBD\norvane-convert: 1 of 2 lines rejected\n", 3},
        StdinRow{"ParagraphSeparatorEndsALineAsInTheWindow", {"-f", "range"}, "10.0.0.0/24\xE2\x80\xA9" "10.0.1.0/24\n",
                 "10.0.0.1-10.0.0.254\r\n10.0.1.1-10.0.1.254\r\n", ""},
        StdinRow{"DiffRemovedAfterTheLastAdded", {"--diff", "-", "-4", "@diff-old.txt"}, "10.0.0.5\n",
                 "-10.0.0.1/32\n+10.0.0.5/32\n-10.0.0.9/32\n", "", 1},
        StdinRow{"DiffInTheOtherFamilyOnlyIsTheSame", {"--diff", "-", "-4", "--quiet", "@diff-old.txt"},
                 "10.0.0.9\n10.0.0.1\n", "", "", 0},
        StdinRow{"ExactInTextOrderIPv4Only", {"--exact", "-4"}, "::1\n10.0.0.1\n", "10.0.0.1/32\n", ""},
        StdinRow{"ExactInTextOrderIPv6Only", {"--exact", "-6"}, "::1\n10.0.0.1\n", "::1/128\n", ""},
        // Each family is reduced to lengths of its own: IPv4 needs none but /25, IPv6 its /48 and /64.
        StdinRow{"ReduceEachFamilyApart", {"--merge", "--reduce", "0", "--report"},
                 "10.0.0.0/24\n10.0.1.0/25\n2001:db8::/48\n2001:db8:1::/64\n",
                 "10.0.0.0/25\n10.0.0.128/25\n10.0.1.0/25\n2001:db8::/48\n2001:db8:1::/64\n",
                 "orvane-convert: IPv4 prefix lengths /25: 2 entries before, 3 after\n"
                 "orvane-convert: IPv6 prefix lengths /48 /64: 2 entries before, 2 after\n"
                 "orvane-convert: 0 of 4 lines rejected\n"},
        // The octets are read as written: a damaged line is rejected with its fault, a padded one named always.
        StdinRow{"ZeroPaddedOctetsSaidAlways", {"--merge"}, "010.0.0.1\n192.168.1.0/24\n", "192.168.1.0/24\n",
                 "orvane-convert: 1 line was rejected for an octet with a leading zero (010.0.0.1); --leading-zeros "
                 "decimal reads 010 as 10, --leading-zeros octal as 8, as inet_aton does\n"},
        StdinRow{"StarInAnExcludeLeavesTheRestWhole", {"--exclude", "-", "--strict", "--report", "@blocklist.txt", "-4"},
                 "5.6.*.0/24 # office\n", "1.93.0.224/32\n5.6.7.0/24\n5.8.60.90/32\n193.0.0.0/21\n",
                 "-:1: rejected (a star): 5.6.*.0/24 # office\norvane-convert: 1 of 8 lines rejected\n", 3},
        StdinRow{"ZeroPaddedAsDecimal", {"--merge", "--leading-zeros", "decimal"}, "010.000.000.001\n", "10.0.0.1/32\n", ""},
        StdinRow{"EnDashRange", {"--merge"}, "10.0.0.0 \xE2\x80\x93 10.0.0.255\n", "10.0.0.0/24\n", ""},
        // No line vanishes at the length limit: past it, blanks too, it is rejected; at it, read.
        StdinRow{"LineAtTheLimitRead", {"--merge", "--strict"}, std::string((1 << 20) - 8, ' ') + "10.9.9.9\n",
                 "10.9.9.9/32\n", ""},
        // Fitting routers' tables: a /N widened at K addresses, not at K - 1, less what is kept out.
        StdinRow{"WidenAtTheLeastAndKeepOut", {"--merge", "--widen", "24:2", "--widen6", "64:2", "--exclude", "@protect.txt"},
                 "10.0.0.1\n10.0.0.5\n10.0.1.7\n10.20.5.1\n10.20.5.2\n2001:db8::1\n2001:db8::2\n2001:db8:1::1\n"
                 "2001:db8:53::1\n2001:db8:53::2\n",
                 "10.0.0.0/24\n10.0.1.7/32\n2001:db8::/64\n2001:db8:1::1/128\n",
                 "orvane-convert: IPv4 widened to whole /24 networks: 1 network, 254 addresses added\n"
                 "orvane-convert: IPv6 widened to whole /64 networks: 1 network, 18446744073709551614 addresses added\n"},
        StdinRow{"WidenBelowTheLeastAddsNothing", {"--merge", "--widen", "24:3", "--widen6", "80:3"},
                 "10.0.0.1\n10.0.0.5\n2001:db8::/96\n2001:db8::1:0:0:1\n",
                 "10.0.0.1/32\n10.0.0.5/32\n2001:db8::/80\n2001:db8::1:0:0:1/128\n",
                 "orvane-convert: IPv4 widened to whole /24 networks: 0 networks, 0 addresses added\n"
                 "orvane-convert: IPv6 widened to whole /80 networks: 1 network, 281470681743360 addresses added\n"},
        StdinRow{"MaxEntriesSaysWhatItAdded", {"--merge", "--max-entries", "3", "--max-entries6", "1"},
                 "10.0.0.1\n10.0.0.3\n10.0.0.8\n10.0.1.0/24\n10.0.3.5\n2001:db8::1\n2001:db8::3\n",
                 "10.0.0.0/28\n10.0.1.0/24\n10.0.3.5/32\n2001:db8::/126\n",
                 "orvane-convert: IPv4 in at most 3 entries: 5 before, 3 after, 13 addresses added (5.00% of the set); "
                 "the fewest possible\norvane-convert: IPv4 largest added: 10.0.0.0/28 (+13)\n"
                 "orvane-convert: IPv6 in at most 1 entry: 2 before, 1 after, 2 addresses added (100.00% of the set); "
                 "the fewest possible\norvane-convert: IPv6 largest added: 2001:db8::/126 (+2)\n"},
        StdinRow{"MaxEntriesBelowWhatExcludeNeedsIsRefused", {"--merge", "--max-entries", "2", "--exclude", "@protect.txt"},
                 "192.0.2.1\n192.0.2.60\n192.0.2.100\n", "",
                 "orvane-convert: the IPv4 result needs at least 3 entries; --max-entries allows fewer (what --exclude "
                 "and --protect hold stays out; ipset's /0 is two)\n",
                 1},
        StdinRow{"MaxEntriesCountsTheHalvesIpsetWrites", {"--as", "ipset:bl", "--max-entries", "1"}, "0.0.0.0/1\n128.0.0.0/2\n",
                 "", "orvane-convert: the IPv4 result needs at least 2 entries; --max-entries allows fewer (what --exclude "
                     "and --protect hold stays out; ipset's /0 is two)\n",
                 1},
        StdinRow{"NumberedLinesHeaderAndFooter",
                 {"--merge", "-4", "--line-format", "ip prefix-list BLOCK seq {n} deny {net}", "--number", "5,10",
                  "--header", "! {count} networks", "--footer", "! end {{{count}}}"},
                 "10.0.2.0/24\n10.0.0.0/24\n::1\n", "! 2 networks\nip prefix-list BLOCK seq 5 deny 10.0.0.0/24\n"
                 "ip prefix-list BLOCK seq 15 deny 10.0.2.0/24\n! end {2}\n", ""},
        StdinRow{"BlanksPastTheLimitRejected", {"--merge", "--strict"}, std::string((1 << 20) + 1, ' ') + "10.9.9.9\n",
                 "", "", 3}),
    RowName<StdinRow>);

TEST(Cli, ReadsStandardInput) {
    EXPECT_EQ(Convert({"-f", "2"}, Data("example-lf.txt")).out, kMask);
    EXPECT_EQ(Convert({"-f", "2", "-"}, Data("example-lf.txt")).out, kMask);
}

// Several files are one list, "-" among them; a file without a last line end
// does not run into the next.
TEST(Cli, ReadsSeveralFilesAsOneList) {
    const TempDir dir;
    orvane::test::WriteBytes(dir / "a.txt", "10.0.0.0/25");
    orvane::test::WriteBytes(dir / "b.txt", "10.0.0.128/25\r");
    EXPECT_EQ(Convert({"--merge", "-f", "1", dir / "a.txt", "-", dir / "b.txt"}, dir / "b.txt").out, "10.0.0.0/24\n");
    EXPECT_EQ(Convert({"-f", "1", dir / "a.txt", dir / "b.txt"}).out, "10.0.0.0 / 25\r\n10.0.0.128 / 25\r\n");
    // An unreadable file is named, and the output file is left as it was.
    orvane::test::WriteBytes(dir / "out.txt", "old");
    const Outcome run = Convert({"--merge", "-o", dir / "out.txt", dir / "a.txt", dir / "missing.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "orvane-convert: Cannot open file \"" + (dir / "missing.txt") + "\". No such file or directory\n");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "old");
}

TEST(Cli, WritesOutputFileWhole) {
    const TempDir dir;
    orvane::test::WriteBytes(dir / "out.txt", "old");
    const Outcome run = Convert({"-f", "1", "-o", dir / "out.txt", Data("example-crlf.txt")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), kPrefix);
}

// Pipes, process substitution and devices are streams to read or write
// through; only folders are refused.
TEST(Cli, ReadsAndWritesStreams) {
    const TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-f", "2", fifo}, {"-f", "2", "/dev/stdin"}}) {
        const pid_t writer = ::fork();
        if (writer == 0) {
            const int fd = ::open(fifo.c_str(), O_WRONLY);
            const std::string bytes = ReadBytes(Data("example-lf.txt"));
            std::_Exit(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) ? 0 : 1);
        }
        // For /dev/stdin the FIFO is standard input; otherwise it is named.
        const Outcome run = Convert(args, args.back() == fifo ? std::string("/dev/null") : fifo);
        ::waitpid(writer, nullptr, 0);
        EXPECT_EQ(run.status, 0) << args.back() << ": " << run.err;
        EXPECT_EQ(run.out, kMask) << args.back();
    }
    const Outcome run = Convert({"-o", "/dev/null", Data("example-crlf.txt")});
    EXPECT_EQ(run.status, 0) << run.err;
    // -o into a FIFO writes through to its reader.
    const std::string got = dir / "got.txt";
    const pid_t reader = ::fork();
    if (reader == 0) {
        const int in = ::open(fifo.c_str(), O_RDONLY);
        const int out = ::open(got.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(in, buffer, sizeof buffer)) > 0)
            if (::write(out, buffer, static_cast<std::size_t>(n)) != n) std::_Exit(1);
        std::_Exit(n == 0 ? 0 : 1);
    }
    const Outcome fed = Convert({"--merge", "-f", "1", "-o", fifo, Data("sets-lf.txt")});
    int readerStatus = -1;
    ::waitpid(reader, &readerStatus, 0);
    EXPECT_EQ(fed.status, 0) << fed.err;
    EXPECT_EQ(readerStatus, 0);
    EXPECT_EQ(ReadBytes(got), "10.0.0.0/8\n192.168.1.0/24\n");
    const Outcome folder = Convert({dir.Path().string()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "orvane-convert: Cannot open file \"" + dir.Path().string() + "\". Is a directory\n");
}

// Past the file size limit the write fails like any other: a message, exit
// status 1, the old file intact, nothing left beside it.
TEST(Cli, FileSizeLimitIsAWriteError) {
    const TempDir dir;
    std::string list;
    for (int i = 0; i < 2000; ++i) list += "10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ".0/24\n";
    orvane::test::WriteBytes(dir / "in.txt", list);
    orvane::test::WriteBytes(dir / "out.txt", "old");
    const Outcome run = Convert({"-o", dir / "out.txt", dir / "in.txt"}, "/dev/null",
                                [] { orvane::test::LimitFileSize(4096, true); });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "orvane-convert: \"" + (dir / "out.txt") + "\": Stream write error. File too large\n");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "old");
    EXPECT_EQ(dir.Entries().size(), 2u);
}

// Where the file system lacks fallocate (a file rewritten in place, as a
// hard-linked one is) or O_TMPFILE (a new file), a save still succeeds: no
// space is claimed ahead, the temporary file gets a name.
TEST(Cli, SavesWhereTheFileSystemLacksFallocateOrTmpfile) {
    const TempDir dir;
    orvane::test::WriteBytes(dir / "out.txt", "old");
    ASSERT_EQ(::link((dir / "out.txt").c_str(), (dir / "link.txt").c_str()), 0);
    for (const auto& [fault, target] : {std::pair<std::string, std::string>{"ORVANE_FAIL_FALLOCATE", "out.txt"},
                                        {"ORVANE_FAIL_TMPFILE", "new.txt"}}) {
        const std::string log = dir / "faults.log";
        const Outcome run = Convert({"-f", "1", "-o", dir / target, Data("example-crlf.txt")}, "/dev/null", [&] {
            const char* asan = std::getenv("ASAN_OPTIONS");
            ::setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
            ::setenv("LD_PRELOAD", ORVANE_FAULT_SHIM, 1);
            ::setenv("ORVANE_FAULT_LOG", log.c_str(), 1);
            ::setenv(fault.c_str(), "1", 1);
        });
        EXPECT_EQ(run.status, 0) << fault << ": " << run.err;
        EXPECT_EQ(ReadBytes(dir / target), kPrefix) << fault;
        EXPECT_NE(ReadBytes(log), "") << fault << " was never made to fail";
        std::filesystem::remove(log);
    }
    EXPECT_EQ(ReadBytes(dir / "link.txt"), kPrefix);  // rewritten in place: the other name sees it
    EXPECT_EQ(dir.Entries().size(), 3u);               // out, link, new: no temporary file left
}

// The report names a UTF-8 line as written, cut to the 4096 characters the
// conversion looks at.
TEST(Cli, ReportCutsLongLinesAtTheLineLimit) {
    const TempDir dir;
    std::string cyrillic;
    for (int i = 0; i < 5000; ++i) cyrillic += "\xD0\x96";  // Ж
    orvane::test::WriteBytes(dir / "long.txt", cyrillic + "\n");
    const Outcome run = Convert({"--merge", "--report", dir / "long.txt"});
    EXPECT_EQ(run.err, dir / "long.txt" + ":1: rejected: " + cyrillic.substr(0, 2 * 4096) +
                           "\norvane-convert: 1 of 1 lines rejected\n");
}

// Rejected lines are named by the line numbers the window counts, whatever
// the file's line ends; a count of the main input's lines closes the report.
TEST(Cli, ReportsRejectedLines) {
    for (const char* name : {"sets-crlf.txt", "sets-lf.txt", "sets-cr.txt"}) {
        const std::string file = Data(name);
        Outcome run = Convert({"--exact", "--report", file});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, file + ":4: rejected: junk\n" + file + ":7: rejected (a mask with a gap): 1.2.3.4/255.0.255.0\n" +
                               "orvane-convert: 2 of 7 lines rejected\n");
    }
    // The default conversion takes a non-contiguous mask; every file read is named and counted.
    const std::string file = Data("sets-lf.txt"), exclude = Data("sets-exclude.txt");
    EXPECT_EQ(Convert({"--report", file}).err, file + ":4: rejected: junk\norvane-convert: 1 of 7 lines rejected\n");
    EXPECT_EQ(Convert({"--report", "--exclude", exclude, file}).err,
              file + ":4: rejected: junk\n" + file + ":7: rejected (a mask with a gap): 1.2.3.4/255.0.255.0\n" + exclude +
                  ":3: rejected: not a network\norvane-convert: 3 of 10 lines rejected\n");
    EXPECT_EQ(Convert({"--report", "--exact", Data("blocklist.txt"), "-"}, file).err,
              "-:4: rejected: junk\n-:7: rejected (a mask with a gap): 1.2.3.4/255.0.255.0\norvane-convert: 2 of 14 lines rejected\n");
    // --strict: the output is written all the same; a bad line in any file counts, reported or not.
    const Outcome strict = Convert({"--strict", "--merge", "-f", "1", file});
    EXPECT_EQ(strict.status, 3);
    EXPECT_EQ(strict.out, "10.0.0.0/8\n192.168.1.0/24\n");
    EXPECT_EQ(strict.err, "");
    EXPECT_EQ(Convert({"--strict", "--intersect", exclude, Data("blocklist.txt")}).status, 3);
    EXPECT_EQ(Convert({"--strict", "--intersect", Data("blocklist.txt"), Data("mixed-families.txt")}).status, 0);
    EXPECT_EQ(Convert({"--strict", Data("example-crlf.txt")}).status, 3);  // its Russian caption names nothing
    EXPECT_EQ(Convert({"--strict", Data("duplicates.txt")}).status, 0);
}

// A run that fails under --strict, or only tells by its status, leaves a
// file OUT as it was: yesterday's good list stays for tomorrow's load.
TEST(Cli, AFailedRunLeavesTheOutputAlone) {
    const TempDir dir;
    orvane::test::WriteBytes(dir / "in.txt", "10.0.0.0/8\njunk\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--strict", "--as", "nft:filter:bl"}, {"--strict", "-f", "1"},
          {"--strict", "--diff", Data("sets-lf.txt")}, {"--quiet", "--diff", Data("sets-lf.txt")},
          {"--protect", Data("sets-lf.txt"), "--as", "ipset:bl"}, {"--max-size", "9", "--merge"},
          {"--previous", Data("previous.txt"), "--max-change", "10"}}) {
        orvane::test::WriteBytes(dir / "out.txt", "old");
        std::vector<std::string> all = args;
        all.insert(all.end(), {"-o", dir / "out.txt", dir / "in.txt"});
        const Outcome run = Convert(all);
        EXPECT_NE(run.status, 0) << args[1];
        EXPECT_EQ(ReadBytes(dir / "out.txt"), "old") << args[1];
    }
    // A file whose text a NUL ends is not replaced by the text before it.
    const std::string list = "10.0.0.0/8\n" + std::string(1, '\0') + "10.1.0.0/16\n";
    orvane::test::WriteBytes(dir / "list.txt", list);
    const Outcome onto = Convert({"-f", "1", "-o", dir / "list.txt", dir / "list.txt"});
    EXPECT_EQ(onto.status, 1);
    EXPECT_NE(onto.err.find("is not replaced: its text ends at a NUL byte in line 2"), std::string::npos) << onto.err;
    EXPECT_EQ(ReadBytes(dir / "list.txt"), list);
}

// The last run's firewall file reads back as the set it loads: no line of
// it is rejected and nothing has changed.
TEST(Cli, ReadsTheLastFirewallFileBackAsItsSet) {
    const TempDir dir;
    for (const std::string sets : {"ipset:bl", "nft:fw:bl"}) {
        ASSERT_EQ(Convert({"--as", sets, "-o", dir / "last", Data("blocklist.txt")}).status, 0);
        const Outcome run =
            Convert({"--as", sets, "--previous", dir / "last", "--max-change", "0", "--report", Data("blocklist.txt")});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(run.err.starts_with("orvane-convert: 0 of ")) << run.err;
    }
}

// tail -f log | orvane-convert --grep SET: each line is written as it comes,
// while the pipe stays open.
TEST(Cli, GrepPassesOnEachLineOfAPipeAsItComes) {
    int in[2], out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::close(in[1]);
        ::close(out[0]);
        const std::string set = Data("protect.txt");
        ::execl(ORVANE_CONVERT, ORVANE_CONVERT, "--grep", set.c_str(), "-", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    const std::string line = "sshd: from 192.0.2.53 port 22\n";
    ASSERT_EQ(::write(in[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    pollfd ready{out[0], POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 10000), 1) << "the line did not come before the pipe closed";
    char buffer[256];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0))), line);
    ::close(in[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(out[0]);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// What follows the NUL that ends the window's text is counted, never held.
TEST(Cli, ANulCostsNoMemory) {
    const TempDir dir;
    orvane::test::WriteBytes(dir / "zeros.txt", "10.0.0.0/8\n");
    ASSERT_EQ(::truncate((dir / "zeros.txt").c_str(), 512 << 20), 0);  // sparse: no disk spent
    const Outcome run = Convert({"-f", "1", dir / "zeros.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "10.0.0.0 / 8\r\n");
    EXPECT_EQ(run.err, dir / "zeros.txt" + ":2: text ends at a NUL byte, " + std::to_string((512 << 20) - 11) +
                           " bytes not read\n");
    EXPECT_LT(run.peakKiB, 256 << 10);
}

// A file with a second name is rewritten in place: an output of several
// blocks arrives whole under both names.
TEST(Cli, WritesSeveralBlocksOntoAHardLinkedFile) {
    const TempDir dir;
    std::string list, expected;
    for (int i = 0; i < 100000; ++i) {
        const std::string address = "10." + std::to_string(i >> 16) + "." + std::to_string(i >> 8 & 255) + "." +
                                    std::to_string(i & 255);
        list += address + "\n";
        expected += address + "/32\n";
    }
    orvane::test::WriteBytes(dir / "in.txt", list);
    orvane::test::WriteBytes(dir / "out.txt", "old");
    ASSERT_EQ(::link((dir / "out.txt").c_str(), (dir / "other.txt").c_str()), 0);
    const Outcome run = Convert({"--exact", "--sort", "none", "-o", dir / "out.txt", dir / "in.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_GT(expected.size(), std::size_t{1} << 20);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), expected);
    EXPECT_EQ(ReadBytes(dir / "other.txt"), expected);
}

TEST(Cli, ReportsInputAndOutputErrors) {
    const std::string missing = Data("missing.txt");
    Outcome run = Convert({missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "orvane-convert: Cannot open file \"" + missing + "\". No such file or directory\n");

    run = Convert({"-o", "/nonexistent-folder/out.txt", Data("example-crlf.txt")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "orvane-convert: Cannot create file \"/nonexistent-folder/out.txt\". No such file or directory\n");

    run = Convert({"-o", fs::temp_directory_path().string(), Data("example-crlf.txt")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot create file"), std::string::npos) << run.err;

    run = Convert({"-o", "/dev/full", Data("example-crlf.txt")});
    EXPECT_EQ(run.status, 1);
}

TEST(Cli, RejectsWrongUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"-f", "cidr"}, {"-f"}, {"--frobnicate"}, {"-", "a.txt", "-"}, {"--count"}, {"-o"}, {"-d"},
             {"-d", "a\r\nb"}, {"-d", "\n"}, {"--sort", "value"}, {"--ranges", "hosts,addresses"}, {"--exclude"},
             {"--diff", "a.txt", "--count"}, {"--diff", "-"}, {"--quiet", "--merge"}, {"--merge", "--line-format", "{nett}"},
             {"--merge", "--line-format", "}"}, {"--merge", "--prefixes", "24,33"}, {"--min-prefix6", "129", "--merge"},
             {"-4", "-6", "--merge"}, {"-4"}, {"--as", "nft:fw:bl", "--count"}, {"--leading-zeros", "hex", "--merge"},
             // Names that break only once the sets' suffixes are added: NAME6-new past ipset's 31, "icmpv6".
             {"--as", "ipset:" + std::string(27, 'a')}, {"--as", "nft:fw:icmpv"},
             // The guards guard a merge; --why answers instead of one.
             {"--exact", "--max-size", "8"}, {"--diff", "a.txt", "--protect", "p.txt"}, {"--merge", "--previous", "p.txt"},
             {"--merge", "--max-change", "2.5.1"}, {"--why", "10.0.0.1", "-o", "out.txt"}, {"--why", "10.0.0.01"},
             {"--why", "10.0.0.1", "--max-size", "8"}, {"--quiet", "--why", "10.0.0.1", "--exact"},
             {"--grep", "s.txt", "--merge"}, {"--invert"}, {"--extract"},
             // Fitting chooses the networks; frames belong to one family's list.
             {"--merge", "--max-entries", "10", "--prefixes", "24"}, {"--merge", "--max-entries6", "10", "--reduce", "5"},
             {"--exact", "--widen", "24:2"}, {"--merge", "--widen", "24:257"}, {"--merge", "--max-entries", "0"},
             {"--merge", "--header", "x"}, {"--as", "ipset:bl", "-4", "--footer", "x"}, {"--merge", "-4", "--number", "1,1"},
             {"--merge", "-4", "--header", "{n}"}, {"--why", "10.0.0.1", "--widen", "24:1"}}) {
        const Outcome run = Convert(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_NE(run.err.find("Usage: orvane-convert"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
}

// A value error names the option however it was given.
TEST(Cli, NamesTheOptionOfAWrongValue) {
    for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--merge", "--min-prefix", "33"}, "option --min-prefix takes a prefix length from 0 to 32"},
             {{"--merge", "--min-prefix=33"}, "option --min-prefix takes a prefix length from 0 to 32"},
             {{"--merge", "--prefixes6", "64,200"}, "option --prefixes6 takes prefix lengths from 0 to 128"},
             {{"-f", "x"}, "option -f takes range, prefix or mask, not \"x\""}}) {
        const Outcome run = Convert(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.starts_with("orvane-convert: " + message)) << run.err;
    }
}

TEST(Cli, AnswersHelpAndVersion) {
    EXPECT_TRUE(Convert({"--version"}).out.starts_with("orvane-convert 1.0.2 (build 6)\nCopyright (C) 2026 Orvane.\n"));
    const Outcome help = Convert({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--keep-duplicates"), std::string::npos);
}

}  // namespace
