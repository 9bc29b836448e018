// Reading one folder file: every fourth offset is a candidate data block; message starts
// have their block chain gathered and their header parsed.
#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_set>

#include "harvest/EventPump.h"
#include "oe5/UOEMessage.h"

namespace tessaly {

namespace {

std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The bytes a header field name may be made of here: ASCII letters, digits, space, "-".
constexpr std::array<bool, 256> kNameBytes = [] {
  std::array<bool, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = true;
  for (int c = '0'; c <= '9'; ++c) t[c] = true;
  t[' '] = true;
  t['-'] = true;
  return t;
}();

// Yield to the window system at least this often while no block is met.
constexpr std::uint32_t kYieldStrideMask = (16u << 10) - 1;

// Once a file has had this many times its size gathered (only chains crafted to share
// their tails get there), each further message is gathered only this far past its header.
constexpr std::uint64_t kBudgetPerByte = 16;
constexpr std::uint64_t kBudgetBase = 64ull << 20;
constexpr std::size_t kTailAfterBudget = 16u << 10;

std::size_t FindBlankLine(const std::string& text, std::size_t from) {
  if (from >= text.size()) return std::string::npos;
  const void* hit = memmem(text.data() + from, text.size() - from, "\r\n\r\n", 4);
  return hit ? static_cast<const char*>(hit) - text.data() : std::string::npos;
}

}  // namespace

bool IsMessageStart(std::span<const std::uint8_t> text) {
  const std::size_t n = std::min(text.size(), dbx::kStartTestBytes);
  std::size_t i = 0;
  while (i < n && kNameBytes[text[i]]) ++i;
  return i + 1 < n && text[i] == ':' && text[i + 1] == ' ';
}

bool TOEMessage::ReadFolderFile(const std::string& path) {
  abort_ = false;
  {
    TFolderFile file;
    if (!file.Open(path)) return false;
    if (!ScanFolder(file)) return false;
  }  // closed before the closing report, as the scan is over
  return FinishFolder();
}

bool TOEMessage::ReadFolderBytes(std::span<const std::uint8_t> bytes) {
  TMemorySource source(bytes);
  return ReadFolderSource(source);
}

bool TOEMessage::ReadFolderSource(TFolderBytes& source) {
  abort_ = false;
  if (!ScanFolder(source)) return false;
  return FinishFolder();
}

bool TOEMessage::FinishFolder() {
  try {
    if (!abort_ && OnProgressBar) OnProgressBar(fileSize_, abort_);
  } catch (...) {
    return false;
  }
  return true;
}

bool TOEMessage::ScanFolder(TFolderBytes& source) {
  try {
    const std::uint64_t size = source.Size();
    if (size >= dbx::kMaxFileSize) return false;
    fileSize_ = static_cast<std::uint32_t>(size);
    if (OnFileSize) OnFileSize(fileSize_);
    scanOffset_ = 0;
    messageNumber_ = 0;
    memo_.valid = false;
    gathered_ = 0;
    budget_ = kBudgetBase + kBudgetPerByte * fileSize_;

    while (scanOffset_ < fileSize_ && !abort_) {
      const auto chunk = source.Chunk(scanOffset_);
      // Fewer than 4 bytes left: no word, so no block, can start there.
      if (chunk.size() < 4) break;
      const std::uint8_t* base = chunk.data();
      const std::uint64_t chunkStart = scanOffset_;
      const std::uint64_t chunkEnd = chunkStart + chunk.size();
      while (scanOffset_ + 4ull <= chunkEnd && !abort_) {
        const std::uint32_t at = scanOffset_;
        const bool block = Load32(base + (at - chunkStart)) == at;
        if (block && IsMessageStart(source.View(at + dbx::kHeaderSize, dbx::kStartTestBytes))) {
          ++messageNumber_;
          ReadMessage(source, at, messageNumber_);
        }
        // Whatever the message did, its own blocks are tested as candidates later.
        scanOffset_ += 4;
        if (block || (scanOffset_ & kYieldStrideMask) == 0) YieldToEventLoop();
      }
    }
  } catch (...) {
    return false;
  }
  return true;
}

bool TOEMessage::ReadBlock(TFolderBytes& source, std::uint64_t at, TBlock& block) const {
  const auto h = source.View(at, dbx::kHeaderSize);
  if (h.size() < dbx::kHeaderSize) return false;
  block.at = at;
  block.ownOffset = Load32(h.data() + dbx::kOwnOffset);
  block.bodySize = Load32(h.data() + dbx::kBodySize);
  block.textLength = Load32(h.data() + dbx::kTextLength);
  block.nextBlock = Load32(h.data() + dbx::kNextBlock);
  return true;
}

void TOEMessage::ReadMessage(TFolderBytes& source, std::uint32_t offset, std::int32_t ndx) {
  TBlock block;
  if (!ReadBlock(source, offset, block)) return;
  if (block.bodySize == dbx::kSkippedBodySize) return;

  // A block the last walk passed: its text is a tail of that walk's text.
  if (memo_.valid && block.textLength <= dbx::kMaxFirstText) {
    if (const auto it = memo_.blocks.find(offset); it != memo_.blocks.end()) {
      if (!memo_.blankLine) return;
      if (Verdict(it->second.first, it->second.second) == TVerdict::Rejected) return;
    }
  }

  // A first block with too much text stands for a block further on: probe every 64 KiB,
  // skipping the first step, for a word that is its own offset.
  while (block.textLength > dbx::kMaxFirstText) {
    bool found = false;
    std::uint64_t probe = block.at + 2ull * dbx::kReplacementStride;
    for (; probe + 4 <= fileSize_; probe += dbx::kReplacementStride) {
      const auto word = source.View(probe, 4);
      if (word.size() == 4 && Load32(word.data()) == probe) {
        found = true;
        break;
      }
    }
    // No replacement within the file: this candidate is damaged; the scan goes on.
    if (!found || !ReadBlock(source, probe, block)) return;
  }

  // The text up to the empty line that ends the header: a candidate without one, or
  // whose header lacks the fields that make a message, needs nothing more.
  messageText_.clear();
  trace_.clear();
  TWalk walk;
  walk.block = block;
  walk.furthest = block.at;
  walk.chain.push_back(block.at);
  std::size_t blank = std::string::npos;
  while (!walk.ended) {
    if (OverBudget() && messageText_.size() > kTailAfterBudget) return;
    const std::size_t before = messageText_.size();
    trace_.emplace_back(walk.block.at, before);
    Step(source, walk);
    blank = FindBlankLine(messageText_, before >= 3 ? before - 3 : 0);
    if (blank != std::string::npos) break;
  }
  RememberWalk(walk, blank);
  if (blank == std::string::npos) return;
  if (Verdict(0, StartsWithFromField(messageText_)) == TVerdict::Rejected) return;

  // The rest of the message.
  while (!walk.ended) {
    if (OverBudget() && messageText_.size() >= blank + 4 + kTailAfterBudget) break;
    Step(source, walk);
  }
  if (ParseHeader(messageText_, ndx)) {
    if (OnGetMessage) OnGetMessage(messageText_, ndx);
    if (OnProgressBar) OnProgressBar(offset, abort_);
  }
}

void TOEMessage::Step(TFolderBytes& source, TWalk& walk) {
  const TBlock& block = walk.block;
  const auto end = [&walk](bool clean) {
    walk.ended = true;
    walk.clean = clean;
  };
  if (block.textLength == 0) return end(true);
  // Never more text than the file holds, however the chain runs.
  const std::uint64_t room = fileSize_ - std::min<std::uint64_t>(messageText_.size(), fileSize_);
  const std::uint64_t take = std::min<std::uint64_t>(block.textLength, room);
  source.AppendTo(messageText_, block.at + dbx::kHeaderSize, static_cast<std::size_t>(take));
  gathered_ += take;
  if (messageText_.size() >= fileSize_) return end(false);
  const std::uint32_t next = block.nextBlock;
  if (next == 0 || next >= fileSize_) return end(true);
  if (next == block.ownOffset) return end(true);
  // While the chain runs forward it cannot come back to a block it has read; the set of
  // read blocks is only kept once it steps back.
  if (!walk.stepsBack && next <= walk.furthest) {
    walk.stepsBack = true;
    walk.seen.insert(walk.chain.begin(), walk.chain.end());
  }
  if (walk.stepsBack && !walk.seen.insert(next).second) return end(false);  // a block read before
  TBlock nextBlock;
  if (!ReadBlock(source, next, nextBlock)) return end(true);
  walk.block = nextBlock;
  walk.furthest = std::max<std::uint64_t>(walk.furthest, next);
  if (!walk.stepsBack) walk.chain.push_back(next);
}

void TOEMessage::RememberWalk(const TWalk& walk, std::size_t blankAt) {
  memo_.valid = false;
  memo_.blocks.clear();
  for (auto& f : memo_.fields) f.clear();
  const bool blankLine = blankAt != std::string::npos;
  // Without an empty line the tails are known only when the chain itself ended.
  if (!blankLine && !walk.clean) return;
  memo_.valid = true;
  memo_.blankLine = blankLine;
  memo_.blankAt = blankLine ? blankAt : 0;
  const std::string_view text = messageText_;
  for (const auto& [at, start] : trace_) {
    if (blankLine && start > blankAt) continue;  // its tail may not hold this empty line
    memo_.blocks[at] = {
        start, StartsWithFromField(text.substr(std::min<std::size_t>(start, text.size())))};
  }
  if (!blankLine) return;
  for (std::size_t from = 0; from < blankAt;) {
    const void* hit = std::memchr(text.data() + from, '\r', blankAt - from);
    if (!hit) break;
    const std::size_t i = static_cast<const char*>(hit) - text.data();
    const int f = HeaderFieldAfterLineEnd(text, i);
    if (f >= 0) memo_.fields[f].push_back(i);
    from = i + 1;
  }
}

TOEMessage::TVerdict TOEMessage::Verdict(std::uint64_t textStart, bool startsWithFrom) const {
  // A field counts for a text beginning at textStart when a line of it begins there or
  // later, before the empty line.
  const auto present = [&](int f) {
    const auto& at = memo_.fields[f];
    return std::lower_bound(at.begin(), at.end(), textStart) != at.end();
  };
  if (present(3)) return TVerdict::Accepted;   // To
  if (!present(4)) return TVerdict::Rejected;  // no Bcc either
  if (present(0) || present(1)) return TVerdict::Accepted;
  // "From:" at the very start counts only if no From line follows anywhere, body included.
  return startsWithFrom ? TVerdict::Undecided : TVerdict::Rejected;
}

}  // namespace tessaly
