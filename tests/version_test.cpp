// Reading the version record back out of executables.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>
#include <fstream>
#include <string>

#include "VersionInfo.h"

using namespace orvane;
namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    const std::string path = (fs::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

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

}  // namespace

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
    const std::vector<std::pair<std::string, std::string>> files = {
        {"missing", (fs::temp_directory_path() / "orvane-no-such-file").string()},
        {"no version section", "/bin/true"},
        {"not ELF", WriteTemp("orvane-not-elf", "MZ this is not an executable")},
        {"empty", WriteTemp("orvane-empty", "")},
        {"header only", WriteTemp("orvane-header", exe.substr(0, 64))},
        {"cut before the section table", WriteTemp("orvane-cut", exe.substr(0, exe.size() / 2))},
        {"lying section table offset", WriteTemp("orvane-lying-offset", lyingOffset)},
        {"lying section count", WriteTemp("orvane-lying-count", lyingCount)},
        {"lying section offsets", WriteTemp("orvane-lying-sections", lyingSection)},
        {"folder", fs::temp_directory_path().string()},
    };
    for (const auto& [name, path] : files) {
        TVSFixedFileInfo r = Marked();
        ReadFixedFileInfo(path, r);
        EXPECT_TRUE(Unchanged(r)) << name;
    }
}
