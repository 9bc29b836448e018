#include "scan/ScannedCheck.h"

namespace tessaly {

using scan::In;

// b == 0 is the end of the candidate: it matches nothing, as the grammar's end marker.
bool TScannedAddressCheck::FeedDomain(std::uint8_t b) {
  if (b == '.') sawDot_ = true;
  for (;;) {
    switch (state_) {
      case State::SubDomain:
        if (b == '#') {
          state_ = State::HashNoDigit;
          return true;
        }
        state_ = State::Bracket;
        continue;
      case State::HashNoDigit:
        if (In(scan::kDigit, b)) {
          state_ = State::HashDigits;
          return true;
        }
        state_ = State::Bracket;  // "#" stays taken
        continue;
      case State::HashDigits:
        if (In(scan::kDigit, b)) return true;
        state_ = State::AfterSub;
        continue;
      case State::Bracket:
        if (b == '[') {
          state_ = State::Octet;
          octet_ = 0;
          digits_ = 0;
          return true;
        }
        state_ = State::Label;
        continue;
      case State::Octet:
        if (digits_ < 3 && In(scan::kDigit, b)) {
          ++digits_;
          return true;
        }
        if (digits_ == 0) {
          state_ = State::Label;  // what the quad took stays taken
          continue;
        }
        state_ = octet_ < 3 ? State::OctetDot : State::CloseBracket;
        continue;
      case State::OctetDot:
        if (b == '.') {
          ++octet_;
          digits_ = 0;
          state_ = State::Octet;
          return true;
        }
        state_ = State::Label;
        continue;
      case State::CloseBracket:
        if (b == ']') {
          state_ = State::AfterSub;
          return true;
        }
        state_ = State::Label;
        continue;
      case State::Label:
        if (In(scan::kLetterOrDigit, b)) {
          state_ = State::LabelRunEmpty;
          return true;
        }
        state_ = State::Failed;
        return false;
      case State::LabelRunEmpty:
        if (In(scan::kLetterDigitHyphen, b)) {
          last_ = b;
          state_ = State::LabelRun;
          return true;
        }
        state_ = State::Failed;
        return false;
      case State::LabelRun:
        if (In(scan::kLetterDigitHyphen, b)) {
          last_ = b;
          return true;
        }
        if (!In(scan::kLetterOrDigit, last_)) {
          state_ = State::Failed;
          return false;
        }
        state_ = State::AfterSub;
        continue;
      case State::AfterSub:
        if (b == '.') {
          state_ = State::SubDomain;
          return true;
        }
        // Anything but the end left over after the domain fails the address.
        state_ = b == 0 ? State::Passed : State::Failed;
        return state_ == State::Passed;
      case State::Passed:
      case State::Failed:
        state_ = State::Failed;
        return false;
    }
  }
}

bool TScannedAddressCheck::EndDomain() {
  FeedDomain(0);
  return state_ == State::Passed && sawDot_;
}

}  // namespace tessaly
