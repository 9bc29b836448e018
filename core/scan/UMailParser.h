// The address syntax check: is a candidate found around an "@" an e-mail address?
//
// The grammar is the classic local part, "@", domain, read left to right with a cursor
// that only moves forward, apart from stepping back over a byte a rule tested and did not
// take. Repetitions take all they can and give nothing back; a rule that fails part-way
// keeps what its earlier parts took, and the next alternative goes on from there. After
// the grammar, one more rule: a full stop must follow the first "@".
//
// Every rule is a loop over the candidate, so a candidate of any length is checked in
// linear time without recursion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace tessaly {

// How the check signals a refused candidate inside itself; it never leaves CheckAddress.
class EInvalidEMail : public std::runtime_error {
 public:
  EInvalidEMail() : std::runtime_error("Invalid email") {}
};

class TMailParser {
 public:
  // True when the candidate is an address by the grammar and has a full stop after its
  // first "@". Never throws: whatever goes wrong inside is the answer false. Any bytes are
  // allowed, NUL and 0x80-0xFF included (they simply fail).
  bool CheckAddress(std::string_view candidate) noexcept;

 private:
  // The two reading primitives. NextByte gives the end marker 0 once, one past the last
  // byte, and throws EInvalidEMail when asked for more.
  std::uint8_t NextByte();
  void StepBack() { --pos_; }

  // One function per grammar rule; each answers whether it matched.
  bool Address();
  bool LocalPart();
  bool DotAtom();
  bool Word();
  bool WordByte();
  bool QuotedString();
  bool QuotedItem();
  bool Domain();
  bool SubDomain();
  bool HashNumber();
  bool BracketedQuad();
  bool DottedQuad();
  bool Octet();
  bool Label();
  bool Byte(std::uint8_t wanted);

  std::string_view text_;
  std::size_t pos_ = 1;  // 1-based: the index of the next byte to read
  std::size_t len_ = 0;
};

}  // namespace tessaly
