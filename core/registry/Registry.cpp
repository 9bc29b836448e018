#include "registry/Registry.h"

namespace tessaly {

namespace {

unsigned char LowerAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

std::string LowerKey(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(LowerAscii(static_cast<unsigned char>(c)));
  return lower;
}

// The first component of a key path and the rest after its backslash.
std::pair<std::string_view, std::string_view> SplitFirst(std::string_view path) {
  const std::size_t cut = path.find('\\');
  if (cut == std::string_view::npos) return {path, {}};
  return {path.substr(0, cut), path.substr(cut + 1)};
}

}  // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(static_cast<unsigned char>(a[i])) !=
        LowerAscii(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

const TRegKey* TRegKey::Child(std::string_view name) const {
  const auto it = index_.find(LowerKey(name));
  return it == index_.end() ? nullptr : subkeys_[it->second].get();
}

const TRegKey* TRegKey::Find(std::string_view path) const {
  const TRegKey* key = this;
  while (key && !path.empty()) {
    auto [first, rest] = SplitFirst(path);
    // Empty components (a doubled or trailing backslash) are passed over, as the
    // registry's own open does.
    if (!first.empty()) key = key->Child(first);
    path = rest;
  }
  return key;
}

TRegKey& TRegKey::Make(std::string_view path) {
  TRegKey* key = this;
  while (!path.empty()) {
    auto [first, rest] = SplitFirst(path);
    path = rest;
    if (first.empty()) continue;
    TRegKey* child = const_cast<TRegKey*>(key->Child(first));
    if (!child) {
      key->index_.emplace(LowerKey(first), key->subkeys_.size());
      key->subkeys_.push_back(std::make_unique<TRegKey>(std::string(first)));
      child = key->subkeys_.back().get();
    }
    key = child;
  }
  return *key;
}

std::vector<std::string> TRegKey::SubKeyNames() const {
  std::vector<std::string> names;
  names.reserve(subkeys_.size());
  for (const auto& k : subkeys_) names.push_back(k->name_);
  return names;
}

void TRegKey::SetValue(std::string_view name, std::optional<std::string> text) {
  for (auto& [n, v] : values_) {
    if (SameTextIgnoringCase(n, name)) {
      v = std::move(text);
      return;
    }
  }
  values_.emplace_back(std::string(name), std::move(text));
}

std::optional<std::string> TRegKey::Value(std::string_view name) const {
  for (const auto& [n, v] : values_)
    if (SameTextIgnoringCase(n, name)) return v;
  return std::nullopt;
}

bool TRegTreeRegistry::KeyExists(TRegRoot root, std::string_view path) const {
  return Root(root).Find(path) != nullptr;
}

std::optional<std::vector<std::string>> TRegTreeRegistry::SubKeyNames(TRegRoot root,
                                                                      std::string_view path) const {
  const TRegKey* key = Root(root).Find(path);
  if (!key) return std::nullopt;
  return key->SubKeyNames();
}

std::optional<std::string> TRegTreeRegistry::ReadString(TRegRoot root, std::string_view path,
                                                        std::string_view name) const {
  const TRegKey* key = Root(root).Find(path);
  if (!key) return std::nullopt;
  return key->Value(name);
}

TMemoryRegistry& TMemoryRegistry::AddKey(TRegRoot root, std::string_view path) {
  Root(root).Make(path);
  return *this;
}

TMemoryRegistry& TMemoryRegistry::SetString(TRegRoot root, std::string_view path,
                                            std::string_view name, std::string_view value) {
  Root(root).Make(path).SetValue(name, std::string(value));
  return *this;
}

}  // namespace tessaly
