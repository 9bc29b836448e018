// A read-only view of the parts of a Windows registry the Outlook Express source needs:
// the identity keys under the current user's root, the profile list under the machine's
// root, the Windows folder, and a way back from a Windows path to a path of this system.
//
// Three backends: an empty one (no identities, the default where no registry exists), one
// held in memory (tests build it), and one over registry text files (RegFile.h).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaly {

// The registry's two roots: the current user's and the machine's.
enum class TRegRoot { CurrentUser, LocalMachine };

class TRegistry {
 public:
  virtual ~TRegistry() = default;

  // Whether the key can be opened. Key paths are backslash-separated, letter case ignored.
  virtual bool KeyExists(TRegRoot root, std::string_view path) const = 0;
  // The subkey names of a key in registry order; nothing when the key cannot be opened.
  virtual std::optional<std::vector<std::string>> SubKeyNames(TRegRoot root,
                                                              std::string_view path) const = 0;
  // A string value (plain or expandable) as stored, placeholders unexpanded; nothing when
  // the key or the value is missing or the value holds no string.
  virtual std::optional<std::string> ReadString(TRegRoot root, std::string_view path,
                                                std::string_view name) const = 0;
  // The Windows folder in Windows form ("C:\WINDOWS"); empty when there is none.
  virtual std::string WindowsFolder() const = 0;
  // A path in Windows form as a path of this system; returned unchanged when this backend
  // knows no mapping for it.
  virtual std::string ToLocalPath(std::string_view windowsPath) const = 0;
};

// No registry at all: no keys, no Windows folder, paths unchanged.
class TEmptyRegistry final : public TRegistry {
 public:
  bool KeyExists(TRegRoot, std::string_view) const override { return false; }
  std::optional<std::vector<std::string>> SubKeyNames(TRegRoot, std::string_view) const override {
    return std::nullopt;
  }
  std::optional<std::string> ReadString(TRegRoot, std::string_view,
                                        std::string_view) const override {
    return std::nullopt;
  }
  std::string WindowsFolder() const override { return {}; }
  std::string ToLocalPath(std::string_view windowsPath) const override {
    return std::string(windowsPath);
  }
};

// One key of a registry tree: its name as written, its subkeys in the order they were
// added, and its string values. Names are matched without regard to letter case.
class TRegKey {
 public:
  explicit TRegKey(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

  const TRegKey* Find(std::string_view path) const;
  // The key at path, created with every missing parent.
  TRegKey& Make(std::string_view path);
  std::vector<std::string> SubKeyNames() const;

  // A value that holds no string is recorded as such, so that reading it yields nothing.
  void SetValue(std::string_view name, std::optional<std::string> text);
  // Nothing when the value is missing or holds no string.
  std::optional<std::string> Value(std::string_view name) const;

 private:
  const TRegKey* Child(std::string_view name) const;

  std::string name_;
  std::vector<std::unique_ptr<TRegKey>> subkeys_;
  // Subkeys by their name in lower case; a hive key may have thousands of them.
  std::unordered_map<std::string, std::size_t> index_;
  std::vector<std::pair<std::string, std::optional<std::string>>> values_;
};

// Two key trees, one per root, answering the read interface. Both the in-memory backend
// and the registry-file backend are built on it.
class TRegTreeRegistry : public TRegistry {
 public:
  bool KeyExists(TRegRoot root, std::string_view path) const override;
  std::optional<std::vector<std::string>> SubKeyNames(TRegRoot root,
                                                      std::string_view path) const override;
  std::optional<std::string> ReadString(TRegRoot root, std::string_view path,
                                        std::string_view name) const override;

  TRegKey& Root(TRegRoot root) { return root == TRegRoot::CurrentUser ? user_ : machine_; }
  const TRegKey& Root(TRegRoot root) const {
    return root == TRegRoot::CurrentUser ? user_ : machine_;
  }

 private:
  TRegKey user_{""};
  TRegKey machine_{""};
};

// The registry tests build by hand.
class TMemoryRegistry final : public TRegTreeRegistry {
 public:
  TMemoryRegistry& AddKey(TRegRoot root, std::string_view path);
  TMemoryRegistry& SetString(TRegRoot root, std::string_view path, std::string_view name,
                             std::string_view value);
  void SetWindowsFolder(std::string folder) { windowsFolder_ = std::move(folder); }
  // Without a mapper, paths are returned unchanged.
  void SetPathMapper(std::function<std::string(std::string_view)> mapper) {
    mapper_ = std::move(mapper);
  }

  std::string WindowsFolder() const override { return windowsFolder_; }
  std::string ToLocalPath(std::string_view windowsPath) const override {
    return mapper_ ? mapper_(windowsPath) : std::string(windowsPath);
  }

 private:
  std::string windowsFolder_;
  std::function<std::string(std::string_view)> mapper_;
};

// ASCII letter case ignored; other bytes compared as they are.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace tessaly
