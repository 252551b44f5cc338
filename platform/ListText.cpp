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

std::string ListFileToBoxText(std::string_view fileBytes) {
    const ListBytes list = ClassifyListBytes(fileBytes);
    const std::string utf8 = list.encoding == ListEncoding::Cp1251 ? Cp1251ToUtf8(list.text)
                             : IsValidUtf8(list.text)              ? std::string(list.text)
                                                                   : RepairUtf8(list.text);
    constexpr std::string_view kParagraphSeparator = "\u2029";
    std::string lines;
    lines.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (std::string_view(utf8).substr(i, 3) == kParagraphSeparator) {
            lines += '\n';
            i += 2;
        } else {
            lines += utf8[i];
        }
    }
    return WithLfLineBreaks(std::string_view(lines));
}

std::string BoxTextToListFile(std::string_view boxText) {
    const std::string text = Utf8ToCp1251(boxText);
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (const char c : text) c == '\n' ? bytes.append("\r\n") : bytes.append(1, c);
    return bytes;
}

}  // namespace orvane
