// A private-profile (INI) file: read one key with a default, write one key,
// write the file out.
//
// The file is read once when the accessor is made and written whole, only by
// UpdateFile(), which replaces it or leaves it byte for byte. Lines that no
// write touched keep their bytes; CR LF, lone LF and lone CR all end lines,
// and new lines take the file's first line end (LF in a new file). Section and
// key names match without regard to ASCII letter case; of repeated keys the
// first wins. A file that is not UTF-8 is read as Windows-1251 and keeps that
// encoding when written, until a write needs a character Windows-1251 lacks:
// then the whole file is written in UTF-8. A UTF-8 byte-order mark is kept.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// "Unable to write to <full path>".
class EIniFileException : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    // Longest value a read gives, in bytes.
    static constexpr std::size_t kMaxValueBytes = 2047;

    explicit TIniFile(std::string fileName);
    // The accessor for a file whose bytes are already at hand.
    TIniFile(std::string fileName, std::string_view bytes);

    // The key's value without surrounding blanks and without one pair of
    // equal quotation marks around it; defaultValue when the file, the
    // section or the key is missing. Texts are UTF-8.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Makes the key's line read key=value, where it stands, or adds it to its
    // section (made when missing). CR and LF are left out of the value; a
    // value that begins and ends with the same quotation mark gets one more
    // pair of double quotes, so that reading gives it back whole.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Writes the file if anything was written to it. Throws EIniFileException.
    void UpdateFile();

    // The file's bytes as UpdateFile() would write them.
    std::string Bytes() const;

private:
    struct Line {
        std::string text;  // UTF-8, without its line end
        std::string raw;   // the bytes as read, with the line end; empty for a changed or new line
        std::string end;   // the line end
    };

    void Parse(std::string_view bytes);
    std::size_t FindSection(std::string_view section) const;
    std::string Encode(const std::string& text) const;

    std::string fileName_;
    std::vector<Line> lines_;
    bool cp1251_ = false;
    bool byteOrderMark_ = false;
    bool dirty_ = false;
    std::string newLineEnd_ = "\n";
};

// The text written for value: quote protection, no CR or LF.
std::string ProtectIniValue(std::string_view value);

}  // namespace orvane
