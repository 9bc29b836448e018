// The harvester's memory of the addresses already in its table, so that a repeat is
// refused without asking the table. A key is what the table's e-mail index compares: the
// first 80 bytes, with ASCII letters folded to small ones. Grows with the number of
// distinct addresses only.
//
// An open-addressing table over one block of key bytes: a look-up is a hash, usually one
// slot and one comparison, without a pointer chase per entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/DBISAMTableVantor.h"

class TSeenAddresses {
 public:
  TSeenAddresses() : slots_(1024) {}

  bool Contains(std::string_view email) const {
    char key[kKeyWidth];
    const std::string_view k = Fold(email, key);
    return slots_[Find(k, Hash(k))].length != 0;
  }

  void Add(std::string_view email) {
    char key[kKeyWidth];
    const std::string_view k = Fold(email, key);
    if (k.empty()) return;
    const std::uint64_t h = Hash(k);
    Slot& slot = slots_[Find(k, h)];
    if (slot.length != 0) return;
    slot = {h, static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(k.size())};
    keys_.append(k);
    if (++count_ * 2 > slots_.size()) Grow();
  }

  std::size_t Count() const { return count_; }

 private:
  static constexpr std::size_t kKeyWidth = tessaly::TDBISAMTableVantor::kEmailWidth;

  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;  // 0: empty
  };

  static std::string_view Fold(std::string_view email, char* into) {
    email = tessaly::CutToWidth(email, kKeyWidth);
    for (std::size_t i = 0; i < email.size(); ++i) {
      const char c = email[i];
      into[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return {into, email.size()};
  }

  static std::uint64_t Hash(std::string_view key) { return std::hash<std::string_view>{}(key); }

  // The slot holding the key, or the empty slot where it would go.
  std::size_t Find(std::string_view key, std::uint64_t h) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.length == 0) return i;
      if (s.hash == h && s.length == key.size() &&
          std::memcmp(keys_.data() + s.offset, key.data(), key.size()) == 0)
        return i;
    }
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.length == 0) continue;
      std::size_t i = s.hash & mask;
      while (slots_[i].length != 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  std::string keys_;
  std::size_t count_ = 0;
};
