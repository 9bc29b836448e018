#include "scan/Scanner.h"

#include <algorithm>

#include "harvest/EventPump.h"
#include "scan/CharClasses.h"
#include "scan/ScannedCheck.h"
#include "scan/UMailParser.h"

namespace tessaly {
namespace {

using scan::In;

class TStreamScan {
 public:
  TStreamScan(TLineStream& stream, const THarvestEvents& events)
      : stream_(stream), events_(events) {
    held_.reserve(256);
  }

  void Run() {
    bool found = stream_.FindByte('@');
    // An "@" as the very first byte starts no candidate.
    if (found && stream_.Position() == 1) found = stream_.FindByte('@');
    bool abort = false;
    while (found && !abort) {
      HandleCandidate(stream_.Position());
      // The byte that ended the forward walk is behind the position already.
      found = stream_.FindByte('@');
      if (events_.OnProgressBar) events_.OnProgressBar(stream_.Position(), abort);
      YieldToEventLoop();
    }
  }

 private:
  // afterAt: the position just past the "@". Leaves the position past the byte that ended
  // the forward walk, or at the end.
  void HandleCandidate(std::uint64_t afterAt) {
    const std::uint64_t at = afterAt - 1;
    std::uint64_t start = 0;
    const bool localPasses = WalkBackward(at, start);
    held_.clear();
    if (localPasses) {
      HoldLocalPart(start, at);
      if (held_.size() < kHeldCandidateLimit) held_.push_back('@');
    }
    stream_.SetPosition(afterAt);
    if (WalkForward(localPasses) && events_.onScannedAddress) events_.onScannedAddress(held_);
  }

  // Takes local-part bytes before the "@" at offset `at`, back to the first byte outside
  // the class or the start of the file. False as soon as the local part cannot pass (the
  // rest of the walk would not change the answer); otherwise `start` is where it begins.
  bool WalkBackward(std::uint64_t at, std::uint64_t& start) {
    check_.BeginLocalPart();
    std::uint64_t offset = at;
    bool ended = false, hopeless = false;
    while (offset > 0 && !ended) {
      const auto before = stream_.Before(offset);
      offset -= check_.TakeLocalPartBackward(before.data(), before.size(), ended, hopeless);
      if (hopeless) return false;
    }
    start = offset;
    return check_.LocalPartPasses();
  }

  void HoldLocalPart(std::uint64_t start, std::uint64_t at) {
    stream_.SetPosition(start);
    while (stream_.Position() < at && held_.size() < kHeldCandidateLimit) {
      const auto ahead = stream_.Ahead();
      if (ahead.empty()) throw EScanRead("The file became shorter while it was read");
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(
          {ahead.size(), at - stream_.Position(), kHeldCandidateLimit - held_.size()}));
      held_.append(reinterpret_cast<const char*>(ahead.data()), n);
      stream_.Skip(n);
    }
  }

  // Takes domain bytes from the position on and consumes the byte that ends the walk.
  // When `checking`, holds them too; answers whether the domain passed (false when not
  // checking).
  bool WalkForward(bool checking) {
    check_.BeginDomain();
    for (;;) {
      const auto ahead = stream_.Ahead();
      if (ahead.empty()) break;
      const std::size_t taken = check_.TakeDomain(ahead.data(), ahead.size());
      if (checking) {
        const std::size_t room = kHeldCandidateLimit - held_.size();
        held_.append(reinterpret_cast<const char*>(ahead.data()), std::min(taken, room));
      }
      stream_.Skip(taken);
      if (taken < ahead.size()) {
        stream_.Skip(1);
        break;
      }
    }
    return check_.EndDomain() && checking;
  }

  TLineStream& stream_;
  const THarvestEvents& events_;
  TScannedAddressCheck check_;
  std::string held_;
};

}  // namespace

void ScanStream(TLineStream& stream, const THarvestEvents& events) {
  try {
    if (events.OnFileSize) events.OnFileSize(stream.Size());
    TStreamScan(stream, events).Run();
  } catch (...) {
    // A read error (or any other) ends this scan only; what was reported stays.
  }
}

void ScanFile(const std::string& path, const THarvestEvents& events) {
  TFileByteSource source(path);
  TLineStream stream(source);
  ScanStream(stream, events);
}

void ScanText(std::string_view text, const TOnAddress& onAddress) {
  if (!onAddress) return;
  TMailParser parser;
  std::size_t at = text.find('@');
  while (at != std::string_view::npos) {
    std::size_t begin = at;
    while (begin > 0 && In(scan::kTextLocalPartClass, text[begin - 1])) --begin;
    std::size_t end = at + 1;
    while (end < text.size() && In(scan::kTextDomainClass, text[end])) ++end;
    const std::string_view candidate = text.substr(begin, end - begin);
    if (parser.CheckAddress(candidate)) onAddress(nullptr, candidate, candidate, akBody, 0);
    // The byte that ended the forward walk may be the next "@".
    at = text.find('@', end);
  }
}

}  // namespace tessaly
