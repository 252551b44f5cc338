// The INI layer and the text forms of stored values.
#include <gtest/gtest.h>

#include "TestRows.h"
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "IniFile.h"
#include "TestSupport.h"
#include "Variants.h"

using namespace orvane;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public testing::Test {
protected:
    void Put(const std::string& bytes) { test::WriteBytes(path_, bytes); }
    std::string Get() const { return test::ReadBytes(path_); }
    test::TempDir dir_;
    std::string path_ = dir_ / "orvane.ini";
};

}  // namespace

TEST_F(IniFileTest, MissingFileGivesDefaults) {
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Main", "Sort", "True"), "True");
    ini.UpdateFile();  // nothing written, nothing created
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(IniFileTest, ReadsValuesAsTheProfileFunctionsDo) {
    Put("[Other]\r\nSort=no\r\n[main]\r\n  sort =  False \r\nSORT=True\r\nQuoted=\"a b \"\r\nSingle='x'\r\n"
        "Mixed=\"a'\r\nLone=\"\r\nEquals=a=b\r\nEmpty=\r\n[Main]\nLate=1\rLast=2");
    const TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Main", "Sort", "d"), "False");  // trimmed, any case, first key wins
    EXPECT_EQ(ini.ReadString("Main", "Quoted", "d"), "a b ");
    EXPECT_EQ(ini.ReadString("Main", "Single", "d"), "x");
    EXPECT_EQ(ini.ReadString("Main", "Mixed", "d"), "\"a'");
    EXPECT_EQ(ini.ReadString("Main", "Lone", "d"), "\"");
    EXPECT_EQ(ini.ReadString("Main", "Equals", "d"), "a=b");
    EXPECT_EQ(ini.ReadString("Main", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadString("Main", "Late", "d"), "1");  // a repeated section still counts
    EXPECT_EQ(ini.ReadString("Main", "Last", "d"), "2");
    EXPECT_EQ(ini.ReadString("Main", "Missing", "d"), "d");
    EXPECT_EQ(ini.ReadString("None", "Sort", "d"), "d");
}

TEST_F(IniFileTest, CutsLongValuesAt2047Bytes) {
    Put("[Main]\nLong=" + std::string(3000, 'x') + "\nCyrillic=" + std::string(2046, 'a') + "Жж\n");
    const TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Main", "Long", ""), std::string(2047, 'x'));
    EXPECT_EQ(ini.ReadString("Main", "Cyrillic", ""), std::string(2046, 'a'));  // the cut never splits a character
}

TEST_F(IniFileTest, NewFileHasTheKeysInWriteOrder) {
    TIniFile ini(path_);
    ini.WriteString("Main", "FormVersion", "0");
    ini.WriteString("Main", "MaskDelimiter", "@ / @");
    ini.WriteString("Main", "TransformType", "0");
    ini.UpdateFile();
    EXPECT_EQ(Get(), "[Main]\nFormVersion=0\nMaskDelimiter=@ / @\nTransformType=0\n");
}

TEST_F(IniFileTest, WritingKeepsEveryOtherByte) {
    Put("; comment\r\n[Main]\r\nSort=True\r\nMine=keep me\r\n\r\n[Other]\r\nSort=x\r\n");
    TIniFile ini(path_);
    ini.WriteString("MAIN", "sort", "False");
    ini.WriteString("Main", "TransformType", "2");
    ini.WriteString("Third", "Key", "v");
    ini.UpdateFile();
    EXPECT_EQ(Get(),
              "; comment\r\n[Main]\r\nsort=False\r\nMine=keep me\r\nTransformType=2\r\n\r\n[Other]\r\nSort=x\r\n"
              "[Third]\r\nKey=v\r\n");
}

TEST_F(IniFileTest, AddsALineEndBeforeAppending) {
    Put("[Main]\nSort=True");
    TIniFile ini(path_);
    ini.WriteString("Main", "Other", "1");
    ini.UpdateFile();
    EXPECT_EQ(Get(), "[Main]\nSort=True\nOther=1\n");
}

TEST_F(IniFileTest, ValuesCannotInjectLinesAndKeepTheirQuotes) {
    TIniFile ini(path_);
    ini.WriteString("Main", "OpenPath", "/tmp/a\r\n[Evil]\nKey=1");
    ini.WriteString("Main", "Quoted", "\"x\"");
    ini.WriteString("Main", "Single", "'y'");
    ini.UpdateFile();
    EXPECT_EQ(Get(), "[Main]\nOpenPath=/tmp/a[Evil]Key=1\nQuoted=\"\"x\"\"\nSingle=\"'y'\"\n");
    const TIniFile again(path_);
    EXPECT_EQ(again.ReadString("Main", "Quoted", ""), "\"x\"");
    EXPECT_EQ(again.ReadString("Main", "Single", ""), "'y'");
    EXPECT_EQ(again.ReadString("Evil", "Key", "none"), "none");
}

TEST_F(IniFileTest, KeepsAWindows1251FileInItsEncoding) {
    Put("[\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8]\r\n\xCA\xEB\xFE\xF7=\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\n[Main]\r\nOpenPath=\r\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Настройки", "Ключ", ""), "значение");
    ini.WriteString("Main", "OpenPath", "/home/пользователь");
    ini.UpdateFile();
    EXPECT_EQ(Get(), "[\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8]\r\n\xCA\xEB\xFE\xF7=\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\n"
                     "[Main]\r\nOpenPath=/home/\xEF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xFC\r\n");
}

// Which encoding a file is written back in, after one stored folder.
struct EncodingRow {
    const char* name;
    std::string before;
    std::string folder;  // UTF-8
    std::string after;
};

class IniEncodingTest : public IniFileTest, public testing::WithParamInterface<EncodingRow> {};

TEST_P(IniEncodingTest, WritesWhatTheFileCanHold) {
    Put(GetParam().before);
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Main", "Sort", ""), "True");
    ini.WriteString("Main", "OpenPath", GetParam().folder);
    ini.UpdateFile();
    EXPECT_EQ(Get(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IniEncodingTest,
    testing::Values(
        EncodingRow{"AsciiFileTakesUtf8", "[Main]\nSort=True\n", "/home/\xD1\x8F",
                    "[Main]\nSort=True\nOpenPath=/home/\xD1\x8F\n"},
        EncodingRow{"ByteOrderMarkIsNotPartOfTheSection", "\xEF\xBB\xBF[Main]\nSort=True\n", "/x",
                    "\xEF\xBB\xBF[Main]\nSort=True\nOpenPath=/x\n"},
        // "café" has no place in Windows-1251: the whole file turns UTF-8, its other lines read as before.
        EncodingRow{"Windows1251FileTurnsUtf8ForForeignLetters", "[\xD1]\nk=\xFF\n[Main]\nSort=True\n",
                    "/caf\xC3\xA9", "[\xD0\xA1]\nk=\xD1\x8F\n[Main]\nSort=True\nOpenPath=/caf\xC3\xA9\n"}),
    RowName<EncodingRow>);

TEST_F(IniFileTest, FailedWriteKeepsTheOldFile) {
    Put("[Main]\nSort=True\n");
    const int status = orvane::test::InChildWithFileSizeLimit(8, false, [&] {
        TIniFile ini(path_);
        ini.WriteString("Main", "Sort", "False");
        try {
            ini.UpdateFile();
        } catch (const EIniFileException& e) {
            return std::string(e.what()) == "Unable to write to " + path_ ? 0 : 2;
        }
        return 3;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Get(), "[Main]\nSort=True\n");
    EXPECT_EQ(dir_.Entries().size(), 1u);
}

// ---- Text forms ----

const std::string kNotBoolean = "Could not convert variant of type (String) into type (Boolean)";
const std::string kOverflow = "Overflow while converting variant of type (String) into type (Integer)";

struct BoolRow {
    const char* name;
    std::string text;
    bool value;
    std::string error;  // the exact message, or empty when the text converts
};

class TextToBoolTest : public testing::TestWithParam<BoolRow> {};

TEST_P(TextToBoolTest, Reads) {
    const BoolRow& row = GetParam();
    if (!row.error.empty()) EXPECT_THROW_MSG(TextToBool(row.text), EVariantTypeCastError, row.error);
    else EXPECT_EQ(TextToBool(row.text), row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextToBoolTest,
    testing::Values(BoolRow{"True", "True", true, ""}, BoolRow{"UpperTrue", "TRUE", true, ""},
                    BoolRow{"LowerFalse", "false", false, ""}, BoolRow{"Zero", "0", false, ""},
                    BoolRow{"Two", "2", true, ""}, BoolRow{"MinusOne", "-1", true, ""},
                    BoolRow{"ZeroFraction", "0.0", false, ""}, BoolRow{"HalfIsTrue", "0.5", true, ""},
                    BoolRow{"HexZero", "$0", false, ""}, BoolRow{"Empty", "", false, kNotBoolean},
                    BoolRow{"Word", "abc", false, kNotBoolean}, BoolRow{"Yes", "yes", false, kNotBoolean},
                    BoolRow{"LoneSign", "-", false, kNotBoolean}),
    RowName<BoolRow>);

struct IntRow {
    const char* name;
    std::string text;
    std::int32_t value;
    std::string error;  // the exact message, or empty when the text converts
};

class TextToIntTest : public testing::TestWithParam<IntRow> {};

TEST_P(TextToIntTest, Reads) {
    const IntRow& row = GetParam();
    if (row.error == kOverflow) EXPECT_THROW_MSG(TextToInt(row.text), EVariantOverflowError, row.error);
    else if (!row.error.empty()) EXPECT_THROW_MSG(TextToInt(row.text), EVariantTypeCastError, row.error);
    else EXPECT_EQ(TextToInt(row.text), row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextToIntTest,
    testing::Values(IntRow{"Two", "2", 2, ""}, IntRow{"Seven", "7", 7, ""}, IntRow{"MinusThree", "-3", -3, ""},
                    IntRow{"DollarHex", "$1", 1, ""}, IntRow{"XHex", "x10", 16, ""}, IntRow{"ZeroXHex", "0X1f", 31, ""},
                    IntRow{"HexAllOnes", "$FFFFFFFF", -1, ""}, IntRow{"BooleanTrue", "true", 1, ""},
                    IntRow{"BooleanFalse", "False", 0, ""}, IntRow{"Smallest", "-2147483648", INT32_MIN, ""},
                    IntRow{"LoneX", "x", 0, kNotBoolean}, IntRow{"Word", "abc", 0, kNotBoolean}, IntRow{"Empty", "", 0, kNotBoolean},
                    IntRow{"TooLarge", "99999999999", 0, kOverflow}, IntRow{"OnePastLargest", "2147483648", 0, kOverflow},
                    IntRow{"HexTooLarge", "$100000000", 0, kOverflow}),
    RowName<IntRow>);

TEST(TextToVersion, CountsAnythingElseAsZero) {
    EXPECT_EQ(TextToVersion("0"), 0);
    EXPECT_EQ(TextToVersion("-1"), -1);
    EXPECT_EQ(TextToVersion("$10"), 16);
    EXPECT_EQ(TextToVersion("0xFFFFFFFF"), -1);
    EXPECT_EQ(TextToVersion("abc"), 0);
    EXPECT_EQ(TextToVersion(""), 0);
    EXPECT_EQ(TextToVersion("99999999999"), 0);
    EXPECT_EQ(TextToVersion("1.5"), 0);
}

TEST(BoolToText, WritesTrueAndFalse) {
    EXPECT_EQ(BoolToText(true), "True");
    EXPECT_EQ(BoolToText(false), "False");
}
