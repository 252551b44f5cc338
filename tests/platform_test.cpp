// Code page, list file decoding, line splitting and whole-file I/O.
#include <gtest/gtest.h>

#include "TestRows.h"
#include <sys/resource.h>
#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cwctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Collation.h"
#include "FileIo.h"
#include "ListLines.h"
#include "ListText.h"
#include "TestSupport.h"

using namespace orvane;
using namespace orvane::test;
namespace fs = std::filesystem;

namespace {


constexpr uid_t kNobody = 65534;

// Runs body in a child that has become the unprivileged user "nobody".
template <typename Body>
int AsNobody(Body body) {
    return InChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0)
            return 100;
        return body();
    });
}

#define SKIP_UNLESS_ROOT()                                                                      \
    if (::geteuid() != 0) GTEST_SKIP() << "SKIPPED FAULT TEST: needs root to act as another user"

}  // namespace

// ---- Code page ----

TEST(CodePage, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(all)), all);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(CodePage, KnowsTheCharactersTheEngineUses) {
    EXPECT_EQ(Cp1251ToUtf16("\x97\xA0\xA8\xB8\xC0\xFF\x98"), u"\u2014\u00A0\u0401\u0451\u0410\u044F\u0098");
    EXPECT_EQ(Utf8ToCp1251("Ёё — №"), "\xA8\xB8 \x97 \xB9");
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Utf16ToCp1251(u"a\u4E2Db\U0001F600c"), "a?b?c");  // a surrogate pair is one character
    EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD" "b\xF0\x9F\x98\x80" "c\xFF"), "a?b?c?");
}

TEST(CodePage, ValidatesUtf8Strictly) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xD0\x9F\xD1\x80"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xD0"));              // cut short
    EXPECT_FALSE(IsValidUtf8("\xCF\xF0\xE8\xEC"));  // CP1251 Cyrillic
}

// ---- Text order ----

// Every capital of the code page folds to the small letter the C library
// names for it, and to nothing else; so does every other byte to itself.
TEST(Collation, FoldsCaseAsTheCLibraryDoes) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const auto lower = static_cast<char32_t>(std::towlower(static_cast<wint_t>(Cp1251ToCodePoint(byte))));
        const auto expected = static_cast<unsigned char>(CodePointToCp1251(lower));
        EXPECT_EQ(FoldCase(byte), lower == Cp1251ToCodePoint(byte) || expected == '?' ? byte : expected) << b;
        const std::string one(1, static_cast<char>(byte)), folded(1, static_cast<char>(expected));
        if (expected != '?') {
            EXPECT_EQ(CompareCollated(one, folded), 0) << b;
        }
    }
    std::setlocale(LC_CTYPE, "C");
}

// ---- List files ----

// A file's bytes as a list box holds them and back: UTF-8 with LF, one break
// for each the line rule sees; Windows-1251 with CR LF.
TEST(ListFileToBoxText, MakesOneLineBreakEachAndUtf8) {
    EXPECT_EQ(ListFileToBoxText("a\r\nb\rc\nd\r"), "a\nb\nc\nd\n");
    EXPECT_EQ(ListFileToBoxText("10.0.0.0/8\xE2\x80\xA9" "10.1.0.0/16"), "10.0.0.0/8\n10.1.0.0/16");
    EXPECT_EQ(ListFileToBoxText("\xCF\xF0 \x97"), "\xD0\x9F\xD1\x80 \xE2\x80\x94");
    EXPECT_EQ(ListFileToBoxText("\xEF\xBB\xBF\xFFx"), "\xEF\xBF\xBDx");
    EXPECT_EQ(BoxTextToListFile("\xD0\x9F\n\xE2\x80\x94\n"), "\xCF\r\n\x97\r\n");
}

// orvane-convert reads a list file as the window does: the same lines as
// the box the window would fill from it, for random files of every encoding
// (paragraph separators, broken UTF-8, CP1251's undefined byte, UTF-16,
// NULs), whole or read in blocks up to the NUL.
TEST(DecodeListFile, GivesTheLinesOfTheWindowsBox) {
    std::mt19937 random(23);
    const std::vector<std::string> pieces = {"10.0.0.0/8", "\r\n", "\r", "\n", "\xE2\x80\xA9", "\xE2\x80\x94", "\x97",
                                             "\x98", "\xD0\x96", "\xFF", std::string(1, '\0'), " ", "\xEF\xBB\xBF"};
    const std::vector<std::string> starts = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    auto lines = [](std::string_view text) {
        std::vector<std::string> all;
        ForEachListLine(text, [&](std::string_view line) { all.emplace_back(line); }, std::string_view::npos);
        return all;
    };
    class Text : public ByteSource {
    public:
        explicit Text(std::string_view text) : rest_(text) {}
        std::size_t Read(char* buffer, std::size_t size) override {
            const std::size_t n = std::min({size, std::size_t{3}, rest_.size()});
            std::copy_n(rest_.data(), n, buffer);
            rest_.remove_prefix(n);
            return n;
        }

    private:
        std::string_view rest_;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = starts[random() % starts.size()];
        for (int k = random() % 12; k > 0; --k) bytes += pieces[random() % pieces.size()];
        NulCut boxCut;
        const std::string box = Utf8ToCp1251(ListFileToBoxText(bytes, boxCut));
        std::string storage;
        const ListFileText file = DecodeListFile(bytes, storage);
        ASSERT_EQ(lines(file.text), lines(box)) << testing::PrintToString(bytes);
        ASSERT_EQ(file.cut.line, boxCut.line);
        ASSERT_EQ(file.cut.notRead, boxCut.notRead);
        // Held up to the NUL, the rest counted: the same text and cut.
        Text source(bytes);
        const HeldListBytes held = ReadListBytes(source);
        std::string heldStorage;
        ListFileText heldFile = DecodeListFile(held.bytes, heldStorage);
        heldFile.cut.notRead += held.afterNul;
        ASSERT_EQ(heldFile.text, file.text) << testing::PrintToString(bytes);
        ASSERT_EQ(heldFile.cut.notRead, file.cut.notRead) << testing::PrintToString(bytes);
    }
}

struct DecodeRow {
    const char* name;
    std::string bytes;
    std::string cp1251;
};

class ListFileDecodeTest : public testing::TestWithParam<DecodeRow> {};

// The file's text decoded both ways the program goes: to Windows-1251 for
// the conversion, and to Unicode and back.
TEST_P(ListFileDecodeTest, ReadsBothEncodings) {
    const ListBytes list = ClassifyListBytes(GetParam().bytes);
    const bool utf8 = list.encoding == ListEncoding::Utf8;
    EXPECT_EQ(utf8 ? Utf8ToCp1251(list.text) : std::string(list.text), GetParam().cp1251);
    EXPECT_EQ(Utf16ToCp1251(utf8 ? Utf8ToUtf16(list.text) : Cp1251ToUtf16(list.text)), GetParam().cp1251);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListFileDecodeTest,
    testing::Values(DecodeRow{"Ascii", "1.2.3.4/8\r\n", "1.2.3.4/8\r\n"},
                    DecodeRow{"Cp1251EmDash", "1.1.1.1 \x97 1.1.1.9", "1.1.1.1 \x97 1.1.1.9"},
                    DecodeRow{"Utf8EmDash", "1.1.1.1 \xE2\x80\x94 1.1.1.9", "1.1.1.1 \x97 1.1.1.9"},
                    DecodeRow{"Utf8ByteOrderMarkDropped", "\xEF\xBB\xBF" "1.2.3.4/8", "1.2.3.4/8"},
                    DecodeRow{"ByteOrderMarkWithBrokenUtf8", "\xEF\xBB\xBF\xFFx", "?x"},
                    DecodeRow{"Utf8Cyrillic", "\xD0\x9F\xD1\x80", "\xCF\xF0"},
                    DecodeRow{"Cp1251Cyrillic", "\xCF\xF0", "\xCF\xF0"},
                    DecodeRow{"EndsAtNul", std::string("1.2.3.4/8\0junk", 14), "1.2.3.4/8"},
                    // An overlong "/" must not turn the line into a network.
                    DecodeRow{"OverlongIsNotUtf8", "1.2.3.0\xE0\x80\xAF" "24", "1.2.3.0\xE0\x80\xAF" "24"},
                    DecodeRow{"ValidityEndsAtNul", std::string("\xD0\x9F\0\xFF", 4), "\xCF"},
                    DecodeRow{"Empty", "", ""}),
    RowName<DecodeRow>);

struct SplitLinesRow {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
};

class SplitListLinesTest : public testing::TestWithParam<SplitLinesRow> {};

TEST_P(SplitListLinesTest, FollowsTheLineCountRule) {
    const auto views = SplitListLines(std::string_view(GetParam().text));
    EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), GetParam().lines);
    // A box shows the same lines with LF alone between them.
    const std::string shown = WithLfLineBreaks(std::string_view(GetParam().text));
    const auto again = SplitListLines(std::string_view(shown));
    EXPECT_EQ(std::vector<std::string>(again.begin(), again.end()), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitListLinesTest,
    testing::Values(SplitLinesRow{"Empty", "", {}}, SplitLinesRow{"OneLineNoBreak", "a", {"a"}},
                    SplitLinesRow{"OneLineWithBreak", "a\r\n", {"a"}}, SplitLinesRow{"BreakAlone", "\r\n", {""}},
                    SplitLinesRow{"TwoBreaks", "a\r\n\r\n", {"a", ""}},
                    SplitLinesRow{"LoneLf", "a\nb\n", {"a", "b"}}, SplitLinesRow{"LoneCr", "a\rb", {"a", "b"}},
                    SplitLinesRow{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                    SplitLinesRow{"Mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}}),
    RowName<SplitLinesRow>);

TEST(SplitListLines, CutsLongLinesAt4096Characters) {
    const std::string text = std::string(4097, 'x') + "\r\n" + std::string(4097, 'y');  // no final break
    const auto lines = SplitListLines(std::string_view(text));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(4096, 'x'));
    EXPECT_EQ(lines[1], std::string(4096, 'y'));
}

// ---- Reading and writing files ----

TEST(SystemErrorText, DropsTrailingFullStops) {
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(WithoutTrailingStops("Disk full. \r\n"), "Disk full");
    EXPECT_EQ(WithoutTrailingStops("v1.2 failed..."), "v1.2 failed");
}

TEST(ReadWholeFile, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    EXPECT_THROW_MSG(ReadWholeFile(dir / "missing.txt"), EFOpenError,
                     "Cannot open file \"" + (dir / "missing.txt") + "\". No such file or directory");
    fs::create_directory(dir / "folder");
    EXPECT_THROW(ReadWholeFile(dir / "folder"), EFOpenError);
    // A FIFO with no writer would block an ordinary open; it must be refused at once.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_THROW_MSG(ReadWholeFile(dir / "fifo"), EFOpenError,
                     "Cannot open file \"" + (dir / "fifo") + "\". Not a regular file");
    EXPECT_THROW(ReadWholeFile("/dev/null"), EFOpenError);
}

TEST(ReadWholeFile, ReadsEveryByte) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
    WriteBytes(dir / "f", bytes);
    EXPECT_EQ(ReadWholeFile(dir / "f"), bytes);
}

TEST(WriteFileAtomically, ReplacesContentAndKeepsLinksAndMode) {
    TempDir dir;
    WriteBytes(dir / "target", "old");
    ::chmod((dir / "target").c_str(), 0640);
    fs::create_symlink("target", dir / "link");
    WriteFileAtomically(dir / "link", "new\r\n");
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadBytes(dir / "target"), "new\r\n");
    EXPECT_EQ(fs::status(dir / "target").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteFileAtomically(dir / "empty", "");
    EXPECT_EQ(fs::file_size(dir / "empty"), 0u);
    EXPECT_EQ(dir.Entries().size(), 3u);  // no temporary file left
}

TEST(WriteFileAtomically, RefusesFoldersAndDevices) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    EXPECT_THROW(WriteFileAtomically(dir / "folder", "x"), EFCreateError);
    EXPECT_THROW(WriteFileAtomically("/dev/null", "x"), EFCreateError);
    EXPECT_THROW_MSG(WriteFileAtomically(dir / "no-such-folder/file", "x"), EFCreateError,
                     "Cannot create file \"" + (dir / "no-such-folder/file") + "\". No such file or directory");
}

// A write that stops short (here: the file size limit) must leave the old
// file byte for byte and no temporary file.
TEST(WriteFileAtomically, ShortWriteKeepsTheOldFile) {
    TempDir dir;
    WriteBytes(dir / "list.txt", "previous content\r\n");
    const int status = InChildWithFileSizeLimit(4096, false, [&] {
        try {
            WriteFileAtomically(dir / "list.txt", std::string(100000, 'x'));
        } catch (const EWriteError& e) {
            return std::string(e.what()) == "Stream write error" && e.errorCode() == EFBIG ? 0 : 2;
        } catch (...) {
            return 3;
        }
        return 4;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(dir / "list.txt"), "previous content\r\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"list.txt"});
}

// SIGXFSZ kills the writer half-way, as kill -9 would: what it was writing
// must vanish with it.
TEST(WriteFileAtomically, KilledWriterLeavesNothingBehind) {
    TempDir dir;
    WriteBytes(dir / "list.txt", "previous content\r\n");
    const int status = InChildWithFileSizeLimit(4096, true, [&] {
        WriteFileAtomically(dir / "list.txt", std::string(100000, 'x'));
        return 0;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadBytes(dir / "list.txt"), "previous content\r\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"list.txt"});
}

TEST(WriteFileAtomically, SavesANameOfTheLongestLength) {
    TempDir dir;
    const std::string name(250, 'n');
    WriteFileAtomically(dir / name, "x");
    WriteFileAtomically(dir / name, "y");
    EXPECT_EQ(ReadBytes(dir / name), "y");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{name});
}

TEST(WriteFileAtomically, NewFileTakesTheModeTheUmaskGives) {
    TempDir dir;
    const mode_t old = ::umask(027);
    WriteFileAtomically(dir / "new.txt", "x");
    ::umask(old);
    EXPECT_EQ(fs::status(dir / "new.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(WriteFileAtomically, KeepsOwnerAndHardLinks) {
    SKIP_UNLESS_ROOT();
    TempDir dir;
    // Another user and group, and another user alone: either is kept.
    for (const auto& [user, group] : {std::pair<uid_t, gid_t>{kNobody, kNobody}, {kNobody, ::getegid()}}) {
        WriteBytes(dir / "theirs.txt", "old");
        ASSERT_EQ(::chown((dir / "theirs.txt").c_str(), user, group), 0);
        WriteFileAtomically(dir / "theirs.txt", "new");
        struct stat st {};
        ASSERT_EQ(::stat((dir / "theirs.txt").c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, user);
        EXPECT_EQ(st.st_gid, group);
        EXPECT_EQ(ReadBytes(dir / "theirs.txt"), "new");
    }

    fs::create_hard_link(dir / "theirs.txt", dir / "other-name.txt");
    WriteFileAtomically(dir / "theirs.txt", "newer");
    EXPECT_EQ(ReadBytes(dir / "other-name.txt"), "newer");
}

// A file anyone may write, in a folder only root may write: the file itself changes.
TEST(WriteFileAtomically, WritesAWritableFileInAFolderTheUserCannotWrite) {
    SKIP_UNLESS_ROOT();
    TempDir dir;
    ASSERT_EQ(::chmod((dir / "").c_str(), 0755), 0);
    WriteBytes(dir / "shared.txt", "a longer old content");
    ASSERT_EQ(::chmod((dir / "shared.txt").c_str(), 0666), 0);
    const int status = AsNobody([&] {
        try {
            WriteFileAtomically(dir / "shared.txt", "new");
        } catch (...) {
            return 1;
        }
        return 0;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadBytes(dir / "shared.txt"), "new");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"shared.txt"});
}
