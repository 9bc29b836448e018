// The byte classes of the address scanner and the syntax check, as 256-entry tables.
//
// A byte belongs to a class or it does not, whatever its neighbours; every table is built
// at compile time and looked up with the byte's unsigned value.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

namespace tessaly::scan {

using TByteClass = std::array<bool, 256>;

namespace detail {

// Inclusive ranges of byte values.
constexpr TByteClass MakeClass(std::initializer_list<std::pair<int, int>> ranges) {
  TByteClass c{};
  for (const auto& [low, high] : ranges)
    for (int b = low; b <= high; ++b) c[static_cast<std::size_t>(b)] = true;
  return c;
}

constexpr TByteClass Union(const TByteClass& a, const TByteClass& b) {
  TByteClass c{};
  for (std::size_t i = 0; i < c.size(); ++i) c[i] = a[i] || b[i];
  return c;
}

// The Windows-1252 letters that the text scan also takes into a candidate, so that a word
// holding one fails whole instead of being cut short at it.
inline constexpr TByteClass kWesternLetters = MakeClass({{0x8A, 0x8A},
                                                         {0x9A, 0x9A},
                                                         {0x9F, 0x9F},
                                                         {0xC0, 0xD6},
                                                         {0xD8, 0xDD},
                                                         {0xE0, 0xF6},
                                                         {0xF9, 0xFD},
                                                         {0xFF, 0xFF}});

}  // namespace detail

// What the walk backwards from an "@" takes: hyphen, full stop, digits, "=", "?", capitals,
// and "^" to "~" (underscore, grave accent, small letters, braces, bar, tilde).
inline constexpr TByteClass kLocalPartClass = detail::MakeClass(
    {{0x2D, 0x2E}, {0x30, 0x39}, {0x3D, 0x3D}, {0x3F, 0x3F}, {0x41, 0x5A}, {0x5E, 0x7E}});

// What the walk forwards from an "@" takes: "#", hyphen, full stop, digits, letters and the
// square brackets. No underscore.
inline constexpr TByteClass kDomainClass = detail::MakeClass({{0x23, 0x23},
                                                              {0x2D, 0x2E},
                                                              {0x30, 0x39},
                                                              {0x41, 0x5A},
                                                              {0x5B, 0x5B},
                                                              {0x5D, 0x5D},
                                                              {0x61, 0x7A}});

// The text scan's classes: the same, extended by the Western letters.
inline constexpr TByteClass kTextLocalPartClass =
    detail::Union(kLocalPartClass, detail::kWesternLetters);
inline constexpr TByteClass kTextDomainClass = detail::Union(kDomainClass, detail::kWesternLetters);

// The syntax check's sets.
inline constexpr TByteClass kDigit = detail::MakeClass({{0x30, 0x39}});
inline constexpr TByteClass kLetter = detail::MakeClass({{0x41, 0x5A}, {0x61, 0x7A}});
inline constexpr TByteClass kLetterOrDigit = detail::Union(kLetter, kDigit);
inline constexpr TByteClass kLetterDigitHyphen =
    detail::Union(kLetterOrDigit, detail::MakeClass({{0x2D, 0x2D}}));
// Digits, "=", "?", capitals, "^" to "~": no hyphen, no full stop, nothing below "0".
inline constexpr TByteClass kAtomByte =
    detail::MakeClass({{0x30, 0x39}, {0x3D, 0x3D}, {0x3F, 0x3F}, {0x41, 0x5A}, {0x5E, 0x7E}});
// What may follow a backslash.
inline constexpr TByteClass kEscapedByte = detail::MakeClass({{0x30, 0x7F}});
// What a quoted string holds without a backslash: "0" to DEL except the backslash itself.
inline constexpr TByteClass kQuotedByte = detail::MakeClass({{0x30, 0x5B}, {0x5D, 0x7F}});

inline constexpr bool In(const TByteClass& c, std::uint8_t b) {
  return c[b];
}
inline constexpr bool In(const TByteClass& c, char b) {
  return c[static_cast<unsigned char>(b)];
}

}  // namespace tessaly::scan
