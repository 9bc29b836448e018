// A memo of the addresses the e-mail index is known to hold, so that an address met again
// and again (a run of a large archive meets the same correspondents millions of times) is
// refused without asking the engine each time.
//
// It holds 128-bit fingerprints of the keys as the index compares them (cut to the field
// width, ASCII letters folded), in an open-addressing table that grows up to a fixed bound
// and then stops taking new keys. A key not in the memo is still looked up in the index, so
// the memo only ever answers "listed" for a key that was listed; whoever removes records
// clears it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tessaly {

class TListedMemo {
 public:
  // At most this many slots (16 bytes each): 64 MiB.
  static constexpr std::size_t kMaxSlots = std::size_t{1} << 22;

  bool Contains(std::string_view key) const;
  void Insert(std::string_view key);
  void Clear();
  std::size_t Size() const { return count_; }

 private:
  struct Fingerprint {
    std::uint64_t a = 0, b = 0;  // b is never 0 for a used slot
  };
  static Fingerprint Of(std::string_view key);
  void Grow();

  std::vector<Fingerprint> slots_;
  std::size_t count_ = 0;
};

}  // namespace tessaly
