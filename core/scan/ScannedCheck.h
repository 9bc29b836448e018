// The syntax check of a candidate the stream scan is still collecting.
//
// The stream scan grows its candidates out of two byte classes, so a candidate holds one
// "@", no quote and no backslash. For such a candidate the check comes down to two small
// automata that run as the walks go: one over the local part, fed from the "@" backwards,
// one over the domain, fed forwards. Their answer is CheckAddress's answer for the same
// bytes (the tests hold both to that), but nothing has to be kept to get it, so a run of
// address bytes a gigabyte long is checked in flat memory, at one table step a byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "scan/CharClasses.h"

namespace tessaly {

namespace scan_detail {

// --- Local part: runs of atom bytes joined by single full stops. -------------------------

// What a byte is to the walk backwards: outside the local-part class, or inside it as an
// atom byte, a full stop or a hyphen.
enum : std::uint8_t { lkOutside, lkAtom, lkDot, lkHyphen, kLocalKinds };
enum : std::uint8_t { lsEmpty, lsAtom, lsDot, lsFailed, kLocalStates };

constexpr std::array<std::uint8_t, 256> MakeLocalKinds() {
  std::array<std::uint8_t, 256> k{};
  for (int b = 0; b < 256; ++b) {
    const auto u = static_cast<std::uint8_t>(b);
    if (!scan::In(scan::kLocalPartClass, u))
      k[u] = lkOutside;
    else if (scan::In(scan::kAtomByte, u))
      k[u] = lkAtom;
    else
      k[u] = u == '.' ? lkDot : lkHyphen;
  }
  return k;
}
inline constexpr std::array<std::uint8_t, 256> kLocalKind = MakeLocalKinds();

// [state][kind]; read from the "@" outwards, so a full stop must follow an atom byte.
inline constexpr std::uint8_t kLocalNext[kLocalStates][kLocalKinds] = {
    /* empty  */ {lsFailed, lsAtom, lsFailed, lsFailed},
    /* atom   */ {lsFailed, lsAtom, lsDot, lsFailed},
    /* dot    */ {lsFailed, lsAtom, lsFailed, lsFailed},
    /* failed */ {lsFailed, lsFailed, lsFailed, lsFailed},
};

// --- Domain: sub-domains joined by full stops, read as the grammar reads them. -----------

// What a byte is to the walk forwards; dkEnd stands for the end of the candidate.
enum : std::uint8_t {
  dkOutside,
  dkDigit,
  dkLetter,
  dkHyphen,
  dkDot,
  dkHash,
  dkOpen,
  dkClose,
  dkEnd,
  kDomainKinds
};
inline constexpr std::uint8_t kKindSample[kDomainKinds] = {0, '1', 'a', '-', '.', '#', '[', ']', 0};

constexpr std::array<std::uint8_t, 256> MakeDomainKinds() {
  std::array<std::uint8_t, 256> k{};
  for (int b = 0; b < 256; ++b) {
    const auto u = static_cast<std::uint8_t>(b);
    if (!scan::In(scan::kDomainClass, u))
      k[u] = dkOutside;
    else if (scan::In(scan::kDigit, u))
      k[u] = dkDigit;
    else if (scan::In(scan::kLetter, u))
      k[u] = dkLetter;
    else if (u == '-')
      k[u] = dkHyphen;
    else if (u == '.')
      k[u] = dkDot;
    else if (u == '#')
      k[u] = dkHash;
    else
      k[u] = u == '[' ? dkOpen : dkClose;
  }
  return k;
}
inline constexpr std::array<std::uint8_t, 256> kDomainKind = MakeDomainKinds();

// Where the grammar stands in the domain. A state that does not take the byte hands it on
// to the next alternative, as the grammar's step back does.
enum class DomainState : std::uint8_t {
  SubDomain,      // a sub-domain starts: "#"?
  HashNoDigit,    // "#" taken, no digit yet
  HashDigits,     // "#" and digits
  Bracket,        // "["?
  Octet,          // in the dotted quad: octet `octet`, `digits` digits so far
  OctetDot,       // a full stop after octet `octet`
  CloseBracket,   // "]" after the fourth octet
  Label,          // a letter or digit to start a label
  LabelRunEmpty,  // the label's run, nothing yet
  LabelRun,       // the label's run; `lastLetterOrDigit` tells its last byte
  AfterSub,       // after a sub-domain: a full stop, or the end
  Passed,
  Failed,
};

struct DomainConfig {
  DomainState state = DomainState::SubDomain;
  std::uint8_t octet = 0;
  std::uint8_t digits = 0;
  bool lastLetterOrDigit = false;
  bool sawDot = false;  // a full stop after the "@", the check's extra rule
  constexpr bool operator==(const DomainConfig&) const = default;
};

// One byte (0: the end of the candidate, which matches nothing) through the domain rules.
constexpr DomainConfig StepDomain(DomainConfig c, std::uint8_t b) {
  using S = DomainState;
  if (b == '.') c.sawDot = true;
  const bool digit = scan::In(scan::kDigit, b);
  const bool letterOrDigit = scan::In(scan::kLetterOrDigit, b);
  const bool ldh = scan::In(scan::kLetterDigitHyphen, b);
  bool taken = false;
  // The byte goes on to another rule without being taken.
  const auto handOn = [&](S next) {
    c.state = next;
    taken = false;
  };
  while (!taken) {
    taken = true;
    switch (c.state) {
      case S::SubDomain:
        if (b == '#')
          c.state = S::HashNoDigit;
        else
          handOn(S::Bracket);
        break;
      case S::HashNoDigit:  // without a digit, "#" stays taken and "[" is tried next
        if (digit)
          c.state = S::HashDigits;
        else
          handOn(S::Bracket);
        break;
      case S::HashDigits:
        if (!digit) handOn(S::AfterSub);
        break;
      case S::Bracket:
        if (b == '[') {
          c.state = S::Octet;
          c.octet = c.digits = 0;
        } else {
          handOn(S::Label);
        }
        break;
      case S::Octet:  // what the quad took stays taken when it fails
        if (c.digits < 3 && digit)
          ++c.digits;
        else if (c.digits == 0)
          handOn(S::Label);
        else
          handOn(c.octet < 3 ? S::OctetDot : S::CloseBracket);
        break;
      case S::OctetDot:
        if (b == '.') {
          c.state = S::Octet;
          ++c.octet;
          c.digits = 0;
        } else {
          handOn(S::Label);
        }
        break;
      case S::CloseBracket:
        if (b == ']')
          c.state = S::AfterSub;
        else
          handOn(S::Label);
        break;
      case S::Label:
        c.state = letterOrDigit ? S::LabelRunEmpty : S::Failed;
        break;
      case S::LabelRunEmpty:
        c.state = ldh ? S::LabelRun : S::Failed;
        c.lastLetterOrDigit = letterOrDigit;
        break;
      case S::LabelRun:
        if (ldh)
          c.lastLetterOrDigit = letterOrDigit;
        else if (!c.lastLetterOrDigit)
          c.state = S::Failed;
        else
          handOn(S::AfterSub);
        break;
      case S::AfterSub:  // anything but the end left over fails the address
        if (b == '.')
          c.state = S::SubDomain;
        else
          c.state = b == 0 ? S::Passed : S::Failed;
        break;
      case S::Passed:
      case S::Failed:
        c.state = S::Failed;
        break;
    }
  }
  // Forget what no longer matters, so that equal futures are one automaton state.
  if (c.state != S::Octet && c.state != S::OctetDot) c.octet = c.digits = 0;
  if (c.state != S::LabelRun) c.lastLetterOrDigit = false;
  return c;
}

inline constexpr int kMaxDomainStates = 64;

struct DomainAutomaton {
  // Rows of 16, so that a step is a shift and an add.
  std::uint8_t next[kMaxDomainStates][16] = {};
  bool passes[kMaxDomainStates] = {};
  int count = 0;
};

// Every configuration the rules can reach from the start, one automaton state each.
constexpr DomainAutomaton BuildDomainAutomaton() {
  DomainConfig configs[kMaxDomainStates] = {};
  DomainAutomaton a;
  a.count = 1;
  for (int i = 0; i < a.count; ++i) {
    for (std::uint8_t kind = dkDigit; kind < kDomainKinds; ++kind) {
      const DomainConfig n = StepDomain(configs[i], kKindSample[kind]);
      int j = 0;
      while (j < a.count && !(configs[j] == n)) ++j;
      if (j == a.count) {
        if (a.count == kMaxDomainStates) throw "more domain states than room";
        configs[a.count++] = n;
      }
      a.next[i][kind] = static_cast<std::uint8_t>(j);
    }
  }
  for (int i = 0; i < a.count; ++i)
    a.passes[i] = configs[i].state == DomainState::Passed && configs[i].sawDot;
  return a;
}
inline constexpr DomainAutomaton kDomainAutomaton = BuildDomainAutomaton();

}  // namespace scan_detail

class TScannedAddressCheck {
 public:
  // --- The walk backwards from the "@" ---
  void BeginLocalPart() { local_ = scan_detail::lsEmpty; }
  // Takes local-part bytes from the end of [bytes, bytes + count) backwards, while they
  // are in the class. Returns how many it took. `ended` is set when it met a byte outside
  // the class; `hopeless` when the candidate can no longer pass, whatever lies before
  // (the walk need not go on).
  std::size_t TakeLocalPartBackward(const std::uint8_t* bytes, std::size_t count, bool& ended,
                                    bool& hopeless) {
    std::size_t i = count;
    std::uint8_t state = local_;  // kept out of memory: the bytes could alias a member
    ended = hopeless = false;
    while (i > 0) {
      const std::uint8_t kind = scan_detail::kLocalKind[bytes[i - 1]];
      if (kind == scan_detail::lkOutside) {
        ended = true;
        break;
      }
      state = scan_detail::kLocalNext[state][kind];
      if (state == scan_detail::lsFailed) {
        hopeless = true;
        break;
      }
      --i;
    }
    local_ = state;
    return count - i;
  }
  bool LocalPartPasses() const { return local_ == scan_detail::lsAtom; }

  // --- The walk forwards ---
  void BeginDomain() { domain_ = 0; }
  // Takes domain-class bytes from the start of [bytes, bytes + count) and returns how
  // many; fewer than count means the byte after them is outside the class.
  std::size_t TakeDomain(const std::uint8_t* bytes, std::size_t count) {
    std::size_t i = 0;
    std::uint8_t state = domain_;
    for (; i < count; ++i) {
      const std::uint8_t kind = scan_detail::kDomainKind[bytes[i]];
      if (kind == scan_detail::dkOutside) break;
      state = scan_detail::kDomainAutomaton.next[state][kind];
    }
    domain_ = state;
    return i;
  }
  // The end of the candidate: true when the domain passed and held a full stop.
  bool EndDomain() {
    domain_ = scan_detail::kDomainAutomaton.next[domain_][scan_detail::dkEnd];
    return scan_detail::kDomainAutomaton.passes[domain_];
  }

 private:
  std::uint8_t local_ = scan_detail::lsEmpty;
  std::uint8_t domain_ = 0;
};

}  // namespace tessaly
