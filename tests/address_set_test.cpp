// Networks as sets of addresses: reading list lines of both families,
// the fewest networks for an interval, union, intersection and difference,
// writing and counting.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "AddressExtractor.h"
#include "AddressReader.h"
#include "AddressSet.h"
#include "AddressText.h"
#include "AddressWriter.h"
#include "SetJob.h"
#include "PrefixReduction.h"
#include "SetOracle.h"
#include "TestRows.h"

using namespace orvane;
using orvane::oracle::ReadAddressList;

namespace {

constexpr std::uint32_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) { return a << 24 | b << 16 | c << 8 | d; }
constexpr std::uint32_t kTop = 0xFFFFFFFF;
constexpr std::uint64_t kOnes = ~std::uint64_t{0};
constexpr Uint128 kTop6{kOnes, kOnes};

// Lines split off a text.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::vector<std::string> Written(const AddressSets& sets) {
    std::string out;
    WriteSets(sets, SetWriting{}, out);
    return Lines(out);
}

}  // namespace

// ---- Reading a line ----

struct LineRow {
    const char* name;
    std::string line;
    RangeReading ranges;
    SetLine::Kind kind;
    Interval4 v4{};
    Interval6 v6{};
};

class ReadSetLineTest : public testing::TestWithParam<LineRow> {};

TEST_P(ReadSetLineTest, Reads) {
    std::string scratch;
    const SetLine read = ReadSetLine(GetParam().line, GetParam().ranges, scratch);
    ASSERT_EQ(read.kind, GetParam().kind);
    if (read.kind == SetLine::Kind::IPv4) {
        EXPECT_EQ(read.v4, GetParam().v4);
    }
    if (read.kind == SetLine::Kind::IPv6) {
        EXPECT_EQ(read.v6, GetParam().v6);
    }
}

constexpr auto H = RangeReading::Hosts;
constexpr auto A = RangeReading::Addresses;
constexpr auto V4 = SetLine::Kind::IPv4;
constexpr auto V6 = SetLine::Kind::IPv6;
constexpr auto No = SetLine::Kind::Rejected;
constexpr auto Blank = SetLine::Kind::Blank;
constexpr Uint128 kDoc{0x20010DB800000000, 0};  // 2001:db8::

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadSetLineTest,
    testing::Values(
        LineRow{"PrefixNamesItsNetwork", "192.168.1.77/24", H, V4, {Ip(192, 168, 1, 0), Ip(192, 168, 1, 255)}},
        LineRow{"DottedMask", "10.0.0.0/255.0.0.0", H, V4, {Ip(10, 0, 0, 0), Ip(10, 255, 255, 255)}},
        LineRow{"PrefixZeroIsEverything", "1.2.3.4/0", H, V4, {0, kTop}},
        LineRow{"Prefix32IsOneAddress", "1.2.3.4/32", A, V4, {Ip(1, 2, 3, 4), Ip(1, 2, 3, 4)}},
        LineRow{"Prefix33", "1.2.3.4/33", H, No},
        LineRow{"NegativePrefix", "1.2.3.4/-1", H, No},
        LineRow{"NonContiguousMask", "1.2.3.4/255.0.255.0", H, No},
        LineRow{"UnreadableAddress", "300.1.1.1/24", H, No},
        LineRow{"HostsOfANetwork", "192.168.0.1-192.168.0.254", H, V4, {Ip(192, 168, 0, 0), Ip(192, 168, 0, 255)}},
        LineRow{"HostsOfA31", "10.1.2.3-10.1.2.2", H, V4, {Ip(10, 1, 2, 2), Ip(10, 1, 2, 3)}},
        LineRow{"HostsOfA32", "10.1.2.4-10.1.2.2", H, V4, {Ip(10, 1, 2, 3), Ip(10, 1, 2, 3)}},
        LineRow{"HostsTooFarBackwards", "10.1.2.5-10.1.2.2", H, No},
        LineRow{"HostsFromZero", "0.0.0.0-0.0.0.5", H, No},
        LineRow{"HostsToAllOnes", "0.0.0.1-255.255.255.255", H, No},
        LineRow{"HostsOfEverything", "0.0.0.1-255.255.255.254", H, V4, {0, kTop}},
        LineRow{"AddressesInclusive", "10.0.0.5-10.0.0.9", A, V4, {Ip(10, 0, 0, 5), Ip(10, 0, 0, 9)}},
        LineRow{"WhoisRangeWithBlanks", "193.0.0.0 - 193.0.7.255", A, V4, {Ip(193, 0, 0, 0), Ip(193, 0, 7, 255)}},
        LineRow{"AddressesEverything", "0.0.0.0-255.255.255.255", A, V4, {0, kTop}},
        LineRow{"AddressesBackwards", "10.0.0.9-10.0.0.8", A, No},
        LineRow{"RangeEndNotAQuad", "10.0.0-10.0.0.9", A, No},
        LineRow{"OctalRangeEnd", "10.0.0.011-10.0.0.8", A, No},  // 011 is 9: backwards
        // Single addresses, comments and blanks.
        LineRow{"AddressAlone", "5.8.60.90", H, V4, {Ip(5, 8, 60, 90), Ip(5, 8, 60, 90)}},
        LineRow{"ShortFormAloneIsNoAddress", "10.1", A, No},
        LineRow{"NumberAloneIsNoAddress", "167772161", A, No},
        LineRow{"BlanksDoNotFuseAnAddress", "1.2.3.4 5", A, No},
        LineRow{"HashComment", "5.6.7.0/24 # office", A, V4, {Ip(5, 6, 7, 0), Ip(5, 6, 7, 255)}},
        LineRow{"SemicolonComment", "1.93.0.224 ; SBL256894", A, V4, {Ip(1, 93, 0, 224), Ip(1, 93, 0, 224)}},
        LineRow{"CommentLine", " \t# netset header: 10.0.0.0/8", A, Blank},
        LineRow{"JunkBeforeComment", "junk # 10.0.0.0/8", A, No},
        // IPv6.
        LineRow{"V6Address", "2001:db8::1", A, V6, {}, {kDoc + 1, kDoc + 1}},
        LineRow{"V6HostBitsCleared", "2001:DB8::1234/32", A, V6, {}, {kDoc, {0x20010DB8FFFFFFFF, kOnes}}},
        LineRow{"V6BlanksAroundSeparators", "\t2001:db8::1 /\t127 # x", A, V6, {}, {kDoc, kDoc + 1}},
        LineRow{"V6RangeWithEmDash", "2001:db8::5 \x97 2001:db8::9", A, V6, {}, {kDoc + 5, kDoc + 9}},
        LineRow{"V6Mapped", "::ffff:10.0.0.1", A, V6, {}, {{0, 0xFFFF0A000001}, {0, 0xFFFF0A000001}}},
        LineRow{"V6Everything", "::/0", A, V6, {}, {{}, kTop6}},
        LineRow{"V6LastAddress", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff/128", A, V6, {}, {kTop6, kTop6}},
        LineRow{"V6Zone", "fe80::1%eth0", A, No},
        LineRow{"V6EmptyPrefix", "2001:db8::/", A, No},
        LineRow{"V6HexPrefix", "2001:db8::/0FFF", A, No},
        LineRow{"V6PrefixWithTail", "2001:db8::/32abc", A, No},
        LineRow{"V6Prefix129", "2001:db8::/129", A, No},
        LineRow{"V6Backwards", "::9-::5", A, No},
        LineRow{"MixedFamilyRange", "10.0.0.1-::5", A, No},
        LineRow{"V6BlankInside", "2001:db8:: 1", A, No},
        // Whole lines: never cut, damaged ones rejected, tabs blanks beside separators in both families.
        LineRow{"NulEndingALine", std::string("10.0.0.1\0", 9), A, No},
        LineRow{"NulInAComment", std::string("10.0.0.0/8 # x\0y", 16), A, No},
        LineRow{"PrefixPast4096Blanks", "10.0.0.0/" + std::string(4086, ' ') + "16", A, V4, {Ip(10, 0, 0, 0), Ip(10, 0, 255, 255)}},
        LineRow{"V6Past4094Blanks", std::string(4094, ' ') + "::1", A, V6, {}, {1, 1}},
        LineRow{"JunkPast5000Blanks", "10.0.0.1" + std::string(5000, ' ') + "junk", A, No},
        LineRow{"TextPastTheLimit", std::string(kMaxSetLineText, ' ') + "10.0.0.1", A, No},
        LineRow{"CommentPastTheLimit", "10.0.0.1 #" + std::string(kMaxSetLineText, 'x'), A, V4, {Ip(10, 0, 0, 1), Ip(10, 0, 0, 1)}},
        LineRow{"TabBeforeSlash", "10.0.0.0\t/8", A, V4, {Ip(10, 0, 0, 0), Ip(10, 255, 255, 255)}},
        LineRow{"TabsAroundDash", "1.2.3.4\t-\t1.2.3.5", A, V4, {Ip(1, 2, 3, 4), Ip(1, 2, 3, 5)}},
        LineRow{"TabInsideAnAddress", "1.2.\t3.4/8", A, No},
        LineRow{"V6TabsAroundDash", "::1\t-\t::5", A, V6, {}, {1, 5}}),
    RowName<LineRow>);

// An IPv4 address is read only as written; a damaged one is rejected with
// the fault a report names, and zero-padded octets as the caller says.
struct FaultRow {
    const char* name;
    std::string line;
    LeadingZeros zeros;
    LineFault fault;
    Interval4 v4{};
    Interval6 v6{};
};

class ReadAsWrittenTest : public testing::TestWithParam<FaultRow> {};

TEST_P(ReadAsWrittenTest, ReadsOrNamesTheFault) {
    std::string scratch;
    const FaultRow& row = GetParam();
    const SetLine read = ReadSetLine(row.line, A, scratch, row.zeros);
    EXPECT_EQ(read.fault, row.fault);
    if (row.fault != LineFault::None) {
        EXPECT_EQ(read.kind, No);
    } else if (read.kind == V4) {
        EXPECT_EQ(read.v4, row.v4);
    } else {
        ASSERT_EQ(read.kind, V6);
        EXPECT_EQ(read.v6, row.v6);
    }
}

constexpr auto Reject = LeadingZeros::Reject;
constexpr auto Decimal = LeadingZeros::Decimal;
constexpr auto Octal = LeadingZeros::Octal;
constexpr Uint128 kMapped10001{0, 0xFFFF0A000001};  // ::ffff:10.0.0.1

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadAsWrittenTest,
    testing::Values(
        FaultRow{"ZeroPaddedOctet", "192.168.001.010", Reject, LineFault::LeadingZero},
        FaultRow{"ZeroPaddedMask", "10.0.0.0/255.255.255.000", Reject, LineFault::LeadingZero},
        FaultRow{"ZeroPaddedRangeEnd", "10.0.0.1 - 10.0.0.09", Reject, LineFault::LeadingZero},
        FaultRow{"ZeroPaddedAsDecimal", "010.000.000.001/32", Decimal, LineFault::None, {Ip(10, 0, 0, 1), Ip(10, 0, 0, 1)}},
        FaultRow{"ZeroPaddedAsOctal", "010.000.000.001", Octal, LineFault::None, {Ip(8, 0, 0, 1), Ip(8, 0, 0, 1)}},
        FaultRow{"OctalHasNoEight", "08.0.0.1", Octal, LineFault::Unreadable},
        FaultRow{"ZeroAloneIsNoPadding", "0.0.0.0 - 10.0.0.0", Reject, LineFault::None, {0, Ip(10, 0, 0, 0)}},
        FaultRow{"PrefixZerosAreDecimal", "10.0.0.0/08", Reject, LineFault::None, {Ip(10, 0, 0, 0), Ip(10, 255, 255, 255)}},
        FaultRow{"Hexadecimal", "0x0a.0.0.0/8", Octal, LineFault::Hexadecimal},
        FaultRow{"HexadecimalPrefix", "10.0.0.0/0x8", Reject, LineFault::Prefix},
        FaultRow{"Star", "172.16.*.0/24 # office", Reject, LineFault::Star},
        FaultRow{"LetterForADigit", "1o.0.0.0/8", Reject, LineFault::Letter},
        FaultRow{"EmptyOctet", "1..2.3/16", Reject, LineFault::EmptyOctet},
        FaultRow{"DotAtTheEnd", "10.10.0./24", Reject, LineFault::EmptyOctet},
        FaultRow{"ShortForm", "10.1/16", Reject, LineFault::OctetCount},
        FaultRow{"OctetOver255", "10.256.0.0/16", Reject, LineFault::OctetOver255},
        FaultRow{"BlankInsideAnAddress", "1. 2.3.4", Reject, LineFault::Unreadable},
        FaultRow{"LooseSeparator", "1.2.3.4/24/", Reject, LineFault::Prefix},
        FaultRow{"EnDashRange", "10.0.0.0 \x96 10.0.0.255", Reject, LineFault::None, {Ip(10, 0, 0, 0), Ip(10, 0, 0, 255)}},
        FaultRow{"V6EnDashRange", "::1\x96::5", Reject, LineFault::None, {}, {1, 5}},
        FaultRow{"V6ZeroPaddedQuad", "::ffff:010.0.0.1", Reject, LineFault::LeadingZero},
        FaultRow{"V6ZeroPaddedQuadAsDecimal", "::ffff:010.0.0.1/128", Decimal, LineFault::None, {},
                 {kMapped10001, kMapped10001}},
        FaultRow{"V6Unreadable", "2001:db8::g", Reject, LineFault::Unreadable},
        FaultRow{"Nul", std::string("10.0.0.1\0", 9), Reject, LineFault::Nul},
        FaultRow{"BlanksPastTheLimit", std::string(kMaxSetLineText + 1, ' '), Reject, LineFault::TooLong}),
    RowName<FaultRow>);

TEST(ReadAddressList, CountsLinesAndNamesRejectedOnes) {
    AddressSets sets;
    // A NUL rejects its line only: reading goes on with the next.
    const oracle::LinesRead read =
        ReadAddressList(std::string("# header\r\n10.0.0.1\r\njunk\n\n::1\r2001:db8::/129\n\0\n10.0.0.2", 55), A, sets);
    EXPECT_EQ(read.lines, 8u);
    EXPECT_EQ(read.rejected, (std::vector<std::size_t>{3, 6, 7}));
    EXPECT_EQ(sets.v4, (std::vector<Interval4>{{Ip(10, 0, 0, 1), Ip(10, 0, 0, 1)}, {Ip(10, 0, 0, 2), Ip(10, 0, 0, 2)}}));
    EXPECT_EQ(sets.v6, (std::vector<Interval6>{{1, 1}}));
}

// ---- Writing ----

struct SplitRow {
    const char* name;
    AddressSets sets;
    std::vector<std::string> networks;
};

class SplitTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitTest, GivesTheFewestNetworks) { EXPECT_EQ(Written(GetParam().sets), GetParam().networks); }

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitTest,
    testing::Values(
        SplitRow{"Aligned", {{{Ip(10, 0, 0, 0), Ip(10, 0, 0, 255)}}}, {"10.0.0.0/24"}},
        SplitRow{"Misaligned", {{{Ip(10, 0, 0, 5), Ip(10, 0, 0, 9)}}}, {"10.0.0.5/32", "10.0.0.6/31", "10.0.0.8/31"}},
        SplitRow{"OneAddress", {{{Ip(1, 2, 3, 4), Ip(1, 2, 3, 4)}}}, {"1.2.3.4/32"}},
        SplitRow{"Everything", {{{0, kTop}}}, {"0.0.0.0/0"}},
        SplitRow{"FirstAndLastAddress", {{{0, 0}, {kTop, kTop}}}, {"0.0.0.0/32", "255.255.255.255/32"}},
        SplitRow{"V6Everything", {{}, {{{}, kTop6}}}, {"::/0"}},
        SplitRow{"V6FirstAddresses", {{}, {{{}, 1}}}, {"::/127"}},
        SplitRow{"V6LastAddress", {{}, {{kTop6, kTop6}}}, {"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff/128"}},
        SplitRow{"FamiliesApartIPv4First", {{{Ip(10, 0, 0, 0), Ip(10, 0, 0, 3)}}, {{kDoc, kDoc + 3}}},
                 {"10.0.0.0/30", "2001:db8::/126"}}),
    RowName<SplitRow>);

// The space less its last (or first) address is one network of every size:
// the arithmetic reaches both ends without a shift by the full width.
TEST(ForEachNetwork, ReachesBothEndsOfEverySpace) {
    auto prefixes = [](auto interval) {
        std::vector<unsigned> p;
        ForEachNetwork(interval, [&](auto, unsigned prefix) { p.push_back(prefix); });
        return p;
    };
    std::vector<unsigned> down32, up128;
    for (unsigned p = 1; p <= 32; ++p) down32.push_back(p);
    for (unsigned p = 128; p >= 1; --p) up128.push_back(p);
    EXPECT_EQ(prefixes(Interval4{0, kTop - 1}), down32);
    EXPECT_EQ(prefixes(Interval6{1, kTop6}), up128);
    EXPECT_EQ(Written({{}, {{1, kTop6}}}).back(), "8000::/1");
}

TEST(WriteSets, WritesEveryForm) {
    const AddressSets sets{{{Ip(10, 0, 0, 0), Ip(10, 255, 255, 255)}, {Ip(10, 1, 2, 2), Ip(10, 1, 2, 3)}},
                           {{kDoc, {0x20010DB8FFFFFFFF, kOnes}}, {{0, 0xFFFF0A000001}, {0, 0xFFFF0A000001}}}};
    auto write = [&](int transformType, RangeReading ranges) {
        const auto form = static_cast<OutputForm>(transformType);
        std::string out;
        WriteSets(sets, {.form = form, .delimiter = " / ", .lineEnd = ";", .ranges = ranges}, out);
        return out;
    };
    EXPECT_EQ(write(1, A), "10.0.0.0 / 8;10.1.2.2 / 31;2001:db8:: / 32;::ffff:10.0.0.1 / 128;");
    EXPECT_EQ(write(2, A), "10.0.0.0 / 255.0.0.0;10.1.2.2 / 255.255.255.254;2001:db8:: / 32;::ffff:10.0.0.1 / 128;");
    EXPECT_EQ(write(0, A), "10.0.0.0-10.255.255.255;10.1.2.2-10.1.2.3;"
                           "2001:db8::-2001:db8:ffff:ffff:ffff:ffff:ffff:ffff;::ffff:10.0.0.1-::ffff:10.0.0.1;");
    // Host ranges as the window writes them, a /31 with its ends crossed; IPv6 has no hosts reading.
    EXPECT_EQ(write(0, H), "10.0.0.1-10.255.255.254;10.1.2.3-10.1.2.2;"
                           "2001:db8::-2001:db8:ffff:ffff:ffff:ffff:ffff:ffff;::ffff:10.0.0.1-::ffff:10.0.0.1;");
}

TEST(WriteCount, CountsUpToTheWholeSpace) {
    auto count = [](std::string_view family, const auto& networks) {
        std::string out;
        AddressTotal count;
        count.Add(networks.size());
        WriteCount(family, count, TotalOf(UnionOf(networks)), "\n", out);
        return out;
    };
    EXPECT_EQ(count("IPv4", std::vector<Interval4>{{0, kTop}}), "IPv4 1 4294967296\n");
    EXPECT_EQ(count("IPv6", std::vector<Interval6>{{{}, kTop6}}), "IPv6 1 340282366920938463463374607431768211456\n");
    // Overlapping networks are counted once each, their addresses once.
    EXPECT_EQ(count("IPv6", std::vector<Interval6>{{{}, LowOnes<Uint128>(127)}, {{}, 1}, {kTop6, kTop6}}),
              "IPv6 3 170141183460469231731687303715884105729\n");
}

// ---- Set operations ----

template <typename Value>
struct SetRow {
    const char* name;
    std::vector<Interval<Value>> a, b;
    std::vector<Interval<Value>> unionOfA, intersection, difference;
};

template <typename Value>
void CheckSetRow(const SetRow<Value>& row) {
    const auto a = UnionOf(row.a), b = UnionOf(row.b);
    EXPECT_EQ(a, row.unionOfA) << row.name;
    EXPECT_EQ(IntersectionOf(a, b), row.intersection) << row.name;
    EXPECT_EQ(DifferenceOf(a, b), row.difference) << row.name;
}

TEST(SetOperations, ComputeOnBothFamilies) {
    for (const SetRow<std::uint32_t>& row : std::vector<SetRow<std::uint32_t>>{
             {"AdjacentJoin", {{5, 9}, {10, 12}}, {{0, 4}}, {{5, 12}}, {}, {{5, 12}}},
             {"OverlappingJoin", {{10, 20}, {5, 12}}, {{12, 30}}, {{5, 20}}, {{12, 20}}, {{5, 11}}},
             {"NestedHole", {{0, 100}, {20, 30}}, {{40, 50}}, {{0, 100}}, {{40, 50}}, {{0, 39}, {51, 100}}},
             {"AllTakenOut", {{3, 9}}, {{0, 100}}, {{3, 9}}, {{3, 9}}, {}},
             {"EmptyInput", {}, {{0, 5}}, {}, {}, {}},
             {"LastAddressJoinsNothingAbove", {{kTop, kTop}, {0, 0}}, {}, {{0, 0}, {kTop, kTop}}, {}, {{0, 0}, {kTop, kTop}}},
             {"WholeSpaceLessEnds", {{0, kTop}}, {{0, 0}, {kTop, kTop}}, {{0, kTop}}, {{0, 0}, {kTop, kTop}}, {{1, kTop - 1}}}})
        CheckSetRow(row);
    for (const SetRow<Uint128>& row : std::vector<SetRow<Uint128>>{
             {"V6EndsNotJoined", {{kTop6, kTop6}, {0, 0}}, {{0, 1}}, {{0, 0}, {kTop6, kTop6}}, {{0, 0}}, {{kTop6, kTop6}}},
             {"V6WholeSpaceLessEnds", {{0, kTop6}, {5, 9}}, {{0, 0}, {kTop6, kTop6}}, {{0, kTop6}}, {{0, 0}, {kTop6, kTop6}},
              {{1, kTop6 - 1}}},
             {"V6JoinAcrossTheWordBoundary", {{0, kOnes}, {Uint128(1, 0), Uint128(1, 5)}}, {}, {{0, Uint128(1, 5)}}, {}, {{0, Uint128(1, 5)}}}})
        CheckSetRow(row);
}

// Random lists of ranges and single addresses in a small stretch at either
// end of each space, read as list text and checked address by address: the
// union holds exactly the addresses of its input, its intervals are disjoint
// and apart, their networks neither overlap nor could be joined, and what is
// written reads back to the same set.
template <typename Value>
void CheckRandomSets(Value base) {
    constexpr std::uint64_t kSpace = 4096;
    std::mt19937 random(3);
    using I = Interval<Value>;
    auto family = [](AddressSets& sets) -> std::vector<I>& {
        if constexpr (std::is_same_v<Value, Uint128>) return sets.v6;
        else return sets.v4;
    };
    for (int round = 0; round < 100; ++round) {
        AddressSets a, b;
        std::vector<bool> inA(kSpace), inB(kSpace);
        for (auto* sets : {&a, &b}) {
            std::string text;
            std::vector<bool>& in = sets == &a ? inA : inB;
            for (int k = random() % 12; k > 0; --k) {
                const std::uint64_t first = random() % kSpace;
                // One in four lines is a single address.
                const std::uint64_t last = random() % 4 == 0 ? first : std::min(kSpace - 1, first + random() % 300);
                AppendAddress(text, static_cast<Value>(base + first));
                if (last != first) {
                    text += " - ";
                    AppendAddress(text, static_cast<Value>(base + last));
                }
                text += " # a comment\r\n";
                for (std::uint64_t x = first; x <= last; ++x) in[x] = true;
            }
            ASSERT_TRUE(ReadAddressList(text, RangeReading::Addresses, *sets).rejected.empty()) << text;
        }
        const auto ua = UnionOf(family(a)), ub = UnionOf(family(b));
        const auto both = IntersectionOf(ua, ub), less = DifferenceOf(ua, ub);
        auto holds = [&](const std::vector<I>& set, std::uint64_t x) {
            const Value v = base + x;
            return std::any_of(set.begin(), set.end(), [&](const I& i) { return i.first <= v && v <= i.last; });
        };
        for (std::uint64_t x = 0; x < kSpace; ++x) {
            ASSERT_EQ(holds(ua, x), inA[x]) << x;
            ASSERT_EQ(holds(both, x), inA[x] && inB[x]) << x;
            ASSERT_EQ(holds(less, x), inA[x] && !inB[x]) << x;
        }
        for (std::size_t i = 1; i < ua.size(); ++i) ASSERT_GT(ua[i].first, static_cast<Value>(ua[i - 1].last + 1));

        std::vector<I> networks;
        for (const I& interval : ua)
            ForEachNetwork(interval, [&](Value n, unsigned p) { networks.push_back(NetworkOf(n, p)); });
        std::uint64_t covered = 0;
        for (std::size_t i = 0; i < networks.size(); ++i) {
            const I n = networks[i];
            covered += static_cast<std::uint64_t>(Uint128(n.last - n.first).low) + 1;
            if (i + 1 < networks.size()) {
                const I next = networks[i + 1];
                ASSERT_GT(next.first, n.last);  // no overlap
                const bool sameSize = next.last - next.first == n.last - n.first;
                const bool joinable = sameSize && next.first == static_cast<Value>(n.last + 1) &&
                                      NetworkOf(n.first, kAddressWidth<Value> - BitWidth(static_cast<Value>(n.last - n.first + 1))) ==
                                          I{n.first, next.last};
                ASSERT_FALSE(joinable) << i;
            }
        }
        ASSERT_EQ(covered, static_cast<std::uint64_t>(std::count(inA.begin(), inA.end(), true)));

        AddressSets joined, back;
        family(joined) = ua;
        std::string written;
        WriteSets(joined, {}, written);
        ASSERT_TRUE(ReadAddressList(written, RangeReading::Addresses, back).rejected.empty());
        ASSERT_EQ(family(back), networks);
    }
}

// From 4,096 intervals on the union sorts by counting passes, low half
// first: single addresses over several /16s come out as the runs they form.
TEST(UnionOf, SortsLargeListsByTheWholeAddress) {
    std::mt19937 random(7);
    std::vector<Interval4> intervals;
    std::set<std::uint32_t> addresses;
    while (intervals.size() < 5000) {
        const std::uint32_t a = Ip(10, random() % 8, random() % 4, random() % 256);
        intervals.push_back({a, a});
        addresses.insert(a);
    }
    std::vector<Interval4> runs;
    for (const std::uint32_t a : addresses) {
        if (!runs.empty() && runs.back().last + 1 == a) runs.back().last = a;
        else runs.push_back({a, a});
    }
    EXPECT_EQ(UnionOf(intervals), runs);
}

TEST(UnionOf, HoldsExactlyItsInputInTheFewestNetworks) {
    CheckRandomSets<std::uint32_t>(0);
    CheckRandomSets<std::uint32_t>(kTop - 4095);
    CheckRandomSets<Uint128>(0);
    CheckRandomSets<Uint128>(kTop6 - 4095);
    CheckRandomSets<Uint128>(Uint128(1, 0) - 2048);  // across the middle word boundary
}

// ---- IPv6 text, held to the C library ----

namespace {

Uint128 FromBytes(const in6_addr& a) {
    Uint128 v;
    for (int k = 0; k < 8; ++k) {
        v.high = v.high << 8 | a.s6_addr[k];
        v.low = v.low << 8 | a.s6_addr[k + 8];
    }
    return v;
}

}  // namespace

// Values with runs of zero groups, mapped and compatible forms are written
// as inet_ntop writes them; texts edited at random are taken exactly when
// inet_pton takes them, as the same address.
TEST(IPv6Text, ReadsAndWritesAsTheCLibraryDoes) {
    std::mt19937 random(5);
    const std::string alphabet = "0123456789abcdefABCDEF:::...g ";
    std::string scratch;
    for (int round = 0; round < 20000; ++round) {
        in6_addr bytes{};
        for (int g = 0; g < 8; ++g) {
            const unsigned kind = random() % 4;
            const unsigned group = kind == 0 ? 0 : kind == 1 ? random() % 16 : random() % 65536;
            bytes.s6_addr[2 * g] = static_cast<std::uint8_t>(group >> 8);
            bytes.s6_addr[2 * g + 1] = static_cast<std::uint8_t>(group);
        }
        if (round % 5 == 0) std::fill(bytes.s6_addr, bytes.s6_addr + 10, 0);
        if (round % 10 == 0) bytes.s6_addr[10] = bytes.s6_addr[11] = 0xFF;
        char text[INET6_ADDRSTRLEN];
        ASSERT_NE(inet_ntop(AF_INET6, &bytes, text, sizeof text), nullptr);
        std::string written;
        AppendAddress(written, FromBytes(bytes));
        ASSERT_EQ(written, text);

        std::string edited = text;
        for (int k = random() % 3; k >= 0; --k) {
            const std::size_t at = random() % (edited.size() + 1);
            switch (random() % 3) {
                case 0: edited.insert(at, 1, alphabet[random() % alphabet.size()]); break;
                case 1: if (at < edited.size()) edited.erase(at, 1); break;
                default: if (at < edited.size()) edited[at] = alphabet[random() % alphabet.size()]; break;
            }
        }
        in6_addr expected{};
        const bool library = inet_pton(AF_INET6, edited.c_str(), &expected) == 1;
        const SetLine read = ReadSetLine(edited, A, scratch);
        if (edited.find(':') == std::string::npos || edited.find(' ') != std::string::npos) continue;
        ASSERT_EQ(read.kind == V6, library) << edited;
        if (library) {
            ASSERT_EQ(read.v6.first, FromBytes(expected)) << edited;
        }
    }
}

// ---- Reading in blocks ----

namespace {

// Hands out its text at most chunk bytes a read.
class ChunkSource : public ByteSource {
public:
    ChunkSource(std::string_view text, std::size_t chunk) : rest_(text), chunk_(chunk) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, chunk_, rest_.size()});
        std::copy_n(rest_.data(), n, buffer);
        rest_.remove_prefix(n);
        return n;
    }

private:
    std::string_view rest_;
    std::size_t chunk_;
};

// A list as found in the wild: every kind of line end, a byte-order mark now
// and then, comments, blanks by the thousand, NULs, UTF-8 and junk.
std::string RandomList(std::mt19937& random) {
    const std::vector<std::string> shapes = {
        "10.0.0.%", "10.%.0.0 / 16", "192.168.%.1 - 192.168.%.9", "2001:db8::% - 2001:db8::1:0", "::%/120",
        "# header %", "5.6.7.% ; note", "", "junk %", std::string(5000, ' ') + "1.2.%.4" + std::string(300, '\t'),
        std::string("10.0.%.1\0x", 10), "1.1.1.% \xE2\x80\x94 1.1.1.200", "1.1.%.1 \x97 1.1.1.200 # cp1251"};
    const std::vector<std::string> ends = {"\r\n", "\r", "\n"};
    std::string text = random() % 2 == 0 ? std::string(kUtf8ByteOrderMark) : "";
    for (int k = random() % 40; k > 0; --k) {
        std::string line = shapes[random() % shapes.size()];
        for (std::size_t at; (at = line.find('%')) != std::string::npos;) line.replace(at, 1, std::to_string(random() % 256));
        text += line + ends[random() % ends.size()];
    }
    if (random() % 2 == 0) text += "10.9.9.9";  // a last line without its end
    return text;
}

}  // namespace

// Whatever the blocks, the lines are those of the whole text; a line past
// what is held comes out cut, with a NUL after it when one stood in the rest.
TEST(ForEachSourceLine, GivesTheLinesOfTheWholeTextWhateverTheBlocks) {
    std::mt19937 random(11);
    for (int round = 0; round < 100; ++round) {
        const std::string text = RandomList(random);
        const std::string_view body = std::string_view(text).substr(text.starts_with(kUtf8ByteOrderMark) ? 3 : 0);
        for (const std::size_t maxHeld : {std::size_t{1} << 20, std::size_t{6}}) {
            std::vector<std::string> whole, blocks;
            ForEachListLine(body, [&](std::string_view line) {
                std::string held(line.substr(0, maxHeld));
                if (line.size() > maxHeld && line.substr(maxHeld).find('\0') != std::string_view::npos) held += '\0';
                whole.push_back(held);
            }, std::string_view::npos);
            for (const std::size_t chunk : {1, 2, 3, 7, 1 << 20}) {
                ChunkSource source(text, chunk);
                blocks.clear();
                ForEachSourceLine(source, maxHeld, [&](std::string_view line) { blocks.emplace_back(line); });
                ASSERT_EQ(blocks, whole) << "round " << round << ", chunk " << chunk << ", held " << maxHeld;
            }
        }
    }
}

// The set job reads lists in blocks to the same sets and the same rejected
// lines as reading them whole.
TEST(RunSetJob, ReadsBlocksAsTheWholeText) {
    std::mt19937 random(13);
    for (int round = 0; round < 100; ++round) {
        const std::string text = RandomList(random);
        AddressSets sets;
        const oracle::LinesRead read = ReadAddressList(text, A, sets);
        std::string expected;
        WriteSets({UnionOf(sets.v4), UnionOf(sets.v6)}, {.form = OutputForm::HostRange}, expected);
        for (const std::size_t chunk : {1, 3, 4096}) {
            SetJob job{.operation = SetOperation::Merge, .form = OutputForm::HostRange};
            job.inputs.push_back({"list", [&] { return std::make_unique<ChunkSource>(text, chunk); }});
            std::string out;
            std::vector<std::size_t> rejected;
            const SetJobSummary summary =
                RunSetJob(job, {.write = [&](std::string_view block) { out += block; },
                                .rejected = [&](const RejectedLine& line) { rejected.push_back(line.number); }});
            ASSERT_EQ(out, expected) << "round " << round << ", chunk " << chunk;
            ASSERT_EQ(rejected, read.rejected) << "round " << round << ", chunk " << chunk;
            ASSERT_EQ(summary.lines, read.lines);
        }
    }
}

// --why answers from the lines near the addresses asked about alone: what
// it says the result covers is what the whole merge covers of them.
TEST(RunSetJob, WhyCoversWhatTheWholeMergeCovers) {
    std::mt19937 random(29);
    for (int round = 0; round < 100; ++round) {
        const std::string input = RandomList(random), side = RandomList(random);
        SetJob job{.operation = SetOperation::Merge, .form = OutputForm::HostRange};
        job.inputs.push_back({"in", [&] { return std::make_unique<ChunkSource>(input, 4096); }});
        (round % 2 ? job.exclude : job.intersect).push_back({"side", [&] { return std::make_unique<ChunkSource>(side, 7); }});
        std::string whole;
        RunSetJob(job, {.write = [&](std::string_view block) { whole += block; }, .rejected = {}});
        AddressSets merged;
        ReadAddressList(whole, A, merged);
        for (int k = 0; k < 4; ++k) {
            const std::uint32_t first = 0x0A000000u + random() % 0x30000, last = first + random() % 600;
            job.why.push_back({.text = "q", .family = SetLine::Kind::IPv4, .v4 = {first, last}});
        }
        const Uint128 six = Uint128{0x20010db800000000ull, 0} + Uint128{0, random() % 300};
        job.why.push_back({.text = "q6", .family = SetLine::Kind::IPv6, .v6 = {six, six + Uint128{0, random() % 70000}}});
        const SetJobSummary summary = RunSetJob(job, {.write = {}, .rejected = {}});
        ASSERT_EQ(summary.why.size(), job.why.size());
        for (std::size_t k = 0; k < job.why.size(); ++k) {
            const WhyQuery& query = job.why[k];
            const AddressTotal covered = query.family == SetLine::Kind::IPv4
                                             ? TotalOf(IntersectionOf(UnionOf(merged.v4), {query.v4}))
                                             : TotalOf(IntersectionOf(UnionOf(merged.v6), {query.v6}));
            const AddressTotal size = query.family == SetLine::Kind::IPv4 ? TotalOf(std::vector{query.v4})
                                                                         : TotalOf(std::vector{query.v6});
            const WhyAnswer::Covered expected = covered.value == size.value ? WhyAnswer::Covered::All
                                                : covered.value == Uint128{} ? WhyAnswer::Covered::None
                                                                             : WhyAnswer::Covered::Part;
            ASSERT_EQ(summary.why[k].covered, expected) << "round " << round << ", query " << k;
        }
    }
}

// Out of free text: what stands on its own is read, near misses are no
// address, damaged addresses reject the line.
struct ExtractRow {
    const char* name;
    std::string text;
    std::string found;  // the tokens read, each as written, joined by blanks
    LineFault fault = LineFault::None;
};

class ExtractTest : public testing::TestWithParam<ExtractRow> {};

TEST_P(ExtractTest, ReadsWhatStandsOnItsOwn) {
    AddressExtractor extractor(RangeReading::Addresses, LeadingZeros::Reject);
    EXPECT_EQ(extractor.Extract(GetParam().text), GetParam().fault);
    std::string found;
    for (const SetLine& line : extractor.Found()) found += (found.empty() ? "" : " ") + std::string(line.text);
    EXPECT_EQ(found, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExtractTest,
    testing::Values(
        ExtractRow{"SeveralInALine", "1.2.3.4,5.6.7.8 and 2001:db8::1", "1.2.3.4 5.6.7.8 2001:db8::1"},
        ExtractRow{"PortsBracketsQuotes", "\"1.2.3.4\":x 1.2.3.4:8080 [2001:db8::1]:443 (10.0.0.1).",
                   "1.2.3.4 1.2.3.4 2001:db8::1 10.0.0.1"},
        ExtractRow{"NetworkOnlyBeforeABoundary", "10.0.0.0/8, http://1.2.3.4/8/x 10.1.0.0/255.255.0.0;",
                   "10.0.0.0/8 1.2.3.4 10.1.0.0/255.255.0.0"},
        ExtractRow{"RangesWithoutBlanksOnly", "1.1.1.1-1.1.1.9 2.2.2.2 - 2.2.2.9 3.3.3.1\xE2\x80\x93" "3.3.3.4",
                   "1.1.1.1-1.1.1.9 2.2.2.2 2.2.2.9 3.3.3.1-3.3.3.4"},
        ExtractRow{"PartOfAWordOrANumber", "v1.2.3.4 1.2.3.4a 1.2.3.4.5 Chrome/1.2.3.4 x.1.2.3.4 1.2.3.4.example", ""},
        ExtractRow{"TimesMacsAndCode", "12:34:56 00:1a:2b:3c:4d:5e std::string a :: b cafe 2026-12-09", ""},
        ExtractRow{"NearMissesAreNoAddress", "300.1.1.1 1.2.3 1.2.3.4-5 1.2.3.400-1.2.3.9 1.2.3.4:x9", ""},
        ExtractRow{"CommentsAreText", "# 10.0.0.1 ; 10.0.0.2", "10.0.0.1 10.0.0.2"},
        ExtractRow{"ZoneAndEmbeddedIPv4", "fe80::1%eth0 ::ffff:1.2.3.4 ip:5.6.7.8", "fe80::1 ::ffff:1.2.3.4 5.6.7.8"},
        ExtractRow{"PaddedOctetRejects", "ok 1.2.3.4 then 010.1.2.3", "", LineFault::LeadingZero},
        ExtractRow{"PrefixPastTheWidthRejects", "1.2.3.4/33", "", LineFault::Prefix},
        ExtractRow{"StarForAnOctetRejects", "office 172.16.*.0/24", "", LineFault::Star},
        ExtractRow{"NomatchRejects", "add bl 203.0.113.64/26 nomatch", "", LineFault::Exception},
        ExtractRow{"NoAddress", "GET /index.html HTTP/1.1 200 612", ""}),
    RowName<ExtractRow>);

// A list with its lines wrapped in text around each address reads as the
// list does plain: the wrapping adds and takes nothing.
TEST(RunSetJob, ReadsAListInTextAsThePlainList) {
    std::mt19937 random(31);
    const std::vector<std::string> before = {"", "from ", "ip=", "\"", "[", "host: ", "# seen ", "x, ", "\t"};
    const std::vector<std::string> after = {"", " port 22", "\"", "]:443", ":8080", ", y", ". ", " # note", "\r"};
    for (int round = 0; round < 50; ++round) {
        std::string plain, wrapped;
        for (int k = random() % 60; k > 0; --k) {
            std::string address;
            switch (random() % 5) {
                case 0: address = "2001:db8::" + std::to_string(random() % 10000); break;
                case 1: address = "10." + std::to_string(random() % 256) + ".0.0/16"; break;
                case 2: address = "192.168.1." + std::to_string(random() % 100) + "-192.168.1." + std::to_string(100 + random() % 100); break;
                default: address = std::to_string(1 + random() % 223) + "." + std::to_string(random() % 256) + ".7." + std::to_string(random() % 256);
            }
            const bool network = address.find_first_of("/-") != std::string::npos;
            // An IPv6 address runs on into ":8080"; only brackets set a port apart from it.
            const bool six = address.find(':') != std::string::npos;
            plain += address + "\n";
            // A port or bracket after a network or range is no text it stands in.
            std::string tail = network ? after[random() % 2 ? 0 : 1] : after[random() % after.size()];
            if (six && tail == ":8080") tail = "]:8080";
            wrapped += before[random() % before.size()] + address + tail + "\n";
            if (random() % 4 == 0) wrapped += "# a comment without one\n";
        }
        auto merged = [](const std::string& text, bool extract) {
            SetJob job{.operation = SetOperation::Merge, .extract = extract};
            job.inputs.push_back({"list", [&] { return std::make_unique<ChunkSource>(text, 4096); }});
            std::string out;
            const SetJobSummary summary =
                RunSetJob(job, {.write = [&](std::string_view block) { out += block; }, .rejected = {}});
            EXPECT_EQ(summary.rejected, 0u);
            return out;
        };
        ASSERT_EQ(merged(wrapped, true), merged(plain, false)) << wrapped;
        ASSERT_EQ(merged(plain, true), merged(plain, false));
    }
}

// A list that fails, on opening or part way, ends the job without a throw
// and with its own error; what the sink throws is the caller's and passes.
// A log of many batches, read on two cores: the same lines rejected, in the
// same order, and the same set, as the extractor reading one line after
// another gives; and a source failing part way leaves what came before read.
TEST(RunSetJob, ExtractsALongLogAsLineByLine) {
    std::mt19937 random(41);
    const std::vector<std::string> shapes = {
        "% - - [09/Dec/2026:14:49:21 +0000] \"GET / HTTP/1.1\" 200 33250", "sshd: from % port 22", "no address here",
        "bad 010.%.0.1", "star 172.%.*.0/24", "", std::string(70000, 'x') + " %"};
    std::string text;
    for (int k = 0; k < 60000; ++k) {
        std::string line = shapes[random() % 100 < 97 ? random() % 3 : 3 + random() % 4];
        for (std::size_t at; (at = line.find('%')) != std::string::npos;)
            line.replace(at, 1, "10." + std::to_string(random() % 256) + ".0." + std::to_string(random() % 256));
        text += line + "\n";
    }
    std::vector<std::size_t> expectedRejected;
    std::vector<Interval4> expectedSet;
    AddressExtractor extractor(RangeReading::Addresses, LeadingZeros::Reject);
    std::size_t number = 0;
    ForEachListLine(
        std::string_view(text),
        [&](std::string_view line) {
            ++number;
            if (extractor.Extract(line) != LineFault::None) return expectedRejected.push_back(number);
            for (const SetLine& found : extractor.Found()) expectedSet.push_back(found.v4);
        },
        std::string_view::npos);
    for (const std::size_t failAt : {std::string::npos, text.size() / 2}) {
        SetJob job{.operation = SetOperation::Merge, .extract = true, .count = true};
        const std::string_view readable = std::string_view(text).substr(0, failAt);
        job.inputs.push_back({"log", [&]() -> std::unique_ptr<ByteSource> {
                                  class Failing : public ChunkSource {
                                  public:
                                      using ChunkSource::ChunkSource;
                                      std::size_t Read(char* buffer, std::size_t size) override {
                                          const std::size_t n = ChunkSource::Read(buffer, size);
                                          if (n == 0 && fails) throw std::runtime_error("read failed");
                                          return n;
                                      }
                                      bool fails = false;
                                  };
                                  auto source = std::make_unique<Failing>(readable, 65536);
                                  source->fails = failAt != std::string::npos;
                                  return source;
                              }});
        std::vector<std::size_t> rejected;
        std::string out;
        const SetJobSummary summary = RunSetJob(job, {.write = [&](std::string_view block) { out += block; },
                                                      .rejected = [&](const RejectedLine& line) { rejected.push_back(line.number); }});
        if (failAt == std::string::npos) {
            ASSERT_FALSE(summary.unread);
            EXPECT_EQ(rejected, expectedRejected);
            EXPECT_EQ(summary.lines, number);
            std::string count;
            WriteCount("IPv4", NetworkCountOf(UnionOf(expectedSet), PrefixLengths().set()), TotalOf(UnionOf(expectedSet)),
                       "\n", count);
            EXPECT_EQ(out, count + "IPv6 0 0\n");
        } else {
            // The lines of the readable half that end in it are all taken; then the failure.
            ASSERT_TRUE(summary.unread);
            const std::size_t whole = std::count(readable.begin(), readable.end(), '\n');
            std::vector<std::size_t> before;
            for (const std::size_t n : expectedRejected)
                if (n <= whole) before.push_back(n);
            EXPECT_EQ(rejected, before);
        }
    }
}

TEST(RunSetJob, SaysWhatAListThrewAndPassesWhatTheSinkThrows) {
    // Fails once the first block is read: the lines before it are read.
    class FailingSource : public ByteSource {
    public:
        std::size_t Read(char* buffer, std::size_t size) override {
            if (read_) throw std::runtime_error("read failed");
            read_ = true;
            const std::string_view text = "10.0.0.0/8\n";
            std::copy_n(text.data(), std::min(size, text.size()), buffer);
            return std::min(size, text.size());
        }

    private:
        bool read_ = false;
    };
    for (const SetOperation operation : {SetOperation::Merge, SetOperation::Exact}) {
        for (const bool atOpen : {true, false}) {
            SetJob job{.operation = operation};
            job.inputs.push_back({"bad", [atOpen]() -> std::unique_ptr<ByteSource> {
                                      if (atOpen) throw std::runtime_error("open failed");
                                      return std::make_unique<FailingSource>();
                                  }});
            std::string out;
            const SetJobSummary summary = RunSetJob(job, {.write = [&](std::string_view block) { out += block; }, .rejected = {}});
            ASSERT_TRUE(summary.unread);
            EXPECT_THROW(
                {
                    try {
                        std::rethrow_exception(summary.unread);
                    } catch (const std::runtime_error& e) {
                        EXPECT_EQ(std::string(e.what()), atOpen ? "open failed" : "read failed");
                        throw;
                    }
                },
                std::runtime_error);
            EXPECT_EQ(out, "");
        }
    }
    SetJob job;
    job.inputs.push_back({"good", [] { return std::make_unique<ChunkSource>("10.0.0.0/8\n", 4); }});
    EXPECT_THROW(RunSetJob(job, {.write = [](std::string_view) { throw std::logic_error("sink"); }, .rejected = {}}), std::logic_error);
}

// Networks of the allowed lengths only cover exactly the interval, each
// aligned, and there are as many as NetworkCountOf says, for random
// intervals and random lengths of both families.
template <typename Value>
void CheckAllowedLengths(Value base) {
    constexpr unsigned width = kAddressWidth<Value>;
    std::mt19937 random(17);
    for (int round = 0; round < 300; ++round) {
        PrefixLengths lengths;
        lengths.set(width);
        for (int k = random() % 4; k > 0; --k) lengths.set(width - 16 + random() % 16);
        const Value first = base + random() % 5000;
        const Interval<Value> interval{first, static_cast<Value>(first + random() % 3000)};
        Value next = interval.first;
        std::size_t networks = 0;
        bool reachedEnd = false;
        ForEachNetwork(interval, lengths, [&](Value network, unsigned prefix) {
            ASSERT_TRUE(lengths.test(prefix)) << prefix;
            ASSERT_EQ(network, next);
            ASSERT_EQ(NetworkOf(network, prefix).first, network);  // aligned
            const Value last = NetworkOf(network, prefix).last;
            reachedEnd = last == interval.last;
            next = last + 1;
            ++networks;
        });
        ASSERT_TRUE(reachedEnd);
        const AddressTotal count = NetworkCountOf(std::vector<Interval<Value>>{interval}, lengths);
        ASSERT_EQ(count.value, Uint128(networks));
    }
}

TEST(ForEachNetwork, WritesOnlyTheAllowedLengthsAndExactlyTheAddresses) {
    CheckAllowedLengths<std::uint32_t>(0);
    CheckAllowedLengths<std::uint32_t>(kTop - 8191);
    CheckAllowedLengths<Uint128>(Uint128(1, 0) - 4096);
    CheckAllowedLengths<Uint128>(kTop6 - 8191);
}

// Fewer lengths, the same addresses, within the budget, and no fewer lengths
// would do: every set of one length less breaks it.
TEST(ReducePrefixLengths, KeepsTheAddressesWithinTheBudgetWithTheFewestLengths) {
    std::mt19937 random(19);
    for (int round = 0; round < 200; ++round) {
        std::vector<Interval4> intervals;
        for (int k = random() % 30; k > 0; --k) {
            const std::uint32_t first = random() % 100000;
            intervals.push_back({first, static_cast<std::uint32_t>(first + random() % 2000)});
        }
        const std::vector<Interval4> set = UnionOf(intervals);
        const double percent = random() % 200;
        const std::uint64_t entries = random() % 50;
        const Reduction reduction = ReducePrefixLengths(set, PrefixLengths().set(), percent, entries);
        const std::uint64_t before = NetworkCountOf(set, PrefixLengths().set()).value.low;
        const std::uint64_t budget = std::max<std::uint64_t>(entries, static_cast<std::uint64_t>(before * (1 + percent / 100)));
        ASSERT_EQ(reduction.before, before);
        ASSERT_LE(reduction.after, budget);
        ASSERT_EQ(NetworkCountOf(set, reduction.lengths).value.low, reduction.after);
        std::vector<Interval4> written;
        std::set<unsigned> used;
        for (const Interval4& interval : set)
            ForEachNetwork(interval, reduction.lengths, [&](std::uint32_t network, unsigned prefix) {
                written.push_back(NetworkOf(network, prefix));
                used.insert(prefix);
            });
        ASSERT_EQ(UnionOf(written), set);
        ASSERT_EQ(used, std::set<unsigned>(reduction.kept.begin(), reduction.kept.end()));
        // Keeping any one length fewer (each merged into the next kept) overruns the budget.
        if (reduction.kept.size() > 1) {
            for (std::size_t drop = 0; drop + 1 < reduction.kept.size(); ++drop) {
                PrefixLengths fewer = reduction.lengths;
                fewer.reset(reduction.kept[drop]);
                ASSERT_GT(NetworkCountOf(set, fewer).value.low, budget) << "round " << round;
            }
        }
    }
}

namespace {

// The fewest addresses a cover of at most k networks adds, for every k, by
// the plain dynamic programme over every network of a region of 2^bits
// addresses (the covers that matter lie inside it when nothing outside is
// listed): what FitIntoEntries is held to.
struct FewestAdded {
    static constexpr std::uint64_t kNever = ~std::uint64_t{0};
    std::vector<bool> in, forbidden;  // by offset in the region
    unsigned bits;

    std::vector<std::uint64_t> Of(std::uint64_t from, unsigned size, std::size_t most) const {
        std::vector<std::uint64_t> best(most + 1, kNever);
        std::uint64_t held = 0, banned = 0;
        for (std::uint64_t a = from; a < from + (std::uint64_t{1} << size); ++a) {
            held += in[a];
            banned += forbidden[a];
        }
        if (held == 0) std::fill(best.begin(), best.end(), 0);
        if (banned == 0 && held > 0)
            for (std::size_t k = 1; k <= most; ++k) best[k] = (std::uint64_t{1} << size) - held;
        if (size == 0 || held == 0) return best;
        const auto low = Of(from, size - 1, most), high = Of(from + (std::uint64_t{1} << (size - 1)), size - 1, most);
        for (std::size_t a = 0; a <= most; ++a)
            for (std::size_t b = 0; a + b <= most; ++b)
                if (low[a] != kNever && high[b] != kNever) best[a + b] = std::min(best[a + b], low[a] + high[b]);
        for (std::size_t k = 1; k <= most; ++k) best[k] = std::min(best[k], best[k - 1]);
        return best;
    }
};

template <typename Value>
void CheckFitAgainstTheFewest(Value base, std::uint32_t seed) {
    std::mt19937 random(seed);
    for (int round = 0; round < 150; ++round) {
        FewestAdded fewest{.in = std::vector<bool>(64), .forbidden = std::vector<bool>(64), .bits = 6};
        std::vector<Interval<Value>> set, forbidden;
        const unsigned density = 1 + random() % 6;
        for (std::uint64_t a = 0; a < 64; ++a) {
            const unsigned roll = random() % 16;
            const Interval<Value> one{static_cast<Value>(base + a), static_cast<Value>(base + a)};
            if (roll < density) {
                fewest.in[a] = true;
                set.push_back(one);
            } else if (roll == 15 && random() % 2 == 0) {
                fewest.forbidden[a] = true;
                forbidden.push_back(one);
            }
        }
        set = UnionOf(set);
        forbidden = UnionOf(forbidden);
        const std::uint64_t budget = 1 + random() % 12;
        // Past the budget too: the bound is where the hull of every count lies.
        const std::vector<std::uint64_t> best = fewest.Of(0, 6, 40);
        std::vector<Interval<Value>> fitted = set;
        const EntryFit fit = FitIntoEntries(fitted, forbidden, budget, false);
        const std::string where = "round " + std::to_string(round) + ", budget " + std::to_string(budget);
        if (best[budget] == FewestAdded::kNever) {
            ASSERT_FALSE(fit.fits) << where;
            ASSERT_EQ(fitted, set) << where;
            continue;
        }
        ASSERT_TRUE(fit.fits) << where;
        ASSERT_LE(fit.after, budget) << where;
        ASSERT_EQ(NetworkCountOf(fitted, PrefixLengths().set()).value, Uint128(fit.after)) << where;
        ASSERT_EQ(DifferenceOf(set, fitted), (std::vector<Interval<Value>>{})) << where;           // covers the set
        ASSERT_EQ(IntersectionOf(fitted, forbidden), (std::vector<Interval<Value>>{})) << where;  // and nothing kept out
        const std::uint64_t added = TotalOf(fitted).value.low - TotalOf(set).value.low;
        ASSERT_EQ(fit.added.value, Uint128(added)) << where;
        ASSERT_GE(added, best[budget]) << where;
        // The bound is the lower convex hull of the fewest added at the budget, rounded up: no weaker.
        double hull = static_cast<double>(best[budget]);
        for (std::size_t a = 0; a <= budget; ++a)
            for (std::size_t b = budget; b < best.size(); ++b)
                if (a < b && best[a] != FewestAdded::kNever && best[b] != FewestAdded::kNever)
                    hull = std::min(hull, static_cast<double>(best[a]) + (static_cast<double>(best[b]) - static_cast<double>(best[a])) *
                                              static_cast<double>(budget - a) / static_cast<double>(b - a));
        ASSERT_EQ(added - fit.gap.value.low, static_cast<std::uint64_t>(std::ceil(hull - 1e-9))) << where;
        if (fit.gap.value == Uint128{}) {
            ASSERT_EQ(added, best[budget]) << where;
        }
    }
}

}  // namespace

// Wherever it claims the fewest added addresses it has them, elsewhere it is
// within the gap it states, and it always covers the set and nothing kept
// out, in both families and at the top of each space.
TEST(FitIntoEntries, AddsTheFewestAddressesOrSaysHowManyMoreAtMost) {
    CheckFitAgainstTheFewest<std::uint32_t>(0x0A000000, 23);
    CheckFitAgainstTheFewest<std::uint32_t>(kTop - 63, 29);
    CheckFitAgainstTheFewest<Uint128>(Uint128(0x20010db800000000, 0), 31);
    CheckFitAgainstTheFewest<Uint128>(kTop6 - 63, 37);
}
