#include "ListText.h"

#include <algorithm>
#include <optional>

#include "CodePage.h"
#include "Memory.h"

namespace orvane {

namespace {

// The line a text that ran on would have reached at its end.
std::size_t LineAtEnd(std::string_view text) noexcept {
    std::size_t lines = 0;
    ForEachListLine(text, [&](std::string_view) { ++lines; }, std::string_view::npos);
    // The line rule gives no empty line after the last break; the text would run on in it.
    return lines + (text.empty() || text.back() == '\r' || text.back() == '\n' ? 1 : 0);
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

namespace {

constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE", kUtf16BeByteOrderMark = "\xFE\xFF";

// UTF-16 file bytes as UTF-8, block by block.
class Utf16Source : public ByteSource {
public:
    Utf16Source(std::unique_ptr<ByteSource> source, bool bigEndian, std::string_view first)
        : source_(std::move(source)), decoder_(bigEndian) {
        decoder_.Decode(first, text_);
    }
    std::size_t Read(char* buffer, std::size_t size) override {
        while (taken_ == text_.size() && !ended_) {
            text_.clear();
            taken_ = 0;
            char block[1 << 16];
            const std::size_t n = source_->Read(block, sizeof block);
            if (n == 0) {
                decoder_.Finish(text_);
                ended_ = true;
            } else {
                decoder_.Decode(std::string_view(block, n), text_);
            }
        }
        const std::size_t n = std::min(size, text_.size() - taken_);
        std::copy_n(text_.data() + taken_, n, buffer);
        taken_ += n;
        return n;
    }

private:
    std::unique_ptr<ByteSource> source_;
    Utf16Decoder decoder_;
    std::string text_;
    std::size_t taken_ = 0;
    bool ended_ = false;
};

// The bytes read ahead to look for a byte-order mark, then the rest.
class PeekedSource : public ByteSource {
public:
    PeekedSource(std::unique_ptr<ByteSource> source, std::string first)
        : source_(std::move(source)), first_(std::move(first)) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        if (taken_ == first_.size()) return source_->Read(buffer, size);
        const std::size_t n = std::min(size, first_.size() - taken_);
        std::copy_n(first_.data() + taken_, n, buffer);
        taken_ += n;
        return n;
    }

private:
    std::unique_ptr<ByteSource> source_;
    std::string first_;
    std::size_t taken_ = 0;
};

}  // namespace

std::string_view Utf16ListAsUtf8(std::string_view fileBytes, std::string& storage) {
    const bool little = fileBytes.starts_with(kUtf16LeByteOrderMark), big = fileBytes.starts_with(kUtf16BeByteOrderMark);
    if (!little && !big) return fileBytes;
    Utf16Decoder decoder(big);
    storage = kUtf8ByteOrderMark;
    decoder.Decode(fileBytes.substr(2), storage);
    decoder.Finish(storage);
    return storage;
}

std::unique_ptr<ByteSource> Utf16ListAsUtf8(std::unique_ptr<ByteSource> source) {
    std::string first(2, '\0');
    std::size_t n = 0;
    for (std::size_t got; n < 2 && (got = source->Read(first.data() + n, 2 - n)) > 0;) n += got;
    first.resize(n);
    const bool little = first == kUtf16LeByteOrderMark, big = first == kUtf16BeByteOrderMark;
    if (little || big) return std::make_unique<Utf16Source>(std::move(source), big, std::string_view());
    return std::make_unique<PeekedSource>(std::move(source), std::move(first));
}

std::string ListFileToBoxText(std::string_view fileBytes) {
    NulCut cut;
    return ListFileToBoxText(fileBytes, cut);
}

namespace {

// The text of a classified list as UTF-8: Windows-1251 decoded, a byte of
// broken UTF-8 made U+FFFD, each paragraph separator (what word processors
// end a paragraph with) one LF.
std::string ListUtf8(const ListBytes& list) {
    std::string utf8 = list.encoding == ListEncoding::Cp1251 ? Cp1251ToUtf8(list.text)
                       : IsValidUtf8(list.text)              ? std::string(list.text)
                                                             : RepairUtf8(list.text);
    constexpr std::string_view kParagraphSeparator = "\u2029";
    if (utf8.find(kParagraphSeparator) == std::string::npos) return utf8;
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
    return lines;
}

}  // namespace

std::string ListFileToBoxText(std::string_view fileBytes, NulCut& cut) {
    std::string decoded;
    const ListBytes list = ClassifyListBytes(Utf16ListAsUtf8(fileBytes, decoded));
    cut = list.cut;
    return WithLfLineBreaks(std::string_view(ListUtf8(list)));
}

std::string PastedTextToBoxText(std::string_view utf8) { return ListFileToBoxText(utf8); }

ListFileText DecodeListFile(std::string_view fileBytes, std::string& storage) {
    std::string utf16;
    const ListBytes list = ClassifyListBytes(Utf16ListAsUtf8(fileBytes, utf16));
    if (list.encoding == ListEncoding::Cp1251) return {list.text, list.text, list.cut};
    // The raw bytes may live in the UTF-16 decoding, which goes: storage
    // holds them after the text.
    const std::string text = Utf8ToCp1251(ListUtf8(list));
    storage.clear();
    storage.reserve(text.size() + list.text.size());
    storage.append(text).append(list.text);
    const std::string_view both(storage);
    return {both.substr(0, text.size()), both.substr(text.size()), list.cut};
}

HeldListBytes ReadListBytes(ByteSource& source, std::size_t sizeHint) {
    HeldListBytes held;
    constexpr std::size_t kBlock = std::size_t{1} << 16;
    // Room for the whole file is only address space until it is written,
    // and nothing is written past a NUL.
    ReserveLarge(held.bytes, sizeHint + kBlock);
    held.bytes.resize(2);
    std::size_t got = 0;
    for (std::size_t n; got < 2 && (n = source.Read(held.bytes.data() + got, 2 - got)) > 0;) got += n;
    held.bytes.resize(got);
    const bool little = held.bytes == kUtf16LeByteOrderMark, big = held.bytes == kUtf16BeByteOrderMark;
    std::optional<Utf16Decoder> utf16;
    if (little || big) {
        utf16.emplace(big);
        held.bytes = kUtf8ByteOrderMark;
    }
    // Keeps the NUL, counts what follows it; true once there was one.
    auto cutAtNul = [&](std::size_t from) {
        const std::size_t at = held.bytes.find('\0', from);
        if (at == std::string::npos) return false;
        held.afterNul += held.bytes.size() - at - 1;
        held.bytes.resize(at + 1);
        return true;
    };
    bool nul = cutAtNul(0);
    std::string block, decoded;
    while (!nul) {
        if (!utf16) {
            const std::size_t size = held.bytes.size();
            held.bytes.resize(size + kBlock);
            const std::size_t n = source.Read(held.bytes.data() + size, kBlock);
            held.bytes.resize(size + n);
            if (n == 0) return held;
            nul = cutAtNul(size);
            continue;
        }
        block.resize(kBlock);
        const std::size_t n = source.Read(block.data(), kBlock);
        const std::size_t size = held.bytes.size();
        if (n == 0) {
            utf16->Finish(held.bytes);
            cutAtNul(size);
            return held;
        }
        utf16->Decode(std::string_view(block.data(), n), held.bytes);
        nul = cutAtNul(size);
    }
    // Past the NUL only the count is kept, in one block's room.
    block.resize(kBlock);
    for (std::size_t n; (n = source.Read(block.data(), kBlock)) > 0;) {
        if (!utf16) {
            held.afterNul += n;
            continue;
        }
        decoded.clear();
        utf16->Decode(std::string_view(block.data(), n), decoded);
        held.afterNul += decoded.size();
    }
    if (utf16) {
        decoded.clear();
        utf16->Finish(decoded);
        held.afterNul += decoded.size();
    }
    return held;
}

std::string BoxTextToListFile(std::string_view boxText) {
    const std::string text = Utf8ToCp1251(boxText);
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (const char c : text) c == '\n' ? bytes.append("\r\n") : bytes.append(1, c);
    return bytes;
}

}  // namespace orvane
