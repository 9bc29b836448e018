#include "Shared/ListedMemo.h"

#include <cstring>

#include "Shared/DBISAMTableVantor.h"

namespace tessaly {
namespace {

inline std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

// ASCII capitals to small letters, eight bytes at once.
inline std::uint64_t FoldWord(std::uint64_t w) {
  const std::uint64_t ones = 0x0101010101010101ULL;
  const std::uint64_t high = 0x8080808080808080ULL;
  // Bytes from 'A' (0x41) to 'Z' (0x5A), for bytes below 0x80.
  const std::uint64_t low7 = w & ~high;
  const std::uint64_t aboveA = (low7 + ones * (0x80 - 0x41)) & high;
  const std::uint64_t aboveZ = (low7 + ones * (0x80 - 0x5B)) & high;
  const std::uint64_t upper = aboveA & ~aboveZ & ~w;
  return w | (upper >> 2);
}

}  // namespace

TListedMemo::Fingerprint TListedMemo::Of(std::string_view key) {
  key = CutToWidth(key, TDBISAMTableVantor::kEmailWidth);
  std::uint64_t a = 0x9E3779B97F4A7C15ULL ^ key.size();
  std::uint64_t b = 0xC2B2AE3D27D4EB4FULL + key.size() * 0x165667B19E3779F9ULL;
  std::size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, key.data() + i, 8);
    w = FoldWord(w);
    a = Mix(a ^ w);
    b = Mix(b + (w ^ 0x94D049BB133111EBULL)) * 0xBF58476D1CE4E5B9ULL;
  }
  std::uint64_t tail = 0;
  for (std::size_t k = 0; i + k < key.size(); ++k)
    tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(key[i + k])) << (8 * k);
  tail = FoldWord(tail);
  a = Mix(a ^ tail ^ 0xA5A5A5A5A5A5A5A5ULL);
  b = Mix(b ^ (tail + 0x2545F4914F6CDD1DULL));
  if (b == 0) b = 1;
  return {a, b};
}

bool TListedMemo::Contains(std::string_view key) const {
  if (count_ == 0) return false;
  const Fingerprint f = Of(key);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = f.a & mask;; i = (i + 1) & mask) {
    const Fingerprint& s = slots_[i];
    if (s.b == 0) return false;
    if (s.a == f.a && s.b == f.b) return true;
  }
}

void TListedMemo::Insert(std::string_view key) {
  if (slots_.empty() || (count_ + 1) * 2 > slots_.size()) {
    if (slots_.size() >= kMaxSlots) return;  // full: the index answers from here on
    Grow();
  }
  const Fingerprint f = Of(key);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = f.a & mask;; i = (i + 1) & mask) {
    Fingerprint& s = slots_[i];
    if (s.b == 0) {
      s = f;
      ++count_;
      return;
    }
    if (s.a == f.a && s.b == f.b) return;
  }
}

void TListedMemo::Grow() {
  std::vector<Fingerprint> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 1024 : old.size() * 2, Fingerprint{});
  const std::size_t mask = slots_.size() - 1;
  for (const Fingerprint& f : old) {
    if (f.b == 0) continue;
    std::size_t i = f.a & mask;
    while (slots_[i].b != 0) i = (i + 1) & mask;
    slots_[i] = f;
  }
}

void TListedMemo::Clear() {
  slots_.clear();
  slots_.shrink_to_fit();
  count_ = 0;
}

}  // namespace tessaly
