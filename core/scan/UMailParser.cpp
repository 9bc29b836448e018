#include "scan/UMailParser.h"

#include "scan/CharClasses.h"

namespace tessaly {

using scan::In;

bool TMailParser::CheckAddress(std::string_view candidate) noexcept {
  text_ = candidate;
  len_ = candidate.size();
  pos_ = 1;
  try {
    if (!Address()) return false;
  } catch (...) {
    return false;
  }
  // A full stop somewhere after the first "@".
  const std::size_t at = candidate.find('@');
  return at != std::string_view::npos && candidate.find('.', at + 1) != std::string_view::npos;
}

std::uint8_t TMailParser::NextByte() {
  if (pos_ == len_ + 1) {
    ++pos_;
    return 0;
  }
  if (pos_ > len_ + 1) throw EInvalidEMail();
  return static_cast<std::uint8_t>(text_[pos_++ - 1]);
}

// Reads one byte and keeps it when it is the one wanted; otherwise steps back over it.
bool TMailParser::Byte(std::uint8_t wanted) {
  if (NextByte() == wanted) return true;
  StepBack();
  return false;
}

// local-part "@" domain, and the whole candidate taken.
bool TMailParser::Address() {
  if (!LocalPart()) return false;
  if (!Byte('@')) return false;
  if (!Domain()) return false;
  return pos_ == len_ + 1;
}

// dot-atom, or else a quoted string from wherever dot-atom stopped.
bool TMailParser::LocalPart() {
  return DotAtom() || QuotedString();
}

// word ("." word)*; a full stop without a word after it fails the whole rule.
bool TMailParser::DotAtom() {
  if (!Word()) return false;
  while (Byte('.'))
    if (!Word()) return false;
  return true;
}

bool TMailParser::Word() {
  if (!WordByte()) return false;
  while (WordByte()) {
  }
  return true;
}

// An atom byte, or a backslash and an escaped byte. A backslash without a valid byte after
// it stays taken.
bool TMailParser::WordByte() {
  const std::uint8_t b = NextByte();
  if (In(scan::kAtomByte, b)) return true;
  if (b != '\\') {
    StepBack();
    return false;
  }
  if (In(scan::kEscapedByte, NextByte())) return true;
  StepBack();
  return false;
}

// '"' quoted-item+ '"'
bool TMailParser::QuotedString() {
  if (!Byte('"')) return false;
  if (!QuotedItem()) return false;
  while (QuotedItem()) {
  }
  return Byte('"');
}

bool TMailParser::QuotedItem() {
  std::uint8_t b = NextByte();
  if (b == '\\') {
    if (In(scan::kEscapedByte, NextByte())) return true;
    // The backslash stays taken; the quoted-byte alternative reads the byte after it.
    StepBack();
    b = NextByte();
  }
  if (In(scan::kQuotedByte, b)) return true;
  StepBack();
  return false;
}

// sub-domain ("." sub-domain)*; a full stop without a sub-domain after it fails the rule.
// Whatever follows the last sub-domain is left unread.
bool TMailParser::Domain() {
  if (!SubDomain()) return false;
  while (Byte('.'))
    if (!SubDomain()) return false;
  return true;
}

// "#" digits, or "[" dotted-quad "]", or a label. An alternative that fails part-way
// keeps the bytes it took, and the next one starts after them.
bool TMailParser::SubDomain() {
  return HashNumber() || BracketedQuad() || Label();
}

bool TMailParser::HashNumber() {
  if (!Byte('#')) return false;
  std::size_t digits = 0;
  for (;;) {
    if (!In(scan::kDigit, NextByte())) {
      StepBack();
      break;
    }
    ++digits;
  }
  return digits > 0;
}

bool TMailParser::BracketedQuad() {
  if (!Byte('[')) return false;
  if (!DottedQuad()) return false;
  return Byte(']');
}

bool TMailParser::DottedQuad() {
  if (!Octet()) return false;
  for (int i = 0; i < 3; ++i) {
    if (!Byte('.')) return false;
    if (!Octet()) return false;
  }
  return true;
}

// One to three digits; a fourth is not read. Any value.
bool TMailParser::Octet() {
  int digits = 0;
  while (digits < 3) {
    if (!In(scan::kDigit, NextByte())) {
      StepBack();
      break;
    }
    ++digits;
  }
  return digits > 0;
}

// A letter or digit, then a run of one or more letters, digits and hyphens whose last byte,
// read again, must be a letter or digit.
bool TMailParser::Label() {
  if (!In(scan::kLetterOrDigit, NextByte())) {
    StepBack();
    return false;
  }
  std::size_t run = 0;
  for (;;) {
    if (!In(scan::kLetterDigitHyphen, NextByte())) {
      StepBack();
      break;
    }
    ++run;
  }
  if (run == 0) return false;
  StepBack();
  if (In(scan::kLetterOrDigit, NextByte())) return true;
  StepBack();
  return false;
}

}  // namespace tessaly
