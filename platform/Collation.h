// Case-insensitive word-sort order over Windows-1251 text.
//
// Lines are ordered the way a Russian-locale desktop orders words: letter case
// is ignored (Latin and Cyrillic, Ё/ё included), punctuation comes before
// digits and digits before letters, and the hyphen and the apostrophe are
// passed over unless two texts are otherwise alike. Two texts compare equal
// exactly when they differ in letter case at most, so CollationHash() can key
// a hash table whose equality is CompareCollated() == 0.
//
// The tables are fixed: the order never depends on the process locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvane {

// -1, 0 or +1. Never allocates.
int CompareCollated(std::string_view a, std::string_view b) noexcept;

// Equal for texts that CompareCollated() calls equal.
std::uint64_t CollationHash(std::string_view text) noexcept;

// Orders texts as CompareCollated() does as far as their first sixteen
// letters, digits and signs go: when the keys of two texts differ, the texts
// compare the same way; when they are equal, compare the texts.
struct CollationKey {
    std::uint64_t high = 0, low = 0;
    friend auto operator<=>(const CollationKey&, const CollationKey&) = default;
};
CollationKey CollationSortKey(std::string_view text) noexcept;

// The lower-case partner of a CP1251 byte (itself when it has none): the
// fold the collation tables are built on, exposed so the tests can hold it
// to the C library's towlower.
unsigned char FoldCase(unsigned char c) noexcept;

}  // namespace orvane
