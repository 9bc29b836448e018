#include "outlook/MemoryMailbox.h"

namespace tessaly::mailbox {
namespace {

class TMemoryMailMessage : public TMailMessage {
 public:
  explicit TMemoryMailMessage(const TMemoryMessage& m) : m_(m) {}
  std::string Text() override {
    if (m_.textFails) throw EMailbox("the message text cannot be read");
    return m_.text;
  }
  TAddressEntry Sender() override {
    if (m_.senderFails) throw EMailbox("the sender cannot be read");
    return m_.sender;
  }
  int RecipientCount() override {
    if (m_.recipientsFail) throw EMailbox("the recipients cannot be read");
    return static_cast<int>(m_.recipients.size());
  }
  TAddressEntry Recipient(int index) override {
    if (index < 1 || index > static_cast<int>(m_.recipients.size()))
      throw EMailbox("no such recipient");
    if (m_.failingRecipients.count(index)) throw EMailbox("the recipient cannot be read");
    return m_.recipients[index - 1];
  }

 private:
  const TMemoryMessage& m_;
};

class TMemoryMailFolder : public TMailFolder {
 public:
  explicit TMemoryMailFolder(TMemoryFolder& f) : f_(f) {}
  std::string Name() override {
    if (f_.nameFails) throw EMailbox("the folder name cannot be read");
    return f_.name;
  }
  std::unique_ptr<TMailFolder> SubFolder(int index) override {
    if (index < 1 || index > static_cast<int>(f_.folders.size()))
      throw EMailbox("no subfolder at that index");
    return std::make_unique<TMemoryMailFolder>(*f_.folders[index - 1]);
  }
  std::unique_ptr<TMailFolder> SubFolder(std::string_view name) override {
    for (auto& sub : f_.folders)
      if (sub->name == name) return std::make_unique<TMemoryMailFolder>(*sub);
    throw EMailbox("no subfolder of that name: " + std::string(name));
  }
  int ItemCount() override {
    if (f_.countFails) throw EMailbox("the items cannot be counted");
    return static_cast<int>(f_.items.size());
  }
  std::string ItemEntryId(int index) override {
    if (index < 1 || index > static_cast<int>(f_.items.size())) throw EMailbox("no such item");
    return f_.items[index - 1];
  }

 private:
  TMemoryFolder& f_;
};

class TMemoryNamespace : public TMailNamespace {
 public:
  explicit TMemoryNamespace(TMemoryMailSystem& s) : s_(s) {}
  int FolderCount() override {
    if (s_.folderCountFails) throw EMailbox("the top-level folders cannot be counted");
    return static_cast<int>(s_.stores.size());
  }
  std::string FolderName(int index) override {
    if (index == s_.folderNameFailsAt) throw EMailbox("the top-level folder name cannot be read");
    if (index < 1 || index > static_cast<int>(s_.stores.size()))
      throw EMailbox("no top-level folder at that index");
    return s_.stores[index - 1]->name;
  }
  std::unique_ptr<TMailFolder> Folder(std::string_view name) override {
    for (auto& store : s_.stores)
      if (store->name == name) return std::make_unique<TMemoryMailFolder>(*store);
    throw EMailbox("no top-level folder of that name: " + std::string(name));
  }

 private:
  TMemoryMailSystem& s_;
};

class TMemoryApplication : public TMailApplication {
 public:
  explicit TMemoryApplication(TMemoryMailSystem& s) : s_(s) {}
  std::unique_ptr<TMailNamespace> GetNameSpace(std::string_view name) override {
    if (s_.namespaceFails || name != "MAPI") throw EMailbox("no such namespace");
    return std::make_unique<TMemoryNamespace>(s_);
  }

 private:
  TMemoryMailSystem& s_;
};

class TMemorySession : public TMailSession {
 public:
  explicit TMemorySession(TMemoryMailSystem& s) : s_(s) {}
  void Logon() override {
    if (s_.logonFails) throw EMailbox("logon refused");
    ++s_.logons;
  }
  void Logoff() override { ++s_.logoffs; }
  std::unique_ptr<TMailMessage> GetMessage(const std::string& entryId) override {
    s_.fetched.push_back(entryId);
    if (s_.onFetch) s_.onFetch(entryId);
    auto it = s_.messages.find(entryId);
    if (it == s_.messages.end() || it->second.fetchFails)
      throw EMailbox("no message with entry id " + entryId);
    return std::make_unique<TMemoryMailMessage>(it->second);
  }

 private:
  TMemoryMailSystem& s_;
};

}  // namespace

TMemoryFolder& TMemoryFolder::AddFolder(std::string folderName) {
  folders.push_back(std::make_unique<TMemoryFolder>(*system_, std::move(folderName)));
  return *folders.back();
}

std::string TMemoryFolder::AddMessage(TMemoryMessage message) {
  std::string id = "mem:" + std::to_string(++system_->nextId_);
  system_->messages.emplace(id, std::move(message));
  items.push_back(id);
  return id;
}

TMemoryMessage& TMemoryFolder::Message(int index) {
  return system_->messages.at(items.at(index - 1));
}

TMemoryFolder& TMemoryMailSystem::AddStore(std::string name) {
  stores.push_back(std::make_unique<TMemoryFolder>(*this, std::move(name)));
  return *stores.back();
}

std::unique_ptr<TMailSession> TMemoryMailSystem::CreateSession() {
  if (sessionFails) throw EMailbox("no session can be created");
  ++sessionsCreated;
  return std::make_unique<TMemorySession>(*this);
}

std::unique_ptr<TMailApplication> TMemoryMailSystem::CreateApplication() {
  if (applicationMissing) throw EMailbox("the mail program cannot be reached");
  ++applicationsCreated;
  return std::make_unique<TMemoryApplication>(*this);
}

}  // namespace tessaly::mailbox
