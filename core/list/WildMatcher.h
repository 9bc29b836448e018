// The wildcard matcher of Delete Emails: two metacharacters, an optional case-insensitive
// mode and a matching loop that remembers only the last star it passed.
//
// The pattern is normalised once (runs of AnyChar shrink to one, letters go to upper case
// when case does not count) and stored followed by the end marker 0xFF. The ends of the
// pattern and of the text are found by their lengths, never by meeting a 0xFF byte: an
// address taken from a header can hold any byte, 0xFF included, and must match only what it
// really matches.
#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly {

// A refused matcher set-up: "AnyChar = OneChar" or "Mask length too long".
class EWildCard : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TWildMatcher {
 public:
  static constexpr std::size_t kMaxMaskLength = 127;
  static constexpr unsigned char kEndMarker = 0xFF;

  // AnyChar "*", OneChar "?", case ignored, empty mask.
  TWildMatcher();
  // SetAnyChar, the CaseSensitive flag, SetMask with the mask cut to 255 characters, then
  // SetOneChar, in this order. Throws EWildCard.
  TWildMatcher(std::string_view mask, bool caseSensitive, char anyChar, char oneChar);

  // Each throws EWildCard "AnyChar = OneChar" when c equals the other metacharacter.
  // Neither touches the stored mask.
  void SetAnyChar(char c);
  void SetOneChar(char c);
  // Throws EWildCard "Mask length too long" for 128 characters or more and then keeps the
  // mask it had. CaseSensitive takes effect on the mask here, so set it first.
  void SetMask(std::string_view s);

  bool Matches(std::string_view text) const;

  char AnyChar() const { return static_cast<char>(anyChar_); }
  char OneChar() const { return static_cast<char>(oneChar_); }
  bool CaseSensitive = false;
  // The normalised pattern, without its end marker.
  std::string_view Mask() const {
    return {reinterpret_cast<const char*>(mask_.data()) + 1, mask_[0]};
  }

 private:
  unsigned char anyChar_ = '*';
  unsigned char oneChar_ = '?';
  // A length byte, the normalised pattern, the end marker.
  std::array<unsigned char, 256> mask_{0, kEndMarker};
  // The text SetMask last normalised, and under which case mode, so that setting the same
  // mask again costs nothing while a change of mode is still honoured.
  std::string given_;
  bool givenCaseSensitive_ = false;
  bool hasGiven_ = false;
};

}  // namespace tessaly
