#include "ListText.h"

#include "CodePage.h"

namespace orvane {

namespace {

// The line a text that ran on would have reached at its end.
std::size_t LineAtEnd(std::string_view text) noexcept {
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++line;
    }
    return line;
}

}  // namespace

ListBytes ClassifyListBytes(std::string_view bytes, NulBytes nul) noexcept {
    const bool bom = bytes.starts_with(kUtf8ByteOrderMark);
    if (bom) bytes.remove_prefix(kUtf8ByteOrderMark.size());
    NulCut cut;
    if (const std::size_t at = nul == NulBytes::EndText ? bytes.find('\0') : std::string_view::npos;
        at != std::string_view::npos) {
        cut.notRead = bytes.size() - at;
        bytes = bytes.substr(0, at);
        cut.line = LineAtEnd(bytes);
    }
    if (bom) return {bytes, ListEncoding::Utf8, cut};
    bool nonAscii = false;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    return {bytes, nonAscii && IsValidUtf8(bytes) ? ListEncoding::Utf8 : ListEncoding::Cp1251, cut};
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
