// The syntax check of a candidate the stream scan is still collecting.
//
// The stream scan grows its candidates out of two byte classes, so a candidate holds one
// "@", no quote and no backslash. For such a candidate the check comes down to two small
// machines that can run as the walks go: one over the local part, fed from the "@"
// backwards, one over the domain, fed forwards. Their answer is CheckAddress's answer for
// the same bytes (the tests hold both to that), but nothing has to be kept to get it, so a
// run of address bytes a gigabyte long is checked in flat memory.
#pragma once

#include <cstdint>

#include "scan/CharClasses.h"

namespace tessaly {

class TScannedAddressCheck {
 public:
  // --- Local part: runs of atom bytes joined by single full stops. ---
  void BeginLocalPart() { local_ = Local::Empty; }
  // One byte of the local-part class, the nearest to the "@" first. False once the
  // candidate can no longer pass, whatever comes before it.
  bool FeedLocalBackward(std::uint8_t b) {
    if (local_ == Local::Failed) return false;
    if (scan::In(scan::kAtomByte, b))
      local_ = Local::Atom;
    else if (b == '.' && local_ == Local::Atom)
      local_ = Local::Dot;
    else
      local_ = Local::Failed;
    return local_ != Local::Failed;
  }
  bool LocalPartPasses() const { return local_ == Local::Atom; }

  // --- Domain: sub-domains joined by full stops, read as the grammar reads them. ---
  void BeginDomain() {
    state_ = State::SubDomain;
    sawDot_ = false;
  }
  // One byte of the domain class. False once the domain can no longer pass.
  bool FeedDomain(std::uint8_t b);
  // The end of the candidate: true when the domain passed and held a full stop.
  bool EndDomain();

 private:
  enum class Local : std::uint8_t { Empty, Atom, Dot, Failed };
  // Where the grammar stands in the domain. A state that does not take the byte hands it
  // on to the next alternative, as the grammar's step back does.
  enum class State : std::uint8_t {
    SubDomain,      // a sub-domain starts: "#"?
    HashNoDigit,    // "#" taken, no digit yet
    HashDigits,     // "#" and digits
    Bracket,        // "["?
    Octet,          // in the dotted quad: octet `octet_`, `digits_` digits so far
    OctetDot,       // a full stop after octet `octet_`
    CloseBracket,   // "]" after the fourth octet
    Label,          // a letter or digit to start a label
    LabelRunEmpty,  // the label's run, nothing yet
    LabelRun,       // the label's run, last byte in `last_`
    AfterSub,       // after a sub-domain: a full stop, or the end
    Passed,
    Failed,
  };

  Local local_ = Local::Empty;
  State state_ = State::SubDomain;
  std::uint8_t octet_ = 0;
  std::uint8_t digits_ = 0;
  std::uint8_t last_ = 0;
  bool sawDot_ = false;
};

}  // namespace tessaly
