// Networks as sets of addresses: reading lines as intervals, the fewest
// networks for an interval, union, intersection and difference.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "AddressSet.h"
#include "TestRows.h"

using namespace orvane;

namespace {

constexpr std::uint64_t Ip(unsigned a, unsigned b, unsigned c, unsigned d) { return a << 24 | b << 16 | c << 8 | d; }
constexpr std::uint64_t kTop = 0xFFFFFFFF;

std::vector<std::string> Networks(AddressInterval interval, int form = 1) {
    std::vector<std::string> out;
    ForEachNetwork(interval, kIPv4Width, [&](std::uint64_t network, unsigned prefix) {
        std::string text;
        AppendNetwork(text, network, prefix, form, "/");
        out.push_back(text);
    });
    return out;
}

}  // namespace

// ---- Reading a line ----

struct IntervalRow {
    const char* name;
    std::string line;
    RangeReading ranges;
    bool readable;
    AddressInterval interval;
};

class ReadIntervalTest : public testing::TestWithParam<IntervalRow> {};

TEST_P(ReadIntervalTest, Reads) {
    AddressInterval got{7, 7};
    ASSERT_EQ(ReadAddressInterval(GetParam().line, GetParam().ranges, got), GetParam().readable);
    if (GetParam().readable) {
        EXPECT_EQ(got, GetParam().interval);
    }
}

constexpr auto H = RangeReading::Hosts;
constexpr auto A = RangeReading::Addresses;

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadIntervalTest,
    testing::Values(
        IntervalRow{"PrefixNamesItsNetwork", "192.168.1.77/24", H, true, {Ip(192, 168, 1, 0), Ip(192, 168, 1, 255)}},
        IntervalRow{"DottedMask", "10.0.0.0/255.0.0.0", H, true, {Ip(10, 0, 0, 0), Ip(10, 255, 255, 255)}},
        IntervalRow{"PrefixZeroIsEverything", "1.2.3.4/0", H, true, {0, kTop}},
        IntervalRow{"Prefix32IsOneAddress", "1.2.3.4/32", A, true, {Ip(1, 2, 3, 4), Ip(1, 2, 3, 4)}},
        IntervalRow{"Prefix33", "1.2.3.4/33", H, false, {}},
        IntervalRow{"NegativePrefix", "1.2.3.4/-1", H, false, {}},
        IntervalRow{"NonContiguousMask", "1.2.3.4/255.0.255.0", H, false, {}},
        IntervalRow{"UnreadableAddress", "300.1.1.1/24", H, false, {}},
        IntervalRow{"HostsOfANetwork", "192.168.0.1-192.168.0.254", H, true, {Ip(192, 168, 0, 0), Ip(192, 168, 0, 255)}},
        IntervalRow{"HostsOfA31", "10.1.2.3-10.1.2.2", H, true, {Ip(10, 1, 2, 2), Ip(10, 1, 2, 3)}},
        IntervalRow{"HostsOfA32", "10.1.2.4-10.1.2.2", H, true, {Ip(10, 1, 2, 3), Ip(10, 1, 2, 3)}},
        IntervalRow{"HostsTooFarBackwards", "10.1.2.5-10.1.2.2", H, false, {}},
        IntervalRow{"HostsFromZero", "0.0.0.0-0.0.0.5", H, false, {}},
        IntervalRow{"HostsToAllOnes", "0.0.0.1-255.255.255.255", H, false, {}},
        IntervalRow{"HostsOfEverything", "0.0.0.1-255.255.255.254", H, true, {0, kTop}},
        IntervalRow{"AddressesInclusive", "10.0.0.5-10.0.0.9", A, true, {Ip(10, 0, 0, 5), Ip(10, 0, 0, 9)}},
        IntervalRow{"AddressesEverything", "0.0.0.0-255.255.255.255", A, true, {0, kTop}},
        IntervalRow{"AddressesBackwards", "10.0.0.9-10.0.0.8", A, false, {}},
        IntervalRow{"RangeEndNotAQuad", "10.0.0-10.0.0.9", A, false, {}},
        IntervalRow{"OctalRangeEnd", "10.0.0.011-10.0.0.8", A, false, {}},  // 011 is 9: backwards
        IntervalRow{"NoSeparator", "10.0.0.1", H, false, {}}),
    RowName<IntervalRow>);

// ---- Writing an interval ----

struct SplitRow {
    const char* name;
    AddressInterval interval;
    std::vector<std::string> networks;
};

class SplitTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitTest, GivesTheFewestNetworks) { EXPECT_EQ(Networks(GetParam().interval), GetParam().networks); }

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitTest,
    testing::Values(SplitRow{"Aligned", {Ip(10, 0, 0, 0), Ip(10, 0, 0, 255)}, {"10.0.0.0/24"}},
                    SplitRow{"Misaligned", {Ip(10, 0, 0, 5), Ip(10, 0, 0, 9)}, {"10.0.0.5/32", "10.0.0.6/31", "10.0.0.8/31"}},
                    SplitRow{"HostsOfAMisalignedRange", {Ip(10, 0, 0, 4), Ip(10, 0, 0, 10)},
                             {"10.0.0.4/30", "10.0.0.8/31", "10.0.0.10/32"}},
                    SplitRow{"OneAddress", {Ip(1, 2, 3, 4), Ip(1, 2, 3, 4)}, {"1.2.3.4/32"}},
                    SplitRow{"Everything", {0, kTop}, {"0.0.0.0/0"}},
                    SplitRow{"FirstAddress", {0, 0}, {"0.0.0.0/32"}},
                    SplitRow{"LastAddress", {kTop, kTop}, {"255.255.255.255/32"}},
                    SplitRow{"AllButTheLast", {0, kTop - 1}, [] {
                                 std::vector<std::string> v;
                                 for (unsigned p = 1; p <= 32; ++p) {
                                     const std::uint64_t start = kTop + 1 - (std::uint64_t{1} << (33 - p));
                                     std::string t;
                                     AppendNetwork(t, start, p, 1, "/");
                                     v.push_back(t);
                                 }
                                 return v;
                             }()}),
    RowName<SplitRow>);

TEST(AppendNetwork, WritesEveryForm) {
    auto write = [](std::uint64_t network, unsigned prefix, int form) {
        std::string text;
        AppendNetwork(text, network, prefix, form, " / ");
        return text;
    };
    EXPECT_EQ(write(Ip(10, 0, 0, 0), 8, 1), "10.0.0.0 / 8");
    EXPECT_EQ(write(Ip(10, 0, 0, 0), 8, 2), "10.0.0.0 / 255.0.0.0");
    EXPECT_EQ(write(Ip(10, 0, 0, 0), 8, 0), "10.0.0.1-10.255.255.254");
    EXPECT_EQ(write(Ip(10, 1, 2, 2), 31, 0), "10.1.2.3-10.1.2.2");  // as the window writes a /31
    EXPECT_EQ(write(Ip(10, 1, 2, 3), 32, 0), "10.1.2.4-10.1.2.2");
    EXPECT_EQ(write(0, 0, 2), "0.0.0.0 / 0.0.0.0");
    std::string range;
    AppendAddressRange(range, {Ip(10, 0, 0, 5), Ip(10, 0, 0, 9)});
    EXPECT_EQ(range, "10.0.0.5-10.0.0.9");
}

// ---- Set operations ----

struct SetRow {
    const char* name;
    std::vector<AddressInterval> a, b;
    std::vector<AddressInterval> unionOfA, intersection, difference;
};

class SetOperationTest : public testing::TestWithParam<SetRow> {};

TEST_P(SetOperationTest, Computes) {
    const SetRow& row = GetParam();
    const auto a = UnionOf(row.a), b = UnionOf(row.b);
    EXPECT_EQ(a, row.unionOfA);
    EXPECT_EQ(IntersectionOf(a, b), row.intersection);
    EXPECT_EQ(DifferenceOf(a, b), row.difference);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SetOperationTest,
    testing::Values(SetRow{"AdjacentJoin", {{5, 9}, {10, 12}}, {{0, 4}}, {{5, 12}}, {}, {{5, 12}}},
                    SetRow{"OverlappingJoin", {{10, 20}, {5, 12}}, {{12, 30}}, {{5, 20}}, {{12, 20}}, {{5, 11}}},
                    SetRow{"NestedHole", {{0, 100}, {20, 30}}, {{40, 50}}, {{0, 100}}, {{40, 50}}, {{0, 39}, {51, 100}}},
                    SetRow{"Disjoint", {{0, 1}, {5, 6}}, {{2, 4}}, {{0, 1}, {5, 6}}, {}, {{0, 1}, {5, 6}}},
                    SetRow{"AllTakenOut", {{3, 9}}, {{0, 100}}, {{3, 9}}, {{3, 9}}, {}},
                    SetRow{"EmptyInput", {}, {{0, 5}}, {}, {}, {}},
                    SetRow{"WholeSpaceLessEnds", {{0, kTop}}, {{0, 0}, {kTop, kTop}}, {{0, kTop}}, {{0, 0}, {kTop, kTop}},
                           {{1, kTop - 1}}}),
    RowName<SetRow>);

// Random lists in a small space, checked address by address: the union holds
// exactly the addresses of its input, its intervals are disjoint and apart,
// and their networks neither overlap nor could be joined.
TEST(UnionOf, HoldsExactlyItsInputInTheFewestNetworks) {
    constexpr std::uint64_t kSpace = 4096;
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<AddressInterval> a, b;
        std::vector<bool> inA(kSpace), inB(kSpace);
        for (auto* list : {&a, &b})
            for (int k = random() % 12; k > 0; --k) {
                const std::uint64_t first = random() % kSpace, last = std::min(kSpace - 1, first + random() % 300);
                list->push_back({first, last});
                for (std::uint64_t x = first; x <= last; ++x) (list == &a ? inA : inB)[x] = true;
            }
        const auto ua = UnionOf(a), ub = UnionOf(b), both = IntersectionOf(ua, ub), less = DifferenceOf(ua, ub);
        auto holds = [](const std::vector<AddressInterval>& set, std::uint64_t x) {
            return std::any_of(set.begin(), set.end(), [&](const AddressInterval& i) { return i.first <= x && x <= i.last; });
        };
        for (std::uint64_t x = 0; x < kSpace; ++x) {
            ASSERT_EQ(holds(ua, x), inA[x]) << x;
            ASSERT_EQ(holds(both, x), inA[x] && inB[x]) << x;
            ASSERT_EQ(holds(less, x), inA[x] && !inB[x]) << x;
        }
        for (std::size_t i = 1; i < ua.size(); ++i) ASSERT_GT(ua[i].first, ua[i - 1].last + 1);

        std::vector<std::pair<std::uint64_t, unsigned>> networks;
        for (const auto& interval : ua)
            ForEachNetwork(interval, kIPv4Width, [&](std::uint64_t n, unsigned p) { networks.push_back({n, p}); });
        std::uint64_t covered = 0;
        for (std::size_t i = 0; i < networks.size(); ++i) {
            const auto [n, p] = networks[i];
            const std::uint64_t size = std::uint64_t{1} << (32 - p);
            ASSERT_EQ(n % size, 0u);  // aligned
            covered += size;
            if (i + 1 < networks.size()) {
                const auto [next, q] = networks[i + 1];
                ASSERT_GE(next, n + size);  // no overlap
                ASSERT_FALSE(q == p && next == n + size && n % (2 * size) == 0) << "joinable at " << n;
            }
        }
        ASSERT_EQ(covered, static_cast<std::uint64_t>(std::count(inA.begin(), inA.end(), true)));
    }
}
