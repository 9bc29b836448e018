// Identities and their store folder, as Outlook Express 5 records them in the registry.
#include <algorithm>

#include "oe5/UOEMessage.h"

namespace tessaly {

namespace {

constexpr std::string_view kIdentities = "Identities";
constexpr std::string_view kOeKey = "Software\\Microsoft\\Outlook Express\\5.0";
constexpr std::string_view kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The placeholders are matched in this exact letter case only; a Store Root written in
// another case is left as it is (and then names no existing folder).
constexpr std::string_view kUserProfile = "%UserProfile%";
constexpr std::string_view kSystemRoot = "%SystemRoot%";
constexpr std::string_view kSystemDrive = "%SystemDrive%";
// Every placeholder is taken out with 13 characters: "%SystemRoot%" is 12 long, so the
// character after it (normally a backslash) goes with it.
constexpr std::size_t kPlaceholderCut = 13;

std::string KeyPath(std::string_view a, std::string_view b) {
  std::string path(a);
  path += '\\';
  path += b;
  return path;
}

const TEmptyRegistry& NoRegistry() {
  static const TEmptyRegistry none;
  return none;
}

}  // namespace

TOEMessage::TOEMessage(const TRegistry* registry)
    : registry_(registry ? registry : &NoRegistry()) {}

void TOEMessage::SetRegistry(const TRegistry* registry) {
  registry_ = registry ? registry : &NoRegistry();
}

void TOEMessage::SetEvents(const THarvestEvents& events) {
  onAddress = events.onAddress;
  OnFileSize = events.OnFileSize;
  OnProgressBar = events.OnProgressBar;
}

void TOEMessage::ListIdentities(std::vector<std::string>& list) const {
  list.clear();
  try {
    const auto names = registry_->SubKeyNames(TRegRoot::CurrentUser, kIdentities);
    if (!names) return;
    for (const std::string& name : *names) {
      try {
        const std::string key = KeyPath(kIdentities, name);
        if (!registry_->KeyExists(TRegRoot::CurrentUser, key)) continue;
        std::string entry =
            registry_->ReadString(TRegRoot::CurrentUser, key, "Username").value_or("");
        entry += '\0';
        entry += name;
        list.push_back(std::move(entry));
      } catch (...) {
        // This identity only.
      }
    }
  } catch (...) {
    // The entries gathered so far stand.
  }
}

std::string TOEMessage::GetStoreRootWindowsForm() {
  std::string result;
  try {
    const auto ids = registry_->SubKeyNames(TRegRoot::CurrentUser, kIdentities);
    if (!ids || ids->empty()) return result;
    const bool known = std::any_of(ids->begin(), ids->end(), [this](const std::string& id) {
      return SameTextIgnoringCase(id, identity);
    });
    if (!known) identity = ids->front();

    const std::string oeKey = KeyPath(KeyPath(kIdentities, identity), kOeKey);
    if (!registry_->KeyExists(TRegRoot::CurrentUser, oeKey)) return result;
    std::string root =
        registry_->ReadString(TRegRoot::CurrentUser, oeKey, "Store Root").value_or("");

    if (const std::size_t at = root.find(kUserProfile); at != std::string::npos) {
      root.erase(at, kPlaceholderCut);
      // The first profile in registry order, whichever user that is.
      const auto profiles = registry_->SubKeyNames(TRegRoot::LocalMachine, kProfileList);
      if (!profiles || profiles->empty()) return result;
      const std::string profileKey = KeyPath(kProfileList, profiles->front());
      if (!registry_->KeyExists(TRegRoot::LocalMachine, profileKey)) return result;
      const auto profilePath =
          registry_->ReadString(TRegRoot::LocalMachine, profileKey, "ProfileImagePath");
      if (!profilePath) return result;
      root = *profilePath + root;
      if (const std::size_t sys = root.find(kSystemRoot); sys != std::string::npos) {
        root.erase(sys, kPlaceholderCut);
        result = KeyPath(registry_->WindowsFolder(), root);
      } else {
        result = root;
      }
    } else if (const std::size_t drive = root.find(kSystemDrive); drive != std::string::npos) {
      root.erase(drive, kPlaceholderCut);
      root.insert(0, registry_->WindowsFolder().substr(0, 2));
      result = root;
    } else {
      result = root;
    }
  } catch (...) {
    // The result stays as it was when the failure came.
  }
  return result;
}

std::string TOEMessage::GetStoreRoot() {
  const std::string windowsForm = GetStoreRootWindowsForm();
  if (windowsForm.empty()) return windowsForm;
  try {
    return registry_->ToLocalPath(windowsForm);
  } catch (...) {
    return windowsForm;
  }
}

}  // namespace tessaly
