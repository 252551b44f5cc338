#include "VersionInfo.h"

#include <elf.h>

#include <cstring>
#include <optional>
#include <string_view>

#include "FileIo.h"

namespace orvane {
namespace {

// Bounds-checked reads of little- or big-endian fields from the file image.
class Image {
public:
    Image(std::string_view bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}

    std::optional<std::uint64_t> Read(std::uint64_t offset, unsigned size) const {
        if (offset > bytes_.size() || size > bytes_.size() - offset) return std::nullopt;
        std::uint64_t v = 0;
        for (unsigned i = 0; i < size; ++i) {
            const auto b = static_cast<unsigned char>(bytes_[offset + (big_ ? i : size - 1 - i)]);
            v = v << 8 | b;
        }
        return v;
    }
    bool Contains(std::uint64_t offset, std::uint64_t size) const {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }
    std::string_view Bytes(std::uint64_t offset, std::uint64_t size) const { return bytes_.substr(offset, size); }

private:
    std::string_view bytes_;
    bool big_;
};

struct Section {
    std::uint64_t name, type, offset, size;
};

std::optional<std::string_view> FindSection(std::string_view file, std::string_view wanted) {
    if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) return std::nullopt;
    const unsigned char cls = static_cast<unsigned char>(file[EI_CLASS]);
    const unsigned char data = static_cast<unsigned char>(file[EI_DATA]);
    if ((cls != ELFCLASS32 && cls != ELFCLASS64) || (data != ELFDATA2LSB && data != ELFDATA2MSB)) return std::nullopt;
    const bool is64 = cls == ELFCLASS64;
    const Image image(file, data == ELFDATA2MSB);

    // Header fields: section table offset, entry size, count, names section.
    const auto shoff = image.Read(is64 ? 0x28 : 0x20, is64 ? 8 : 4);
    const auto shentsize = image.Read(is64 ? 0x3A : 0x2E, 2);
    const auto shnum = image.Read(is64 ? 0x3C : 0x30, 2);
    const auto shstrndx = image.Read(is64 ? 0x3E : 0x32, 2);
    if (!shoff || !shentsize || !shnum || !shstrndx) return std::nullopt;
    const unsigned minEntry = is64 ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    if (*shentsize < minEntry || *shnum == 0 || *shstrndx >= *shnum) return std::nullopt;
    if (!image.Contains(*shoff, *shentsize * *shnum)) return std::nullopt;

    auto section = [&](std::uint64_t index) -> std::optional<Section> {
        const std::uint64_t at = *shoff + index * *shentsize;
        const unsigned word = is64 ? 8 : 4;
        const auto name = image.Read(at, 4);
        const auto type = image.Read(at + 4, 4);
        const auto offset = image.Read(at + (is64 ? 0x18 : 0x10), word);
        const auto size = image.Read(at + (is64 ? 0x20 : 0x14), word);
        if (!name || !type || !offset || !size) return std::nullopt;
        return Section{*name, *type, *offset, *size};
    };

    const auto names = section(*shstrndx);
    if (!names || names->type == SHT_NOBITS || !image.Contains(names->offset, names->size)) return std::nullopt;
    const std::string_view nameTable = image.Bytes(names->offset, names->size);

    for (std::uint64_t i = 0; i < *shnum; ++i) {
        const auto s = section(i);
        if (!s || s->name >= nameTable.size()) continue;
        const std::string_view rest = nameTable.substr(s->name);
        const std::string_view name = rest.substr(0, rest.find('\0'));
        if (name != wanted || rest.find('\0') == std::string_view::npos) continue;
        if (s->type == SHT_NOBITS || !image.Contains(s->offset, s->size)) return std::nullopt;
        return image.Bytes(s->offset, s->size);
    }
    return std::nullopt;
}

}  // namespace

void ReadFixedFileInfo(const std::string& fileName, TVSFixedFileInfo& record) {
    std::string file;
    try {
        file = ReadWholeFile(fileName);
    } catch (const std::exception&) {
        return;
    }
    const auto block = FindSection(file, kVersionSection);
    constexpr std::size_t kDelivered = 11 * sizeof(std::uint32_t);
    if (!block || block->size() < kDelivered) return;
    std::uint32_t signature;
    std::memcpy(&signature, block->data(), sizeof signature);
    if (signature != kVersionSignature) return;
    // The record is eleven plain words followed by the two date words.
    std::memcpy(static_cast<void*>(&record), block->data(), kDelivered);
}

}  // namespace orvane
