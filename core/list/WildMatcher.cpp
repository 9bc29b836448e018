#include "list/WildMatcher.h"

namespace tessaly {
namespace {

// Upper case means the ASCII letters only; every other byte stays as it is.
constexpr unsigned char Upper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

constexpr const char* kSameChars = "AnyChar = OneChar";
constexpr const char* kTooLong = "Mask length too long";

}  // namespace

TWildMatcher::TWildMatcher() = default;

TWildMatcher::TWildMatcher(std::string_view mask, bool caseSensitive, char anyChar, char oneChar) {
  SetAnyChar(anyChar);
  CaseSensitive = caseSensitive;
  SetMask(mask.substr(0, 255));
  SetOneChar(oneChar);
}

void TWildMatcher::SetAnyChar(char c) {
  if (static_cast<unsigned char>(c) == oneChar_) throw EWildCard(kSameChars);
  anyChar_ = static_cast<unsigned char>(c);
}

void TWildMatcher::SetOneChar(char c) {
  if (static_cast<unsigned char>(c) == anyChar_) throw EWildCard(kSameChars);
  oneChar_ = static_cast<unsigned char>(c);
}

void TWildMatcher::SetMask(std::string_view s) {
  if (s.size() > kMaxMaskLength) throw EWildCard(kTooLong);
  if (hasGiven_ && s == given_ && givenCaseSensitive_ == CaseSensitive) return;
  given_.assign(s);
  givenCaseSensitive_ = CaseSensitive;
  hasGiven_ = true;

  std::size_t kept = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const bool repeatedAny =
        i > 0 && c == anyChar_ && static_cast<unsigned char>(s[i - 1]) == anyChar_;
    if (repeatedAny) continue;
    mask_[1 + kept++] = CaseSensitive ? c : Upper(c);
  }
  mask_[0] = static_cast<unsigned char>(kept);
  mask_[1 + kept] = kEndMarker;
}

bool TWildMatcher::Matches(std::string_view text) const {
  const unsigned char* p = mask_.data() + 1;
  const std::size_t patternLength = mask_[0];
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t textLength = text.size();

  std::size_t i = 0, j = 0;    // next pattern and text positions
  std::size_t si = 0, sj = 0;  // just after the last star, and where its run started
  bool starSeen = false;
  for (;;) {
    if (i == patternLength && j == textLength) return true;
    if (i < patternLength && p[i] == anyChar_) {
      // A star at the end takes the rest of the text, whatever it is.
      if (i + 1 >= patternLength) return true;
      starSeen = true;
      sj = j;
      si = ++i;
    }
    if (j < textLength && i < patternLength) {
      const unsigned char c = CaseSensitive ? t[j] : Upper(t[j]);
      if (p[i] == oneChar_ || p[i] == c) {
        ++i;
        ++j;
        continue;
      }
    }
    // A mismatch: the last star swallows one more character and the rest is tried again.
    if (!starSeen || sj >= textLength) return false;
    j = ++sj;
    i = si;
  }
}

}  // namespace tessaly
