// Reading one folder file: every fourth offset is a candidate data block; message starts
// have their block chain gathered and their header parsed.
#include <algorithm>
#include <array>
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

bool TOEMessage::ReadFolderSource(TByteSource& source) {
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

bool TOEMessage::ScanFolder(TByteSource& source) {
  try {
    const std::uint64_t size = source.Size();
    if (size >= dbx::kMaxFileSize) return false;
    fileSize_ = static_cast<std::uint32_t>(size);
    if (OnFileSize) OnFileSize(fileSize_);
    scanOffset_ = 0;
    messageNumber_ = 0;

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

bool TOEMessage::ReadBlock(TByteSource& source, std::uint64_t at, TBlock& block) const {
  const auto h = source.View(at, dbx::kHeaderSize);
  if (h.size() < dbx::kHeaderSize) return false;
  block.at = at;
  block.ownOffset = Load32(h.data() + dbx::kOwnOffset);
  block.bodySize = Load32(h.data() + dbx::kBodySize);
  block.textLength = Load32(h.data() + dbx::kTextLength);
  block.nextBlock = Load32(h.data() + dbx::kNextBlock);
  return true;
}

void TOEMessage::ReadMessage(TByteSource& source, std::uint32_t offset, std::int32_t ndx) {
  TBlock block;
  if (!ReadBlock(source, offset, block)) return;
  if (block.bodySize == dbx::kSkippedBodySize) return;

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

  GatherText(source, block);
  if (ParseHeader(messageText_, ndx)) {
    if (OnGetMessage) OnGetMessage(messageText_, ndx);
    if (OnProgressBar) OnProgressBar(offset, abort_);
  }
}

void TOEMessage::GatherText(TByteSource& source, TBlock block) {
  messageText_.clear();
  chain_.clear();
  chain_.push_back(block.at);
  std::uint64_t furthest = block.at;
  // While the chain runs forward it cannot come back to a block it has read; the set of
  // read blocks is only kept once it steps back.
  std::unordered_set<std::uint64_t> seen;
  bool stepsBack = false;
  while (true) {
    if (block.textLength == 0) break;
    // Never more text than the file holds, however the chain runs.
    const std::uint64_t room = fileSize_ - std::min<std::uint64_t>(messageText_.size(), fileSize_);
    const std::uint64_t take = std::min<std::uint64_t>(block.textLength, room);
    source.AppendTo(messageText_, block.at + dbx::kHeaderSize, static_cast<std::size_t>(take));
    if (messageText_.size() >= fileSize_) break;
    const std::uint32_t next = block.nextBlock;
    if (next == 0 || next >= fileSize_) break;
    if (next == block.ownOffset) break;
    if (!stepsBack && next <= furthest) {
      stepsBack = true;
      seen.insert(chain_.begin(), chain_.end());
    }
    if (stepsBack && !seen.insert(next).second) break;  // back to a block already read
    TBlock nextBlock;
    if (!ReadBlock(source, next, nextBlock)) break;
    block = nextBlock;
    furthest = std::max<std::uint64_t>(furthest, next);
    if (!stepsBack) chain_.push_back(next);
  }
}

}  // namespace tessaly
