// The version record an executable carries, and reading it back.
//
// Orvane's executables keep a fixed version record (13 32-bit words, the
// layout desktop version blocks use) in an ELF section of its own. Reading
// parses the file's section table; it never reads outside the file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

inline constexpr const char* kVersionSection = ".orvane_version";
inline constexpr std::uint32_t kVersionSignature = 0xFEEF04BD;

struct TVSFixedFileInfo {
    std::uint32_t dwSignature = 0;
    std::uint32_t dwStrucVersion = 0;
    std::uint32_t dwFileVersionMS = 0;  // major << 16 | minor
    std::uint32_t dwFileVersionLS = 0;  // release << 16 | build
    std::uint32_t dwProductVersionMS = 0;
    std::uint32_t dwProductVersionLS = 0;
    std::uint32_t dwFileFlagsMask = 0;
    std::uint32_t dwFileFlags = 0;
    std::uint32_t dwFileOS = 0;
    std::uint32_t dwFileType = 0;
    std::uint32_t dwFileSubtype = 0;
    std::uint32_t dwFileDateMS = 0;
    std::uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(TVSFixedFileInfo) == 52);

// Copies the first 44 bytes (eleven words, the date words left out) of the
// named file's version record into record. Any failure (no such file, not
// ELF, no such section, truncated or lying headers) leaves record unchanged.
void ReadFixedFileInfo(const std::string& fileName, TVSFixedFileInfo& record);

}  // namespace orvane
