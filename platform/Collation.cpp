#include "Collation.h"

#include <array>

namespace orvane {
namespace {

// Upper-case / lower-case pairs of CP1251 beyond the two plain alphabets.
constexpr std::array<std::array<unsigned char, 2>, 15> kExtraCasePairs{{
    {0xA8, 0xB8},  // Ё ё
    {0x80, 0x90},  // Ђ ђ
    {0x81, 0x83},  // Ѓ ѓ
    {0x8A, 0x9A},  // Љ љ
    {0x8C, 0x9C},  // Њ њ
    {0x8D, 0x9D},  // Ќ ќ
    {0x8E, 0x9E},  // Ћ ћ
    {0x8F, 0x9F},  // Џ џ
    {0xA1, 0xA2},  // Ў ў
    {0xA3, 0xBC},  // Ј ј
    {0xA5, 0xB4},  // Ґ ґ
    {0xAA, 0xBA},  // Є є
    {0xAF, 0xBF},  // Ї ї
    {0xB2, 0xB3},  // І і
    {0xBD, 0xBE},  // Ѕ ѕ
}};

// Lower-case Cyrillic letters in alphabet order: Russian first (ё after е),
// then the other letters CP1251 carries, each after its nearest relative.
constexpr unsigned char kCyrillicOrder[] = {
    0xE0, 0xE1, 0xE2, 0xE3, 0xB4, 0xE4, 0x90, 0x83, 0xE5, 0xB8, 0xBA, 0xE6,
    0xE7, 0xBE, 0xE8, 0xB3, 0xBF, 0xE9, 0xBC, 0xEA, 0x9D, 0xEB, 0x9A, 0xEC,
    0xED, 0x9C, 0xEE, 0xEF, 0xF0, 0xF1, 0xF2, 0x9E, 0xF3, 0xA2, 0xF4, 0xF5,
    0xF6, 0xF7, 0x9F, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};

struct Tables {
    std::array<unsigned char, 256> fold{};
    // Primary weight of every byte after folding; 0 marks the characters a
    // word sort passes over at the first level.
    std::array<std::uint16_t, 256> primary{};
    // Tie-break weight: distinct for every folded byte, the passed-over ones
    // included, so only case differences can end in equality.
    std::array<std::uint16_t, 256> secondary{};
};

constexpr bool IsIgnorable(unsigned char c) { return c == '-' || c == '\''; }

constexpr Tables BuildTables() {
    Tables t{};
    for (int c = 0; c < 256; ++c) t.fold[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) t.fold[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) t.fold[c] = static_cast<unsigned char>(c + 32);
    for (const auto& pair : kExtraCasePairs) t.fold[pair[0]] = pair[1];

    // Weights are handed out in ascending order: control characters and
    // blanks, then punctuation and symbols in byte order, digits, Latin
    // letters, Cyrillic letters.
    std::uint16_t next = 16;
    bool assigned[256] = {};
    auto give = [&](unsigned char c) {
        if (!assigned[c]) {
            t.primary[c] = next++;
            assigned[c] = true;
        }
    };
    for (int c = 0; c <= 0x20; ++c) give(static_cast<unsigned char>(c));
    give(0xA0);  // no-break space sorts with the blanks
    auto isLetterOrDigit = [&](int c) {
        if (c >= '0' && c <= '9') return true;
        if (t.fold[c] != c) return true;  // has a lower-case partner
        for (unsigned char l : kCyrillicOrder)
            if (l == c) return true;
        return c >= 'a' && c <= 'z';
    };
    for (int c = 0x21; c < 256; ++c)
        if (!isLetterOrDigit(c) && !IsIgnorable(static_cast<unsigned char>(c)))
            give(static_cast<unsigned char>(c));
    for (int c = '0'; c <= '9'; ++c) give(static_cast<unsigned char>(c));
    for (int c = 'a'; c <= 'z'; ++c) give(static_cast<unsigned char>(c));
    for (unsigned char c : kCyrillicOrder) give(c);

    // Every byte that is its own lower case now has a weight (or is one of
    // the two ignorables); upper-case bytes take their partner's.
    for (int c = 0; c < 256; ++c) {
        const unsigned char f = t.fold[c];
        t.primary[c] = IsIgnorable(f) ? 0 : t.primary[f];
    }
    for (int c = 0; c < 256; ++c) {
        const unsigned char f = t.fold[c];
        // Above every other character, so a text without them comes first.
        if (f == '\'') t.secondary[c] = 0xFFFE;
        else if (f == '-') t.secondary[c] = 0xFFFF;
        else t.secondary[c] = t.primary[f];
    }
    return t;
}

constexpr Tables kTables = BuildTables();

constexpr bool PrimaryWeightsFitInAByte() {
    for (auto w : kTables.primary)
        if (w > 0xFF) return false;
    return true;
}
static_assert(PrimaryWeightsFitInAByte(), "sort keys pack one first-level weight a byte");

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

unsigned char FoldCase(unsigned char c) noexcept { return kTables.fold[c]; }

int CompareCollated(std::string_view a, std::string_view b) noexcept {
    const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
    const std::size_t na = a.size(), nb = b.size();

    // An identical start weighs the same at every level: begin behind it.
    std::size_t start = 0;
    const std::size_t shorter = na < nb ? na : nb;
    while (start < shorter && pa[start] == pb[start]) ++start;

    // First level: the texts without hyphens and apostrophes.
    std::size_t i = start, j = start;
    for (;;) {
        while (i < na && kTables.primary[pa[i]] == 0) ++i;
        while (j < nb && kTables.primary[pb[j]] == 0) ++j;
        if (i == na || j == nb) {
            if (i != na) return 1;
            if (j != nb) return -1;
            break;
        }
        const int d = int(kTables.primary[pa[i]]) - int(kTables.primary[pb[j]]);
        if (d != 0) return Sign(d);
        ++i;
        ++j;
    }

    // Alike but for hyphens and apostrophes: now they count.
    for (std::size_t k = start; k < shorter; ++k) {
        const int d = int(kTables.secondary[pa[k]]) - int(kTables.secondary[pb[k]]);
        if (d != 0) return Sign(d);
    }
    return Sign(int(na > nb) - int(na < nb));
}

CollationKey CollationSortKey(std::string_view text) noexcept {
    // Weights packed most significant first; a text that ends early leaves
    // zeros, below every weight, so a prefix sorts first as it should.
    CollationKey key;
    int filled = 0;
    for (std::size_t i = 0; i < text.size() && filled < 16; ++i) {
        const std::uint64_t w = kTables.primary[static_cast<unsigned char>(text[i])];
        if (w == 0) continue;
        std::uint64_t& word = filled < 8 ? key.high : key.low;
        word |= w << (8 * (7 - filled % 8));
        ++filled;
    }
    return key;
}

std::uint64_t CollationHash(std::string_view text) noexcept {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= kTables.fold[c];
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace orvane
