// The mailbox over Outlook data files (PST and OST), read with libpff.
//
// Each data file that opens is one top-level folder, named after the store's display name
// (made unique with " (2)", " (3)" ... when two stores share one) and holding the folder
// tree that Outlook shows under the store: the IPM subtree, without the internal root,
// search and view folders. The mail program counts as present when at least one data file
// is known; the session logs on when at least one of them opens, and the others are listed
// in Problems().
//
// Strings come out as UTF-8. Addresses prefer the SMTP address properties the store carries
// and fall back to the stored address as it is (an X.500 path for an Exchange user whose
// store kept nothing else).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "outlook/Mailbox.h"

namespace tessaly::mailbox {

// One data file: read from its path, or from its bytes when they are already in memory
// (the path then only names it).
struct TDataFile {
  std::string path;
  std::shared_ptr<const std::string> bytes;
};

class TPstStores;

class TPstMailSystem : public TMailSystem {
 public:
  explicit TPstMailSystem(const std::vector<std::string>& paths);
  explicit TPstMailSystem(std::vector<TDataFile> files);
  ~TPstMailSystem() override;

  std::unique_ptr<TMailSession> CreateSession() override;
  std::unique_ptr<TMailApplication> CreateApplication() override;
  // One line per data file that did not open: its path, a colon and the reason.
  std::vector<std::string> Problems() const override;

 private:
  std::shared_ptr<TPstStores> stores_;
};

}  // namespace tessaly::mailbox
