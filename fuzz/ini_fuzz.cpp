// Any file through the INI reader and writer: no crash, and a plain value
// written then read comes back whole.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first line is the value to write, the rest is the file.
    const auto split = input.find('\n');
    const std::string_view raw = split == std::string_view::npos ? input : input.substr(0, split);
    const std::string_view file = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    orvane::TIniFile ini("fuzz.ini", file);
    (void)ini.ReadString("Main", "Sort", "True");
    (void)ini.ReadString("", "", "");

    // Printable ASCII without blanks at the ends comes back as written,
    // quotation marks included.
    std::string value;
    for (char c : raw)
        if (c >= 0x21 && c <= 0x7E) value += c;
    if (value.size() > orvane::TIniFile::kMaxValueBytes - 2) value.resize(orvane::TIniFile::kMaxValueBytes - 2);
    ini.WriteString("Main", "Key", value);
    ini.WriteString("New", "Key", raw);
    const orvane::TIniFile again("fuzz.ini", ini.Bytes());
    if (again.ReadString("Main", "Key", "<missing>") != value) std::abort();
    return 0;
}
