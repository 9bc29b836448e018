#include "outlook/UOutlook.h"

#include "scan/Scanner.h"

#include <optional>
#include <stdexcept>

#include "harvest/EventPump.h"
#include "outlook/HeaderFallback.h"

namespace tessaly {
namespace {

using mailbox::EMailbox;
using mailbox::TMailFolder;
using mailbox::TMailMessage;

constexpr std::string_view kMarks = "\"'<>[]";

bool IsMark(char c) {
  return kMarks.find(c) != std::string_view::npos;
}

// The display text of a folder path: without its leading tab, the other tabs as " | ".
std::string DisplayTextOf(std::string_view path) {
  if (!path.empty() && path.front() == '\t') path.remove_prefix(1);
  std::string text;
  text.reserve(path.size() + 8);
  for (char c : path) {
    if (c == '\t')
      text += " | ";
    else
      text += c;
  }
  return text;
}

}  // namespace

std::string StripMarks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  if (!text.empty() && IsMark(text.front())) text.remove_prefix(1);
  if (!text.empty() && IsMark(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::size_t FindBodySeparator(std::string_view text) {
  for (std::string_view separator : {"\r\n\r\n", "\r\r", "\n\n"}) {
    const std::size_t at = text.find(separator);
    if (at != std::string_view::npos) return at;
  }
  return std::string_view::npos;
}

std::vector<std::string> SplitFolderPath(std::string_view path) {
  std::vector<std::string> names;
  std::string token;
  bool quoted = false;
  for (char c : path) {
    if (c == '"') quoted = !quoted;
    if (c == '\t' && !quoted) {
      if (!token.empty()) names.push_back(std::move(token));
      token.clear();
    } else {
      token += c;
    }
  }
  if (!token.empty()) names.push_back(std::move(token));
  return names;
}

TOutlook::TOutlook(std::shared_ptr<mailbox::TMailSystem> system) : system_(std::move(system)) {
  // The message text is scanned like any text in memory, with the extended letter classes.
  BodyScan = [](std::string_view text, const TOnAddress& report) { ScanText(text, report); };
  Open();
}

TOutlook::~TOutlook() {
  if (MapiPresent) {
    selectedFolder_.reset();
    namespace_.reset();
    application_.reset();
    if (session_ && CdoPresent) {
      try {
        session_->Logoff();
      } catch (...) {
        // The session goes anyway.
      }
    }
  }
  session_.reset();
}

void TOutlook::Open() {
  try {
    if (!system_) throw EMailbox("no mail system");
    if (!session_) session_ = system_->CreateSession();
    session_->Logon();
    application_ = system_->CreateApplication();
    try {
      namespace_ = application_->GetNameSpace("MAPI");
    } catch (...) {
      application_.reset();
      throw;
    }
  } catch (...) {
    // The session did not open. Whether the mail program exists at all tells the set-up
    // step what can still be tried.
    CdoPresent = false;
    try {
      if (!system_) throw EMailbox("no mail system");
      system_->CreateApplication();
    } catch (...) {
      MapiPresent = false;
    }
    return;
  }
  try {
    const int count = namespace_->FolderCount();
    for (int i = 1; i <= count; ++i) topFolderNames_.push_back(namespace_->FolderName(i));
    if (count > 0) SelectFolder(0);
  } catch (...) {
    // The names gathered so far stay; without the namespace nothing can be selected later.
    namespace_.reset();
  }
}

void TOutlook::SelectFolder(int index) {
  selectedIndex_ = index;
  if (index < 0 || index >= static_cast<int>(topFolderNames_.size()))
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  if (!namespace_) throw EMailbox("the mailbox namespace is not open");
  selectedFolder_ = namespace_->Folder(topFolderNames_[index]);
}

void TOutlook::ListFolders(std::vector<TOutlookFolderEntry>& list) {
  list.clear();
  if (!selectedFolder_) return;
  // Depth first without recursion: each frame is a folder whose subfolders are being
  // asked for by index until the index runs past the last one.
  struct TFrame {
    TMailFolder* folder;
    std::unique_ptr<TMailFolder> owned;
    std::string path;
    int next;
  };
  std::vector<TFrame> stack;
  stack.push_back({selectedFolder_.get(), nullptr, std::string(), 1});
  while (!stack.empty()) {
    std::unique_ptr<TMailFolder> sub;
    try {
      sub = stack.back().folder->SubFolder(stack.back().next++);
    } catch (...) {
      stack.pop_back();  // past the last subfolder, or the folder cannot be asked
      continue;
    }
    try {
      std::string path = stack.back().path + '\t' + sub->Name();
      list.push_back({DisplayTextOf(path), path});
      TMailFolder* raw = sub.get();
      stack.push_back({raw, std::move(sub), std::move(path), 1});
    } catch (...) {
      stack.pop_back();  // a subfolder that cannot be named ends its parent's listing
    }
  }
}

void TOutlook::Report(std::string_view address, std::string_view name, TOEAddressKind kind) {
  if (!onAddress) return;
  try {
    onAddress(this, address, name, kind, 0);
  } catch (...) {
    // One report that fails costs that report only.
  }
}

bool TOutlook::ReadFolder(const std::string& path) {
  TMailFolder* folder = selectedFolder_.get();
  std::unique_ptr<TMailFolder> owned;
  int count = 0;
  try {
    if (!folder) throw EMailbox("no top-level folder is selected");
    for (const std::string& name : SplitFolderPath(path)) {
      std::unique_ptr<TMailFolder> next = folder->SubFolder(name);
      owned = std::move(next);
      folder = owned.get();
    }
    count = folder->ItemCount();
    if (OnFileSize) OnFileSize(count > 0 ? static_cast<std::uint64_t>(count) : 0);
  } catch (...) {
    return false;
  }

  bool abort = false;
  for (int i = 1; i <= count; ++i) {
    std::string bodyPart;
    std::unique_ptr<TMailMessage> message;
    try {
      const std::string entryId = folder->ItemEntryId(i);
      if (!session_) throw EMailbox("the session is not open");
      message = session_->GetMessage(entryId);
      if (!message) throw EMailbox("no message for entry id " + entryId);
    } catch (...) {
      return false;
    }
    try {
      ReadMessage(*message, bodyPart);
      if (OnProgressBar) {
        OnProgressBar(static_cast<std::uint64_t>(i), abort);
        if (abort) break;
      }
    } catch (...) {
      // Whatever the message itself did not absorb skips the rest of this item only.
    }
    message.reset();
    YieldToEventLoop();
  }
  return true;
}

void TOutlook::ReadMessage(TMailMessage& message, std::string& bodyPart) {
  // The message counts as read when its sender could be read. Its text is needed only for
  // the body scan and for the fallback, and a text that cannot be read costs the text
  // alone: the sender and the recipients still come from the message.
  mailbox::TAddressEntry sender;
  bool read = false;
  try {
    sender = message.Sender();
    read = true;
  } catch (...) {
  }
  std::string text;
  std::size_t separator = std::string::npos;
  if (BodyOption || !read) {
    try {
      text = message.Text();
    } catch (...) {
      text.clear();
    }
    separator = FindBodySeparator(text);
    if (separator != std::string::npos && BodyOption)
      bodyPart = text.substr(separator + 1, kMaxBodyPart);
  }

  // The sender, from the message or, when it could not be read, from the header lines at
  // the top of the text: everything before the separator and its first character.
  std::string address, name;
  std::optional<THeaderAddresses> parsed;
  if (read) {
    address = StripMarks(sender.address);
    name = StripMarks(sender.name);
  } else if (!text.empty()) {
    std::string_view block(text);
    if (separator != std::string::npos) block = block.substr(0, separator + 1);
    try {
      parsed = ParseHeaderAddresses(block);
      address = StripMarks(parsed->from.address);
      name = StripMarks(parsed->from.name);
    } catch (...) {
      parsed.reset();
    }
  }
  if (FromOption && (!address.empty() || !name.empty())) Report(address, name, akFrom);

  if (read) {
    if (ToOption) {
      int count = 0;
      try {
        count = message.RecipientCount();
      } catch (...) {
        count = 0;  // recipients that cannot be listed cost the recipients only
      }
      for (int j = 1; j <= count; ++j) {
        try {
          const mailbox::TAddressEntry recipient = message.Recipient(j);
          Report(StripMarks(recipient.address), StripMarks(recipient.name), akTo);
        } catch (...) {
          // One recipient that cannot be read is skipped.
        }
      }
    }
  } else if (parsed && onAddress) {
    if (ToOption)
      for (const auto& to : parsed->to) Report(StripMarks(to.address), StripMarks(to.name), akTo);
    for (const auto& cc : parsed->cc) Report(StripMarks(cc.address), StripMarks(cc.name), akCc);
  }

  if (BodyOption && !bodyPart.empty() && BodyScan && onAddress) {
    const TOnAddress asThisReader = [this](void*, std::string_view adEmail, std::string_view adName,
                                           std::uint8_t kind,
                                           int) { onAddress(this, adEmail, adName, kind, 0); };
    try {
      BodyScan(bodyPart, asThisReader);
    } catch (...) {
      // A scan that fails finds nothing more in this message.
    }
  }
}

}  // namespace tessaly
