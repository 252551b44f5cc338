#include "ListText.h"

#include "CodePage.h"

namespace orvane {

ListBytes ClassifyListBytes(std::string_view bytes) noexcept {
    const bool bom = bytes.starts_with(kUtf8ByteOrderMark);
    if (bom) bytes.remove_prefix(kUtf8ByteOrderMark.size());
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bom) return {bytes, ListEncoding::Utf8};
    bool nonAscii = false;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    return {bytes, nonAscii && IsValidUtf8(bytes) ? ListEncoding::Utf8 : ListEncoding::Cp1251};
}

std::string ListFileToCp1251(std::string_view fileBytes) {
    const ListBytes list = ClassifyListBytes(fileBytes);
    return list.encoding == ListEncoding::Utf8 ? Utf8ToCp1251(list.text) : std::string(list.text);
}

std::u16string ListFileToUtf16(std::string_view fileBytes) {
    const ListBytes list = ClassifyListBytes(fileBytes);
    return list.encoding == ListEncoding::Utf8 ? Utf8ToUtf16(list.text) : Cp1251ToUtf16(list.text);
}

}  // namespace orvane
