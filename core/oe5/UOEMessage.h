// The Outlook Express 5 reader: finds the identities and their store folder in the
// registry, reads a folder file (.dbx) by the shape of its data blocks, and takes the
// addresses out of every stored message's From, Sender, Cc, To and Bcc header fields.
//
// Folder-file layout as this reader reads it (all numbers 32-bit little-endian): a data
// block sits at an offset P that is a multiple of 4 and starts with a 16-byte header
//
//   +0   own offset   equals P; a word that is not its own offset holds no data block
//   +4   body size    a message start whose body size is 508 is passed over
//   +8   text length  bytes of text after the header
//   +12  next block   offset of the message's next block; 0 ends the chain
//   +16  text
//
// The file header, its signature and its index are not interpreted: every fourth offset
// is a candidate, so messages the index has lost are read all the same.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "harvest/Events.h"
#include "oe5/ByteSource.h"
#include "registry/Registry.h"

namespace tessaly {

// (Msg, ndx): an accepted message's text and its message number.
using TOnGetMessage = std::function<void(std::string_view Msg, int ndx)>;

// Block header fields, by their offset in the block.
namespace dbx {
inline constexpr std::size_t kOwnOffset = 0;
inline constexpr std::size_t kBodySize = 4;
inline constexpr std::size_t kTextLength = 8;
inline constexpr std::size_t kNextBlock = 12;
inline constexpr std::size_t kHeaderSize = 16;
// A message start with this body size is passed over.
inline constexpr std::uint32_t kSkippedBodySize = 508;
// A first block with more text than this is replaced by a block found further on.
inline constexpr std::uint32_t kMaxFirstText = 512;
inline constexpr std::uint32_t kReplacementStride = 65536;
// How many text bytes the message-start test looks at.
inline constexpr std::size_t kStartTestBytes = 80;
// Offsets are 32-bit; the file must stay below this size.
inline constexpr std::uint64_t kMaxFileSize = 1ull << 31;
}  // namespace dbx

class TOEMessage {
 public:
  // The registry that identities and store roots are read from; without one, the empty
  // registry (no identities). The registry must outlive the reader.
  explicit TOEMessage(const TRegistry* registry = nullptr);
  TOEMessage(const TOEMessage&) = delete;
  TOEMessage& operator=(const TOEMessage&) = delete;

  void SetRegistry(const TRegistry* registry);
  const TRegistry& Registry() const { return *registry_; }

  // Key name of the identity whose store folder GetStoreRoot looks up.
  std::string identity;

  // Events; an empty slot is skipped.
  TOnAddress onAddress;
  TOnFileSize OnFileSize;
  TOnProgressBar OnProgressBar;
  TOnGetMessage OnGetMessage;
  // Takes the address, size and progress slots from a source's events.
  void SetEvents(const THarvestEvents& events);

  // --- Store and identity discovery ------------------------------------------------------
  // Fills list with one entry per identity, in registry order: the user name, one NUL
  // character and the identity's key name. Missing or unreadable keys shorten the list.
  void ListIdentities(std::vector<std::string>& list) const;
  // The store folder of `identity` with its placeholders expanded, as a path of this
  // system; empty when the registry has none. Sets `identity` to the first identity when
  // the one named is not there (letter case ignored).
  std::string GetStoreRoot();
  // The same before the registry maps it to a path of this system (Windows form).
  std::string GetStoreRootWindowsForm();

  // --- Folder file --------------------------------------------------------------------
  // Reads one folder file and raises the events. False, with no event raised, when the
  // file cannot be opened or another process holds it (in use); false also when reading
  // fails part way, a handler of OnFileSize, OnProgressBar or OnGetMessage raises, or the
  // file is 2 GiB or more. True also when the scan ended because the abort flag was set.
  bool ReadFolderFile(const std::string& path);
  // The same over bytes already in memory.
  bool ReadFolderBytes(std::span<const std::uint8_t> bytes);
  // The same over any byte source.
  bool ReadFolderSource(TFolderBytes& source);

  // --- Header address extraction ------------------------------------------------------
  // True when the message is taken (a To field, or Bcc with From or Sender, before the
  // first empty line); raises onAddress for each address of its From, Sender, Cc, To and
  // Bcc fields, in that order, each field's entries last to first. Never raises.
  bool ParseHeader(std::string_view text, int ndx);
  // Reads the address list whose value begins at the 1-based position start of the text
  // ParseHeader was given, reporting with the current kind and message number.
  void ParseAddressList(std::int64_t start);

  // --- State -------------------------------------------------------------------------
  bool Aborted() const { return abort_; }
  std::int32_t MessageNumber() const { return messageNumber_; }
  std::uint32_t FileSize() const { return fileSize_; }

 private:
  struct TBlock {
    std::uint64_t at = 0;  // where the header was read
    std::uint32_t ownOffset = 0, bodySize = 0, textLength = 0, nextBlock = 0;
  };
  struct TEntry {
    std::string address, name;
  };
  class TListCursor;
  // A walk along one message's block chain.
  struct TWalk {
    TBlock block;
    bool ended = false;
    bool clean = true;  // ended where the chain itself ends, not at a repeat or the size bound
    std::uint64_t furthest = 0;
    bool stepsBack = false;
    std::vector<std::uint64_t> chain;
    std::unordered_set<std::uint64_t> seen;
  };
  // What the last walk learnt about the blocks it passed. A later candidate among them
  // has a text that is a tail of that walk's text, so whether its header is taken can be
  // told without walking the chain again.
  struct TChainMemo {
    bool valid = false;
    bool blankLine = false;  // the walk met the empty line; otherwise there is none to its end
    std::uint64_t blankAt = 0;
    // Block offset: where its text began in the walk's text, and whether it begins "From:".
    std::unordered_map<std::uint64_t, std::pair<std::uint64_t, bool>> blocks;
    // Where each header field's line begins before the empty line, in field order.
    std::array<std::vector<std::uint64_t>, 5> fields;
  };
  enum class TVerdict { Rejected, Accepted, Undecided };

  // Steps 3 to 6 of a folder read: size, scan, messages. False on failure.
  bool ScanFolder(TFolderBytes& source);
  // The closing progress report.
  bool FinishFolder();
  void ReadMessage(TFolderBytes& source, std::uint32_t offset, std::int32_t ndx);
  bool ReadBlock(TFolderBytes& source, std::uint64_t at, TBlock& block) const;
  // Appends the current block's text to the message and moves to the next block.
  void Step(TFolderBytes& source, TWalk& walk);
  void RememberWalk(const TWalk& walk, std::size_t blankAt);
  TVerdict Verdict(std::uint64_t textStart, bool startsWithFrom) const;
  bool OverBudget() const { return gathered_ > budget_; }
  // One entry of an address list; false when the list has no entry there.
  bool ReadEntry(TListCursor& lc, std::int64_t start, TEntry& entry, std::int64_t& next);
  void Report(TEntry& entry);

  const TRegistry* registry_;

  // Folder file state.
  std::uint32_t scanOffset_ = 0;
  std::uint32_t fileSize_ = 0;
  std::int32_t messageNumber_ = 0;
  std::string messageText_;
  bool abort_ = false;
  // Block offset and where its text began, for each block of the current walk.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> trace_;
  TChainMemo memo_;
  // Text bytes gathered in this file, and how many may be before messages are cut short.
  std::uint64_t gathered_ = 0;
  std::uint64_t budget_ = 0;

  // Header parse state.
  std::string_view text_;
  std::uint8_t currentKind_ = akFrom;
  std::int64_t cursor_ = 0;
  std::int32_t ndx_ = 0;
  std::vector<TEntry> entries_;
};

// The message-start test over the bytes from the block's 17th byte on (at most the first
// 80 are looked at): a run of ASCII letters, digits, spaces and "-", then ": ".
bool IsMessageStart(std::span<const std::uint8_t> text);

// Which header field (0 From, 1 Sender, 2 Cc, 3 To, 4 Bcc) the CR LF at index at opens,
// letter case ignored; -1 for none.
int HeaderFieldAfterLineEnd(std::string_view text, std::size_t at);
// Whether the text begins with "From:", letter case ignored.
bool StartsWithFromField(std::string_view text);

// Trims, removes every > < " ' [ ], trims again; empty when it then begins with "@".
std::string CleanAddress(std::string_view a);

// Decodes at most one MIME encoded word, Q style, passing bytes through unconverted; a
// B-encoded word keeps its encoded text without its prefix and closing "?=".
std::string DecodeEncodedWord(std::string_view n);

}  // namespace tessaly
