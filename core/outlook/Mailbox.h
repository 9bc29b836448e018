// The mailbox the Outlook reader walks: a session that logs on and fetches messages by
// entry id, an application with its namespace of top-level folders (one per message
// store), folders with subfolders, names and items, and messages with their text, sender
// and recipients.
//
// Every member may fail; a failure is an EMailbox (or any std::exception) thrown to the
// caller, which decides what the failure means. Indexes are 1-based, as the reader counts.
// Entry ids are opaque texts: only the backend that issued one knows how to read it.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::mailbox {

class EMailbox : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An address entry: the sender of a message, or one recipient.
struct TAddressEntry {
  std::string address;
  std::string name;
};

class TMailMessage {
 public:
  virtual ~TMailMessage() = default;
  // The message text as one string.
  virtual std::string Text() = 0;
  // The sender; an entry with both texts empty when the message names none.
  virtual TAddressEntry Sender() = 0;
  virtual int RecipientCount() = 0;
  // Recipient 1 to RecipientCount().
  virtual TAddressEntry Recipient(int index) = 0;
};

class TMailFolder {
 public:
  virtual ~TMailFolder() = default;
  virtual std::string Name() = 0;
  // The subfolder at that index; throws once the index passes the last subfolder.
  virtual std::unique_ptr<TMailFolder> SubFolder(int index) = 0;
  // The subfolder of that name; throws when there is none.
  virtual std::unique_ptr<TMailFolder> SubFolder(std::string_view name) = 0;
  virtual int ItemCount() = 0;
  // The entry id of item 1 to ItemCount().
  virtual std::string ItemEntryId(int index) = 0;
};

// The top-level folders, one per message store, in the store's own order.
class TMailNamespace {
 public:
  virtual ~TMailNamespace() = default;
  virtual int FolderCount() = 0;
  // The name of top-level folder 1 to FolderCount().
  virtual std::string FolderName(int index) = 0;
  virtual std::unique_ptr<TMailFolder> Folder(std::string_view name) = 0;
};

class TMailApplication {
 public:
  virtual ~TMailApplication() = default;
  // The namespace of that name; "MAPI" is the one the reader asks for.
  virtual std::unique_ptr<TMailNamespace> GetNameSpace(std::string_view name) = 0;
};

class TMailSession {
 public:
  virtual ~TMailSession() = default;
  // Returns when logged on; throws when the session cannot be opened.
  virtual void Logon() = 0;
  virtual void Logoff() = 0;
  virtual std::unique_ptr<TMailMessage> GetMessage(const std::string& entryId) = 0;
};

// What the reader is built over: where its session and its application come from.
class TMailSystem {
 public:
  virtual ~TMailSystem() = default;
  // A new, not yet logged-on session; throws when none can be made.
  virtual std::unique_ptr<TMailSession> CreateSession() = 0;
  // The application; throws when the mail program cannot be reached at all.
  virtual std::unique_ptr<TMailApplication> CreateApplication() = 0;
  // What went wrong while opening the mailbox, one line each (for instance a data file
  // that could not be opened); empty when nothing did.
  virtual std::vector<std::string> Problems() const { return {}; }
};

}  // namespace tessaly::mailbox
