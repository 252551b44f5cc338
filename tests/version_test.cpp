// Reading the version record back out of executables.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>
#include <fstream>
#include <string>

#include "TestRows.h"
#include "TestSupport.h"
#include "VersionInfo.h"

using namespace orvane;
namespace fs = std::filesystem;

namespace {

using orvane::test::ReadBytes;

TVSFixedFileInfo Marked() {
    TVSFixedFileInfo r;
    r.dwSignature = 1;
    r.dwFileVersionMS = 0x12345678;
    r.dwFileDateMS = 77;
    return r;
}

bool Unchanged(const TVSFixedFileInfo& r) {
    return r.dwSignature == 1 && r.dwFileVersionMS == 0x12345678 && r.dwFileVersionLS == 0 && r.dwFileDateMS == 77;
}

// The smallest little-endian ELF file that holds a version record: a header,
// the section names, the record and a table of three sections.
std::string MinimalElf(bool is64, std::uint32_t signature) {
    const std::string names = std::string("\0.shstrtab\0", 11) + kVersionSection + '\0';
    const std::size_t header = is64 ? 64 : 52, entry = is64 ? 64 : 40;
    const std::size_t namesAt = header, recordAt = namesAt + names.size(), tableAt = recordAt + 52;
    std::string file(tableAt + 3 * entry, '\0');
    auto put = [&](std::size_t at, std::uint64_t value, unsigned size) {
        for (unsigned i = 0; i < size; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
    };
    file.replace(0, 7, "\x7F" "ELF\x00\x01\x01", 7);
    file[4] = is64 ? 2 : 1;
    put(is64 ? 0x28 : 0x20, tableAt, is64 ? 8 : 4);
    put(is64 ? 0x3A : 0x2E, entry, 2);
    put(is64 ? 0x3C : 0x30, 3, 2);
    put(is64 ? 0x3E : 0x32, 1, 2);
    file.replace(namesAt, names.size(), names);
    put(recordAt, signature, 4);
    put(recordAt + 8, 0x00030004, 4);  // version 3.4
    auto section = [&](int index, std::uint32_t name, std::uint32_t type, std::size_t offset, std::size_t size) {
        const std::size_t at = tableAt + index * entry;
        put(at, name, 4);
        put(at + 4, type, 4);
        put(at + (is64 ? 0x18 : 0x10), offset, is64 ? 8 : 4);
        put(at + (is64 ? 0x20 : 0x14), size, is64 ? 8 : 4);
    };
    section(1, 1, 3 /* SHT_STRTAB */, namesAt, names.size());
    section(2, 11, 1 /* SHT_PROGBITS */, recordAt, 52);
    return file;
}

}  // namespace

struct ElfRow {
    const char* name;
    bool is64;
    std::uint32_t signature;
    std::uint32_t versionRead;  // dwFileVersionMS afterwards
};

class MinimalElfTest : public testing::TestWithParam<ElfRow> {};

TEST_P(MinimalElfTest, ReadsOnlyARecordWithItsSignature) {
    const orvane::test::TempDir dir;
    orvane::test::WriteBytes(dir / "exe", MinimalElf(GetParam().is64, GetParam().signature));
    TVSFixedFileInfo r = Marked();
    ReadFixedFileInfo(dir / "exe", r);
    EXPECT_EQ(r.dwFileVersionMS, GetParam().versionRead);
}

INSTANTIATE_TEST_SUITE_P(Rows, MinimalElfTest,
                         testing::Values(ElfRow{"Elf32", false, kVersionSignature, 0x00030004},
                                         ElfRow{"Elf64", true, kVersionSignature, 0x00030004},
                                         ElfRow{"WrongSignature", true, kVersionSignature ^ 1, 0x12345678}),
                         RowName<ElfRow>);

TEST(ReadFixedFileInfo, ReadsTheRecordOfAVersionedExecutable) {
    TVSFixedFileInfo r = Marked();
    ReadFixedFileInfo(VERSION_2_10_0_123, r);
    EXPECT_EQ(r.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(r.dwFileVersionMS, (2u << 16) | 10u);
    EXPECT_EQ(r.dwFileVersionLS, (0u << 16) | 123u);
    EXPECT_EQ(r.dwFileType, 1u);
    EXPECT_EQ(r.dwFileDateMS, 77u);  // the date words are not delivered
}

TEST(ReadFixedFileInfo, KeepsSixteenBitPartsUnsigned) {
    TVSFixedFileInfo r;
    ReadFixedFileInfo(VERSION_65535, r);
    EXPECT_EQ(r.dwFileVersionMS, 0xFFFFFFFFu);
    EXPECT_EQ(r.dwFileVersionLS, 0xFFFFFFFFu);
}

// Every failure leaves the caller's record as it was and reads nothing
// outside the file.
TEST(ReadFixedFileInfo, LeavesTheRecordOnEveryFailure) {
    const std::string exe = ReadBytes(VERSION_2_10_0_123);
    ASSERT_GT(exe.size(), 1000u);
    std::string lyingOffset = exe;
    lyingOffset[0x28] = '\xF0';  // section table far beyond the end
    lyingOffset[0x2F] = '\x7F';
    std::string lyingCount = exe;
    lyingCount[0x3C] = '\xFF';   // more sections than the file holds
    lyingCount[0x3D] = '\x7F';
    std::string lyingSection = exe;
    {
        // Point every section's offset past the end: the record cannot be reached.
        std::uint64_t shoff;
        std::uint16_t shnum;
        std::memcpy(&shoff, exe.data() + 0x28, sizeof shoff);
        std::memcpy(&shnum, exe.data() + 0x3C, sizeof shnum);
        for (std::uint16_t i = 0; i < shnum; ++i) {
            std::uint64_t big = 0x7FFFFFFFFFFFull;
            std::memcpy(lyingSection.data() + shoff + i * 64 + 0x18, &big, 8);
        }
    }
    const orvane::test::TempDir dir;
    auto WriteTemp = [&](const std::string& name, const std::string& bytes) {
        orvane::test::WriteBytes(dir / name, bytes);
        return dir / name;
    };
    const std::vector<std::pair<std::string, std::string>> files = {
        {"missing", dir / "orvane-no-such-file"},
        {"no version section", "/bin/true"},
        {"not ELF", WriteTemp("orvane-not-elf", "MZ this is not an executable")},
        {"empty", WriteTemp("orvane-empty", "")},
        {"header only", WriteTemp("orvane-header", exe.substr(0, 64))},
        {"cut before the section table", WriteTemp("orvane-cut", exe.substr(0, exe.size() / 2))},
        {"lying section table offset", WriteTemp("orvane-lying-offset", lyingOffset)},
        {"lying section count", WriteTemp("orvane-lying-count", lyingCount)},
        {"lying section offsets", WriteTemp("orvane-lying-sections", lyingSection)},
        {"folder", dir.Path().string()},
    };
    for (const auto& [name, path] : files) {
        TVSFixedFileInfo r = Marked();
        ReadFixedFileInfo(path, r);
        EXPECT_TRUE(Unchanged(r)) << name;
    }
}
