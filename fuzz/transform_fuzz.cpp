// Any bytes through the line and list conversion: no crash, no undefined
// behaviour, the same result as the plain conversion, and every subnet
// line's host range converts back to it.
#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "AddressReader.h"
#include "AddressSet.h"
#include "AddressWriter.h"
#include "ListLines.h"
#include "ListOracle.h"
#include "SetOracle.h"
#include "ListText.h"
#include "unCommon.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = orvane::SplitListLines(text);

    // The options come from the input's size, so every combination is met.
    const bool dedupe = size % 2 == 0, sort = size % 3 != 0;
    for (int form = -1; form <= 3; ++form) {
        const auto out = orvane::TransformList(lines, dedupe, sort, form, " / ");
        Check(out == orvane::oracle::PlainTransformList(lines, dedupe, sort, form, " / "));
        std::string joined, whole;
        for (const auto& line : out) joined += line + "\n";
        orvane::TransformListText(
            text, {.form = orvane::OutputFormOf(form), .removeDuplicates = dedupe, .sort = sort, .lineEnd = "\n"}, whole);
        Check(whole == joined);
    }

    // Read as address sets: what the reading leaves of a line, read again,
    // names the same addresses; the union holds exactly the addresses of the lines, sampled
    // at every boundary; what is written reads back to the same set.
    // The set reader reads lines whole, after a byte-order mark.
    std::string_view setText = text;
    if (setText.starts_with(orvane::kUtf8ByteOrderMark)) setText.remove_prefix(orvane::kUtf8ByteOrderMark.size());
    const std::vector<std::string_view> wholeLines = orvane::SplitListLines(setText, std::string_view::npos);
    for (const auto ranges : {orvane::RangeReading::Hosts, orvane::RangeReading::Addresses}) {
        std::string scratch, again;
        for (std::string_view line : wholeLines) {
            const orvane::SetLine read = orvane::ReadSetLine(line, ranges, scratch);
            const orvane::SetLine reread = orvane::ReadSetLine(read.text, ranges, again);
            // The window's cleaning counts dots from the second character, so
            // ".2.3.4/0" cleans to itself but is rejected when cleaned again.
            if (read.kind == reread.kind && read.kind != orvane::SetLine::Kind::Rejected)
                Check(reread.v4 == read.v4 && reread.v6 == read.v6);
            Check(read.v4.first <= read.v4.last && read.v6.first <= read.v6.last);
            // Blanks at the ends and around "/" and "-" change nothing, tabs included.
            std::string blanked = " \t";
            for (const char c : line) {
                const bool separator = c == '/' || c == '-';
                if (separator) blanked += '\t';
                blanked += c;
                if (separator) blanked += "  ";
            }
            blanked += "\t ";
            const orvane::SetLine spaced = orvane::ReadSetLine(blanked, ranges, again);
            Check(spaced.kind == read.kind);
            if (spaced.kind == read.kind && read.kind != orvane::SetLine::Kind::Rejected)
                Check(spaced.v4 == read.v4 && spaced.v6 == read.v6);
            // An IPv6 address alone (no separator: a hyphen, an em or en dash) is
            // read exactly when the C library reads it.
            const std::string copy(line);
            in6_addr address{};
            if (copy.find(':') != std::string::npos && copy.find_first_of(std::string(" \t#;/-\x96\x97\0", 10)) == std::string::npos &&
                static_cast<unsigned char>(copy.front()) > 0x20 && static_cast<unsigned char>(copy.back()) > 0x20)
                Check((read.kind == orvane::SetLine::Kind::IPv6) == (inet_pton(AF_INET6, copy.c_str(), &address) == 1));
        }
        orvane::AddressSets sets;
        const orvane::oracle::LinesRead found = orvane::oracle::ReadAddressList(text, ranges, sets);
        Check(found.lines == wholeLines.size());
        const orvane::AddressSets joined{orvane::UnionOf(sets.v4), orvane::UnionOf(sets.v6)};
        auto in = [](const auto& set, auto x) {
            for (const auto& i : set)
                if (i.first <= x && x <= i.last) return true;
            return false;
        };
        auto checkUnion = [&](const auto& all, const auto& union_) {
            for (const auto& i : all)
                for (auto x : {i.first - 1, i.first, i.last, i.last + 1}) Check(in(union_, x) == in(all, x));
            for (std::size_t k = 1; k < union_.size(); ++k) Check(union_[k].first > union_[k - 1].last + 1);
        };
        checkUnion(sets.v4, joined.v4);
        checkUnion(sets.v6, joined.v6);
        for (const auto form : {orvane::OutputForm::HostRange, orvane::OutputForm::ShortMask, orvane::OutputForm::LongMask}) {
            std::string written;
            orvane::WriteSets(joined, {.form = form, .delimiter = " / ", .lineEnd = "\r\n", .ranges = ranges}, written);
            // The window's host range of a network at either end of the space runs past it.
            if (form == orvane::OutputForm::HostRange && ranges == orvane::RangeReading::Hosts) continue;
            orvane::AddressSets back;
            Check(orvane::oracle::ReadAddressList(written, ranges, back).rejected.empty());
            Check(orvane::UnionOf(back.v4) == joined.v4 && orvane::UnionOf(back.v6) == joined.v6);
        }
    }

    for (std::string_view line : lines) {
        const std::string range = orvane::TransformLine(line, 0, "/");
        const std::string prefix = orvane::TransformLine(line, 1, "/");
        const std::string mask = orvane::TransformLine(line, 2, "/");
        if (line.find('-') == std::string_view::npos && line.find('/') != std::string_view::npos &&
            !range.empty()) {
            // A subnet line: its host range must give back its network and mask.
            Check(orvane::TransformLine(range, 2, "/") == mask);
            Check(orvane::TransformLine(range, 1, "/") == prefix);
        }
        if (!range.empty() && line.find('-') != std::string_view::npos) Check(range == line);
    }
    return 0;
}
