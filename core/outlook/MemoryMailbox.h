// A mailbox held in memory: stores, folders and messages built in code, with switches that
// make one member fail, so that every path of the reader can be walked without a mail
// store on disk.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "outlook/Mailbox.h"

namespace tessaly::mailbox {

struct TMemoryMessage {
  std::string text;
  TAddressEntry sender;
  std::vector<TAddressEntry> recipients;
  bool fetchFails = false;          // GetMessage throws
  bool textFails = false;           // Text throws
  bool senderFails = false;         // Sender throws
  bool recipientsFail = false;      // RecipientCount throws
  std::set<int> failingRecipients;  // Recipient(j) throws for these j (1-based)
};

class TMemoryMailSystem;

class TMemoryFolder {
 public:
  TMemoryFolder(TMemoryMailSystem& system, std::string name)
      : name(std::move(name)), system_(&system) {}
  TMemoryFolder(const TMemoryFolder&) = delete;
  TMemoryFolder& operator=(const TMemoryFolder&) = delete;

  std::string name;
  bool nameFails = false;   // Name throws
  bool countFails = false;  // ItemCount throws
  std::vector<std::unique_ptr<TMemoryFolder>> folders;
  std::vector<std::string> items;  // entry ids, in item order

  TMemoryFolder& AddFolder(std::string folderName);
  // Adds an item holding this message; returns its entry id.
  std::string AddMessage(TMemoryMessage message);
  TMemoryMessage& Message(int index);  // 1-based

 private:
  TMemoryMailSystem* system_;
};

class TMemoryMailSystem : public TMailSystem {
 public:
  TMemoryFolder& AddStore(std::string name);
  std::vector<std::unique_ptr<TMemoryFolder>> stores;
  std::map<std::string, TMemoryMessage> messages;

  // Failures of the opening steps.
  bool sessionFails = false;        // CreateSession throws
  bool logonFails = false;          // Logon throws
  bool applicationMissing = false;  // CreateApplication throws, every time
  bool namespaceFails = false;      // GetNameSpace throws
  bool folderCountFails = false;    // the namespace's FolderCount throws
  int folderNameFailsAt = 0;        // FolderName(i) throws for this i (1-based); 0 for none
  std::vector<std::string> problems;

  // What the reader did.
  int sessionsCreated = 0;
  int logons = 0;
  int logoffs = 0;
  int applicationsCreated = 0;
  std::vector<std::string> fetched;  // entry ids passed to GetMessage, in order
  // Called by GetMessage before it answers; a test presses Stop here.
  std::function<void(const std::string& entryId)> onFetch;

  std::unique_ptr<TMailSession> CreateSession() override;
  std::unique_ptr<TMailApplication> CreateApplication() override;
  std::vector<std::string> Problems() const override { return problems; }

 private:
  friend class TMemoryFolder;
  int nextId_ = 0;
};

}  // namespace tessaly::mailbox
