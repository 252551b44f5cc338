#include "IniFile.h"

#include <algorithm>

#include "CodePage.h"
#include "FileIo.h"
#include "ListText.h"
#include "TextRules.h"

namespace orvane {
namespace {

std::string_view Trim(std::string_view s) { return TrimBlanks(s); }

bool SameName(std::string_view a, std::string_view b) { return EqualsIgnoringAsciiCase(a, b); }

// The section a header line opens, or nothing for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

// Cuts UTF-8 text to at most n bytes without splitting a character.
std::string_view CutUtf8(std::string_view s, std::size_t n) {
    if (s.size() <= n) return s;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

bool FitsCp1251(std::string_view section, std::string_view key, std::string_view value) {
    for (std::string_view text : {section, key, value})
        if (Cp1251ToUtf8(Utf8ToCp1251(text)) != text) return false;
    return true;
}

}  // namespace

std::string ProtectIniValue(std::string_view value) {
    std::string clean;
    for (char c : value)
        if (c != '\r' && c != '\n') clean += c;
    if (clean.size() >= 2 && (clean.front() == '"' || clean.front() == '\'') && clean.back() == clean.front())
        return "\"" + clean + "\"";
    return clean;
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
    std::string bytes;
    try {
        bytes = ReadWholeFile(fileName_);
    } catch (const EFOpenError&) {
        return;  // reads give their defaults; the first write creates the file
    }
    Parse(bytes);
}

TIniFile::TIniFile(std::string fileName, std::string_view bytes) : fileName_(std::move(fileName)) { Parse(bytes); }

void TIniFile::Parse(std::string_view bytes) {
    // The mark is not part of the first line; it goes back in front when the file is written.
    byteOrderMark_ = bytes.starts_with(kUtf8ByteOrderMark);
    if (byteOrderMark_) bytes.remove_prefix(kUtf8ByteOrderMark.size());
    const ListBytes list = ClassifyListBytes(bytes);
    cp1251_ = !byteOrderMark_ && list.encoding == ListEncoding::Cp1251 && std::any_of(bytes.begin(), bytes.end(), [](char c) {
                  return static_cast<unsigned char>(c) >= 0x80;
              });
    bool firstEnd = true;
    ForEachListLine(bytes, [&](std::string_view content) {
        // Each line keeps its own end, so that a file is written back as it was.
        const auto at = static_cast<std::size_t>(content.data() - bytes.data()) + content.size();
        std::string end;
        if (at < bytes.size())
            end = bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n' ? "\r\n" : std::string(1, bytes[at]);
        if (firstEnd && !end.empty()) newLineEnd_ = end, firstEnd = false;
        Line line;
        line.raw = std::string(content) + end;
        line.end = end;
        line.text = cp1251_ ? Cp1251ToUtf8(content) : std::string(content);
        lines_.push_back(std::move(line));
    }, std::string_view::npos);
}

std::size_t TIniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (SectionName(lines_[i].text, name) && SameName(name, section)) return i;
    }
    return lines_.size();
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    bool inSection = false;
    for (const Line& line : lines_) {
        std::string_view name, k, value;
        if (SectionName(line.text, name)) {
            inSection = SameName(name, section);
        } else if (inSection && KeyOf(line.text, k, value) && SameName(k, key)) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return std::string(CutUtf8(value, kMaxValueBytes));
        }
    }
    return std::string(defaultValue);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // What Windows-1251 cannot hold would be written as "?": such a file becomes UTF-8.
    if (cp1251_ && !FitsCp1251(section, key, value)) {
        for (Line& line : lines_)
            if (!line.raw.empty()) line.raw = Cp1251ToUtf8(line.raw);
        cp1251_ = false;
    }
    Line entry{std::string(key) + "=" + ProtectIniValue(value), {}, newLineEnd_};
    dirty_ = true;

    // The line reads see: the first key of that name in any section of that name.
    bool inSection = false;
    for (Line& line : lines_) {
        std::string_view name, k, v;
        if (SectionName(line.text, name)) {
            inSection = SameName(name, section);
        } else if (inSection && KeyOf(line.text, k, v) && SameName(k, key)) {
            entry.end = line.end;
            line = std::move(entry);
            return;
        }
    }

    // A new key goes behind the last non-blank line of the first such section;
    // a new section goes at the end.
    const std::size_t header = FindSection(section);
    std::size_t insertAt = lines_.size();
    std::vector<Line> added;
    if (header == lines_.size()) {
        std::string headerLine = "[";
        headerLine.append(section).append("]");
        added.push_back({std::move(headerLine), {}, newLineEnd_});
    } else {
        insertAt = header + 1;
        for (std::size_t i = header + 1; i < lines_.size(); ++i) {
            std::string_view name;
            if (SectionName(lines_[i].text, name)) break;
            if (!Trim(lines_[i].text).empty()) insertAt = i + 1;
        }
    }
    added.push_back(std::move(entry));
    if (insertAt > 0 && lines_[insertAt - 1].end.empty()) {
        Line& last = lines_[insertAt - 1];
        last.end = newLineEnd_;
        if (!last.raw.empty()) last.raw += newLineEnd_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), added.begin(), added.end());
}

std::string TIniFile::Encode(const std::string& text) const { return cp1251_ ? Utf8ToCp1251(text) : text; }

std::string TIniFile::Bytes() const {
    std::string bytes(byteOrderMark_ ? kUtf8ByteOrderMark : std::string_view());
    for (const Line& line : lines_) bytes += line.raw.empty() ? Encode(line.text) + line.end : line.raw;
    return bytes;
}

void TIniFile::UpdateFile() {
    if (!dirty_) return;
    try {
        WriteFileAtomically(fileName_, Bytes());
    } catch (const std::exception&) {
        throw EIniFileException("Unable to write to " + fileName_);
    }
    dirty_ = false;
}

}  // namespace orvane
