// The conversion engine: codec rules, the line table, list cleaning, order.
#include <gtest/gtest.h>

#include "TestRows.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "ListOracle.h"
#include "TextRules.h"
#include "unCommon.h"

using namespace orvane;

namespace {

// Rows are named so a failure says which rule broke.

std::vector<std::string> Convert(const std::vector<std::string>& lines, bool dedupe, bool sort, int form,
                                 std::string_view delimiter = " / ") {
    std::vector<std::string_view> views(lines.begin(), lines.end());
    return TransformList(views, dedupe, sort, form, delimiter);
}

}  // namespace

// ---- SplitAtDots ----

struct SplitRow {
    const char* name;
    std::string text;
    std::vector<std::string> pieces;
};

class SplitAtDotsTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitAtDotsTest, GivesPieces) { EXPECT_EQ(SplitAtDots(GetParam().text), GetParam().pieces); }

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitAtDotsTest,
    testing::Values(SplitRow{"Plain", "192.168.0.1", {"192", "168", "0", "1"}},
                    SplitRow{"Empty", "", {}},
                    SplitRow{"DotsOnly", "...", {}},
                    SplitRow{"EmptyPiecesDropped", "1..2.", {"1", "2"}},
                    SplitRow{"LeadingDot", ".5", {"5"}},
                    SplitRow{"QuotedDotStaysInside", "1.'2.3'.4", {"1", "'2.3'", "4"}},
                    SplitRow{"QuoteOpensMidPiece", "a'b.c'.d", {"a'b.c'", "d"}},
                    SplitRow{"UnclosedQuoteRunsToEnd", "1.'2.3", {"1", "'2.3"}},
                    SplitRow{"OtherQuoteInsideIsPlain", "\"a'.b\".c", {"\"a'.b\"", "c"}},
                    SplitRow{"LineBreaksSeparate", "1\r\n2\n3\r4", {"1", "2", "3", "4"}},
                    SplitRow{"BlanksAreKept", " 1 . 2", {" 1 ", " 2"}}),
    RowName<SplitRow>);

// ---- IntegerOrDefault ----

struct IntegerRow {
    const char* name;
    std::string text;
    std::int32_t value;  // with default -1
};

class IntegerOrDefaultTest : public testing::TestWithParam<IntegerRow> {};

TEST_P(IntegerOrDefaultTest, Reads) { EXPECT_EQ(IntegerOrDefault(GetParam().text, -1), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Rows, IntegerOrDefaultTest,
    testing::Values(IntegerRow{"Decimal", "24", 24}, IntegerRow{"LeadingZeroStaysDecimal", "024", 24},
                    IntegerRow{"PlusSign", "+24", 24}, IntegerRow{"ManyLeadingZeros", "00000000000024", 24},
                    IntegerRow{"LeadingBlanks", "   24", 24}, IntegerRow{"DollarHex", "$18", 24},
                    IntegerRow{"SmallXHex", "x18", 24}, IntegerRow{"CapitalXHex", "X18", 24},
                    IntegerRow{"ZeroXHex", "0x18", 24}, IntegerRow{"ZeroCapitalXHex", "0X18", 24},
                    IntegerRow{"NegativeZero", "-0", 0}, IntegerRow{"Largest", "2147483647", 2147483647},
                    IntegerRow{"Smallest", "-2147483648", INT32_MIN}, IntegerRow{"HexAllOnes", "$FFFFFFFF", -1},
                    IntegerRow{"HexSignBit", "$80000000", INT32_MIN}, IntegerRow{"NegatedHex", "-$5", -5},
                    IntegerRow{"HexLeadingZerosDoNotCount", "$000000001", 1},
                    IntegerRow{"NegatedHexSmallest", "-$80000000", INT32_MIN},
                    IntegerRow{"TrailingBlank", "24 ", -1}, IntegerRow{"Empty", "", -1},
                    IntegerRow{"LoneSign", "-", -1}, IntegerRow{"LoneZeroX", "0x", -1},
                    IntegerRow{"LoneDollar", "$", -1}, IntegerRow{"OnePastLargest", "2147483648", -1},
                    IntegerRow{"OnePastSmallest", "-2147483649", -1}, IntegerRow{"NineHexDigits", "$100000000", -1},
                    IntegerRow{"Exponent", "1e3", -1}, IntegerRow{"DoubleSign", "--1", -1},
                    IntegerRow{"BlankAfterSign", "- 1", -1}, IntegerRow{"HugeDecimal", "99999999999999999999", -1}),
    RowName<IntegerRow>);

// ---- IsDottedQuad ----

struct QuadRow {
    const char* name;
    std::string text;
    bool quad;
};

class IsDottedQuadTest : public testing::TestWithParam<QuadRow> {};

TEST_P(IsDottedQuadTest, Answers) { EXPECT_EQ(IsDottedQuad(GetParam().text), GetParam().quad); }

INSTANTIATE_TEST_SUITE_P(
    Rows, IsDottedQuadTest,
    testing::Values(QuadRow{"Plain", "192.168.0.1", true}, QuadRow{"NoUpperBound", "256.256.256.256", true},
                    QuadRow{"ThreePieces", "1.2.3", false}, QuadRow{"FivePieces", "1.2.3.4.5", false},
                    QuadRow{"EmptyPieceDropped", "1..2.3.4", true}, QuadRow{"OuterDots", ".1.2.3.4.", true},
                    QuadRow{"Negative", "1.2.3.-4", false}, QuadRow{"NegativeZero", "1.2.3.-0", true},
                    QuadRow{"HexPiece", "1.2.3.$FF", true}, QuadRow{"LoneX", "1.2.3.x", false},
                    QuadRow{"PieceOverInt32", "2147483648.1.1.1", false}, QuadRow{"QuotedPiece", "'1'.2.3.4", false}),
    RowName<QuadRow>);

// ---- ReverseOctetOrder, AddressToHostOrder, HostOrderToAddress ----

TEST(ReverseOctetOrder, JoinsPiecesBackwards) {
    EXPECT_EQ(ReverseOctetOrder("1.2.3.4"), "4.3.2.1");
    EXPECT_EQ(ReverseOctetOrder(""), "");
    EXPECT_EQ(ReverseOctetOrder("1..2"), "2.1");
    EXPECT_EQ(ReverseOctetOrder("abc"), "abc");
}

struct AddressRow {
    const char* name;
    std::string text;
    HostOrderValue value;
    bool readable;
};

class AddressToHostOrderTest : public testing::TestWithParam<AddressRow> {};

TEST_P(AddressToHostOrderTest, Reads) {
    EXPECT_EQ(AddressToHostOrder(GetParam().text), GetParam().value);
    EXPECT_EQ(IsReadableAddress(GetParam().text), GetParam().readable);
}

constexpr HostOrderValue Ip(unsigned a, unsigned b, unsigned c, unsigned d) { return a << 24 | b << 16 | c << 8 | d; }

INSTANTIATE_TEST_SUITE_P(
    Rows, AddressToHostOrderTest,
    testing::Values(AddressRow{"Plain", "10.0.0.1", Ip(10, 0, 0, 1), true},
                    AddressRow{"FirstOctetMostSignificant", "192.168.0.1", Ip(192, 168, 0, 1), true},
                    AddressRow{"PieceOver255", "192.168.0.256", 0xFFFFFFFF, false},
                    AddressRow{"LeadingZeroIsOctal", "192.168.010.1", Ip(192, 168, 8, 1), true},
                    AddressRow{"HexPiece", "0x0A.0.0.1", Ip(10, 0, 0, 1), true},
                    AddressRow{"ShortFormTwoPieces", "255.0", Ip(255, 0, 0, 0), true},
                    AddressRow{"ShortFormFillsLowBytes", "10.1", Ip(10, 0, 0, 1), true},
                    AddressRow{"DollarPrefix", "1.2.3.$4", 0xFFFFFFFF, false},
                    AddressRow{"FivePieces", "1.2.3.4.5", 0xFFFFFFFF, false},
                    AddressRow{"Empty", "", 0xFFFFFFFF, false},
                    AddressRow{"AllOnesIsReadable", "255.255.255.255", 0xFFFFFFFF, true}),
    RowName<AddressRow>);

TEST(HostOrderToAddress, WritesPlainDecimal) {
    EXPECT_EQ(HostOrderToAddress(1), "0.0.0.1");
    EXPECT_EQ(HostOrderToAddress(0), "0.0.0.0");
    EXPECT_EQ(HostOrderToAddress(0xFFFFFFFF), "255.255.255.255");
    EXPECT_EQ(HostOrderToAddress(Ip(192, 168, 0, 1)), "192.168.0.1");
}

TEST(HostOrderToAddress, RoundTripsEveryValueTried) {
    std::mt19937 random(7);
    for (int k = 0; k < 20000; ++k) {
        const HostOrderValue v = random();
        const std::string text = HostOrderToAddress(v);
        ASSERT_TRUE(IsDottedQuad(text)) << text;
        ASSERT_EQ(AddressToHostOrder(text), v) << text;
    }
}

// ---- TransformLine ----

struct LineRow {
    const char* name;
    std::string line;
    std::string form0, form1, form2;
};

class TransformLineTest : public testing::TestWithParam<LineRow> {};

TEST_P(TransformLineTest, GivesEachForm) {
    const LineRow& row = GetParam();
    EXPECT_EQ(TransformLine(row.line, 0, " / "), row.form0);
    EXPECT_EQ(TransformLine(row.line, 1, " / "), row.form1);
    EXPECT_EQ(TransformLine(row.line, 2, " / "), row.form2);
    EXPECT_EQ(TransformLine(row.line, 3, " / "), "");
    EXPECT_EQ(TransformLine(row.line, -1, " / "), "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TransformLineTest,
    testing::Values(
        LineRow{"Prefix24", "192.168.0.0/24", "192.168.0.1-192.168.0.254", "192.168.0.0 / 24", "192.168.0.0 / 255.255.255.0"},
        LineRow{"DottedMask", "192.168.1.0/255.255.255.0", "192.168.1.1-192.168.1.254", "192.168.1.0 / 24",
                "192.168.1.0 / 255.255.255.0"},
        LineRow{"HostAddressMasked", "192.168.1.77/24", "192.168.1.1-192.168.1.254", "192.168.1.0 / 24",
                "192.168.1.0 / 255.255.255.0"},
        LineRow{"Range24", "192.168.0.1-192.168.0.254", "192.168.0.1-192.168.0.254", "192.168.0.0 / 24",
                "192.168.0.0 / 255.255.255.0"},
        LineRow{"Range23", "192.168.0.1-192.168.1.254", "192.168.0.1-192.168.1.254", "192.168.0.0 / 23",
                "192.168.0.0 / 255.255.254.0"},
        LineRow{"Prefix30", "10.0.0.0/30", "10.0.0.1-10.0.0.2", "10.0.0.0 / 30", "10.0.0.0 / 255.255.255.252"},
        LineRow{"Prefix32FirstAboveLast", "10.1.2.3/32", "10.1.2.4-10.1.2.2", "10.1.2.3 / 32",
                "10.1.2.3 / 255.255.255.255"},
        LineRow{"Prefix31", "10.1.2.2/31", "10.1.2.3-10.1.2.2", "10.1.2.2 / 31", "10.1.2.2 / 255.255.255.254"},
        LineRow{"ZeroSlash32", "0.0.0.0/32", "0.0.0.1-255.255.255.255", "0.0.0.0 / 32", "0.0.0.0 / 255.255.255.255"},
        LineRow{"Prefix0", "10.0.0.0/0", "0.0.0.1-255.255.255.254", "0.0.0.0 / 0", "0.0.0.0 / 0.0.0.0"},
        LineRow{"PrefixOctalLooking", "10.0.0.0/024", "10.0.0.1-10.0.0.254", "10.0.0.0 / 24", "10.0.0.0 / 255.255.255.0"},
        LineRow{"PrefixHex", "10.0.0.0/0x18", "10.0.0.1-10.0.0.254", "10.0.0.0 / 24", "10.0.0.0 / 255.255.255.0"},
        LineRow{"ShortDottedMask", "10.0.0.0/255.0", "10.0.0.1-10.255.255.254", "10.0.0.0 / 8", "10.0.0.0 / 255.0.0.0"},
        LineRow{"NonContiguousMask", "1.2.3.4/255.0.255.0", "1.0.3.1-1.255.3.254", "1.0.3.0 / 24", "1.0.3.0 / 255.0.255.0"},
        LineRow{"RangeFromNetworkAddress", "172.20.20.0-172.20.21.254", "172.20.20.0-172.20.21.254",
                "172.20.19.255 / 32", "172.20.19.255 / 255.255.253.255"},
        LineRow{"RangeIncludingBroadcast", "10.0.0.0-10.0.0.255", "10.0.0.0-10.0.0.255", "9.255.255.255 / 31",
                "9.255.255.255 / 255.255.254.254"},
        LineRow{"Range29", "10.0.0.1-10.0.0.6", "10.0.0.1-10.0.0.6", "10.0.0.0 / 29", "10.0.0.0 / 255.255.255.248"},
        LineRow{"RangeNotPowerOfTwo", "10.0.0.1-10.0.0.5", "10.0.0.1-10.0.0.5", "10.0.0.0 / 32",
                "10.0.0.0 / 255.255.255.249"},
        LineRow{"SingleHostRange", "10.0.0.1-10.0.0.1", "10.0.0.1-10.0.0.1", "10.0.0.0 / 32", "10.0.0.0 / 255.255.255.253"},
        LineRow{"ReversedRange", "192.168.0.1-192.168.0.0", "192.168.0.1-192.168.0.0", "192.168.0.0 / 31",
                "192.168.0.0 / 255.255.255.254"},
        LineRow{"OctalPiecesInRange", "192.168.010.1-192.168.010.254", "192.168.010.1-192.168.010.254",
                "192.168.8.0 / 24", "192.168.8.0 / 255.255.255.0"},
        LineRow{"DoubledDotInRange", "1..2.3.4-1.2.3.9", "1..2.3.4-1.2.3.9", "1.2.3.3 / 29", "1.2.3.3 / 255.255.255.248"},
        LineRow{"BothSeparators", "1.2.3.4-5.6.7.8/24", "", "", ""},
        LineRow{"TwoDashes", "1.2.3.4-5.6.7.8-9", "", "", ""},
        LineRow{"RangeEndNotQuad", "1.2.3.4-5.6.7", "", "", ""},
        LineRow{"NoSeparator", "1.2.3.4", "", "", ""},
        // A typo never becomes a real-looking network.
        LineRow{"PrefixOver32", "10.0.0.0/33", "", "", ""},
        LineRow{"PrefixNotANumber", "10.0.0.0/2x", "", "", ""},
        LineRow{"SecondSlash", "192.168.0.0/24/8", "", "", ""},
        LineRow{"PrefixMinusOne", "10.0.0.0/$FFFFFFFF", "", "", ""},
        LineRow{"NegativePrefix", "10.0.0.0/-8", "", "", ""},
        LineRow{"EmptyPrefix", "10.0.0.0/", "", "", ""},
        LineRow{"AddressPieceOver255", "300.1.1.1/24", "", "", ""},
        LineRow{"NulInsideAddress", std::string("10.0.0.0\0x/8", 12), "", "", ""},
        LineRow{"DottedMaskUnreadable", "10.0.0.0/255.255.255.256", "", "", ""},
        LineRow{"RangeEndUnreadable", "192.168.0.1-192.168.0.300", "192.168.0.1-192.168.0.300", "", ""},
        LineRow{"RangeStartUnreadable", "1.2.3.$4-1.2.3.9", "1.2.3.$4-1.2.3.9", "", ""},
        LineRow{"PrefixWithBlanksTrimmed", "10.0.0.0/ 8 ", "10.0.0.1-10.255.255.254", "10.0.0.0 / 8",
                "10.0.0.0 / 255.0.0.0"}),
    RowName<LineRow>);

TEST(TransformLine, DelimiterIsUsedUnchanged) {
    EXPECT_EQ(TransformLine("192.168.0.0/24", 1, ""), "192.168.0.024");
    EXPECT_EQ(TransformLine("192.168.0.0/24", 2, "\t"), "192.168.0.0\t255.255.255.0");
    EXPECT_EQ(TransformLine("192.168.0.0/24", 0, "xyz"), "192.168.0.1-192.168.0.254");
}

// A subnet's host range converts back to the same network and mask, for any
// address and any mask, contiguous or not, /31 and /32 included.
TEST(TransformLine, HostRangeConvertsBackToItsSubnet) {
    std::mt19937 random(42);
    for (int k = 0; k < 20000; ++k) {
        const HostOrderValue a = random();
        const int prefix = static_cast<int>(random() % 33);
        const HostOrderValue m = k % 3 == 0 ? random() : prefix == 0 ? 0u : ~0u << (32 - prefix);
        const std::string line = HostOrderToAddress(a) + "/" + (k % 3 == 0 ? HostOrderToAddress(m) : std::to_string(prefix));
        const std::string range = TransformLine(line, 0, "/");
        ASSERT_FALSE(range.empty()) << line;
        const std::string network = HostOrderToAddress(a & m);
        ASSERT_EQ(TransformLine(range, 2, "/"), network + "/" + HostOrderToAddress(m)) << line;
        ASSERT_EQ(TransformLine(range, 1, "/"), TransformLine(line, 1, "/")) << line;
        ASSERT_EQ(TransformLine(line, 2, "/"), network + "/" + HostOrderToAddress(m)) << line;
        // The named conversions agree with the line conversion that runs.
        const std::size_t slash = line.find('/'), dash = range.find('-');
        const TIPAddr hosts = SubnetToHostRange({line.substr(0, slash), line.substr(slash + 1)});
        ASSERT_EQ(hosts.first + "-" + hosts.second, range) << line;
        const TIPAddr subnet = HostRangeToSubnet({range.substr(0, dash), range.substr(dash + 1)}, 2);
        ASSERT_EQ(subnet.first + "/" + subnet.second, network + "/" + HostOrderToAddress(m)) << line;
    }
}

// ---- NormalizeLine and its helpers ----

struct NormalizeRow {
    const char* name;
    std::string line;
    std::string cleaned;
};

class NormalizeLineTest : public testing::TestWithParam<NormalizeRow> {};

TEST_P(NormalizeLineTest, Cleans) { EXPECT_EQ(NormalizeLine(GetParam().line), GetParam().cleaned); }

INSTANTIATE_TEST_SUITE_P(
    Rows, NormalizeLineTest,
    testing::Values(NormalizeRow{"BlanksRemoved", "192.168.0.0 / 24", "192.168.0.0/24"},
                    NormalizeRow{"SpacedRange", "172.20.20.0 - 172.20.21.254", "172.20.20.0-172.20.21.254"},
                    NormalizeRow{"NoDotsCleared", "Пример исходных данных:", ""},
                    NormalizeRow{"EmptyLine", "", ""},
                    NormalizeRow{"EmDashBecomesHyphen", "10.0.0.1 \x97 10.0.0.254", "10.0.0.1-10.0.0.254"},
                    NormalizeRow{"EnDashNotReplaced", "10.0.0.1\x96"
                                                      "10.0.0.254",
                                 "10.0.0.1\x96"
                                 "10.0.0.254"},
                    NormalizeRow{"LatinOIsRemoved", "1o.0.0.0/8", "1.0.0.0/8"},
                    NormalizeRow{"CapitalAndCyrillicOStay", "1O.0.0.0/8\xEE", "1O.0.0.0/8\xEE"},
                    NormalizeRow{"OuterTabsTrimmed", "\t10.0.0.0/8\t", "10.0.0.0/8"},
                    NormalizeRow{"InnerTabsStaySlashGoes", "10.0.0.0\t/\t8", "10.0.0.0\t\t8"},
                    NormalizeRow{"NoBreakSpaceNotTrimmed", "10.0.0.0\xA0/8", "10.0.0.0\xA0"
                                                                             "8"},
                    NormalizeRow{"DoubledHyphenDropped", "10.0.0.1--10.0.0.5", "10.0.0.110.0.0.5"},
                    NormalizeRow{"LeadingHyphenDropped", "-10.0.0.0/8", "10.0.0.0/8"},
                    NormalizeRow{"StarIgnored", "10.0.0.0/8*", "10.0.0.0/8"},
                    NormalizeRow{"TrimBeforeStarRemoval", "10.0.0.0/8\t*", "10.0.0.0/8\t"},
                    NormalizeRow{"TwoDotsCleared", "10.0.0/8", ""},
                    NormalizeRow{"LeadingDotNotCounted", ".1.2.3/8", ""}),
    RowName<NormalizeRow>);

TEST(CountSubstring, CountsFromSecondCharacterWithOverlaps) {
    EXPECT_EQ(CountSubstring(".", ".1.2.3"), 2);
    EXPECT_EQ(CountSubstring(".", "1.2.3.4"), 3);
    EXPECT_EQ(CountSubstring("aa", "aaaa"), 2);  // starts at 2: "aa" at 2 and 3
    EXPECT_EQ(CountSubstring("", "abc"), 0);
    EXPECT_EQ(CountSubstring(".", ""), 0);
}

TEST(StripLooseSeparators, KeepsOnlySeparatorsBetweenDigits) {
    EXPECT_EQ(StripLooseSeparators("1-2/3"), "1-2/3");
    EXPECT_EQ(StripLooseSeparators("-1/"), "1");
    EXPECT_EQ(StripLooseSeparators("1--2"), "12");
    EXPECT_EQ(StripLooseSeparators("a-1 /2"), "a1 2");
    EXPECT_EQ(StripLooseSeparators("10.0.0.$A-10.0.0.$FE"), "10.0.0.$A10.0.0.$FE");
}

// ---- CompareTextNoCase ----

TEST(CompareTextNoCase, IgnoresLetterCaseOnly) {
    EXPECT_EQ(CompareTextNoCase("ABC", "abc"), 0);
    EXPECT_EQ(CompareTextNoCase("\xC0\xC1\xC2\xA8", "\xE0\xE1\xE2\xB8"), 0);  // АБВЁ / абвё
    EXPECT_EQ(CompareTextNoCase("10.0.0.$A-10.0.0.$FE", "10.0.0.$a-10.0.0.$fe"), 0);
    EXPECT_NE(CompareTextNoCase("10-1", "101"), 0);
    EXPECT_NE(CompareTextNoCase("a'b", "ab"), 0);
    EXPECT_NE(CompareTextNoCase("\xE5", "\xB8"), 0);  // е and ё differ
    EXPECT_NE(CompareTextNoCase("a", "a "), 0);
}

struct OrderRow {
    const char* name;
    std::string lower, higher;
};

class CompareOrderTest : public testing::TestWithParam<OrderRow> {};

TEST_P(CompareOrderTest, OrdersBothWays) {
    EXPECT_EQ(CompareTextNoCase(GetParam().lower, GetParam().higher), -1);
    EXPECT_EQ(CompareTextNoCase(GetParam().higher, GetParam().lower), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CompareOrderTest,
    testing::Values(OrderRow{"DigitsOneAtATime", "10.0.0.0/8", "9.0.0.0/8"},
                    OrderRow{"TextNotNumericOrder", "192.168.10.0/24", "192.168.2.0/24"},
                    OrderRow{"DotBeforeDigit", "1.2.3.0/24", "10.0.0.0/8"},
                    OrderRow{"SlashBeforeDigit", "10/", "100"},
                    OrderRow{"HyphenPassedOver", "10.0.0.0/8", "10.0.0.0-10.0.0.255"},
                    OrderRow{"HyphenWeighsLast", "ab", "a-b"},
                    OrderRow{"DigitBeforeLatin", "9", "a"},
                    OrderRow{"LatinBeforeCyrillic", "z", "\xE0"},
                    OrderRow{"CyrillicYoAfterYe", "\xC5\xFF", "\xB8"},  // Ея < ё
                    OrderRow{"CyrillicYoBeforeZhe", "\xB8", "\xE6"},
                    OrderRow{"PrefixFirst", "10.0", "10.0.0"},
                    OrderRow{"BlankBeforePunctuation", " ", "!"}),
    RowName<OrderRow>);

// The sort and the hash-based duplicate search rely on a consistent order and
// on the hash agreeing with equality.
TEST(CompareTextNoCase, IsATotalOrderOnRandomTexts) {
    std::mt19937 random(3);
    const std::string alphabet = "0123456789.-/'aAzZ\xE0\xC0\xB8\xA8 \t";
    std::vector<std::string> texts(300);
    for (auto& t : texts) {
        const std::size_t n = random() % 6;
        for (std::size_t i = 0; i < n; ++i) t += alphabet[random() % alphabet.size()];
    }
    for (const auto& a : texts) {
        ASSERT_EQ(CompareTextNoCase(a, a), 0);
        for (const auto& b : texts) {
            const int ab = CompareTextNoCase(a, b);
            ASSERT_EQ(ab, -CompareTextNoCase(b, a)) << a << " | " << b;
        }
    }
    std::vector<std::string> sorted = texts;
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return CompareTextNoCase(a, b) < 0; });
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i)
        for (std::size_t j = i + 1; j < sorted.size(); ++j)
            ASSERT_LE(CompareTextNoCase(sorted[i], sorted[j]), 0) << sorted[i] << " | " << sorted[j];
}

// ---- TransformList ----

const std::vector<std::string> kExample = {"\xCF\xF0\xE8\xEC\xE5\xF0 \xE8\xF1\xF5\xEE\xE4\xED\xFB\xF5 "
                                           "\xE4\xE0\xED\xED\xFB\xF5:",
                                           "", "192.168.0.0 / 24", "172.20.20.0 - 172.20.21.254",
                                           "192.168.1.0 / 255.255.255.0"};

struct ListRow {
    const char* name;
    int form;
    std::vector<std::string> output;
};

class ExampleListTest : public testing::TestWithParam<ListRow> {};

TEST_P(ExampleListTest, ConvertsSorted) { EXPECT_EQ(Convert(kExample, true, true, GetParam().form), GetParam().output); }

INSTANTIATE_TEST_SUITE_P(
    Forms, ExampleListTest,
    testing::Values(ListRow{"HostRange", 0,
                            {"172.20.20.0-172.20.21.254", "192.168.0.1-192.168.0.254", "192.168.1.1-192.168.1.254"}},
                    ListRow{"PrefixLength", 1, {"172.20.19.255 / 32", "192.168.0.0 / 24", "192.168.1.0 / 24"}},
                    ListRow{"DottedMask", 2,
                            {"172.20.19.255 / 255.255.253.255", "192.168.0.0 / 255.255.255.0",
                             "192.168.1.0 / 255.255.255.0"}},
                    ListRow{"NoSuchForm", 3, {}}),
    RowName<ListRow>);

TEST(TransformList, UnsortedKeepsInputOrder) {
    EXPECT_EQ(Convert(kExample, true, false, 0),
              (std::vector<std::string>{"192.168.0.1-192.168.0.254", "172.20.20.0-172.20.21.254",
                                        "192.168.1.1-192.168.1.254"}));
}

TEST(TransformList, EmptyOrAllRejectedGivesNothing) {
    EXPECT_TRUE(Convert({}, true, true, 0).empty());
    EXPECT_TRUE(Convert({"", "abc", "1.2.3.4"}, true, true, 1).empty());
}

TEST(TransformList, DuplicatesAreJudgedOnCleanedText) {
    const std::vector<std::string> lines = {"192.168.0.0 / 24", "192.168.0.0/24"};
    EXPECT_EQ(Convert(lines, true, true, 1).size(), 1u);
    EXPECT_EQ(Convert(lines, false, true, 1), (std::vector<std::string>{"192.168.0.0 / 24", "192.168.0.0 / 24"}));
    // Equal networks written differently are not duplicates.
    EXPECT_EQ(Convert({"10.0.0.0/8", "10.0.0.0/255.0.0.0"}, true, true, 1),
              (std::vector<std::string>{"10.0.0.0 / 8", "10.0.0.0 / 8"}));
}

TEST(TransformList, FirstOfCaseVariantsIsKept) {
    EXPECT_EQ(Convert({"10.0.0.1-10.0.0.0XfE", "1.1.1.1/8", "10.0.0.1-10.0.0.0xFe"}, true, false, 0),
              (std::vector<std::string>{"10.0.0.1-10.0.0.0XfE", "1.0.0.1-1.255.255.254"}));
    EXPECT_EQ(Convert({"10.0.0.1-10.0.0.0XfE", "10.0.0.1-10.0.0.0xFe"}, false, false, 0),
              (std::vector<std::string>{"10.0.0.1-10.0.0.0XfE", "10.0.0.1-10.0.0.0xFe"}));
    // A hyphen next to a letter is a loose separator, so this range names nothing.
    EXPECT_TRUE(Convert({"10.0.0.$A-10.0.0.$FE", "10.0.0.$a-10.0.0.$fe"}, true, false, 0).empty());
}

TEST(TransformList, SortsByTextNotByValue) {
    EXPECT_EQ(Convert({"9.0.0.0/8", "10.0.0.0/8", "192.168.2.0/24", "192.168.10.0/24", "1.2.3.0/24"}, true, true, 1),
              (std::vector<std::string>{"1.2.3.0 / 24", "10.0.0.0 / 8", "192.168.10.0 / 24", "192.168.2.0 / 24",
                                        "9.0.0.0 / 8"}));
}

// The sort key passes over hyphens as the comparison does: "10.0.0.0/8"
// comes before the range that starts with the same address.
TEST(TransformList, SortPassesOverHyphens) {
    EXPECT_EQ(Convert({"10.0.0.0-10.0.0.255", "10.0.0.0/8"}, true, true, 0),
              (std::vector<std::string>{"10.0.0.1-10.255.255.254", "10.0.0.0-10.0.0.255"}));
}

// Lines that differ only in letter case compare equal; with duplicates kept,
// the order the list has always had for them is the quicksort's, not the
// input's (a stable sort would keep the input order).
TEST(TransformList, EqualLinesKeepTheQuicksortOrder) {
    EXPECT_EQ(Convert({"1.1.1.1-1.1.1.0XfE", "1.1.1.1-1.1.1.0xFe", "1.1.1.1-1.1.1.0XFE"}, false, true, 0),
              (std::vector<std::string>{"1.1.1.1-1.1.1.0XFE", "1.1.1.1-1.1.1.0xFe", "1.1.1.1-1.1.1.0XfE"}));
}

TEST(TransformList, CleansEachLineBeforeConverting) {
    EXPECT_EQ(Convert({"10.0.0.1 \x97 10.0.0.254", "1o.0.0.0/8", "10.0.0.0/8*", "-10.0.0.0/8", "10.0.0.1--10.0.0.5",
                       "10.0.0.1\x96"
                       "10.0.0.254",
                       "\t10.0.0.0\t/\t8\t"},
                      false, false, 1),
              (std::vector<std::string>{"10.0.0.0 / 24", "1.0.0.0 / 8", "10.0.0.0 / 8", "10.0.0.0 / 8"}));
}

// The hashed duplicate search must keep exactly what a scan of the working
// list would keep: the first of equal lines, at its place.
TEST(TransformList, DuplicateSearchMatchesAPlainScan) {
    std::mt19937 random(11);
    const char* octets[] = {"1", "10", "2", "$a", "$A", "0x1", "0X1", "o1"};
    std::vector<std::string> lines;
    for (int k = 0; k < 3000; ++k)
        lines.push_back(std::string(octets[random() % 8]) + "." + octets[random() % 8] + ".0." + octets[random() % 8] +
                        (random() % 2 ? "/" : " / ") + std::to_string(random() % 33));
    std::vector<std::string> expected;
    for (const auto& line : lines) {
        const std::string cleaned = NormalizeLine(line);
        if (cleaned.empty()) continue;
        if (std::none_of(expected.begin(), expected.end(),
                         [&](const std::string& e) { return CompareTextNoCase(e, cleaned) == 0; }))
            expected.push_back(cleaned);
    }
    std::vector<std::string> converted;
    for (const auto& line : expected)
        if (auto out = TransformLine(line, 2, "|"); !out.empty()) converted.push_back(out);
    EXPECT_EQ(Convert(lines, true, false, 2, "|"), converted);
}

TEST(TransformList, SortedOutputIsOrdered) {
    std::mt19937 random(5);
    std::vector<std::string> lines;
    for (int k = 0; k < 2000; ++k)
        lines.push_back(std::to_string(random() % 256) + "." + std::to_string(random() % 4) + ".0.0-" +
                        std::to_string(random() % 256) + ".0.0.9");
    const auto out = Convert(lines, false, true, 0);
    ASSERT_EQ(out.size(), lines.size());
    for (std::size_t i = 0; i + 1 < out.size(); ++i) ASSERT_LE(CompareTextNoCase(out[i], out[i + 1]), 0);
}

// ---- The fast conversion against the plain one ----

namespace {

// Lines of every shape the conversion meets: the three forms in plain,
// octal, hexadecimal and short spellings, letter-case twins, blanks, em
// dashes, stray separators, junk and overlong pieces.
std::vector<std::string> RandomList(std::mt19937& random, std::size_t count) {
    const char* octets[] = {"0", "1", "10", "127", "192", "255", "256", "010", "0x1F", "$a", "$A", "07", "00", "4294967295"};
    const char* masks[] = {"24", "8", "0", "32", "33", "024", "0x18", "$FF", "-1", "255.255.255.0", "255.0", "255.0.255.0", ""};
    const char* glue[] = {"/", " / ", "-", " - ", "\x97", "--", "/-", "", ".", "*", "o", "\t"};
    auto pick = [&](const auto& list) { return std::string(list[random() % std::size(list)]); };
    auto address = [&] {
        std::string text = pick(octets);
        for (int k = 1 + random() % 4; k < 4; ++k) text += "." + pick(octets);
        return text;
    };
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && random() % 8 == 0) {  // a repeat, sometimes in the other letter case
            std::string again = lines[random() % lines.size()];
            for (char& c : again)
                if (random() % 2 && std::isalpha(static_cast<unsigned char>(c))) c ^= 0x20;
            lines.push_back(again);
            continue;
        }
        switch (random() % 4) {
            case 0: lines.push_back(address() + pick(glue) + pick(masks)); break;
            case 1: lines.push_back(address() + pick(glue) + address()); break;
            case 2: lines.push_back(address() + pick(glue) + address() + pick(glue) + pick(masks)); break;
            default: lines.push_back(pick(octets) + pick(glue) + pick(octets) + "." + pick(masks)); break;
        }
    }
    return lines;
}

}  // namespace

TEST(TransformList, MatchesThePlainConversionOnRandomLists) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 4; ++round) {
        const std::vector<std::string> lines = RandomList(random, 3000);
        const std::vector<std::string_view> views(lines.begin(), lines.end());
        std::string text;
        for (const std::string& line : lines) text += line + (round % 2 ? "\n" : "\r\n");
        for (int options = 0; options < 12; ++options) {
            const bool dedupe = options & 1, sort = options & 2;
            const int form = options / 4;
            const auto expected = oracle::PlainTransformList(views, dedupe, sort, form, "|");
            ASSERT_EQ(TransformList(views, dedupe, sort, form, "|"), expected) << "options " << options;
            std::string joined;
            for (const std::string& line : expected) joined += line + "\r\n";
            std::string out;
            TransformListText(text, {.form = OutputFormOf(form), .removeDuplicates = dedupe, .sort = sort, .delimiter = "|"},
                              out);
            ASSERT_EQ(out, joined) << "options " << options;
        }
    }
}

// Every copy of a line that names nothing is named, dropped duplicates and
// blanks between them included, and asking changes nothing of the result.
TEST(TransformList, NamesEveryLineThatNamesNothing) {
    std::mt19937 random(20261209);
    std::vector<std::string> lines = RandomList(random, 3000);
    for (std::size_t k = 0; k < lines.size(); k += 1 + random() % 40) lines.insert(lines.begin() + k, k % 2 ? "" : " \t");
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    for (int options = 0; options < 12; ++options) {
        const bool dedupe = options & 1, sort = options & 2;
        const int form = options / 4;
        std::vector<std::size_t> expected;
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (!IsBlankLine(lines[k]) && TransformLine(NormalizeLine(lines[k]), form, "|").empty()) expected.push_back(k + 1);
        ASSERT_GT(expected.size(), 100u);
        ListConversion conversion{.form = OutputFormOf(form), .removeDuplicates = dedupe, .sort = sort, .delimiter = "|"};
        std::string plain, judged;
        TransformListText(text, conversion, plain);
        std::vector<std::size_t> named;
        conversion.rejected = [&](std::size_t line) { named.push_back(line); };
        TransformListText(text, conversion, judged);
        ASSERT_EQ(named, expected) << "options " << options;
        ASSERT_EQ(judged, plain) << "options " << options;
    }
}
